#include "history/due_list.h"
#include "util/stable_sort.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <tuple>

#include "records/certificate.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

bool IsCertificateFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".dat";
}

}  // namespace

CertificateScan ScanCertificates(const std::filesystem::path& root) {
    CertificateScan scan;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    std::filesystem::recursive_directory_iterator it(
        root, std::filesystem::directory_options::skip_permission_denied, ec);
    if (ec) {
        scan.problems.push_back({Cp1251PathText(root), std::string("Не читается директория"_cp)});
        return scan;
    }
    for (; it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            scan.problems.push_back({Cp1251PathText(root), std::string("Не читается директория"_cp)});
            break;
        }
        // Whatever is named like a certificate is read: a directory, FIFO or
        // device of that name is a problem to report, never skipped unseen.
        if (IsCertificateFile(it->path())) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<FoundCertificate> found;
    for (const auto& file : files) {
        const std::string name = Cp1251PathText(file);
        const FileReadResult file_read = ReadRegularFile(file, kMaxCertificateSize);
        const auto& bytes = file_read.bytes;
        if (!bytes) {
            // The read's problem text starts with the path, which the problem
            // carries on its own.
            std::string_view problem = file_read.problem;
            if (problem.starts_with(name + ": ")) problem.remove_prefix(name.size() + 2);
            scan.problems.push_back(
                {name, problem.empty() ? std::string("Не читается файл"_cp) : std::string(problem)});
            continue;
        }
        CertificateRead read = ReadCertificate(*bytes);
        if (!read.ok) {
            scan.problems.push_back({name, read.message});
            continue;
        }
        found.push_back({name, file, std::move(read.summary)});
    }
    scan.certificates = NewestPerSensor(std::move(found));
    return scan;
}

std::vector<FoundCertificate> NewestPerSensor(std::vector<FoundCertificate> certificates) {
    std::map<std::string, FoundCertificate> newest;
    for (FoundCertificate& c : certificates) {
        auto [it, inserted] = newest.try_emplace(c.summary.sensorNumber, c);
        const auto stamp = [](const FoundCertificate& f) {
            return std::tie(f.summary.calibrated.date, f.summary.calibrated.time);
        };
        if (!inserted && stamp(it->second) < stamp(c)) it->second = std::move(c);
    }
    std::vector<FoundCertificate> out;
    out.reserve(newest.size());
    for (auto& [number, c] : newest)
        out.push_back(std::move(c));
    return out;
}

std::vector<DueSensor> DueSensors(const std::vector<FoundCertificate>& certificates, const CivilDate& today,
                                  std::int64_t withinDays) {
    std::vector<DueSensor> due;
    const std::int64_t todayNumber = DayNumber(today);
    for (const FoundCertificate& c : certificates) {
        const std::int64_t daysLeft = DayNumber(c.summary.nextCalibration) - todayNumber;
        if (daysLeft > withinDays) continue;
        const bool endPassed = c.summary.endOfUse && DayNumber(*c.summary.endOfUse) < todayNumber;
        due.push_back({c, daysLeft, endPassed});
    }
    StableSort(due, [](const DueSensor& a, const DueSensor& b) {
        return std::tie(a.certificate.summary.nextCalibration, a.certificate.summary.sensorNumber) <
               std::tie(b.certificate.summary.nextCalibration, b.certificate.summary.sensorNumber);
    });
    return due;
}

}  // namespace gvc
