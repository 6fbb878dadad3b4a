#include "central/central_submit.h"

#include "store/field_values.h"
#include "store/run_codec.h"
#include "store/run_fields.h"
#include "util/cp1251.h"

namespace gvc {

namespace {

// The server types of the run's fields, in their order.
class Casts {
public:
    explicit Casts(int version) : version_(version) {}
    std::vector<std::string> types;
    template <class T>
    void Int(const char*, const T&) {
        Add("bigint");
    }
    void Real(const char*, const double&) { Add("float8"); }
    void Text(const char*, const std::string&) { Add("text"); }
    void Series(const char*, const std::vector<std::int32_t>&) { Add("bytea"); }
    void Stamp(const char*, const ReportTimestamp&) { Add("timestamp"); }
    template <class T>
    void OptInt(const char*, const std::optional<T>&) {
        Add("bigint");
    }
    void OptReal(const char*, const double&, const bool&) { Add("float8"); }
    void OptDate(const char*, const std::optional<CivilDate>&) { Add("date"); }
    void Since(int version) { skip_ = version > version_; }

private:
    void Add(const char* type) {
        if (!skip_) types.emplace_back(type);
    }
    int version_;
    bool skip_ = false;
};

// The values of the run's fields: texts in UTF-8, series as their BLOB bytes.
class Values {
public:
    Values(PgParams& p, int version) : p_(p), version_(version) {}
    template <class T>
    void Int(const char*, const T& v) {
        if (!skip_) p_.Int(FieldToInt(v));
    }
    void Real(const char*, const double& v) {
        if (!skip_) p_.Real(v);
    }
    void Text(const char*, const std::string& v) {
        if (!skip_) p_.Text(Utf8FromCp1251(v));
    }
    void Series(const char*, const std::vector<std::int32_t>& v) {
        if (!skip_) p_.Binary(EncodeSeries(v));
    }
    void Stamp(const char*, const ReportTimestamp& v) {
        if (!skip_) p_.Text(StampText(v));
    }
    template <class T>
    void OptInt(const char*, const std::optional<T>& v) {
        if (skip_) return;
        if (v) {
            p_.Int(FieldToInt(*v));
        } else {
            p_.Null();
        }
    }
    void OptReal(const char*, const double& v, const bool& present) {
        if (skip_) return;
        if (present) {
            p_.Real(v);
        } else {
            p_.Null();
        }
    }
    void OptDate(const char*, const std::optional<CivilDate>& v) {
        if (skip_) return;
        if (v) {
            p_.Text(IsoDateText(*v));
        } else {
            p_.Null();
        }
    }
    void Since(int version) { skip_ = version > version_; }

private:
    PgParams& p_;
    int version_;
    bool skip_ = false;
};

std::string BuildSql(int version) {
    Casts casts(version);
    RunRecord run;
    std::optional<CivilDate> end;
    VisitRunFields(casts, run, end);
    std::string sql =
        "SELECT outcome_text, seq FROM gvc.submit_run($1::uuid, $2::text, $3::bigint, $4::text, $5::text, "
        "ROW(";
    int index = 6;
    for (std::size_t i = 0; i < casts.types.size(); ++i) {
        if (i > 0) sql += ", ";
        sql += "$" + std::to_string(index++) + "::" + casts.types[i];
    }
    sql += ")::gvc.run_values)";
    return sql;
}

}  // namespace

const std::string& SubmitRunSql() {
    static const std::string sql = BuildSql(kStoreSchemaVersion);
    return sql;
}

std::string SubmitRunSql(int fieldsVersion) {
    return BuildSql(fieldsVersion);
}

PgParams SubmitRunParams(const std::string& stationId, const std::string& stationName, const StoredRun& row,
                         int fieldsVersion) {
    PgParams p;
    p.Text(stationId).Text(Utf8FromCp1251(stationName)).Int(row.id).Text(row.prevHash).Text(row.rowHash);
    Values values(p, fieldsVersion);
    RunRecord run = row.record;
    std::optional<CivilDate> end = row.endOfUse;
    VisitRunFields(values, run, end);
    return p;
}

}  // namespace gvc
