#include "store/run_rows.h"

#include <sqlite3.h>

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

// Reads the columns from `first` on, in the order of the fields, up to
// schema `version`. Each value must be of its column's storage class.
class Loader {
public:
    Loader(const SqliteStatement& st, int first, int version) : st_(st), column_(first), version_(version) {}
    bool ok = true;
    template <class T>
    void Int(const char*, T& v) {
        if (skip_) return;
        const int c = column_++;
        if (!Is(c, SQLITE_INTEGER) || !FieldFromInt(st_.Int(c), v)) ok = false;
    }
    void Real(const char*, double& v) {
        if (skip_) return;
        const int c = column_++;
        if (!Is(c, SQLITE_FLOAT)) ok = false;
        v = st_.Real(c);
    }
    void Text(const char*, std::string& v) {
        if (skip_) return;
        const int c = column_++;
        if (!Is(c, SQLITE_TEXT)) ok = false;
        v = TextOf(c);
    }
    void Series(const char*, std::vector<std::int32_t>& v) {
        if (skip_) return;
        const int c = column_++;
        auto series = Is(c, SQLITE_BLOB) ? DecodeSeries(st_.Blob(c)) : std::nullopt;
        if (!series) {
            ok = false;
            return;
        }
        v = std::move(*series);
    }
    void Stamp(const char*, ReportTimestamp& v) {
        if (skip_) return;
        const int c = column_++;
        const auto stamp = Is(c, SQLITE_TEXT) ? ParseStampText(st_.Text(c)) : std::nullopt;
        if (!stamp) {
            ok = false;
            return;
        }
        v = *stamp;
    }
    template <class T>
    void OptInt(const char*, std::optional<T>& v) {
        if (skip_) return;
        const int c = column_++;
        v.reset();
        if (st_.IsNull(c)) return;
        T value{};
        if (!Is(c, SQLITE_INTEGER) || !FieldFromInt(st_.Int(c), value)) {
            ok = false;
            return;
        }
        v = value;
    }
    void OptReal(const char*, double& v, bool& present) {
        if (skip_) return;
        const int c = column_++;
        present = !st_.IsNull(c);
        if (present && !Is(c, SQLITE_FLOAT)) ok = false;
        if (present) v = st_.Real(c);
    }
    void OptDate(const char*, std::optional<CivilDate>& v) {
        if (skip_) return;
        const int c = column_++;
        v.reset();
        if (st_.IsNull(c)) return;
        const auto date = Is(c, SQLITE_TEXT) ? ParseIsoDate(st_.Text(c)) : std::nullopt;
        if (!date) {
            ok = false;
            return;
        }
        v = *date;
    }
    void Since(int version) { skip_ = version > version_; }

private:
    bool Is(int column, int type) const { return st_.Type(column) == type; }
    // The text in Windows-1251; a text with a character that code page does
    // not have would read as another text than the file holds.
    std::string TextOf(int column) {
        const std::string utf8 = st_.Text(column);
        std::string text = Cp1251FromUtf8(utf8);
        if (Utf8FromCp1251(text) != utf8) ok = false;
        return text;
    }
    const SqliteStatement& st_;
    int column_;
    int version_;
    bool skip_ = false;
};

// Leaves the fields a schema `version` has and sets the later ones to their
// defaults: what a row of that version holds, and so what its hash covers.
class Trimmer {
public:
    explicit Trimmer(int version) : version_(version) {}
    template <class T>
    void Int(const char*, T& v) {
        if (skip_) v = T{};
    }
    void Real(const char*, double& v) {
        if (skip_) v = 0.0;
    }
    void Text(const char*, std::string& v) {
        if (skip_) v.clear();
    }
    void Series(const char*, std::vector<std::int32_t>& v) {
        if (skip_) v.clear();
    }
    void Stamp(const char*, ReportTimestamp& v) {
        if (skip_) v = ReportTimestamp{};
    }
    template <class T>
    void OptInt(const char*, std::optional<T>& v) {
        if (skip_) v.reset();
    }
    void OptReal(const char*, double&, bool& present) {
        if (skip_) present = false;
    }
    void OptDate(const char*, std::optional<CivilDate>& v) {
        if (skip_) v.reset();
    }
    void Since(int version) { skip_ = version > version_; }

private:
    int version_;
    bool skip_ = false;
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

std::optional<CivilDate> LatestNextCalibration(const RunRecord& run) {
    if (run.outcome == RunOutcome::kSaved && run.nextCalibration) return run.nextCalibration;
    if (LeftSensorInvalid(run)) return CivilDate{run.endLocal.year, run.endLocal.month, run.endLocal.day};
    return std::nullopt;
}

const std::string& RunSelectColumns() {
    static const std::string columns = Joined(ColumnNames(kStoreSchemaVersion));
    return columns;
}

std::string RunSelectColumns(int version) {
    return Joined(ColumnNames(version));
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
    std::optional<CivilDate> end = endOfUse;
    Trimmer trimmer(version);
    VisitRunFields(trimmer, copy, end);
    VisitRunFields(binder, copy, end);
    st.BindText(binder.index_ + 1, prev);
    st.BindText(binder.index_ + 2, ChainHash(EncodeRun(copy, end), prev));
    st.Step();
    if (st.Failed()) {
        message = db.Error();
        return false;
    }
    // The due list's newest state of the sensor: a saved calibration with its
    // next date, or a run that left the sensor without a valid calibration
    // (due at once, on the day of that run).
    const std::optional<CivilDate> next = LatestNextCalibration(copy);
    if (version >= 2 && next) {
        SqliteStatement latest(
            db,
            "INSERT INTO sensor_latest (sensor_number, run_row, calibrated, next_calibration, "
            "gas_text, end_of_use) VALUES (?, last_insert_rowid(), ?, ?, ?, ?) "
            "ON CONFLICT (sensor_number) DO UPDATE SET run_row = excluded.run_row, "
            "calibrated = excluded.calibrated, next_calibration = excluded.next_calibration, "
            "gas_text = excluded.gas_text, end_of_use = excluded.end_of_use "
            "WHERE excluded.calibrated >= sensor_latest.calibrated");
        latest.BindText(1, Utf8FromCp1251(run.sensorNumber))
            .BindText(2, StampText(run.endLocal))
            .BindText(3, IsoDateText(*next))
            .BindText(4, Utf8FromCp1251(run.gasText));
        if (endOfUse && run.outcome == RunOutcome::kSaved) {
            latest.BindText(5, IsoDateText(*endOfUse));
        } else {
            latest.BindNull(5);
        }
        latest.Step();
        if (!latest.Ok() || latest.Failed()) {
            message = db.Error();
            return false;
        }
    }
    return true;
}

std::optional<StoredRun> ReadRunRow(const SqliteStatement& st, int version) {
    StoredRun row;
    row.id = st.Int(0);
    row.prevHash = st.Text(1);
    row.rowHash = st.Text(2);
    Loader loader(st, 3, version);
    VisitRunFields(loader, row.record, row.endOfUse);
    if (!loader.ok) return std::nullopt;
    return row;
}

}  // namespace gvc
