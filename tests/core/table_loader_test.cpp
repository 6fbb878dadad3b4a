#include "table/table_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "table/table_description.h"
#include "table/table_file_format.h"
#include "table_fixtures.h"
#include "util/native_path.h"

namespace gvc {
namespace {

using testing::CutBefore;
using testing::Edit;
using testing::SmallTable;
using testing::TableBytes;
using testing::WithFreshChecksum;

struct LoadResult {
    bool ok;
    std::string message;  // UTF-8
    SensorTypeTable table;
};

LoadResult Load(std::string_view bytes) {
    LoadResult r{false, {}, {}};
    ErrorText error;
    r.ok = ParseSensorTypeTable(bytes, r.table, error);
    r.message = Utf8FromCp1251(error.Text());
    return r;
}

TEST(TableLoader, WrittenTableLoadsBackUnchanged) {
    const SensorTypeTable original = SmallTable();
    const LoadResult r = Load(TableBytes(original));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.table, original);
    EXPECT_EQ(r.table.types[1][0].tempRanges[0].slope, -750);
    EXPECT_EQ(r.table.types[1][0].tolerance, 150);
    EXPECT_EQ(r.table.types[1][0].thresholdA2, -20500);
    EXPECT_EQ(r.table.electrodeList.count, 4);  // full list: its closing line is read unchecked
    EXPECT_EQ(r.table.measuredParamList.count, 0);
}

TEST(TableLoader, MissingFileCannotBeOpened) {
    SensorTypeTable table;
    ErrorText error;
    EXPECT_FALSE(LoadSensorTypeTable("/nonexistent/DAT/TABL_GAZ_SENSOR_PARAM.dat", table, error));
    EXPECT_EQ(Utf8FromCp1251(error.Text()), "Не открывается файл Параметров для чтения");
    const auto directory = std::filesystem::temp_directory_path();
    EXPECT_FALSE(LoadSensorTypeTable(directory, table, error));
    EXPECT_EQ(Utf8FromCp1251(error.Text()), "Не открывается файл Параметров для чтения\r\n" +
                                                directory.string() +
                                                ": не обычный файл (каталог, канал или устройство)");
}

// Position of the n-th line after the line that starts at `at`.
std::size_t Skip(std::size_t at, std::initializer_list<std::size_t> visibleWidths) {
    for (std::size_t w : visibleWidths)
        at += w + 2;
    return at;
}

TEST(TableLoader, GrammarFailuresGiveTheirMessages) {
    const std::string good = TableBytes(SmallTable());
    // The simulator line is the second line that reads "|00|Имитатор".
    const std::string simulatorText = Cp1251FromUtf8("|00|Имитатор");
    const std::size_t simulatorAt = good.find(simulatorText, good.find(simulatorText) + 1);
    ASSERT_NE(simulatorAt, std::string::npos);
    std::string badSimulatorRule = good;
    badSimulatorRule[Skip(simulatorAt, {54, 54, 63}) + 10] = '=';
    std::string badFinalRule = good;
    badFinalRule[good.size() - 8 - 2 - 5] = '-';

    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"maker line of the header box", Edit(good, "создан ООО НПФ ВЕЛМОР", "создан ООО НПФ ВЕЛМАР"),
         "Список Газов: неверный номер"},
        {"gas list heading", Edit(good, "Контролируемый Газ", "Контролируемый газ"),
         "Список Газов: нарушен заголовок"},
        {"gas entry number", Edit(good, "|01|Метан", "|04|Метан"), "Список Газов: неверный номер"},
        {"end of file in the gas list", CutBefore(good, "|01|Метан"), "Список Газов: конец файла Параметров"},
        {"simulator line", Edit(good, "|00|Имитатор", "|00|Иммтатор", 1), "Нарушена структура Имитатора"},
        {"rule after the simulator", badSimulatorRule, "Нарушена структура Имитатора"},
        {"gas title name", Edit(good, "|01|Метан", "|01|Метaн", 1), "Газ-01: нарушен заголовок Газа"},
        {"gas title number", Edit(good, "|01|Метан", "|02|Метан", 1), "Газ-01: нарушен заголовок Газа"},
        {"gas title formula", Edit(good, "CH4 ", "CH5 ", 1), "Газ-01: нарушен заголовок Газа"},
        {"end of file in a gas title", CutBefore(good, "Метан", 1), "Газ-01: нарушен заголовок Газа"},
        {"type title text", Edit(good, "Датчик 01-01", "Датчик 01-02"), "Газ-01: нарушен заголовок Датчика"},
        {"type title number", Edit(good, "|01|Датчик 01-01", "|02|Датчик 01-01"),
         "Газ-01: нарушен заголовок Датчика"},
        {"parameter heading", Edit(good, "|№№|Параметр", "|№№|параметр", 1),
         "Газ-01: нарушен заголовок Датчика"},
        {"end of file in a type title", CutBefore(good, "Датчик 01-01"), "Газ-01: нарушен заголовок Датчика"},
        {"parameter number", Edit(good, "|02|Тип Сенсора", "|03|Тип Сенсора"),
         "Газ-01: Тип Датчика-00: нарушен Параметр"},
        {"parameter name in type 1", Edit(good, "Электроды", "Электрод ", 1),
         "Газ-01: Тип Датчика-01: нарушен Параметр"},
        {"end of file among parameters", CutBefore(good, "Нулевая Концентрация", 1),
         "Газ-01: Тип Датчика-01: нарушен Параметр"},
        {"end line", Edit(good, "Конец Списка", "Конец списка"), "Нарушена структура конца файла"},
        {"final rule", badFinalRule, "Нарушена структура конца файла"},
        {"letter in a list entry", Edit(good, "ультрафиолетовый", "ультрафеолетовый"),
         "Не совпадает Контрольная Сумма"},
        {"letter in a skipped line", Edit(good, "|--|----", "|--|-x--"), "Не совпадает Контрольная Сумма"},
        {"trailer cut short", good.substr(0, good.size() - 3), "Не совпадает Контрольная Сумма"},
        {"trailer missing", good.substr(0, good.size() - 8), "Не совпадает Контрольная Сумма"},
    };
    for (const Case& c : cases) {
        const LoadResult r = Load(c.bytes);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
}

// Every list with one entry, so each list can be broken in each way.
SensorTypeTable OneEntryPerList() {
    SensorTypeTable t = SmallTable();
    NameList* lists[] = {&t.kindList,  &t.electrodeList,  &t.measuredParamList, &t.unitList,
                         &t.makerList, &t.multiplierList, &t.pgaGainList};
    int i = 0;
    for (NameList* list : lists) {
        *list = NameList{1, list->slots, {}};
        for (std::size_t n = 0; n < kMaxListSlots; ++n)
            list->entries[n].number = static_cast<std::uint8_t>(n);
        list->entries[0].text = Cp1251FromUtf8("Запись" + std::to_string(i++));
    }
    return t;
}

TEST(TableLoader, NameListFailuresGiveTheirMessages) {
    struct Case {
        const char* heading;  // part of the list's heading line
        const char* headingMessage;
        const char* numberMessage;
        const char* endOfFileMessage;
    };
    const Case cases[] = {
        {"2. Тип Сенсора", "Список Типов: нарушен заголовок", "Список Типов: неверный номер",
         "Список Газов: конец файла Параметров"},
        {"3. Число Электродов", "Список Электродов: нарушен заголовок", "Список Электродов: неверный номер",
         "Список Электродов: конец файла Параметров"},
        {"4. Измеряемый Параметр", "Список Измеряемых Параметров: нарушен заголовок",
         "Список Измеряемых Параметров: неверный номер",
         "Список Измеряемых Параметров: конец файла Параметров"},
        {"5. Единица Измерения", "Список Единиц Измерения: нарушен заголовок",
         "Список Единиц Измерения: неверный номер", "Список Единиц Измерения: конец файла Параметров"},
        {"6. Производитель", "Список Производителей: нарушен заголовок",
         "Список Производителей: неверный номер", "Список Производителей: конец файла Параметров"},
        {"7. Множитель", "Список Множителей: нарушен заголовок", "Список Множителей: неверный номер",
         "Список Множителей: конец файла Параметров"},
        {"5. Коэффициент Усиления PGA", "Список Коэффициентов PGA: нарушен заголовок",
         "Список Коэффициентов PGA: неверный номер", "Список Коэффициентов PGA: конец файла Параметров"},
    };
    const std::string good = TableBytes(OneEntryPerList());
    ASSERT_TRUE(Load(good).ok);
    int list = 0;
    for (const Case& c : cases) {
        const std::string heading = c.heading;
        const std::string entry = "|00|Запись" + std::to_string(list++);
        std::string brokenHeading = heading;
        brokenHeading[0] = '9';
        const LoadResult badHeading = Load(Edit(good, heading, brokenHeading));
        EXPECT_EQ(badHeading.message, c.headingMessage) << c.heading;
        const LoadResult badNumber = Load(Edit(good, entry, "|01" + entry.substr(3)));
        EXPECT_EQ(badNumber.message, c.numberMessage) << c.heading;
        const LoadResult cut = Load(CutBefore(good, entry));
        EXPECT_EQ(cut.message, c.endOfFileMessage) << c.heading;
        EXPECT_FALSE(badHeading.ok || badNumber.ok || cut.ok);
    }
}

TEST(TableLoader, ValueThatIsNotANumberFailsWithItsName) {
    const std::string good = TableBytes(SmallTable());
    for (const char* bad : {"1O0     |", "        |", "-       |", "0x10    |"}) {
        const LoadResult r = Load(Edit(good, "|100     |", std::string("|") + bad));
        EXPECT_FALSE(r.ok) << bad << r.message;
        EXPECT_EQ(r.message.rfind("Газ-01: Тип Датчика-00: Параметр \"08. Диапазон измерения от 0 в\"", 0),
                  0u)
            << r.message;
        EXPECT_NE(r.message.find("не является числом"), std::string::npos) << r.message;
    }
}

TEST(TableLoader, ParameterNameMayCarryAUnitOfUpToTwentyCharacters) {
    // The writer puts the unit "% НКПР" after "Нулевая Концентрация в ".
    const std::string good = TableBytes(SmallTable());
    const std::string name = "Нулевая Концентрация в % НКПР                    ";
    struct Case {
        std::string column;  // 49 characters
        bool loads;
    };
    const Case cases[] = {
        {"Нулевая Концентрация в X                         ", true},
        {"Нулевая Концентрация в                           ", false},  // nothing after "в "
        {"Нулевая Концентрация в 12345678901234567890      ", true},   // 20 more characters
        {"Нулевая Концентрация в 123456789012345678901     ", false},  // 21 more
        {"Нулевая Концентрация                             ", false},
        {"нулевая Концентрация в мг                        ", false},
    };
    for (const Case& c : cases) {
        const LoadResult r = Load(WithFreshChecksum(Edit(good, name, c.column)));
        EXPECT_EQ(r.ok, c.loads) << c.column << ": " << r.message;
        if (!c.loads) {
            EXPECT_EQ(r.message, "Газ-01: Тип Датчика-00: нарушен Параметр");
        }
    }
}

TEST(TableLoader, ChecksumIgnoresRulesAndBlanks) {
    const std::string good = TableBytes(SmallTable());
    // A space made "-" in a list entry changes no sum: the file still loads.
    const LoadResult r = Load(Edit(good, "% НКПР", "%-НКПР"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Utf8FromCp1251(ListText(r.table.unitList, 0)), "%-НКПР");
    // "-" made "=" in a skipped rule changes no sum either.
    EXPECT_TRUE(Load(Edit(good, "|--|----", "|--|-=--")).ok);
}

TEST(TableLoader, GasListSlotsSetTheGasCount) {
    for (std::uint8_t gases : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{3}, std::uint8_t{15}}) {
        SensorTypeTable t = SmallTable();
        t.gasCount = gases;
        for (unsigned g = 3; g < gases; ++g)
            t.gases[g].name = "G" + std::to_string(g);
        for (unsigned g = gases; g < kMaxGases; ++g) {
            t.gases[g].name.clear();
            t.gases[g].formula.clear();
            t.typeCount[g] = 0;
            t.types[g] = {};
        }
        const LoadResult r = Load(TableBytes(t));
        ASSERT_TRUE(r.ok) << int{gases} << ": " << r.message;
        EXPECT_EQ(r.table.gasCount, gases);
        EXPECT_EQ(r.table, t);
    }
}

// Inserts `line` + CR LF in front of the `occurrence`-th appearance of `before`.
std::string InsertLine(const std::string& bytes, std::string_view before, const std::string& line,
                       int occurrence = 0) {
    const std::string head = CutBefore(bytes, before, occurrence);
    const std::size_t lineStart = head.rfind("\r\n") + 2;
    return bytes.substr(0, lineStart) + line + "\r\n" + bytes.substr(lineStart);
}

TEST(TableLoader, SixteenGasesWithoutClosingLineAreRefused) {
    SensorTypeTable t = SmallTable();
    t.gasCount = 15;
    for (unsigned g = 3; g < 15; ++g)
        t.gases[g].name = "G" + std::to_string(g);
    const std::string good = TableBytes(t);
    const std::string extra = Cp1251FromUtf8("|15|G15                             |                |");
    const LoadResult r =
        Load(InsertLine(good, "|--|--------------------------------|----------------|", extra, 2));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Список Газов: нет строки окончания списка (более 15 газов)");
}

TEST(TableLoader, SixteenTypesWithoutClosingRuleAreRefused) {
    SensorTypeTable t = SmallTable();
    t.typeCount[1] = 15;
    for (std::uint8_t type = 2; type < 15; ++type) {
        t.types[1][type] = t.types[1][0];
        t.types[1][type].typeNumber = type;
    }
    const std::string good = TableBytes(t);
    // Copy type 14's block (45 lines of 65 bytes, starting one rule before its title) as type 15.
    const std::string title = Cp1251FromUtf8("|14|Датчик 01-14");
    const std::size_t start = good.find(title) - 65;
    std::string block = good.substr(start, 45 * 65);
    block.replace(65, title.size(), Cp1251FromUtf8("|15|Датчик 01-15"));
    const std::string bytes = good.substr(0, start + 45 * 65) + block + good.substr(start + 45 * 65);
    const LoadResult r = Load(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Газ-01: нет строки окончания списка Датчиков (более 15 типов)");
}

TEST(TableLoader, LookupsOutsideTheLoadedCountsAreEmpty) {
    const LoadResult r = Load(TableBytes(SmallTable()));
    ASSERT_TRUE(r.ok);
    const SensorTypeTable& t = r.table;
    const SensorTypeEntry zero{};
    EXPECT_EQ(t.gasCount, 3);
    EXPECT_EQ(t.GasName(5), "");
    EXPECT_EQ(t.GasName(200), "");
    EXPECT_EQ(Utf8FromCp1251(t.GasName(1)), "Метан");
    EXPECT_EQ(t.FindSensorType(5, 0), zero);
    EXPECT_EQ(t.FindSensorType(1, 2), zero);  // methane has two types
    EXPECT_EQ(t.FindSensorType(2, 0), zero);  // CO has none
    EXPECT_EQ(t.FindSensorType(1, 1).typeNumber, 1);
    EXPECT_EQ(t.FindSensorType(1, 1).gasCode, 1);
    EXPECT_EQ(Utf8FromCp1251(ListText(t.unitList, 1)), "мг/м3");
    EXPECT_EQ(ListText(t.unitList, 2), "");
    EXPECT_EQ(ListText(t.unitList, 40), "");  // beyond the list's slots
    EXPECT_EQ(ListText(t.electrodeList, 3), "E3");
}

TEST(ValueForms, ConvertAsTheFileWritesThem) {
    namespace tf = table_format;
    struct Case {
        const char* text;
        tf::ValueForm form;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"-0.750", tf::ValueForm::kSignedFixed3, -750},
        {"00.750", tf::ValueForm::kSignedFixed3, 750},
        {"-1.300", tf::ValueForm::kSignedFixed3, -1300},
        {"01.300", tf::ValueForm::kSignedFixed3, 1300},
        {"01.50", tf::ValueForm::kFixed2, 150},
        {"00.009", tf::ValueForm::kFixed3, 9},
        {"0001.400", tf::ValueForm::kPointAt5, 1400},
        {"-001.400", tf::ValueForm::kPointAt5, -1400},
        {"1400", tf::ValueForm::kPointAt5, 1400},
        {"262800", tf::ValueForm::kInteger, 262800},
        {"-7", tf::ValueForm::kInteger, -7},
        {"1.5", tf::ValueForm::kFixed2, std::nullopt},
        {"abc", tf::ValueForm::kInteger, std::nullopt},
        {"", tf::ValueForm::kInteger, std::nullopt},
        {"12a", tf::ValueForm::kInteger, std::nullopt},
        {"4294967296", tf::ValueForm::kInteger, std::nullopt},
        {"01.", tf::ValueForm::kFixed2, std::nullopt},
        {"0001,400", tf::ValueForm::kPointAt5, 1400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tf::ParseValue(c.text, c.form), c.value) << c.text;
}

TEST(ValueForms, StoredValuesKeepTheLowBitsOfTheirField) {
    SensorTypeTable t = SmallTable();
    const std::string good = TableBytes(t);
    // "Тип Сенсора" 300 in an 8-bit field keeps 300 - 256.
    const LoadResult r =
        Load(WithFreshChecksum(Edit(good, "|Тип Сенсора                                      |0  ",
                                    "|Тип Сенсора                                      |300")));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.table.types[1][0].kindIndex, 44);
}

TEST(ShippedTable, LoadsAndMatchesItsDescription) {
    SensorTypeTable table;
    ErrorText error;
    ASSERT_TRUE(LoadSensorTypeTable(GVC_SOURCE_DIR "/DAT/TABL_GAZ_SENSOR_PARAM.dat", table, error))
        << Utf8FromCp1251(error.Text());
    const auto description = ReadFileBytes(GVC_SOURCE_DIR "/DAT/table_description.txt", 1 << 20);
    ASSERT_TRUE(description);
    SensorTypeTable described;
    std::string problem;
    ASSERT_TRUE(ParseTableDescription(*description, described, problem)) << problem;
    EXPECT_EQ(table, described) << "regenerate DAT/TABL_GAZ_SENSOR_PARAM.dat with gvc-tablegen";
}

}  // namespace
}  // namespace gvc
