#include "ui/characteristics_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "util/cp1251.h"

namespace gvc {
namespace {

std::string U(std::string_view cp1251) {
    return Utf8FromCp1251(cp1251);
}
std::string Cp(std::string_view utf8) {
    return Cp1251FromUtf8(utf8);
}

SensorDate Date(std::int32_t year, int month, int day) {
    SensorDate d;
    d.year = year;
    d.month = static_cast<std::uint8_t>(month);
    d.day = static_cast<std::uint8_t>(day);
    return d;
}

// Methane type 1 with the unit "% об.д." and three decimals, read from a
// sensor that was set up for "% НКПР" with one decimal.
class CharacteristicsTest : public ::testing::Test {
protected:
    CharacteristicsTest() {
        table.gasCount = 3;
        table.gases[0].name = Cp("Имитатор");
        table.gases[2].name = Cp("Метан");
        SetList(table.kindList, {"термокаталитический", "ультрафиолетовый"});
        SetList(table.electrodeList, {"0", "1", "2", "3"});
        SetList(table.measuredParamList, {"Объемная доля"});
        SetList(table.unitList, {"% НКПР", "% об.д.", "мг/м3"});
        SetList(table.makerList, {"Велмор"});
        SetList(table.multiplierList, {"1", "0.1", "0.01", "0.001"});
        table.typeCount[2] = 2;
        SensorTypeEntry& e = table.types[2][1];
        e.gasCode = 2;
        e.typeNumber = 1;
        e.kindIndex = 0;
        e.electrodeIndex = 2;
        e.unitIndex = 1;
        e.multiplierIndex = 3;
        e.rangeMax = 5;
        e.lifeTime = 36;
        e.workWarnPercent = 80;
        e.workResourceMax = 100000;
        e.calibCountMax = 24;
        e.calibWarnPercent = 80;
        e.calibResourcePercent = 25;
        e.calibInterval = 6;
        e.pgaGainMax = 4;
        e.thresholdA1 = 1400;
        e.thresholdA2 = 20500;
        e.zeroConcentration = 0;
        e.referenceConcentration = 2500;
        e.tolerance = 150;
        e.tempRanges = {{{108, -750}, {103, 750}, {100, -1300}, {99, 0}, {98, -9999}}};
        e.tempEndCoefPercent = 94;
        e.resourceRanges = {{{30, 90, 9}, {60, 100, -25}, {100, 115, 4000}}};

        state.identity = {2, 291, 1, 3};
        SensorParams& o = state.OldParams;
        o.GasCode = 2;
        o.TypeNumber = 1;
        o.ElectrodeCode = 2;
        o.MultiplierCode = 1;
        o.RangeTop = 100;
        o.EndOfUseDate = Date(2013, 12, 31);
        o.WorkResourceWarn = 1234;
        o.WorkResourceNow = 50000;
        o.WorkResourceMax = 262800;
        o.CalibrationCount = 3;
        o.MaxCalibrations = 24;
        o.CalResourceWarn = 879;
        o.CalResourceNow = 40000;
        o.CalResourceMax = 65700;
        o.NextCalibrationDate = Date(2014, 7, 1);
        o.PgaGain = 2;
        o.PgaGainMax = 5;
        o.ZeroOffsetSign = -1;
        o.ZeroOffset = 1234;
        o.Slope = 1234;
        o.InitialSlope = -11230;
        o.ZeroConc = 0;
        o.RefConc = 50000;
        o.SetTolerance = 150;
        o.ThresholdA1 = 1400;
        o.ThresholdA2 = 20500;
        o.SampleRate = 20;
        o.BoardVersion = 1300;
        o.FirmwareVersion = 10203;
        o.TempCoefs = {{{108, -750}, {103, 750}, {100, -1300}, {99, 0}, {98, -9999}}};
        o.TempEndCoef = 94;
        o.ResourceRanges = {{{30, 90, 9}, {60, 100, -25}, {100, 115, 4000}}};
        o.MultiplierScale = 10.0;
        o.RangeExponent = 2;
        o.RangeScale = 100.0;
    }

    static void SetList(NameList& list, std::vector<const char*> texts) {
        list.count = static_cast<std::uint8_t>(texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i)
            list.entries[i].text = Cp(texts[i]);
    }

    void FillBoth(const SensorDate& today = Date(2025, 11, 15)) {
        list.FillOldValues(state.OldParams, table);
        list.FillNewValues(state, table, TakeConnectionSnapshot(state.OldParams), today);
    }

    std::string Old(int row) const { return U(list.Rows()[static_cast<std::size_t>(row)].oldText); }
    std::string New(int row) const { return U(list.Rows()[static_cast<std::size_t>(row)].newText); }
    std::string Caption(int row) const { return U(list.Rows()[static_cast<std::size_t>(row)].caption); }

    SensorTypeTable table;
    SensorState state;
    CharacteristicsList list;
};

struct RowTexts {
    int row;
    const char* oldText;
    const char* newText;
};

TEST_F(CharacteristicsTest, BothColumnsOfEveryParameterRow) {
    FillBoth();
    const RowTexts rows[] = {
        {1, "Метан", "Метан"},
        {2, "термокаталитический", "термокаталитический"},
        {3, "2", "2"},
        {4, "Объемная доля", "Объемная доля"},
        {5, "% НКПР", "% об.д."},
        {6, "Велмор", "Велмор"},
        {7, "0.1", "0.001"},
        {8, "000100", "000005"},
        {9, "31.12.2013", "31.12.2013"},
        {10, "01234", "80000"},  // 80 % of 100000
        {11, "050000", "050000"},
        {12, "262800", "100000"},
        {14, "003", "003"},
        {15, "024", "024"},
        {16, "00879", "10000"},    // 80 % of the new maximum
        {17, "040000", "012500"},  // equal to the new maximum
        {18, "065700", "012500"},  // 25 % of the working resource now
        {19, "01.07.2014", "15.05.2026"},
        {20, "04", "04"},
        {21, "32", "16"},
        {22, "+001234", "-000000"},
        {23, "+00.4936", "+00.0000"},  // 1234 x 2^2 in the old column
        {24, "-01.1230", "-01.1230"},
        {25, "0000.0", "0000.000"},
        {26, "0050.0", "0002.500"},
        {27, "01.50", "01.50"},
        {29, "0001.4", "0001.400"},
        {30, "0020.5", "0020.500"},
        {31, "0020", "0010"},
        {32, "01.300", "01.300"},
        {33, "10.203", "10.203"},
        {36, "108", "108"},
        {37, "-0.750", "-0.750"},
        {39, "103", "103"},
        {40, "00.750", "00.750"},
        {42, "100", "100"},
        {43, "-1.300", "-1.300"},
        {45, "099", "099"},
        {46, "00.000", "00.000"},
        {48, "098", "098"},
        {49, "-9.999", "-9.999"},
        {50, "094", "094"},
        {53, "0030", "0030"},
        {54, "00.90", "00.90"},
        {55, "00.009", "00.009"},
        {57, "0060", "0060"},
        {58, "01.00", "01.00"},
        {59, "-0.025", "-0.025"},
        {61, "0100", "0100"},
        {62, "01.15", "01.15"},
        {63, "04.000", "04.000"},
    };
    for (const RowTexts& r : rows) {
        EXPECT_EQ(Old(r.row), r.oldText) << "row " << r.row;
        EXPECT_EQ(New(r.row), r.newText) << "row " << r.row;
    }
    // Headings and range labels carry no values; the labels keep their text
    // in the old column.
    for (const int row : {0, 13, 28, 34, 51}) {
        EXPECT_EQ(Old(row), "") << row;
        EXPECT_EQ(New(row), "") << row;
    }
    const RowTexts labels[] = {{35, "<от -40 до  -20>", ""},
                               {38, "<от -20 до 0>", ""},
                               {41, "<от 0 до 20>", ""},
                               {44, "<от 20 до 40>", ""},
                               {47, "<от 40 до 60>", ""},
                               {52, "<от С[гр.0] до С[гр.1]>", ""},
                               {56, "<от С[гр.1] до С[гр.2]>", ""},
                               {60, "<от С[гр.2] до С[гр.3]>", ""}};
    for (const RowTexts& r : labels) {
        EXPECT_EQ(Caption(r.row), "") << r.row;
        EXPECT_EQ(Old(r.row), r.oldText) << r.row;
        EXPECT_EQ(New(r.row), "") << r.row;
    }
}

TEST_F(CharacteristicsTest, NewImageBuiltFromTableOldValuesAndSnapshot) {
    state.NewParams.ZeroOffset = -777;  // left over from an earlier run
    state.NewParams.ZeroOffsetSign = 0;
    FillBoth();
    const SensorParams& n = state.NewParams;
    const SensorParams& o = state.OldParams;
    EXPECT_EQ(n.GasCode, 2);
    EXPECT_EQ(n.TypeNumber, 1);
    EXPECT_EQ(n.ElectrodeCode, 2);
    EXPECT_EQ(n.UnitCode, 1);
    EXPECT_EQ(n.MultiplierCode, 3);
    EXPECT_EQ(n.MultiplierScale, 1000.0);
    EXPECT_EQ(n.RangeExponent, o.RangeExponent);
    EXPECT_EQ(n.RangeScale, o.RangeScale);
    EXPECT_EQ(n.RangeTop, 5);
    EXPECT_EQ(n.LifeTime, 36);
    EXPECT_EQ(n.WorkWarnPercent, 80);
    EXPECT_EQ(n.CalWarnPercent, 80);
    EXPECT_EQ(n.CalResourcePercent, 25);
    EXPECT_EQ(n.CalInterval, 6);
    EXPECT_EQ(n.EndOfUseDate, o.EndOfUseDate);
    EXPECT_EQ(n.WorkResourceWarn, 80000u);
    EXPECT_EQ(n.WorkResourceNow, o.WorkResourceNow);
    EXPECT_EQ(n.WorkResourceMax, 100000u);
    EXPECT_EQ(n.CalibrationCount, o.CalibrationCount);
    EXPECT_EQ(n.MaxCalibrations, 24);
    EXPECT_EQ(n.CalResourceMax, 12500u);
    EXPECT_EQ(n.CalResourceWarn, 10000);
    EXPECT_EQ(n.CalResourceNow, 12500u);
    EXPECT_EQ(n.NextCalibrationDate, Date(2026, 5, 15));
    EXPECT_EQ(n.PgaGain, o.PgaGain);
    EXPECT_EQ(n.PgaGainMax, 4);
    EXPECT_EQ(n.ZeroOffset, 0);
    EXPECT_EQ(static_cast<std::uint8_t>(n.ZeroOffsetSign), 0xFF);  // not negative
    EXPECT_EQ(n.Slope, 0);
    EXPECT_EQ(n.InitialSlope, o.InitialSlope);
    EXPECT_EQ(n.ZeroConc, 0);
    EXPECT_EQ(n.RefConc, 2500);
    EXPECT_EQ(n.SetTolerance, 150);
    EXPECT_EQ(n.ThresholdA1, 1400);
    EXPECT_EQ(n.ThresholdA2, 20500);
    EXPECT_EQ(n.SampleRate, 10);
    EXPECT_EQ(n.BoardVersion, o.BoardVersion);
    EXPECT_EQ(n.FirmwareVersion, o.FirmwareVersion);
    EXPECT_EQ(n.TempCoefs[2], (TempCoef{100, -1300}));
    EXPECT_EQ(n.TempEndCoef, 94);
    EXPECT_EQ(n.ResourceRanges[2], (ResourceRangeCoef{100, 115, 4000}));
}

TEST_F(CharacteristicsTest, ResourceArithmeticWrapsAt32Bits) {
    // 80 x 100000000 is beyond 2^31: the product wraps and the quotient
    // truncates toward zero, as the stored values have always been computed.
    table.types[2][1].workResourceMax = 100000000;
    table.types[2][1].calibResourcePercent = 200;
    state.OldParams.WorkResourceNow = 20000000;
    FillBoth();
    EXPECT_EQ(static_cast<std::int32_t>(state.NewParams.WorkResourceWarn), -5899345);
    EXPECT_EQ(static_cast<std::int32_t>(state.NewParams.CalResourceMax), -2949672);
    EXPECT_EQ(state.NewParams.CalResourceNow, state.NewParams.CalResourceMax);
    // The warning is 80 % of the wrapped maximum, kept in 16 bits.
    const auto wrapped = static_cast<std::int32_t>(80u * state.NewParams.CalResourceMax) / 100;
    EXPECT_EQ(state.NewParams.CalResourceWarn, static_cast<std::uint16_t>(wrapped));
}

TEST_F(CharacteristicsTest, CaptionsCarryTheUnitOfTheLastFill) {
    // The unit goes in just before the "*" of "*час", at these 1-based positions.
    const std::pair<int, std::size_t> hourRows[] = {{10, 44}, {11, 40}, {12, 36},
                                                    {16, 42}, {17, 43}, {18, 39}};
    for (const auto& [row, position] : hourRows)
        EXPECT_EQ(list.Rows()[static_cast<std::size_t>(row)].caption.find('*'), position - 1) << row;

    list.FillOldValues(state.OldParams, table);
    EXPECT_EQ(U(list.UnitText()), "% НКПР");
    EXPECT_EQ(Caption(8), "08. Диапазон измерения от 0 в % НКПР");

    list.FillNewValues(state, table, TakeConnectionSnapshot(state.OldParams), Date(2025, 1, 1));
    EXPECT_EQ(U(list.UnitText()), "% об.д.");
    const std::pair<int, const char*> captions[] = {
        {0, "Параметры Сенсора"},
        {8, "08. Диапазон измерения от 0 в % об.д."},
        {10, "10. Граница Предупреждения Использования в % об.д.*час"},
        {11, "11. Текущий Уровень Рабочего Ресурса в % об.д.*час"},
        {12, "12. Мак.Уровень Рабочего Ресурса в % об.д.*час"},
        {16, "03. Граница Предупреждения Градуировки в % об.д.*час"},
        {17, "04. Текущий Уровень Ресурса Градуировки в % об.д.*час"},
        {18, "05. Мак.Уровень Ресурса Градуировки в % об.д.*час"},
        {22, "09. Смещение Нуля в % об.д."},
        {25, "12. Нулевая Концентрация в % об.д."},
        {26, "13. Эталонная Концентрация в % об.д."},
        {29, "01. Нижний Порог - А1 в % об.д."},
        {30, "02. Верхний Порог - А2 в % об.д."},
        {50, "11.  Конечный Коэф-т в %"},
        {53, "01. Конец Ресурса (гр.1) в % об.д."},
        {57, "04. Конец Ресурса (гр.2) в % об.д."},
        {61, "07. Конец Ресурса (гр.3) в % об.д."},
    };
    for (const auto& [row, text] : captions)
        EXPECT_EQ(Caption(row), text) << row;

    // A second fill does not stack units.
    list.FillNewValues(state, table, TakeConnectionSnapshot(state.OldParams), Date(2025, 1, 1));
    EXPECT_EQ(Caption(10), "10. Граница Предупреждения Использования в % об.д.*час");
}

TEST_F(CharacteristicsTest, CodesOutsideTheListsShowEmptyTexts) {
    state.OldParams.UnitCode = 7;
    state.OldParams.KindCode = 200;
    state.OldParams.GasCode = 40;
    list.FillOldValues(state.OldParams, table);
    EXPECT_EQ(Old(1), "");
    EXPECT_EQ(Old(2), "");
    EXPECT_EQ(Old(5), "");
    EXPECT_EQ(Caption(8), "08. Диапазон измерения от 0 в ");
}

TEST_F(CharacteristicsTest, SensorMissingFromTheTableGetsTheZeroEntry) {
    state.identity.GasCode = 9;
    FillBoth();
    EXPECT_EQ(state.NewParams.GasCode, 0);
    EXPECT_EQ(state.NewParams.RangeTop, 0);
    EXPECT_EQ(New(1), "Имитатор");
    EXPECT_EQ(New(10), "00000");
    EXPECT_EQ(New(31), "0010");
}

TEST_F(CharacteristicsTest, ConcentrationRowsByMultiplierCode) {
    table.types[2][1].zeroConcentration = 1400;
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0, "0001."}, {1, "0001.4"}, {2, "0001.40"}, {3, "0001.400"}};
    for (const auto& [code, text] : cases) {
        table.types[2][1].multiplierIndex = code;
        FillBoth();
        EXPECT_EQ(New(25), text) << int{code};
        EXPECT_EQ(state.NewParams.MultiplierCode, code);
    }
}

TEST_F(CharacteristicsTest, ZeroOffsetSignsInBothColumns) {
    // A read offset that is negative shows "+", one that is not shows "-": the
    // same sign the new column shows for the same stored value.
    state.OldParams.ZeroOffsetSign = +1;
    state.OldParams.ZeroOffset = 200;
    list.FillOldValues(state.OldParams, table);
    EXPECT_EQ(Old(22), "-000200");
    state.OldParams.ZeroOffsetSign = -1;
    list.FillOldValues(state.OldParams, table);
    EXPECT_EQ(Old(22), "+000200");

    // A snapshot with a negative offset marks the image with sign 0.
    ConnectionSnapshot snap = TakeConnectionSnapshot(state.OldParams);
    snap.zeroOffset = -200;
    list.FillNewValues(state, table, snap, Date(2025, 1, 1));
    EXPECT_EQ(state.NewParams.ZeroOffsetSign, 0);
    EXPECT_EQ(New(22), "+000200");
}

TEST_F(CharacteristicsTest, CalibrationResultRewritesRows20To23) {
    FillBoth();
    const CharacteristicsRows before = list.Rows();
    list.SetNewPgaGain(3);
    list.SetNewZeroOffset(-200);
    list.SetNewSlope(2000, 2);
    EXPECT_EQ(New(20), "08");
    EXPECT_EQ(New(22), "+000200");
    EXPECT_EQ(New(23), "+00.8000");
    for (int row = 0; row < kCharacteristicsRowCount; ++row) {
        const auto i = static_cast<std::size_t>(row);
        EXPECT_EQ(list.Rows()[i].oldText, before[i].oldText) << row;
        EXPECT_EQ(list.Rows()[i].caption, before[i].caption) << row;
        if (row != 20 && row != 22 && row != 23) {
            EXPECT_EQ(list.Rows()[i].newText, before[i].newText) << row;
        }
    }
    list.SetNewZeroOffset(0);
    EXPECT_EQ(New(22), "-000000");

    // The next connection's fill replaces them with the snapshot again.
    FillBoth();
    EXPECT_EQ(New(20), "04");
    EXPECT_EQ(New(22), "-000000");
    EXPECT_EQ(New(23), "+00.0000");
}

TEST_F(CharacteristicsTest, TextAccessByRowAndColumn) {
    FillBoth();
    EXPECT_EQ(U(list.Text(23, CharacteristicsColumn::kNew)), "+00.0000");
    EXPECT_EQ(U(list.Text(24, CharacteristicsColumn::kNew)), "-01.1230");
    EXPECT_EQ(U(list.Text(24, CharacteristicsColumn::kCaption)), "11. Нач.Угол Наклона");
    EXPECT_EQ(U(list.Text(5, CharacteristicsColumn::kOld)), "% НКПР");
    EXPECT_EQ(list.Text(-1, CharacteristicsColumn::kNew), "");
    EXPECT_EQ(list.Text(64, CharacteristicsColumn::kOld), "");
}

TEST(SlopeText, SlopeTimesTwoToThePgaCode) {
    struct Case {
        std::int32_t slope;
        unsigned pga;
        const char* text;
    };
    const Case cases[] = {
        {1234, 2, "+00.4936"},
        {11230, 0, "+01.1230"},
        {2000, 2, "+00.8000"},
        {-2000, 2, "-00.8000"},
        {0, 4, "+00.0000"},
        {-1, 0, "-00.0001"},
        {1234, 4, "+01.9744"},
        // Values past six digits keep the point before the last four.
        {1234567, 0, "+123.4567"},
        {1, 15, "+03.2768"},
        {-2147483647 - 1, 15, "-7036874417.7664"},
        {3, 40, "+329853488.3328"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SlopeText(c.slope, c.pga), c.text) << c.slope << " pga " << c.pga;
}

TEST(ZeroOffsetText, SignOppositeToTheOffset) {
    EXPECT_EQ(ZeroOffsetText(0), "-000000");
    EXPECT_EQ(ZeroOffsetText(200), "-000200");
    EXPECT_EQ(ZeroOffsetText(-200), "+000200");
    EXPECT_EQ(ZeroOffsetText(-2147483648LL), "+2147483648");
    EXPECT_EQ(PgaGainText(0), "01");
    EXPECT_EQ(PgaGainText(4), "16");
    EXPECT_EQ(PgaGainText(7), "128");
}

TEST(NextCalibrationDate, MonthEndsAndYearEnds) {
    struct Case {
        SensorDate today;
        unsigned interval;
        SensorDate next;
    };
    const Case cases[] = {
        {Date(2025, 1, 31), 1, Date(2025, 2, 28)},
        {Date(2024, 1, 31), 1, Date(2024, 2, 28)},  // February is always 28 days
        {Date(2025, 11, 15), 3, Date(2026, 2, 15)},
        {Date(2025, 3, 31), 1, Date(2025, 4, 30)},
        {Date(2025, 8, 31), 6, Date(2026, 2, 28)},
        {Date(2025, 12, 31), 1, Date(2026, 1, 31)},
        {Date(2025, 12, 15), 12, Date(2026, 12, 15)},
        {Date(2025, 12, 31), 0, Date(2025, 12, 31)},
        {Date(2025, 1, 1), 0, Date(2025, 1, 1)},
        {Date(2025, 1, 10), 255, Date(2046, 4, 10)},
        {Date(2025, 0, 10), 0, Date(2025, 1, 10)},  // a month of 0 is raised to January
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextCalibrationDate(c.today, c.interval), c.next)
            << c.today.day << "." << int{c.today.month} << "." << c.today.year << " + " << c.interval;
}

TEST_F(CharacteristicsTest, NextCalibrationDateReachesRow19) {
    table.types[2][1].calibInterval = 1;
    FillBoth(Date(2025, 1, 31));
    EXPECT_EQ(New(19), "28.02.2025");
    table.types[2][1].calibInterval = 3;
    FillBoth(Date(2025, 11, 15));
    EXPECT_EQ(New(19), "15.02.2026");
}

TEST(CharacteristicsColours, ByGroupWithSilverHeadingsAndLabels) {
    const RgbColour silver{192, 192, 192}, white{255, 255, 255};
    struct Group {
        int first, last;
        RgbColour caption;
    };
    const Group groups[] = {{1, 12, {255, 255, 0}},
                            {14, 27, {192, 220, 192}},
                            {29, 33, {255, 251, 240}},
                            {35, 50, {255, 0, 255}},
                            {52, 63, {166, 202, 240}}};
    const std::vector<int> headings = {0, 13, 28, 34, 51};
    const std::vector<int> labels = {35, 38, 41, 44, 47, 52, 56, 60};
    const auto contains = [](const std::vector<int>& v, int x) {
        return std::find(v.begin(), v.end(), x) != v.end();
    };
    int checked = 0;
    for (int row = 0; row < kCharacteristicsRowCount; ++row) {
        RgbColour caption = silver, value = silver;
        if (!contains(headings, row)) {
            for (const Group& g : groups)
                if (row >= g.first && row <= g.last) caption = g.caption;
            value = contains(labels, row) ? silver : white;
        }
        EXPECT_EQ(CharacteristicsList::CellColour(row, CharacteristicsColumn::kCaption), caption) << row;
        EXPECT_EQ(CharacteristicsList::CellColour(row, CharacteristicsColumn::kOld), value) << row;
        EXPECT_EQ(CharacteristicsList::CellColour(row, CharacteristicsColumn::kNew), value) << row;
        ++checked;
    }
    EXPECT_EQ(checked, 64);
    EXPECT_EQ(CharacteristicsList::CellColour(64, CharacteristicsColumn::kNew), white);
    EXPECT_EQ(CharacteristicsList::CellColour(-1, CharacteristicsColumn::kCaption), white);
}

}  // namespace
}  // namespace gvc
