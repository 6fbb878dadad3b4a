#include "ui/cylinder_choice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/workstation_settings.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

TEST(CylinderThousandths, RoundsToTheDecimalsTheCodeShows) {
    struct Case {
        double concentration;
        unsigned code;
        std::optional<std::int32_t> expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {50.0, 1, 50000},
        {2.46, 1, 2500},
        {2.44, 1, 2400},
        {2.456, 2, 2460},
        {2.4567, 3, 2457},
        {12.345, 2, 12350},
        {2.45, 1, 2500},
        {0.0005, 3, 1},
        {2.4567, 7, 2457},
        {12.6, 0, 13000},
        {0.0, 2, 0},
        {9999.999, 3, 9999999},
        {9999.96, 1, std::nullopt},  // rounds to 10000.0: not shown
        {-0.5, 1, std::nullopt},
        {nan, 1, std::nullopt},
        {inf, 1, std::nullopt},
        {1e300, 3, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CylinderThousandths(c.concentration, c.code), c.expected)
            << c.concentration << " code " << c.code;
    }
}

TEST(OfferCylinders, TheSensorsGasOnlyAndWhyOneCannotBeChosen) {
    const CivilDate today{2026, 12, 11};
    const std::vector<ReferenceCylinder> all = {
        {1, 3, 50.0, "ppm", "A-1", {2027, 1, 1}},
        {2, 4, 2.2, "%", "B-2", {2027, 1, 1}},       // another gas: not offered
        {3, 3, 40.0, "ppm", "C-3", {2026, 12, 10}},  // expired yesterday
        {4, 3, 45.0, "ppm", "D-4", {2026, 12, 11}},  // its last day
        {5, 3, 2.0, "%", "E-5", {2027, 1, 1}},       // another unit
    };
    const std::vector<CylinderOffer> offers = OfferCylinders(all, 3, {0, "ppm  ", 1}, today);
    ASSERT_EQ(offers.size(), 4u);
    EXPECT_EQ(offers[0].cylinder.id, 1);
    EXPECT_TRUE(offers[0].selectable);
    EXPECT_EQ(offers[0].thousandths, 50000);
    EXPECT_EQ(offers[0].text, "Баллон A-1: 0050.0 ppm, годен до 01.01.2027"_cp);
    EXPECT_TRUE(offers[0].reason.empty());

    EXPECT_FALSE(offers[1].selectable);
    EXPECT_EQ(offers[1].text, "Баллон C-3: 0040.0 ppm, срок годности истек 10.12.2026"_cp);
    EXPECT_EQ(offers[1].reason, "Баллон C-3 нельзя выбрать: срок годности истек 10.12.2026"_cp);

    EXPECT_TRUE(offers[2].selectable);
    EXPECT_EQ(offers[2].thousandths, 45000);

    EXPECT_FALSE(offers[3].selectable);
    EXPECT_EQ(offers[3].reason, "Баллон E-5 нельзя выбрать: его единица %, у Датчика ppm"_cp);
}

TEST(OfferCylinders, AValueTheDisplayCannotHoldIsNotSelectable) {
    const std::vector<ReferenceCylinder> all = {
        {7, 1, std::numeric_limits<double>::quiet_NaN(), "ppm", "N", {2030, 1, 1}}};
    const auto offers = OfferCylinders(all, 1, {0, "ppm", 1}, {2026, 1, 1});
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_FALSE(offers[0].selectable);
    EXPECT_NE(offers[0].reason.find("9999.999"), std::string::npos);
}

TEST(WorkstationSettings, ReadBackWhatWasWrittenAndDefaultsForBadLines) {
    WorkstationSettings s;
    s.operatorName = "Иванов И.И.\r\nx"_cp;  // a line break cannot split the file
    s.tolerancePercent = 7.5;
    const WorkstationSettings back = ParseSettings(SettingsText(s));
    EXPECT_EQ(back.operatorName, "Иванов И.И.x"_cp);
    EXPECT_EQ(back.tolerancePercent, 7.5);

    const WorkstationSettings bad = ParseSettings("as_found_tolerance=nan\r\noperator=\r\n");
    EXPECT_EQ(bad.tolerancePercent, WorkstationSettings::kDefaultTolerance);
    EXPECT_TRUE(bad.operatorName.empty());

    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {{"10", 10.0},          {" 7,5 ", 7.5},          {"100", 100.0},
                          {"0", std::nullopt},   {"-1", std::nullopt},    {"100.5", std::nullopt},
                          {"inf", std::nullopt}, {"1e999", std::nullopt}, {"5%", std::nullopt},
                          {"", std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(ParseTolerance(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace gvc
