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

RunRecord StoreRunSink::WithCylinder(const RunRecord& record) {
    if (record.runId != runId_) {
        runId_ = record.runId;
        cylinder_.reset();
        progressWarned_ = false;
        if (record.cylinderId) {
            std::string problem;
            if (const auto store = CalibrationStore::OpenReadOnly(places_.database, problem)) {
                const auto found = store->FindCylinder(*record.cylinderId);
                if (found.ok && found.value) {
                    const Cylinder& c = *found.value;
                    cylinder_ =
                        RunCylinder{c.gasCode, c.gasText, c.concentration, c.unitText, c.lot, c.expiry};
                }
            }
        }
    }
    RunRecord run = record;
    if (!run.cylinder) run.cylinder = cylinder_;
    return run;
}

void StoreRunSink::TakeInFiles(CalibrationStore& store) {
    ImportSummary import;
    std::vector<std::string> problems;
    if (RecordNewStore(store, places_, import, problems) && report_)
        report_(RebuiltStoreText(places_.database, import.added));
}

std::unique_ptr<CalibrationStore> StoreRunSink::OpenStore(std::string& problem) {
    auto store = CalibrationStore::Open(places_.database, problem);
    // A database made now takes in the files of record first (before this
    // run writes its own), and says so when it replaces one made before.
    if (store && store->IsNew()) TakeInFiles(*store);
    return store;
}

void StoreRunSink::RunProgress(const RunRecord& record) {
    const RunRecord run = WithCylinder(record);
    std::string problem;
    const auto store = OpenStore(problem);
    if (store && store->SaveOpenRun(run, problem)) return;
    std::string outboxProblem;
    const bool kept = WriteToOutbox(places_.outbox, run, std::nullopt, outboxProblem);
    if (progressWarned_) return;
    progressWarned_ = true;
    std::string message = std::string("Ход градуировки не записан в базу данных "_cp) +
                          Cp1251PathText(places_.database) + std::string(": "_cp) + problem +
                          std::string(". "_cp);
    message += kept ? std::string("Он записывается в папку "_cp) + Cp1251PathText(places_.outbox) +
                          std::string("."_cp)
                    : std::string("Записать его в папку ожидания тоже не удалось: "_cp) + outboxProblem +
                          std::string(
                              ". Если программа будет остановлена до конца градуировки, об этом "
                              "прогоне не останется записи."_cp);
    if (report_) report_(message);
}

void StoreRunSink::RunEnded(const RunRecord& record) {
    const RunRecord run = WithCertificateHash(WithCylinder(record));
    const std::optional<CivilDate> endOfUse = EndOfUse(run);
    // The run goes in before a new database imports the files, which already
    // hold this run's record and certificate: the import then skips them.
    std::string problem;
    const auto store = CalibrationStore::Open(places_.database, problem);
    if (store && store->AddRun(run, problem, endOfUse)) {
        lastKept_ = Kept::kDatabase;
        // Its progress, when that had to wait in the outbox, is over.
        RemoveFromOutbox(places_.outbox, run);
        FlushOutbox(*store, places_.outbox, places_.files, true);
        // Made only now: the files already hold this run's record and
        // certificate, which the import knows from its row and skips.
        if (store->IsNew()) TakeInFiles(*store);
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
