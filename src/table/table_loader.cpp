#include "table/table_loader.h"

#include <string>

#include "table/table_file_format.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/system_error.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;
namespace tf = gvc::table_format;

namespace {

// Reads fixed-length lines: exactly the byte count of the expected kind, never
// searching for line ends. A full line is counted into the checksum and handed
// back without its last two bytes; a short read (end of data) yields nothing
// and counts nothing.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    // The visible part of the next line, or nothing when fewer bytes remain.
    std::optional<std::string_view> Read(std::size_t visibleWidth) {
        const std::size_t n = visibleWidth + 2;
        if (bytes_.size() - pos_ < n) {
            pos_ = bytes_.size();
            return std::nullopt;
        }
        const std::string_view line = bytes_.substr(pos_, n);
        pos_ += n;
        checksum_.AddLine(line);
        return line.substr(0, visibleWidth);
    }

    // True when the next line is read in full and equals `expected`.
    bool ReadEquals(std::string_view expected) {
        const auto line = Read(expected.size());
        return line && *line == expected;
    }

    // The trailer bytes, read raw (up to 8, fewer at the end of the data).
    std::string_view ReadTrailer() {
        const std::string_view trailer = bytes_.substr(pos_, TextFileChecksum::kTrailerSize);
        pos_ += trailer.size();
        return trailer;
    }

    const TextFileChecksum& Checksum() const { return checksum_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    TextFileChecksum checksum_;
};

std::string GasPrefix(unsigned gas) {
    return std::string("Газ-"_cp) + FormatIntZero(static_cast<std::int32_t>(gas), 2) + ": ";
}

class TableParser {
public:
    TableParser(std::string_view bytes, SensorTypeTable& table, ErrorText& error)
        : reader_(bytes), table_(table), error_(error) {}

    bool Parse() {
        return HeaderBox() && GasList() && NameLists() && SimulatorSection() && GasBlocks() && EndSection() &&
               Trailer();
    }

private:
    bool Fail(std::string_view message) {
        error_.Set(message);
        return false;
    }

    bool HeaderBox() {
        for (std::string_view expected : tf::HeaderBox()) {
            if (!reader_.ReadEquals(expected)) return Fail("Список Газов: неверный номер"_cp);
        }
        return true;
    }

    bool GasList() {
        const auto& lines = tf::Lines();
        reader_.Read(tf::kLine54);
        if (!reader_.ReadEquals(lines.gasListHeading)) return Fail("Список Газов: нарушен заголовок"_cp);
        reader_.Read(tf::kLine54);
        for (unsigned slot = 0; slot < kMaxGases; ++slot) {
            const auto line = reader_.Read(tf::kLine54);
            if (!line) return Fail("Список Газов: конец файла Параметров"_cp);
            if (*line == lines.gasListClosing) {
                table_.gasCount = static_cast<std::uint8_t>(slot);
                return true;
            }
            if (tf::LineNumber(*line) != static_cast<int>(slot))
                return Fail("Список Газов: неверный номер"_cp);
            table_.gases[slot].name = TrimRight(line->substr(4, 32));
            table_.gases[slot].formula = TrimRight(line->substr(37, 16));
        }
        // Sixteen entries leave no slot for the closing line: the list would run
        // past its storage, so the file is refused.
        return Fail("Список Газов: нет строки окончания списка (более 15 газов)"_cp);
    }

    bool NameLists() {
        for (const tf::ListLayout& layout : tf::Lists()) {
            NameList& list = table_.*layout.member;
            if (!reader_.ReadEquals(layout.heading)) return Fail(layout.headingMessage);
            reader_.Read(tf::kLine37);
            unsigned slot = 0;
            for (; slot < list.slots; ++slot) {
                const auto line = reader_.Read(tf::kLine37);
                if (!line) return Fail(layout.endOfFileMessage);
                if (*line == tf::Lines().listClosing) break;
                if (tf::LineNumber(*line) != static_cast<int>(slot)) return Fail(layout.numberMessage);
                list.entries[slot].text = TrimRight(line->substr(4, 32));
            }
            list.count = static_cast<std::uint8_t>(slot);
            // A full list is followed by its closing line, read without a look.
            if (slot == list.slots) reader_.Read(tf::kLine37);
        }
        return true;
    }

    bool SimulatorSection() {
        const auto& lines = tf::Lines();
        reader_.Read(tf::kLine54);
        const bool simulator = reader_.ReadEquals(lines.simulatorLine);
        reader_.Read(tf::kLine54);
        reader_.Read(tf::kLine63);
        const bool rule = simulator && reader_.ReadEquals(lines.blockRule);
        if (!simulator || !rule) return Fail("Нарушена структура Имитатора"_cp);
        return true;
    }

    bool GasBlocks() {
        for (unsigned gas = 1; gas < table_.gasCount; ++gas) {
            if (!GasBlock(gas)) return false;
        }
        return true;
    }

    bool GasBlock(unsigned gas) {
        const std::string prefix = GasPrefix(gas);
        reader_.Read(tf::kLine54);
        const auto title = reader_.Read(tf::kLine54);
        if (!title || tf::LineNumber(*title) != static_cast<int>(gas) ||
            TrimRight(title->substr(4, 32)) != table_.gases[gas].name ||
            TrimRight(title->substr(37, 16)) != table_.gases[gas].formula) {
            return Fail(prefix + std::string("нарушен заголовок Газа"_cp));
        }
        reader_.Read(tf::kLine54);
        table_.typeCount[gas] = 0;
        for (unsigned type = 0; type < kMaxTypesPerGas; ++type) {
            reader_.Read(tf::kLine63);
            const auto typeTitle = reader_.Read(tf::kLine63);
            if (!typeTitle) return Fail(prefix + std::string("нарушен заголовок Датчика"_cp));
            if (*typeTitle == tf::Lines().blockRule) {
                table_.typeCount[gas] = static_cast<std::uint8_t>(type);
                return true;
            }
            if (tf::LineNumber(*typeTitle) != static_cast<int>(type) ||
                TrimRight(typeTitle->substr(4, 58)) != tf::TypeTitle(gas, type)) {
                return Fail(prefix + std::string("нарушен заголовок Датчика"_cp));
            }
            reader_.Read(tf::kLine63);
            if (!reader_.ReadEquals(tf::Lines().parameterHeading))
                return Fail(prefix + std::string("нарушен заголовок Датчика"_cp));
            reader_.Read(tf::kLine63);
            SensorTypeEntry& entry = table_.types[gas][type];
            entry.gasCode = static_cast<std::uint8_t>(gas);
            entry.typeNumber = static_cast<std::uint8_t>(type);
            const std::string typePrefix = prefix + std::string("Тип Датчика-"_cp) +
                                           FormatIntZero(static_cast<std::int32_t>(type), 2) + ": ";
            std::string badValue;
            if (!ParameterLines(entry, badValue)) {
                if (badValue.empty()) return Fail(typePrefix + std::string("нарушен Параметр"_cp));
                return Fail(typePrefix + badValue);
            }
        }
        // Sixteen types leave no slot for the block's closing rule: refused
        // rather than read past the storage.
        return Fail(prefix + std::string("нет строки окончания списка Датчиков (более 15 типов)"_cp));
    }

    // Reads the forty parameter lines. A line whose name is wrong fails with an
    // empty `badValue`; a value that is not a number fails with its own text.
    bool ParameterLines(SensorTypeEntry& entry, std::string& badValue) {
        for (const tf::ParameterLine& parameter : tf::ParameterLines()) {
            const auto value = ParameterValue(parameter.expectedName);
            if (!value) return false;
            const auto number = tf::ParseValue(*value, parameter.form);
            if (!number) {
                badValue = std::string("Параметр \""_cp) + parameter.expectedName +
                           std::string("\": значение \""_cp) + *value +
                           std::string("\" не является числом"_cp);
                return false;
            }
            parameter.set(entry, *number);
        }
        return true;
    }

    // Checks the name column of a parameter line and returns its value text.
    std::optional<std::string> ParameterValue(std::string_view expectedName) {
        const auto line = reader_.Read(tf::kLine63);
        if (!line) return std::nullopt;
        // "NN|name field" becomes "NN. name field".
        std::string name(TrimRight(line->substr(1, 52)));
        if (name.size() < 3) return std::nullopt;
        name.replace(2, 1, ". ");
        // A unit of up to 20 characters may follow the expected name.
        if (name.size() > expectedName.size()) {
            name.erase(expectedName.size(),
                       std::min<std::size_t>(tf::kMaxNameSuffix, name.size() - expectedName.size()));
        }
        if (name != expectedName) return std::nullopt;
        return std::string(TrimRight(line->substr(54, 8)));
    }

    bool EndSection() {
        const auto& lines = tf::Lines();
        reader_.Read(tf::kLine54);
        const bool end = reader_.ReadEquals(lines.endLine);
        const bool rule = end && reader_.ReadEquals(lines.finalRule);
        if (!end || !rule) return Fail("Нарушена структура конца файла"_cp);
        return true;
    }

    bool Trailer() {
        if (!reader_.Checksum().MatchesTrailer(reader_.ReadTrailer())) {
            return Fail("Не совпадает Контрольная Сумма"_cp);
        }
        return true;
    }

    LineReader reader_;
    SensorTypeTable& table_;
    ErrorText& error_;
};

}  // namespace

bool ParseSensorTypeTable(std::string_view bytes, SensorTypeTable& table, ErrorText& error) {
    return TableParser(bytes, table, error).Parse();
}

bool LoadSensorTypeTable(const std::filesystem::path& file, SensorTypeTable& table, ErrorText& error) {
    const FileReadResult read = ReadRegularFile(file, kMaxTableFileSize);
    if (!read.bytes) {
        error.Set(
            WithCause("Не открывается файл Параметров для чтения"_cp, read.missing ? "" : read.problem));
        return false;
    }
    return ParseSensorTypeTable(*read.bytes, table, error);
}

}  // namespace gvc
