#include "store/store_outbox.h"

#include <algorithm>
#include <system_error>

#include "store/run_codec.h"
#include "util/cp1251.h"
#include "util/file_system.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::string_view kExtension = ".run";
constexpr std::size_t kMaxRunFile = 64u << 20;

// A file name from the run's id: letters and digits kept, the rest '_'.
std::string FileName(const RunRecord& run) {
    std::string name;
    for (const char c : run.runId) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
        name.push_back(plain ? c : '_');
    }
    if (name.empty()) name = "run";
    return std::to_string(run.endUtc) + "_" + name.substr(0, 80);
}

std::vector<std::filesystem::path> WaitingFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == kExtension && it->is_regular_file(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

bool WriteToOutbox(const std::filesystem::path& dir, const RunRecord& run, std::optional<CivilDate> endOfUse,
                   std::string& message) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path file = dir / (FileName(run) + std::string(kExtension));
    const std::string text = Cp1251PathText(file);
    std::string cause;
    if (ec || !WriteFileAtomically(RealFileSystem(), text, EncodeRun(run, endOfUse), cause)) {
        message = Cp1251PathText(dir) + ": " + (cause.empty() ? Cp1251FromUtf8(ec.message()) : cause);
        return false;
    }
    return true;
}

OutboxFlush FlushOutbox(CalibrationStore& store, const std::filesystem::path& dir) {
    OutboxFlush flush;
    for (const std::filesystem::path& file : WaitingFiles(dir)) {
        const FileReadResult read = ReadRegularFile(file, kMaxRunFile);
        const auto decoded = read.bytes ? DecodeRun(*read.bytes) : std::nullopt;
        if (!decoded) {
            flush.problems.push_back(Cp1251PathText(file) + std::string(": "_cp) +
                                     (read.bytes ? std::string("запись повреждена"_cp) : read.problem));
            ++flush.left;
            continue;
        }
        std::string message;
        if (!store.AddRun(decoded->run, message, decoded->endOfUse)) {
            flush.problems.push_back(Cp1251PathText(file) + ": " + message);
            ++flush.left;
            continue;
        }
        std::error_code ec;
        std::filesystem::remove(file, ec);
        ++flush.added;
    }
    return flush;
}

int OutboxCount(const std::filesystem::path& dir) {
    return static_cast<int>(WaitingFiles(dir).size());
}

}  // namespace gvc
