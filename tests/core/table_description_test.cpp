#include "table/table_description.h"

#include <gtest/gtest.h>

#include <random>

#include "table/table_loader.h"
#include "table/table_writer.h"
#include "table_fixtures.h"

namespace gvc {
namespace {

// A random table within what the file can carry: up to 15 gases and 15 types,
// lists from empty to full, values across each form's range.
SensorTypeTable RandomTable(std::mt19937& rng) {
    auto pick = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    auto text = [&](int maxLength) {
        static const std::string letters = Cp1251FromUtf8("АБВгдеЖЗиКлмНО%/.() 0123456789abcXYZ№");
        std::string s;
        const int n = pick(1, maxLength);
        for (int i = 0; i < n; ++i)
            s.push_back(letters[static_cast<std::size_t>(pick(0, static_cast<int>(letters.size()) - 1))]);
        // Descriptions trim their values, so texts start and end with a visible character.
        if (s.front() == ' ') s.front() = 'x';
        if (s.back() == ' ') s.back() = 'x';
        return s;
    };
    SensorTypeTable t;
    t.gasCount = static_cast<std::uint8_t>(pick(0, 15));
    for (unsigned g = 0; g < t.gasCount; ++g) {
        t.gases[g].name = text(32);
        t.gases[g].formula = pick(0, 3) == 0 ? std::string{} : text(16);
    }
    for (NameList* list : {&t.kindList, &t.electrodeList, &t.measuredParamList, &t.unitList, &t.makerList,
                           &t.multiplierList, &t.pgaGainList}) {
        list->count = static_cast<std::uint8_t>(pick(0, list->slots));
        for (unsigned i = 0; i < list->count; ++i)
            list->entries[i].text = text(32);
    }
    for (unsigned g = 1; g < t.gasCount; ++g) {
        t.typeCount[g] = static_cast<std::uint8_t>(pick(0, 15));
        for (unsigned type = 0; type < t.typeCount[g]; ++type) {
            SensorTypeEntry& e = t.types[g][type];
            e.gasCode = static_cast<std::uint8_t>(g);
            e.typeNumber = static_cast<std::uint8_t>(type);
            e.kindIndex = static_cast<std::uint8_t>(pick(0, 255));
            e.unitIndex = static_cast<std::uint8_t>(pick(0, 9));
            e.rangeMax = static_cast<std::uint16_t>(pick(0, 65535));
            e.workResourceMax = static_cast<std::uint32_t>(pick(0, 99999999));
            e.pgaGainMax = static_cast<std::uint8_t>(pick(0, 7));
            e.thresholdA1 = pick(-999999, 9999999);
            e.thresholdA2 = pick(-999999, 9999999);
            e.referenceConcentration = pick(0, 9999999);
            e.tolerance = static_cast<std::uint16_t>(pick(0, 9999));
            for (TempRange& r : e.tempRanges)
                r = {static_cast<std::uint16_t>(pick(0, 65535)),
                     static_cast<std::int16_t>(pick(-9999, 32767))};
            for (ResourceRange& r : e.resourceRanges) {
                r = {static_cast<std::uint16_t>(pick(0, 65535)), static_cast<std::uint16_t>(pick(0, 9999)),
                     static_cast<std::int16_t>(pick(0, 32767))};
            }
        }
    }
    return t;
}

TEST(TableRoundTrip, AnyValidTableSurvivesWriterLoaderAndDescription) {
    std::mt19937 rng(20261210);
    for (int round = 0; round < 40; ++round) {
        const SensorTypeTable original = RandomTable(rng);
        std::string problem;
        const auto bytes = WriteSensorTypeTableBytes(original, problem);
        ASSERT_TRUE(bytes) << problem;
        SensorTypeTable loaded;
        ErrorText error;
        ASSERT_TRUE(ParseSensorTypeTable(*bytes, loaded, error)) << Utf8FromCp1251(error.Text());
        EXPECT_EQ(loaded, original) << "round " << round;
        SensorTypeTable described;
        const auto description = DescribeTable(loaded, problem);
        ASSERT_TRUE(description) << problem;
        ASSERT_TRUE(ParseTableDescription(*description, described, problem)) << problem;
        EXPECT_EQ(described, original) << "round " << round;
    }
}

TEST(TableWriter, RefusesWhatTheFileCannotCarry) {
    struct Case {
        const char* what;
        void (*change)(SensorTypeTable&);
    };
    const Case cases[] = {
        {"sixteen gases", [](SensorTypeTable& t) { t.gasCount = 16; }},
        {"sixteen types", [](SensorTypeTable& t) { t.typeCount[1] = 16; }},
        {"gas name of 33 characters", [](SensorTypeTable& t) { t.gases[1].name = std::string(33, 'x'); }},
        {"text ending in a blank", [](SensorTypeTable& t) { t.unitList.entries[0].text = "ppm "; }},
        {"tolerance beyond 99.99", [](SensorTypeTable& t) { t.types[1][0].tolerance = 10000; }},
        {"threshold beyond 9999.999", [](SensorTypeTable& t) { t.types[1][0].thresholdA1 = 10000000; }},
        {"negative resource slope", [](SensorTypeTable& t) { t.types[1][0].resourceRanges[0].slope = -1; }},
        {"temperature slope below -9.999",
         [](SensorTypeTable& t) { t.types[1][0].tempRanges[0].slope = -10000; }},
    };
    for (const Case& c : cases) {
        SensorTypeTable t = testing::SmallTable();
        c.change(t);
        std::string problem;
        EXPECT_FALSE(WriteSensorTypeTableBytes(t, problem)) << c.what;
        EXPECT_FALSE(problem.empty()) << c.what;
    }
}

// A table file may hold texts that a description line cannot: such a table
// loads, and its description is refused with the text named rather than
// written in a form that reads back as another table (or not at all).
TEST(TableDescription, RefusesTextsThatCannotStandOnALine) {
    struct Case {
        const char* what;
        void (*change)(SensorTypeTable&);
        const char* problem;
    };
    const Case cases[] = {
        {"CR LF in a unit", [](SensorTypeTable& t) { t.unitList.entries[1].text = "mg\r\nm3"; },
         "units entry 01 holds a line break"},
        {"tab in a kind", [](SensorTypeTable& t) { t.kindList.entries[0].text = "a\tb"; },
         "kinds entry 00 holds a line break"},
        {"leading blank in a maker", [](SensorTypeTable& t) { t.makerList.entries[0].text = " M"; },
         "makers entry 00 holds blanks"},
        {"bar in a gas name", [](SensorTypeTable& t) { t.gases[2].name = "C|O"; }, "gas 02 name holds a bar"},
        {"line feed in a formula", [](SensorTypeTable& t) { t.gases[1].formula = "CH\n4"; },
         "gas 01 formula holds a line break"},
    };
    for (const Case& c : cases) {
        SensorTypeTable t = testing::SmallTable();
        c.change(t);
        std::string problem;
        EXPECT_FALSE(DescribeTable(t, problem)) << c.what;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
}

// The loader takes a line break inside a list text as it stands.
TEST(TableDescription, TableWithCrLfInAListTextLoadsButIsNotDescribed) {
    SensorTypeTable table = testing::SmallTable();
    table.unitList.entries[1].text = Cp1251FromUtf8("м\r\n/3");
    const std::string bytes = testing::TableBytes(table);
    SensorTypeTable loaded;
    ErrorText error;
    ASSERT_TRUE(ParseSensorTypeTable(bytes, loaded, error)) << Utf8FromCp1251(error.Text());
    ASSERT_EQ(loaded.unitList.entries[1].text, Cp1251FromUtf8("м\r\n/3"));
    std::string problem;
    EXPECT_FALSE(DescribeTable(loaded, problem));
    EXPECT_NE(problem.find("units entry 01"), std::string::npos) << problem;
}

TEST(TableDescription, ReportsTheLineAtFault) {
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"[gases]\n00 = A\n02 = B\n", "line 3: gases must be numbered 00, 01, ... in order"},
        {"kindIndex = 1\n", "line 1: a value outside any section"},
        {"[gases]\n00 = A\n01 = B\n[type 01-01]\n",
         "line 4: types of a gas must be numbered 00, 01, ... in order"},
        {"[gases]\n00 = A\n01 = B\n[type 01-00]\ntolerance = 1.234\n", "line 5: not a number: 1.234"},
        {"[gases]\n00 = A\n01 = B\n[type 01-00]\nkindIndex = 300\n", "line 5: kindIndex does not hold 300"},
        {"[gases]\n00 = A\n01 = B\n[type 01-00]\nbogus = 1\n", "line 5: unknown field bogus"},
        {"[units]\n00 = \xe4\xb8\xad\n", "line 2: text with characters outside Windows-1251: \xe4\xb8\xad"},
        {"[electrodes]\n00 = a\n01 = b\n02 = c\n03 = d\n04 = e\n", "line 6: the list has only 4 slots"},
    };
    for (const Case& c : cases) {
        SensorTypeTable t;
        std::string problem;
        EXPECT_FALSE(ParseTableDescription(c.text, t, problem)) << c.text;
        EXPECT_EQ(problem, c.problem);
    }
}

}  // namespace
}  // namespace gvc
