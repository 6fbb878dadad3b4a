#include "store/record_files_read.h"

#include <algorithm>
#include <system_error>

#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/sha256.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::size_t kMaxCertificateFile = 16u << 20;

bool IsDatFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".dat";
}

}  // namespace

LogLines ReadLogLines(const std::filesystem::path& log) {
    LogLines out;
    const FileReadResult read = ReadRegularFile(log, kMaxReportLogSize);
    if (!read.bytes) {
        out.present = !read.missing;
        out.ok = read.missing;
        out.message =
            read.problem.empty() ? Cp1251PathText(log) + std::string(": не читается"_cp) : read.problem;
        return out;
    }
    out.present = true;
    ReportLogCheck check = VerifyReportLog(*read.bytes);
    if (!check.ok) {
        out.message = Cp1251PathText(log) + ": " + check.message;
        return out;
    }
    out.ok = true;
    out.lines = std::move(check.records);
    return out;
}

std::vector<CertificateFile> ReadCertificateFiles(const std::vector<std::filesystem::path>& roots,
                                                  std::vector<std::string>& problems) {
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& root : roots) {
        std::error_code ec;
        if (!std::filesystem::exists(root, ec)) continue;
        std::filesystem::recursive_directory_iterator it(
            root, std::filesystem::directory_options::skip_permission_denied, ec);
        for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError) && IsDatFile(it->path())) files.push_back(it->path());
        }
        if (ec) problems.push_back(Cp1251PathText(root) + std::string(": не читается директория"_cp));
    }
    std::sort(files.begin(), files.end());
    std::vector<CertificateFile> out;
    for (const std::filesystem::path& file : files) {
        CertificateFile c;
        c.file = file;
        c.pathText = Cp1251PathText(file);
        const FileReadResult read = ReadRegularFile(file, kMaxCertificateFile);
        if (!read.bytes) {
            problems.push_back(read.problem.empty() ? c.pathText + std::string(": не читается"_cp)
                                                    : read.problem);
            continue;
        }
        c.sha256 = Sha256Hex(*read.bytes);
        CertificateRead cert = ReadCertificate(*read.bytes);
        if (cert.ok) {
            c.summary = std::move(cert.summary);
        } else {
            c.problem = cert.message;
        }
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace gvc
