#include "store/run_rows.h"

#include <vector>

#include "store/field_values.h"
#include "store/run_codec.h"
#include "store/run_fields.h"
#include "util/cp1251.h"

namespace gvc {

namespace {

// The column names in the order of the fields, up to schema `version`.
class Names {
public:
    explicit Names(int version) : version_(version) {}
    std::vector<std::string> names;
    template <class T>
    void Int(const char* n, const T&) {
        Add(n);
    }
    void Real(const char* n, const double&) { Add(n); }
    void Text(const char* n, const std::string&) { Add(n); }
    void Series(const char* n, const std::vector<std::int32_t>&) { Add(n); }
    void Stamp(const char* n, const ReportTimestamp&) { Add(n); }
    template <class T>
    void OptInt(const char* n, const std::optional<T>&) {
        Add(n);
    }
    void OptReal(const char* n, const double&, const bool&) { Add(n); }
    void OptDate(const char* n, const std::optional<CivilDate>&) { Add(n); }
    void Since(int version) { skip_ = version > version_; }

private:
    void Add(const char* n) {
        if (!skip_) names.emplace_back(n);
    }
    int version_;
    bool skip_ = false;
};

std::vector<std::string> ColumnNames(int version) {
    Names names(version);
    RunRecord run;
    std::optional<CivilDate> end;
    VisitRunFields(names, run, end);
    return std::move(names.names);
}

class Binder {
public:
    Binder(SqliteStatement& st, int version) : st_(st), version_(version) {}
    template <class T>
    void Int(const char*, const T& v) {
        if (Next()) st_.Bind(index_, FieldToInt(v));
    }
    void Real(const char*, const double& v) {
        if (Next()) st_.Bind(index_, v);
    }
    void Text(const char*, const std::string& v) {
        if (Next()) st_.BindText(index_, Utf8FromCp1251(v));
    }
    void Series(const char*, const std::vector<std::int32_t>& v) {
        if (Next()) st_.BindBlob(index_, EncodeSeries(v));
    }
    void Stamp(const char*, const ReportTimestamp& v) {
        if (Next()) st_.BindText(index_, StampText(v));
    }
    template <class T>
    void OptInt(const char*, const std::optional<T>& v) {
        if (!Next()) return;
        if (v) {
            st_.Bind(index_, FieldToInt(*v));
        } else {
            st_.BindNull(index_);
        }
    }
    void OptReal(const char*, const double& v, const bool& present) {
        if (!Next()) return;
        if (present) {
            st_.Bind(index_, v);
        } else {
            st_.BindNull(index_);
        }
    }
    void OptDate(const char*, const std::optional<CivilDate>& v) {
        if (!Next()) return;
        if (v) {
            st_.BindText(index_, IsoDateText(*v));
        } else {
            st_.BindNull(index_);
        }
    }
    void Since(int version) { skip_ = version > version_; }
    int index_ = 0;

private:
    bool Next() {
        if (skip_) return false;
        ++index_;
        return true;
    }
    SqliteStatement& st_;
    int version_;
    bool skip_ = false;
};

// Reads the columns from `first` on, in the order of the fields.
class Loader {
public:
    Loader(const SqliteStatement& st, int first) : st_(st), column_(first) {}
    bool ok = true;
    template <class T>
    void Int(const char*, T& v) {
        const int c = column_++;
        if (st_.IsNull(c) || !FieldFromInt(st_.Int(c), v)) ok = false;
    }
    void Real(const char*, double& v) {
        const int c = column_++;
        if (st_.IsNull(c)) ok = false;
        v = st_.Real(c);
    }
    void Text(const char*, std::string& v) { v = Cp1251FromUtf8(st_.Text(column_++)); }
    void Series(const char*, std::vector<std::int32_t>& v) {
        auto series = DecodeSeries(st_.Blob(column_++));
        if (!series) {
            ok = false;
            return;
        }
        v = std::move(*series);
    }
    void Stamp(const char*, ReportTimestamp& v) {
        const auto stamp = ParseStampText(st_.Text(column_++));
        if (!stamp) {
            ok = false;
            return;
        }
        v = *stamp;
    }
    template <class T>
    void OptInt(const char*, std::optional<T>& v) {
        const int c = column_++;
        v.reset();
        if (st_.IsNull(c)) return;
        T value{};
        if (!FieldFromInt(st_.Int(c), value)) {
            ok = false;
            return;
        }
        v = value;
    }
    void OptReal(const char*, double& v, bool& present) {
        const int c = column_++;
        present = !st_.IsNull(c);
        if (present) v = st_.Real(c);
    }
    void OptDate(const char*, std::optional<CivilDate>& v) {
        const int c = column_++;
        v.reset();
        if (st_.IsNull(c)) return;
        const auto date = ParseIsoDate(st_.Text(c));
        if (!date) {
            ok = false;
            return;
        }
        v = *date;
    }
    void Since(int) {}

private:
    const SqliteStatement& st_;
    int column_;
};

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) {
        if (!text.empty()) text += ", ";
        text += n;
    }
    return text;
}

}  // namespace

const std::string& RunSelectColumns() {
    static const std::string columns = Joined(ColumnNames(kStoreSchemaVersion));
    return columns;
}

bool InsertRunRow(SqliteDb& db, const RunRecord& run, const std::optional<CivilDate>& endOfUse, int version,
                  std::string& message) {
    std::string prev;
    {
        SqliteStatement last(db, "SELECT row_hash FROM runs ORDER BY id DESC LIMIT 1");
        if (last.Step()) prev = last.Text(0);
        if (last.Failed() || !last.Ok()) {
            message = db.Error();
            return false;
        }
    }
    const std::vector<std::string> names = ColumnNames(version);
    std::string sql = "INSERT INTO runs (" + Joined(names) + ", prev_hash, row_hash) VALUES (";
    for (std::size_t i = 0; i < names.size() + 2; ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ")";
    SqliteStatement st(db, sql);
    if (!st.Ok()) {
        message = db.Error();
        return false;
    }
    Binder binder(st, version);
    RunRecord copy = run;
    std::optional<CivilDate> end = version >= 2 ? endOfUse : std::nullopt;
    VisitRunFields(binder, copy, end);
    st.BindText(binder.index_ + 1, prev);
    st.BindText(binder.index_ + 2, ChainHash(EncodeRun(run, end), prev));
    st.Step();
    if (st.Failed()) {
        message = db.Error();
        return false;
    }
    if (version >= 2 && run.outcome == RunOutcome::kSaved && run.nextCalibration) {
        SqliteStatement latest(
            db,
            "INSERT INTO sensor_latest (sensor_number, run_row, calibrated, next_calibration) "
            "VALUES (?, last_insert_rowid(), ?, ?) ON CONFLICT (sensor_number) DO UPDATE SET "
            "run_row = excluded.run_row, calibrated = excluded.calibrated, "
            "next_calibration = excluded.next_calibration "
            "WHERE excluded.calibrated >= sensor_latest.calibrated");
        latest.BindText(1, Utf8FromCp1251(run.sensorNumber))
            .BindText(2, StampText(run.endLocal))
            .BindText(3, IsoDateText(*run.nextCalibration));
        latest.Step();
        if (!latest.Ok() || latest.Failed()) {
            message = db.Error();
            return false;
        }
    }
    return true;
}

std::optional<StoredRun> ReadRunRow(const SqliteStatement& st) {
    StoredRun row;
    row.id = st.Int(0);
    row.prevHash = st.Text(1);
    row.rowHash = st.Text(2);
    Loader loader(st, 3);
    VisitRunFields(loader, row.record, row.endOfUse);
    if (!loader.ok) return std::nullopt;
    return row;
}

}  // namespace gvc
