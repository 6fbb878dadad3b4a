#include "table/table_description.h"

#include <optional>
#include <sstream>

#include "table/table_file_format.h"
#include "util/cp1251.h"

namespace gvc {

namespace tf = gvc::table_format;

namespace {

struct ListName {
    std::string_view section;
    NameList SensorTypeTable::*member;
};

constexpr ListName kListNames[] = {
    {"kinds", &SensorTypeTable::kindList},
    {"electrodes", &SensorTypeTable::electrodeList},
    {"measured", &SensorTypeTable::measuredParamList},
    {"units", &SensorTypeTable::unitList},
    {"makers", &SensorTypeTable::makerList},
    {"multipliers", &SensorTypeTable::multiplierList},
    {"pga", &SensorTypeTable::pgaGainList},
};

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::optional<unsigned> TwoDigitNumber(std::string_view s) {
    if (s.size() != 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9') return std::nullopt;
    return static_cast<unsigned>((s[0] - '0') * 10 + (s[1] - '0'));
}

std::int64_t Scale(tf::ValueForm form) {
    switch (form) {
        case tf::ValueForm::kInteger:
            return 1;
        case tf::ValueForm::kFixed2:
            return 100;
        default:
            return 1000;
    }
}

// "-12.5" at scale 1000 gives -12500; more decimals than the scale holds are refused.
std::optional<std::int64_t> ParseScaled(std::string_view text, std::int64_t scale) {
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    std::int64_t fractionScale = scale;
    bool digits = false;
    for (; i < text.size() && text[i] != '.'; ++i) {
        if (text[i] < '0' || text[i] > '9' || whole > 100000000000) return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
        digits = true;
    }
    if (i < text.size()) {
        for (++i; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9' || fractionScale == 1) return std::nullopt;
            fractionScale /= 10;
            fraction += (text[i] - '0') * fractionScale;
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    const std::int64_t value = whole * scale + fraction;
    return negative ? -value : value;
}

std::string FormatScaled(std::int64_t value, std::int64_t scale) {
    if (scale == 1) return std::to_string(value);
    const std::int64_t magnitude = value < 0 ? -value : value;
    std::string fraction = std::to_string(magnitude % scale + scale).substr(1);
    return (value < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
}

class DescriptionParser {
public:
    DescriptionParser(SensorTypeTable& table, std::string& problem) : table_(table), problem_(problem) {}

    bool Parse(std::string_view text) {
        std::size_t lineNumber = 0;
        while (!text.empty()) {
            const auto end = text.find('\n');
            const std::string_view raw = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
            ++lineNumber;
            const std::string_view line = Trim(raw);
            if (line.empty() || line[0] == '#') continue;
            if (!Line(line)) {
                problem_ = "line " + std::to_string(lineNumber) + ": " + problem_;
                return false;
            }
        }
        return true;
    }

private:
    enum class Section { kNone, kGases, kList, kType };

    bool Fail(std::string text) {
        problem_ = std::move(text);
        return false;
    }

    bool Line(std::string_view line) {
        if (line.front() == '[') return SectionLine(line);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return Fail("expected \"key = value\"");
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        switch (section_) {
            case Section::kNone:
                return Fail("a value outside any section");
            case Section::kGases:
                return GasLine(key, value);
            case Section::kList:
                return ListLine(key, value);
            case Section::kType:
                return TypeLine(key, value);
        }
        return false;
    }

    bool SectionLine(std::string_view line) {
        if (line.back() != ']') return Fail("unclosed section heading");
        const std::string_view name = Trim(line.substr(1, line.size() - 2));
        if (name == "gases") {
            section_ = Section::kGases;
            return true;
        }
        for (const ListName& list : kListNames) {
            if (name == list.section) {
                section_ = Section::kList;
                list_ = &(table_.*list.member);
                return true;
            }
        }
        if (name.starts_with("type ") && name.size() == 10 && name[7] == '-') {
            const auto gas = TwoDigitNumber(name.substr(5, 2));
            const auto type = TwoDigitNumber(name.substr(8, 2));
            if (!gas || !type) return Fail("type sections are named [type GG-TT]");
            if (*gas == 0 || *gas >= table_.gasCount) return Fail("type of a gas that is not in [gases]");
            if (*type != table_.typeCount[*gas])
                return Fail("types of a gas must be numbered 00, 01, ... in order");
            if (*type >= kMaxTypesPerGas) return Fail("too many types for one gas");
            section_ = Section::kType;
            entry_ = &table_.types[*gas][*type];
            entry_->gasCode = static_cast<std::uint8_t>(*gas);
            entry_->typeNumber = static_cast<std::uint8_t>(*type);
            ++table_.typeCount[*gas];
            return true;
        }
        return Fail("unknown section [" + std::string(name) + "]");
    }

    // A Windows-1251 text from the description, refused when it has characters
    // Windows-1251 lacks.
    std::optional<std::string> Text(std::string_view utf8) {
        if (!IsCp1251Encodable(utf8)) {
            problem_ = "text with characters outside Windows-1251: " + std::string(utf8);
            return std::nullopt;
        }
        return Cp1251FromUtf8(utf8);
    }

    bool GasLine(std::string_view key, std::string_view value) {
        const auto code = TwoDigitNumber(key);
        if (!code || *code != table_.gasCount) return Fail("gases must be numbered 00, 01, ... in order");
        if (*code >= kMaxGases) return Fail("too many gases");
        const auto bar = value.find('|');
        const auto name = Text(Trim(value.substr(0, bar)));
        const auto formula =
            Text(bar == std::string_view::npos ? std::string_view{} : Trim(value.substr(bar + 1)));
        if (!name || !formula) return false;
        table_.gases[*code].name = *name;
        table_.gases[*code].formula = *formula;
        ++table_.gasCount;
        return true;
    }

    bool ListLine(std::string_view key, std::string_view value) {
        const auto number = TwoDigitNumber(key);
        if (!number || *number != list_->count)
            return Fail("list entries must be numbered 00, 01, ... in order");
        if (*number >= list_->slots)
            return Fail("the list has only " + std::to_string(list_->slots) + " slots");
        const auto text = Text(value);
        if (!text) return false;
        list_->entries[*number].text = *text;
        ++list_->count;
        return true;
    }

    bool TypeLine(std::string_view key, std::string_view value) {
        if (key == "like") {
            const auto gas = TwoDigitNumber(value.substr(0, 2));
            std::optional<unsigned> type;
            if (value.size() == 5 && value[2] == '-') type = TwoDigitNumber(value.substr(3, 2));
            if (!gas || !type || *gas >= kMaxGases || *type >= kMaxTypesPerGas ||
                &table_.types[*gas][*type] == entry_ || *type >= table_.typeCount[*gas]) {
                return Fail("like = GG-TT names an earlier type");
            }
            const std::uint8_t gasCode = entry_->gasCode;
            const std::uint8_t typeNumber = entry_->typeNumber;
            *entry_ = table_.types[*gas][*type];
            entry_->gasCode = gasCode;
            entry_->typeNumber = typeNumber;
            return true;
        }
        for (const tf::ParameterLine& parameter : tf::ParameterLines()) {
            if (key != parameter.fieldName) continue;
            const auto scaled = ParseScaled(value, Scale(parameter.form));
            if (!scaled || *scaled < INT32_MIN || *scaled > INT32_MAX)
                return Fail("not a number: " + std::string(value));
            parameter.set(*entry_, static_cast<std::int32_t>(*scaled));
            if (parameter.get(*entry_) != *scaled)
                return Fail(std::string(key) + " does not hold " + std::string(value));
            return true;
        }
        return Fail("unknown field " + std::string(key));
    }

    SensorTypeTable& table_;
    std::string& problem_;
    Section section_ = Section::kNone;
    NameList* list_ = nullptr;
    SensorTypeEntry* entry_ = nullptr;
};

std::string TwoDigits(unsigned n) {
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// Why a Windows-1251 text of the table would not read back from a description
// line as it stands, or nothing when it would. A table file can hold any byte
// in its text fields, a description line cannot: a line break ends the line,
// blanks around a value are trimmed, a bar in a gas name starts the formula.
std::optional<std::string> UndescribableText(std::string_view cp1251, bool gasName) {
    for (const char c : cp1251) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "a line break or another control character";
        if (gasName && c == '|') return "a bar \"|\"";
    }
    if (!cp1251.empty() && (cp1251.front() == ' ' || cp1251.back() == ' '))
        return "blanks at its start or end";
    return std::nullopt;
}

// The first text of the table that a description cannot carry, named.
std::optional<std::string> FirstUndescribableText(const SensorTypeTable& table) {
    for (unsigned g = 0; g < table.gasCount && g < kMaxGases; ++g) {
        if (const auto why = UndescribableText(table.gases[g].name, true))
            return "gas " + TwoDigits(g) + " name holds " + *why;
        if (const auto why = UndescribableText(table.gases[g].formula, false))
            return "gas " + TwoDigits(g) + " formula holds " + *why;
    }
    for (const ListName& name : kListNames) {
        const NameList& list = table.*name.member;
        for (unsigned i = 0; i < list.count && i < kMaxListSlots; ++i) {
            if (const auto why = UndescribableText(list.entries[i].text, false))
                return std::string(name.section) + " entry " + TwoDigits(i) + " holds " + *why;
        }
    }
    return std::nullopt;
}

}  // namespace

bool ParseTableDescription(std::string_view utf8, SensorTypeTable& table, std::string& problem) {
    return DescriptionParser(table, problem).Parse(utf8);
}

std::optional<std::string> DescribeTable(const SensorTypeTable& table, std::string& problem) {
    if (const auto why = FirstUndescribableText(table)) {
        problem = "cannot be described: " + *why;
        return std::nullopt;
    }
    std::ostringstream out;
    out << "[gases]\n";
    for (unsigned g = 0; g < table.gasCount && g < kMaxGases; ++g) {
        out << TwoDigits(g) << " = " << Utf8FromCp1251(table.gases[g].name);
        if (!table.gases[g].formula.empty()) out << " | " << Utf8FromCp1251(table.gases[g].formula);
        out << "\n";
    }
    for (const ListName& name : kListNames) {
        const NameList& list = table.*name.member;
        out << "\n[" << name.section << "]\n";
        for (unsigned i = 0; i < list.count && i < kMaxListSlots; ++i) {
            out << TwoDigits(i) << " = " << Utf8FromCp1251(list.entries[i].text) << "\n";
        }
    }
    for (unsigned g = 1; g < table.gasCount && g < kMaxGases; ++g) {
        for (unsigned t = 0; t < table.typeCount[g] && t < kMaxTypesPerGas; ++t) {
            out << "\n[type " << TwoDigits(g) << "-" << TwoDigits(t) << "]\n";
            for (const tf::ParameterLine& parameter : tf::ParameterLines()) {
                out << parameter.fieldName << " = "
                    << FormatScaled(parameter.get(table.types[g][t]), Scale(parameter.form)) << "\n";
            }
        }
    }
    return out.str();
}

}  // namespace gvc
