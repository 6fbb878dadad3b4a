#include "sensor/table_field_fit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "sensor_test_fixture.h"
#include "table/table_loader.h"
#include "util/cp1251.h"

namespace gvc::test {
namespace {

// Methane 2-00 of the test table made realistic: 0-100 % with one decimal
// (range scale 10: 10000 counts at the top), 5 years of resource.
SensorTypeTable FittingTable() {
    SensorTypeTable table = MakeSensorTestTable();
    table.unitList.count = 3;
    table.unitList.entries[0].text = "%";
    table.unitList.entries[1].text = "ppm";
    table.unitList.entries[2].text = Cp1251FromUtf8("мкмоль/моль");  // 11 characters
    for (unsigned g = 1; g <= 2; ++g) {
        for (unsigned t = 0; t < table.typeCount[g]; ++t) {
            SensorTypeEntry& e = table.types[g][t];
            e.multiplierIndex = 1;
            e.rangeMax = 100;
            e.workWarnPercent = 90;
            e.workResourceMax = 43800;
            e.calibResourcePercent = 25;
            e.pgaGainMax = 5;
            e.thresholdA1 = 10000;
            e.thresholdA2 = 20000;
            e.resourceRanges = {{{30, 100, 2}, {60, 106, 3}, {100, 115, 4}}};
        }
    }
    return table;
}

TEST(TableFieldFit, EachValueBeyondItsFieldIsNamedOnce) {
    struct Case {
        const char* what;
        std::function<void(SensorTypeEntry&)> change;
        std::string_view parameterStart;
        unsigned bits;
        std::int64_t value;
    } const cases[] = {
        // 90 % of 262 800 is 236 520, stored as 269 107.
        {"usage warning", [](SensorTypeEntry& e) { e.workResourceMax = 262800; },
         "workWarnPercent x workResourceMax", 16, 269107},
        {"range top in counts", [](SensorTypeEntry& e) { e.rangeMax = 7000; }, "rangeMax", 16, 70000},
        {"threshold in counts", [](SensorTypeEntry& e) { e.thresholdA2 = 700000; }, "thresholdA2", 16, 70000},
        {"negative threshold", [](SensorTypeEntry& e) { e.thresholdA1 = -1000; }, "thresholdA1", 16, -100},
        {"electrode code", [](SensorTypeEntry& e) { e.electrodeIndex = 4; }, "electrodeIndex", 2, 4},
        {"gain nibble", [](SensorTypeEntry& e) { e.pgaGainMax = 16; }, "pgaGainMax", 4, 16},
        {"unit bits", [](SensorTypeEntry& e) { e.unitIndex = 8; }, "unitIndex", 3, 8},
        {"resource bound", [](SensorTypeEntry& e) { e.resourceRanges[1].rangeEnd = 7000; },
         "resourceRanges[1].rangeEnd", 16, 700000},
        // 700.000 / 10 is written to the 16-bit front-end word.
        {"reference for the front end", [](SensorTypeEntry& e) { e.referenceConcentration = 700000; },
         "referenceConcentration / 10", 16, 70000},
        // The report log's columns: 6 digits of resource, 8 characters of unit.
        {"work resource of 7 digits",
         [](SensorTypeEntry& e) {
             e.workResourceMax = 1000000;
             e.workWarnPercent = 0;
             e.calibResourcePercent = 0;
         },
         "workResourceMax", 6, 1000000},
        {"unit name of 11 characters", [](SensorTypeEntry& e) { e.unitIndex = 2; }, "unit name length", 8,
         11},
    };
    EXPECT_TRUE(FindFieldFitProblems(FittingTable()).empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SensorTypeTable table = FittingTable();
        c.change(table.types[2][1]);
        const std::vector<FieldFitProblem> problems = FindFieldFitProblems(table);
        ASSERT_EQ(problems.size(), 1u);
        const FieldFitProblem& p = problems[0];
        EXPECT_EQ(p.gasCode, 2);
        EXPECT_EQ(p.typeNumber, 1);
        EXPECT_EQ(p.parameter.substr(0, c.parameterStart.size()), c.parameterStart);
        EXPECT_EQ(p.bits, c.bits);
        EXPECT_EQ(p.value, c.value);
    }
}

TEST(TableFieldFit, WarningNamesGasTypeParameterAndWidth) {
    SensorTypeTable table = FittingTable();
    table.types[2][0].workResourceMax = 262800;
    const std::vector<FieldFitProblem> problems = FindFieldFitProblems(table);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(
        FieldFitWarningText(table, problems[0]),
        "warning: gas 02 Метан, type 02-00: workWarnPercent x workResourceMax / 100, stored x 256/225 = "
        "269107 does not fit the 16-bit sensor field WorkResourceWarn (0x84)");
    table = FittingTable();
    table.types[1][1].unitIndex = 2;
    const std::vector<FieldFitProblem> unit = FindFieldFitProblems(table);
    ASSERT_EQ(unit.size(), 1u);
    EXPECT_EQ(FieldFitWarningText(table, unit[0]),
              "warning: gas 01 Кислород, type 01-01: unit name length = 11 does not fit the 8-character unit "
              "column of the report log (every later record of the type fails to append)");
}

TEST(TableFieldFit, ReferenceReachesTheFrontEndWordOnlyForElectrodeCodeZero) {
    SensorTypeTable table = FittingTable();
    table.types[2][0].referenceConcentration = 655359;  // / 10 = 65535: fits
    table.types[2][1].referenceConcentration = 655360;
    table.types[2][2].referenceConcentration = 655360;
    table.types[2][2].electrodeIndex = 1;
    const std::vector<FieldFitProblem> problems = FindFieldFitProblems(table);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].typeNumber, 1);
    EXPECT_EQ(problems[0].value, 65536);
}

TEST(TableFieldFit, ShippedTableFitsEverySensorField) {
    SensorTypeTable table;
    ErrorText error;
    ASSERT_TRUE(LoadSensorTypeTable(
        std::filesystem::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat", table, error))
        << Utf8FromCp1251(error.Text());
    for (const FieldFitProblem& p : FindFieldFitProblems(table))
        ADD_FAILURE() << FieldFitWarningText(table, p);
}

}  // namespace
}  // namespace gvc::test
