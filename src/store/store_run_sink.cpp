#include "store/store_run_sink.h"

#include "history/certificate_reader.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/sha256.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::size_t kMaxCertificate = 16u << 20;

// The end of use the run's certificate prints, for the due list.
std::optional<CivilDate> EndOfUse(const RunRecord& run) {
    if (run.certificatePath.empty()) return std::nullopt;
    const auto bytes = ReadFileBytes(NativePath(run.certificatePath), kMaxCertificate);
    if (!bytes) return std::nullopt;
    const CertificateRead read = ReadCertificate(*bytes);
    return read.ok ? read.summary.endOfUse : std::nullopt;
}

}  // namespace

RunRecord WithCertificateHash(const RunRecord& record) {
    RunRecord run = record;
    if (run.certificateSha256.empty() && !run.certificatePath.empty()) {
        const auto bytes = ReadFileBytes(NativePath(run.certificatePath), kMaxCertificate);
        if (bytes) run.certificateSha256 = Sha256Hex(*bytes);
    }
    return run;
}

StoreRunSink::StoreRunSink(StorePlaces places, Report report)
    : places_(std::move(places)), report_(std::move(report)) {}

void StoreRunSink::RunEnded(const RunRecord& record) {
    const RunRecord run = WithCertificateHash(record);
    const std::optional<CivilDate> endOfUse = EndOfUse(run);
    // The run goes in before a new database imports the files, which already
    // hold this run's record and certificate: the import then skips them.
    std::string problem;
    const auto store = CalibrationStore::Open(places_.database, problem);
    if (store && store->AddRun(run, problem, endOfUse)) {
        lastKept_ = Kept::kDatabase;
        FlushOutbox(*store, places_.outbox);
        if (store->IsNew()) ImportRecordFiles(*store, places_.files);
        return;
    }
    std::string outboxProblem;
    const bool waiting = WriteToOutbox(places_.outbox, run, endOfUse, outboxProblem);
    lastKept_ = waiting ? Kept::kOutbox : Kept::kLost;
    std::string message = std::string("Запись о градуировке не внесена в базу данных "_cp) +
                          Cp1251PathText(places_.database) + std::string(": "_cp) + problem +
                          std::string(". "_cp);
    message += waiting ? std::string("Она ждёт в папке "_cp) + Cp1251PathText(places_.outbox) +
                             std::string(" и будет внесена при следующем открытии базы."_cp)
                       : std::string("Сохранить её в папке ожидания тоже не удалось: "_cp) + outboxProblem +
                             std::string("."_cp);
    if (report_) report_(message);
}

}  // namespace gvc
