#include "central/central_sender.h"

#include <chrono>

#include "central/central_outbox.h"
#include "central/central_submit.h"
#include "util/cp1251.h"
#include "util/host_names.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// What the server answered: stored now; held already for this workstation;
// the identifier held by another workstation or another row; refused for a
// row hash that is no SHA-256 text, or for an end after the server's clock.
enum class Submitted { kAdded, kAlready, kConflict, kRefusedHash, kRefusedFuture, kFailed };

struct Submission {
    Submitted outcome = Submitted::kFailed;
    std::int64_t seq = 0;
};

// What gvc.submit_run answered.
Submission Read(const PgResult& r) {
    if (!r.Ok() || r.Rows() != 1) return {};
    const std::string outcome = r.Text(0, 0);
    const std::int64_t seq = r.Int(0, 1).value_or(0);
    if (outcome == "added") return {Submitted::kAdded, seq};
    if (outcome == "already") return {Submitted::kAlready, seq};
    if (outcome == "refused hash") return {Submitted::kRefusedHash, seq};
    if (outcome == "refused future") return {Submitted::kRefusedFuture, seq};
    return {Submitted::kConflict, seq};
}

bool Refused(Submitted outcome) {
    return outcome == Submitted::kConflict || outcome == Submitted::kRefusedHash ||
           outcome == Submitted::kRefusedFuture;
}

// Why the server keeps a run out (Windows-1251), naming the run.
std::string RefusalText(Submitted outcome, const StoredRun& row) {
    std::string_view why;
    switch (outcome) {
        case Submitted::kRefusedHash:
            why = "центральная база не приняла запись: её хеш не из 64 шестнадцатеричных цифр: "_cp;
            break;
        case Submitted::kRefusedFuture:
            why =
                "центральная база не приняла запись: её время окончания позже часов сервера "
                "(часы рабочего места спешат?): "_cp;
            break;
        default:
            why =
                "центральная база хранит под тем же номером запись другого рабочего места или "
                "другую запись: "_cp;
            break;
    }
    return std::string(why) + row.record.runId;
}

Submission Submit(PgConnection& server, const std::string& stationId, const std::string& stationName,
                  const StoredRun& row) {
    return Read(server.Exec(SubmitRunSql(), SubmitRunParams(stationId, stationName, row)));
}

// Why sending stopped, naming the run when one was at fault.
std::string ServerProblem(PgConnection& server, const StoredRun* row) {
    std::string text = server.Lost() ? std::string("связь с центральной базой прервана: "_cp)
                                     : std::string("центральная база не приняла запись: "_cp);
    if (row) text += row->record.runId + ": ";
    return text + server.Error();
}

// The server's SQLSTATE for a transaction it ended to let another go on.
bool Retryable(const PgConnection& server) {
    return !server.Lost() && (server.SqlState() == "40P01" || server.SqlState() == "40001");
}

constexpr int kRetries = 5;

class Sender {
public:
    Sender(CalibrationStore& store, PgConnection& server, const SendOptions& options, std::string stationId,
           std::string stationName)
        : store_(store),
          server_(server),
          options_(options),
          stationId_(std::move(stationId)),
          stationName_(std::move(stationName)) {}

    // Sends everything unsent; false when it had to stop (result_.message says why).
    bool Run() {
        std::int64_t after = 0;
        const int batch = options_.batchSize < 1 ? 1 : options_.batchSize;
        for (;;) {
            if (options_.stopRequested && options_.stopRequested()) return Stop("отправка прервана"_cp);
            auto rows = UnsentRuns(store_, after, batch);
            if (!rows.ok) return Stop(rows.message);
            if (rows.value.empty()) return true;
            after = rows.value.back().id;
            bool sent = SendBatch(rows.value);
            // A deadlock or serialisation failure ends the transaction on the
            // server; the same batch again normally goes through.
            for (int retry = 0; !sent && retry < kRetries && Retryable(server_); ++retry) {
                result_.message.clear();
                sent = SendBatch(rows.value);
            }
            if (!sent) {
                // A row the server refuses must not hold back the others:
                // unless the connection is gone, each goes alone.
                if (server_.Lost() || !SendOneByOne(rows.value)) return false;
            }
        }
    }

    SendResult result_;

private:
    bool Stop(std::string_view message) {
        if (result_.message.empty()) result_.message = message;
        return false;
    }

    // The batch in one server transaction, then marked here.
    bool SendBatch(const std::vector<StoredRun>& rows) {
        std::vector<SentMark> marks;
        std::vector<std::pair<Submitted, const StoredRun*>> refused;
        int added = 0, already = 0;
        {
            PgTransaction tx(server_);
            if (!tx.Began()) return Stop(ServerProblem(server_, nullptr));
            // All of the batch's calls in one round trip.
            std::vector<PgParams> sets;
            sets.reserve(rows.size());
            for (const StoredRun& row : rows)
                sets.push_back(SubmitRunParams(stationId_, stationName_, row));
            const std::vector<PgResult> answers = server_.ExecEach(SubmitRunSql(), sets);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const StoredRun& row = rows[i];
                const Submission s = i < answers.size() ? Read(answers[i]) : Submission{};
                if (s.outcome == Submitted::kFailed) return Stop(ServerProblem(server_, &row));
                if (Refused(s.outcome)) {
                    refused.emplace_back(s.outcome, &row);
                    continue;
                }
                (s.outcome == Submitted::kAdded ? added : already) += 1;
                marks.push_back({row.record.runId, s.seq});
            }
            if (!tx.Commit()) return Stop(ServerProblem(server_, nullptr));
        }
        result_.message.clear();
        result_.sent += added;
        result_.alreadyThere += already;
        // Named once the batch is through (a batch tried again would name them twice).
        result_.refused += static_cast<int>(refused.size());
        for (const auto& [outcome, row] : refused)
            NoteRefusal(outcome, *row);
        return Mark(marks);
    }

    bool SendOneByOne(const std::vector<StoredRun>& rows) {
        result_.message.clear();
        std::string firstProblem;
        for (const StoredRun& row : rows) {
            Submission s = Submit(server_, stationId_, stationName_, row);
            for (int retry = 0; s.outcome == Submitted::kFailed && retry < kRetries && Retryable(server_);
                 ++retry)
                s = Submit(server_, stationId_, stationName_, row);
            if (s.outcome == Submitted::kFailed) {
                if (server_.Lost()) return Stop(ServerProblem(server_, &row));
                if (firstProblem.empty()) firstProblem = ServerProblem(server_, &row);
                continue;
            }
            if (Refused(s.outcome)) {
                ++result_.refused;
                NoteRefusal(s.outcome, row);
                continue;
            }
            (s.outcome == Submitted::kAdded ? result_.sent : result_.alreadyThere) += 1;
            if (!Mark({{row.record.runId, s.seq}})) return false;
        }
        if (!firstProblem.empty() && rowProblem_.empty()) rowProblem_ = firstProblem;
        return true;
    }

    bool Mark(const std::vector<SentMark>& marks) {
        std::string message;
        if (MarkSent(store_, marks, UtcSecondsNow(), message)) return true;
        return Stop(std::string("отправленное не отмечено в базе рабочего места: "_cp) + message);
    }

    void NoteRefusal(Submitted outcome, const StoredRun& row) {
        result_.refusals.push_back(RefusalText(outcome, row));
        if (rowProblem_.empty()) rowProblem_ = result_.refusals.back();
    }

public:
    std::string rowProblem_;

private:
    CalibrationStore& store_;
    PgConnection& server_;
    const SendOptions& options_;
    std::string stationId_;
    std::string stationName_;
};

}  // namespace

SendResult SendPendingRuns(CalibrationStore& store, const CentralSettings& settings,
                           const SendOptions& options) {
    SendResult result;
    std::string message;
    const auto stationId = StationId(store, message);
    if (!stationId) {
        result.message = message;
    } else if (auto server = PgConnection::Connect(ConnectOptionsOf(settings), message); !server) {
        result.message = message;
    } else {
        result.connected = true;
        Sender sender(store, *server, options, *stationId,
                      options.stationName.empty() ? ComputerName() : options.stationName);
        sender.result_.connected = true;
        const bool finished = sender.Run();
        result = sender.result_;
        if (server->Lost()) result.connected = false;
        if (finished && result.message.empty()) result.message = sender.rowProblem_;
    }
    const auto left = UnsentRunCount(store);
    result.left = left.ok ? left.value : -1;
    if (!left.ok && result.message.empty()) result.message = left.message;
    result.complete = left.ok && left.value == 0;
    return result;
}

std::chrono::seconds SendRetryDelay(int failedTries) {
    if (failedTries <= 0) return std::chrono::seconds(0);
    constexpr std::int64_t kFirst = 5, kMost = 300;
    std::int64_t delay = kFirst;
    for (int i = 1; i < failedTries && delay < kMost; ++i)
        delay *= 2;
    return std::chrono::seconds(delay < kMost ? delay : kMost);
}

std::string CentralStatusText(CentralState state, std::int64_t unsent) {
    switch (state) {
        case CentralState::kSent:
            return std::string("Центральная база: отправлено"_cp);
        case CentralState::kUnsent:
            return std::string("Центральная база: не отправлено "_cp) + std::to_string(unsent);
        case CentralState::kNoConnection:
            break;
    }
    return std::string("Центральная база: нет связи"_cp);
}

CentralState CentralStateOf(const SendResult& result) {
    if (!result.connected) return CentralState::kNoConnection;
    return result.left == 0 ? CentralState::kSent : CentralState::kUnsent;
}

}  // namespace gvc
