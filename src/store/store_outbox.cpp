#include "store/store_outbox.h"

#include <algorithm>
#include <system_error>

#include "store/run_codec.h"
#include "store/store_recovery.h"
#include "util/cp1251.h"
#include "util/file_system.h"
#include "util/native_path.h"
#include "util/sha256.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::string_view kExtension = ".run";
constexpr std::size_t kMaxRunFile = 64u << 20;
// "GVCOUT1", LF, the SHA-256 of the run's bytes in hex, LF, the run's bytes.
constexpr std::string_view kOutboxMagic = "GVCOUT1\n";
constexpr std::size_t kDigestLength = 64;

// A file name from the run's start and id (the same while the run goes on):
// letters and digits kept, the rest '_'.
std::string FileName(const RunRecord& run) {
    std::string name;
    for (const char c : run.runId) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
        name.push_back(plain ? c : '_');
    }
    if (name.empty()) name = "run";
    return std::to_string(run.startUtc) + "_" + name.substr(0, 80);
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

std::string OutboxBytes(const RunRecord& run, const std::optional<CivilDate>& endOfUse) {
    const std::string bytes = EncodeRun(run, endOfUse);
    return std::string(kOutboxMagic) + Sha256Hex(bytes) + "\n" + bytes;
}

// The run of an outbox file, or why not.
std::optional<DecodedRun> ReadOutboxFile(const std::filesystem::path& file, std::string& problem) {
    const FileReadResult read = ReadRegularFile(file, kMaxRunFile);
    if (!read.bytes) {
        problem = read.problem;
        return std::nullopt;
    }
    const std::string_view bytes = *read.bytes;
    const std::size_t head = kOutboxMagic.size() + kDigestLength + 1;
    if (bytes.size() < head || bytes.substr(0, kOutboxMagic.size()) != kOutboxMagic ||
        bytes[head - 1] != '\n') {
        problem = std::string("запись повреждена или сделана не программой (нет контрольной суммы)"_cp);
        return std::nullopt;
    }
    const std::string_view payload = bytes.substr(head);
    if (Sha256Hex(payload) != bytes.substr(kOutboxMagic.size(), kDigestLength)) {
        problem = std::string("контрольная сумма не совпадает: запись изменена"_cp);
        return std::nullopt;
    }
    auto decoded = DecodeRun(payload);
    if (!decoded) problem = std::string("запись повреждена"_cp);
    return decoded;
}

}  // namespace

bool WriteToOutbox(const std::filesystem::path& dir, const RunRecord& run, std::optional<CivilDate> endOfUse,
                   std::string& message) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path file = dir / (FileName(run) + std::string(kExtension));
    const std::string text = Cp1251PathText(file);
    std::string cause;
    if (ec || !WriteFileAtomically(RealFileSystem(), text, OutboxBytes(run, endOfUse), cause)) {
        message = Cp1251PathText(dir) + ": " + (cause.empty() ? Cp1251FromUtf8(ec.message()) : cause);
        return false;
    }
    return true;
}

void RemoveFromOutbox(const std::filesystem::path& dir, const RunRecord& run) {
    std::error_code ec;
    std::filesystem::remove(dir / (FileName(run) + std::string(kExtension)), ec);
}

OutboxFlush FlushOutbox(CalibrationStore& store, const std::filesystem::path& dir, const RecordFiles& files,
                        bool closeUnfinished) {
    OutboxFlush flush;
    for (const std::filesystem::path& file : WaitingFiles(dir)) {
        std::string problem;
        auto decoded = ReadOutboxFile(file, problem);
        if (!decoded) {
            flush.problems.push_back(Cp1251PathText(file) + std::string(": "_cp) + problem);
            ++flush.left;
            continue;
        }
        RunRecord& run = decoded->run;
        const bool unfinished = run.outcome == RunOutcome::kUnfinished;
        if (unfinished && !closeUnfinished) {
            ++flush.left;
            continue;
        }
        if (unfinished) {
            run = CloseUnfinishedRun(std::move(run), files);
        } else {
            run.recordedFrom = RecordedFrom::kOutbox;
            run.recordedUtc.reset();
        }
        std::string message;
        if (!store.AddRun(run, message, decoded->endOfUse)) {
            flush.problems.push_back(Cp1251PathText(file) + ": " + message);
            ++flush.left;
            continue;
        }
        std::error_code ec;
        std::filesystem::remove(file, ec);
        ++flush.added;
        if (unfinished) flush.unfinished.push_back(std::move(run));
    }
    return flush;
}

std::vector<OutboxFile> ReadOutbox(const std::filesystem::path& dir) {
    std::vector<OutboxFile> out;
    for (const std::filesystem::path& file : WaitingFiles(dir)) {
        OutboxFile f;
        f.file = file;
        if (auto decoded = ReadOutboxFile(file, f.problem)) f.run = std::move(decoded->run);
        out.push_back(std::move(f));
    }
    return out;
}

int OutboxCount(const std::filesystem::path& dir) {
    return static_cast<int>(WaitingFiles(dir).size());
}

}  // namespace gvc
