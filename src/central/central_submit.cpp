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
    std::vector<std::string> types;
    template <class T>
    void Int(const char*, const T&) {
        types.emplace_back("bigint");
    }
    void Real(const char*, const double&) { types.emplace_back("float8"); }
    void Text(const char*, const std::string&) { types.emplace_back("text"); }
    void Series(const char*, const std::vector<std::int32_t>&) { types.emplace_back("bytea"); }
    void Stamp(const char*, const ReportTimestamp&) { types.emplace_back("timestamp"); }
    template <class T>
    void OptInt(const char*, const std::optional<T>&) {
        types.emplace_back("bigint");
    }
    void OptReal(const char*, const double&, const bool&) { types.emplace_back("float8"); }
    void OptDate(const char*, const std::optional<CivilDate>&) { types.emplace_back("date"); }
    void Since(int) {}
};

// The values of the run's fields: texts in UTF-8, series as their BLOB bytes.
class Values {
public:
    explicit Values(PgParams& p) : p_(p) {}
    template <class T>
    void Int(const char*, const T& v) {
        p_.Int(FieldToInt(v));
    }
    void Real(const char*, const double& v) { p_.Real(v); }
    void Text(const char*, const std::string& v) { p_.Text(Utf8FromCp1251(v)); }
    void Series(const char*, const std::vector<std::int32_t>& v) { p_.Binary(EncodeSeries(v)); }
    void Stamp(const char*, const ReportTimestamp& v) { p_.Text(StampText(v)); }
    template <class T>
    void OptInt(const char*, const std::optional<T>& v) {
        if (v) {
            p_.Int(FieldToInt(*v));
        } else {
            p_.Null();
        }
    }
    void OptReal(const char*, const double& v, const bool& present) {
        if (present) {
            p_.Real(v);
        } else {
            p_.Null();
        }
    }
    void OptDate(const char*, const std::optional<CivilDate>& v) {
        if (v) {
            p_.Text(IsoDateText(*v));
        } else {
            p_.Null();
        }
    }
    void Since(int) {}

private:
    PgParams& p_;
};

std::string BuildSql() {
    Casts casts;
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
    static const std::string sql = BuildSql();
    return sql;
}

PgParams SubmitRunParams(const std::string& stationId, const std::string& stationName, const StoredRun& row) {
    PgParams p;
    p.Text(stationId).Text(Utf8FromCp1251(stationName)).Int(row.id).Text(row.prevHash).Text(row.rowHash);
    Values values(p);
    RunRecord run = row.record;
    std::optional<CivilDate> end = row.endOfUse;
    VisitRunFields(values, run, end);
    return p;
}

}  // namespace gvc
