#include "central/central_reader.h"

#include "central/central_reader_rows.h"
#include "central/central_schema.h"
#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// The server's columns before the run's own, in this order.
constexpr int kRunColumnsFrom = 10;

std::string SelectRuns() {
    return "SELECT r.local_id, r.prev_hash, r.row_hash, r.station_id::text, r.station_name, r.station_seq, " +
           ReceivedAtTextSql("r.received_at") + ", r.server_prev_hash, r.server_hash, r.id, " +
           CentralRunColumns("r.") + " FROM gvc.runs r ";
}

// The session's output forms that the reading relies on, whatever the
// server's defaults: ISO dates and the shortest exact digits of a double.
bool SetSessionForms(PgConnection& connection) {
    return connection.Run("SET datestyle TO ISO; SET extra_float_digits TO 1; SET bytea_output TO hex");
}

template <class T>
StoreRead<T> Failure(const PgConnection& connection) {
    StoreRead<T> read;
    read.message = std::string("центральная база: "_cp) + connection.Error();
    return read;
}

StoreRead<std::vector<StoredRun>> StoredOnly(StoreRead<std::vector<CentralRun>> runs) {
    StoreRead<std::vector<StoredRun>> read;
    read.ok = runs.ok;
    read.message = std::move(runs.message);
    read.value.reserve(runs.value.size());
    for (CentralRun& r : runs.value)
        read.value.push_back(std::move(r.stored));
    return read;
}

}  // namespace

CentralReader::CentralReader(std::unique_ptr<PgConnection> connection) : connection_(std::move(connection)) {
    SetSessionForms(*connection_);
}

CentralReader::~CentralReader() = default;

std::unique_ptr<CentralReader> CentralReader::Open(const CentralSettings& settings, std::string& message) {
    auto connection = PgConnection::Connect(ConnectOptionsOf(settings), message);
    if (!connection) return nullptr;
    if (!SetSessionForms(*connection)) {
        message = std::string("центральная база: "_cp) + connection->Error();
        return nullptr;
    }
    std::string problem;
    const auto version = CentralSchemaVersion(*connection, problem);
    if (!version) {
        message = std::string("центральная база: "_cp) + problem;
        return nullptr;
    }
    if (*version == 0) {
        message = std::string("в центральной базе нет таблиц программы (gvc-cli central init)"_cp);
        return nullptr;
    }
    return std::make_unique<CentralReader>(std::move(connection));
}

StoreRead<std::vector<CentralRun>> CentralReader::Query(const std::string& where,
                                                        const std::vector<std::string>& params,
                                                        const std::string& order) {
    PgParams values;
    for (const std::string& p : params)
        values.Text(p);
    const PgResult result = connection_->Exec(SelectRuns() + where + " ORDER BY " + order, values);
    if (!result.Ok()) return Failure<std::vector<CentralRun>>(*connection_);
    StoreRead<std::vector<CentralRun>> read;
    const int rows = result.Rows();
    read.value.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        CentralRun run;
        const auto localId = result.Int(i, 0);
        const auto seq = result.Int(i, 5);
        const auto serverId = result.Int(i, 9);
        if (!localId || !seq ||
            !ReadCentralRun(result, i, kRunColumnsFrom, run.stored.record, run.stored.endOfUse)) {
            read.value.clear();
            read.message = std::string("строка "_cp) + std::to_string(serverId.value_or(0)) +
                           std::string(" центральной базы не читается"_cp);
            return read;
        }
        run.stored.id = *localId;
        run.stored.prevHash = result.Text(i, 1);
        run.stored.rowHash = result.Text(i, 2);
        run.workstationId = result.Text(i, 3);
        run.workstationName = Cp1251FromUtf8(result.Text(i, 4));
        run.sequence = *seq;
        run.receivedAt = result.Text(i, 6);
        run.serverPrevHash = result.Text(i, 7);
        run.serverHash = result.Text(i, 8);
        read.value.push_back(std::move(run));
    }
    read.ok = true;
    return read;
}

StoreRead<std::vector<StoredRun>> CentralReader::SensorRuns(std::string_view sensorNumber) {
    return StoredOnly(Query("WHERE r.sensor_number = $1", {Utf8FromCp1251(sensorNumber)}, "r.end_utc, r.id"));
}

StoreRead<std::vector<StoredRun>> CentralReader::AllRuns(const CentralRunFilter& filter) {
    std::string where;
    std::vector<std::string> params;
    auto add = [&](const std::string& condition, std::string value) {
        params.push_back(std::move(value));
        where += (where.empty() ? "WHERE " : " AND ") + condition + "$" + std::to_string(params.size());
    };
    if (filter.day) {
        // The day's runs by their local start: a range the index on start_local serves.
        add("r.start_local >= ", IsoDateText(*filter.day));
        add("r.start_local < ", IsoDateText(DateFromDayNumber(DayNumber(*filter.day) + 1)));
    }
    if (!filter.workstationName.empty()) add("r.station_name = ", Utf8FromCp1251(filter.workstationName));
    if (!filter.workstationId.empty()) add("r.station_id = ", filter.workstationId);
    return StoredOnly(Query(where, params, "r.end_utc, r.id"));
}

StoreRead<std::vector<StoredRun>> CentralReader::LoggedRuns() {
    return StoredOnly(
        Query("WHERE r.report_record_line <> '' AND r.step_report_log = 1", {}, "r.end_utc, r.id"));
}

StoreRead<std::vector<CentralRun>> CentralReader::WorkstationRuns(std::string_view workstationId) {
    return Query("WHERE r.station_id = $1::uuid", {std::string(workstationId)}, "r.station_seq");
}

StoreRead<std::optional<CentralStationHead>> CentralReader::StationHead(std::string_view workstationId) {
    PgParams params;
    params.Text(workstationId);
    const PgResult result = connection_->Exec(
        "SELECT last_seq, last_hash FROM gvc.workstations WHERE station_id = $1::uuid", params);
    if (!result.Ok()) return Failure<std::optional<CentralStationHead>>(*connection_);
    StoreRead<std::optional<CentralStationHead>> read;
    read.ok = true;
    if (result.Rows() == 1) {
        const auto seq = result.Int(0, 0);
        if (!seq) {
            read.ok = false;
            read.message = std::string("центральная база: последний номер рабочего места не читается"_cp);
            return read;
        }
        read.value = CentralStationHead{*seq, result.Text(0, 1)};
    }
    return read;
}

StoreRead<std::vector<StoreDueSensor>> CentralReader::DueList(const CivilDate& today,
                                                              std::int64_t withinDays) {
    const CivilDate last = DateFromDayNumber(DayNumber(today) + withinDays);
    PgParams params;
    params.Text(IsoDateText(last));
    // Byte order of the sensor numbers, as the workstation's own list sorts them.
    const PgResult result = connection_->Exec(
        "SELECT sensor_number, gas_text, calibrated::text, next_calibration::text, end_of_use::text "
        "FROM gvc.sensor_latest WHERE next_calibration <= $1::date "
        "ORDER BY next_calibration, sensor_number COLLATE \"C\"",
        params);
    if (!result.Ok()) return Failure<std::vector<StoreDueSensor>>(*connection_);
    StoreRead<std::vector<StoreDueSensor>> read;
    for (int i = 0; i < result.Rows(); ++i) {
        StoreDueSensor d;
        d.sensorNumber = Cp1251FromUtf8(result.Text(i, 0));
        d.gasText = Cp1251FromUtf8(result.Text(i, 1));
        const std::string calibrated = result.Text(i, 2);
        const auto cal = ParseIsoDate(std::string_view(calibrated).substr(0, 10));
        const auto next = ParseIsoDate(result.Text(i, 3));
        if (!cal || !next) continue;
        d.calibrated = *cal;
        d.nextCalibration = *next;
        if (!result.IsNull(i, 4)) d.endOfUse = ParseIsoDate(result.Text(i, 4));
        d.daysLeft = DayNumber(*next) - DayNumber(today);
        d.endOfUsePassed = d.endOfUse && *d.endOfUse < today;
        read.value.push_back(std::move(d));
    }
    read.ok = true;
    return read;
}

StoreRead<std::int64_t> CentralReader::RunCount() {
    const PgResult result = connection_->Exec("SELECT count(*) FROM gvc.runs");
    const auto n = result.Ok() && result.Rows() == 1 ? result.Int(0, 0) : std::nullopt;
    if (!n) return Failure<std::int64_t>(*connection_);
    StoreRead<std::int64_t> read;
    read.ok = true;
    read.value = *n;
    return read;
}

}  // namespace gvc
