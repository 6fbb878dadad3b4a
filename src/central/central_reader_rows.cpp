#include "central/central_reader_rows.h"

#include <vector>

#include "store/field_values.h"
#include "store/run_codec.h"
#include "store/run_fields.h"
#include "util/cp1251.h"

namespace gvc {

namespace {

// The column names in the order of the fields.
class Names {
public:
    std::vector<std::string> names;
    template <class T>
    void Int(const char* n, const T&) {
        names.emplace_back(n);
    }
    void Real(const char* n, const double&) { names.emplace_back(n); }
    void Text(const char* n, const std::string&) { names.emplace_back(n); }
    void Series(const char* n, const std::vector<std::int32_t>&) { names.emplace_back(n); }
    void Stamp(const char* n, const ReportTimestamp&) { names.emplace_back(n); }
    template <class T>
    void OptInt(const char* n, const std::optional<T>&) {
        names.emplace_back(n);
    }
    void OptReal(const char* n, const double&, const bool&) { names.emplace_back(n); }
    void OptDate(const char* n, const std::optional<CivilDate>&) { names.emplace_back(n); }
    void Since(int) {}
};

const std::vector<std::string>& ColumnNames() {
    static const std::vector<std::string> names = [] {
        Names n;
        RunRecord run;
        std::optional<CivilDate> end;
        VisitRunFields(n, run, end);
        return std::move(n.names);
    }();
    return names;
}

class Loader {
public:
    Loader(const PgResult& result, int row, int first) : result_(result), row_(row), column_(first) {}
    bool ok = true;

    template <class T>
    void Int(const char*, T& v) {
        const auto n = result_.Int(row_, column_++);
        if (!n || !FieldFromInt(*n, v)) ok = false;
    }
    void Real(const char*, double& v) {
        const auto d = result_.Real(row_, column_++);
        if (!d) {
            ok = false;
            return;
        }
        v = *d;
    }
    void Text(const char*, std::string& v) {
        const int c = column_++;
        if (result_.IsNull(row_, c)) ok = false;
        v = Cp1251FromUtf8(result_.Text(row_, c));
    }
    void Series(const char*, std::vector<std::int32_t>& v) {
        const auto bytes = result_.Bytes(row_, column_++);
        auto series = bytes ? DecodeSeries(*bytes) : std::nullopt;
        if (!series) {
            ok = false;
            return;
        }
        v = std::move(*series);
    }
    void Stamp(const char*, ReportTimestamp& v) {
        const int c = column_++;
        const auto stamp = result_.IsNull(row_, c) ? std::nullopt : ParseStampText(result_.Text(row_, c));
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
        if (result_.IsNull(row_, c)) return;
        const auto n = result_.Int(row_, c);
        T value{};
        if (!n || !FieldFromInt(*n, value)) {
            ok = false;
            return;
        }
        v = value;
    }
    void OptReal(const char*, double& v, bool& present) {
        const int c = column_++;
        present = !result_.IsNull(row_, c);
        if (!present) return;
        const auto d = result_.Real(row_, c);
        if (!d) {
            ok = false;
            return;
        }
        v = *d;
    }
    void OptDate(const char*, std::optional<CivilDate>& v) {
        const int c = column_++;
        v.reset();
        if (result_.IsNull(row_, c)) return;
        const auto date = ParseIsoDate(result_.Text(row_, c));
        if (!date) {
            ok = false;
            return;
        }
        v = *date;
    }
    void Since(int) {}

private:
    const PgResult& result_;
    int row_;
    int column_;
};

}  // namespace

std::string CentralRunColumns(std::string_view alias) {
    std::string text;
    for (const std::string& n : ColumnNames()) {
        if (!text.empty()) text += ", ";
        text.append(alias);
        text += n;
    }
    return text;
}

int CentralRunColumnCount() {
    return static_cast<int>(ColumnNames().size());
}

bool ReadCentralRun(const PgResult& result, int row, int firstColumn, RunRecord& run,
                    std::optional<CivilDate>& endOfUse) {
    if (row < 0 || row >= result.Rows() || firstColumn < 0 ||
        firstColumn + CentralRunColumnCount() > result.Columns())
        return false;
    Loader loader(result, row, firstColumn);
    VisitRunFields(loader, run, endOfUse);
    return loader.ok;
}

}  // namespace gvc
