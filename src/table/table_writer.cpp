#include "table/table_writer.h"

#include "table/table_file_format.h"
#include "util/cp1251.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;
namespace tf = gvc::table_format;

namespace {

class TableFileBuilder {
public:
    explicit TableFileBuilder(std::string& problem) : problem_(problem) {}

    // Appends a line (visible part) with CR LF and counts it.
    void Line(std::string_view visible) {
        const std::string line = std::string(visible) + "\r\n";
        checksum_.AddLine(line);
        bytes_ += line;
    }

    // "|NN|" + fields, each padded to its width and closed by a bar.
    bool Numbered(unsigned number, std::initializer_list<std::pair<std::string_view, std::size_t>> fields) {
        std::string line = "|" + FormatIntZero(static_cast<std::int32_t>(number), 2) + "|";
        for (const auto& [text, width] : fields) {
            if (text.size() > width)
                return Problem("text too long for its column (" + std::to_string(width) +
                               "): " + Utf8FromCp1251(text));
            if (!text.empty() && text.back() == ' ')
                return Problem("text ends with a blank: " + Utf8FromCp1251(text));
            line += PadRightSpaces(text, static_cast<int>(width)) + "|";
        }
        Line(line);
        return true;
    }

    bool Problem(std::string text) {
        problem_ = std::move(text);
        return false;
    }

    std::string Finish() { return bytes_ + checksum_.Trailer(); }

private:
    std::string& problem_;
    std::string bytes_;
    TextFileChecksum checksum_;
};

// The unit text that follows a parameter name in its column.
std::string NameSuffixText(tf::NameSuffix suffix, std::string_view unit, unsigned resourceGroup) {
    switch (suffix) {
        case tf::NameSuffix::kNone:
            return {};
        case tf::NameSuffix::kSpaceUnit:
            return unit.empty() ? std::string{} : " " + std::string(unit);
        case tf::NameSuffix::kUnit:
            // The concentration names end with "в ": the unit must follow.
            return unit.empty() ? std::string("ед."_cp) : std::string(unit);
        case tf::NameSuffix::kSpaceUnitHours:
            return unit.empty() ? std::string{} : " " + std::string(unit) + std::string("*ч"_cp);
        case tf::NameSuffix::kResourceGroup:
            return std::to_string(resourceGroup) + ")";
    }
    return {};
}

bool WriteType(TableFileBuilder& out, const SensorTypeTable& table, unsigned gas, unsigned type) {
    const auto& lines = tf::Lines();
    const SensorTypeEntry& entry = table.types[gas][type];
    const std::string label = "gas " + std::to_string(gas) + " type " + std::to_string(type) + ": ";
    out.Line(lines.blockRule);
    if (!out.Numbered(type, {{tf::TypeTitle(gas, type), 58}})) return false;
    out.Line(lines.blockRule);
    out.Line(lines.parameterHeading);
    out.Line(lines.blockRule);
    const std::string& unit = ListText(table.unitList, entry.unitIndex);
    unsigned resourceGroup = 0;
    for (const tf::ParameterLine& parameter : tf::ParameterLines()) {
        if (parameter.suffix == tf::NameSuffix::kResourceGroup) ++resourceGroup;
        const auto value = tf::FormatValue(parameter.get(entry), parameter.form);
        if (!value) {
            return out.Problem(label + parameter.fieldName + " = " + std::to_string(parameter.get(entry)) +
                               " cannot be written in its value form");
        }
        std::string name = parameter.expectedName.substr(4);
        std::string suffix = NameSuffixText(parameter.suffix, unit, resourceGroup);
        // Keep the unit within the name column and the 20 characters the reader skips.
        suffix.resize(std::min({suffix.size(), tf::kMaxNameSuffix,
                                tf::kNameFieldWidth - std::min(name.size(), tf::kNameFieldWidth)}));
        while (!suffix.empty() && suffix.back() == ' ')
            suffix.pop_back();
        name += suffix;
        const auto number =
            static_cast<unsigned>((parameter.expectedName[0] - '0') * 10 + (parameter.expectedName[1] - '0'));
        if (!out.Numbered(number, {{name, tf::kNameFieldWidth}, {*value, tf::kValueFieldWidth}}))
            return false;
    }
    return true;
}

bool WriteLists(TableFileBuilder& out, const SensorTypeTable& table) {
    for (const tf::ListLayout& layout : tf::Lists()) {
        const NameList& list = table.*layout.member;
        if (list.count > list.slots) return out.Problem("a list holds more entries than its slots");
        out.Line(layout.heading);
        out.Line(tf::Lines().listClosing);
        for (unsigned i = 0; i < list.count; ++i) {
            if (!out.Numbered(i, {{list.entries[i].text, 32}})) return false;
        }
        out.Line(tf::Lines().listClosing);  // also follows a full list, where nobody compares it
    }
    return true;
}

}  // namespace

std::optional<std::string> WriteSensorTypeTableBytes(const SensorTypeTable& table, std::string& problem) {
    const auto& lines = tf::Lines();
    TableFileBuilder out(problem);
    if (table.gasCount >= kMaxGases) {
        out.Problem("at most 15 gases (the simulator included) fit the gas list");
        return std::nullopt;
    }
    for (std::string_view line : tf::HeaderBox())
        out.Line(line);

    out.Line(lines.gasListClosing);
    out.Line(lines.gasListHeading);
    out.Line(lines.gasListClosing);
    for (unsigned g = 0; g < table.gasCount; ++g) {
        if (!out.Numbered(g, {{table.gases[g].name, 32}, {table.gases[g].formula, 16}})) return std::nullopt;
    }
    out.Line(lines.gasListClosing);

    if (!WriteLists(out, table)) return std::nullopt;

    out.Line(lines.finalRule);
    out.Line(lines.simulatorLine);
    out.Line(lines.gasListClosing);
    out.Line(lines.blockRule);
    out.Line(lines.blockRule);

    for (unsigned g = 1; g < table.gasCount; ++g) {
        if (table.typeCount[g] >= kMaxTypesPerGas) {
            out.Problem("gas " + std::to_string(g) + ": at most 15 sensor types fit a gas block");
            return std::nullopt;
        }
        out.Line(lines.finalRule);
        if (!out.Numbered(g, {{table.gases[g].name, 32}, {table.gases[g].formula, 16}})) return std::nullopt;
        out.Line(lines.gasListClosing);
        for (unsigned t = 0; t < table.typeCount[g]; ++t) {
            if (!WriteType(out, table, g, t)) return std::nullopt;
        }
        out.Line(lines.blockRule);
        out.Line(lines.blockRule);
    }

    out.Line(lines.finalRule);
    out.Line(lines.endLine);
    out.Line(lines.finalRule);
    return out.Finish();
}

}  // namespace gvc
