// What a sensor shows on the run's two gases with a given set of parameters,
// checked against hand-computed readings.
#include "calibration/as_found.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gvc::test {
namespace {

struct ReadingCase {
    const char* what;
    AsFoundInputs in;
    RunParams params;
    double zeroShown;
    double referenceShown;
    double referenceErrorReading;  // % of reading
    double referenceErrorRange;    // % of range
    std::optional<bool> inTolerance;
};

void PrintTo(const ReadingCase& c, std::ostream* out) {
    *out << c.what;
}

// The worked example's run: zero gas 0 at ADC 1000, reference 1.4 at 8000,
// multiplier scale 100 and range scale 10 (1000 counts a unit), range top 10,
// gain code 2, a unipolar window.
AsFoundInputs Example(double tolerance = 10.0) {
    AsFoundInputs in;
    in.zeroAverage = 1000;
    in.referenceAverage = 8000;
    in.zeroThousandths = 0;
    in.referenceThousandths = 1400;
    in.multiplierScale = 100;
    in.rangeScale = 10;
    in.rangeTop = 10;
    in.runPgaGain = 2;
    in.adcZero = 0;
    in.tolerancePercent = tolerance;
    return in;
}

AsFoundInputs Bipolar() {
    AsFoundInputs in = Example();
    in.zeroAverage = 33768;
    in.referenceAverage = 40768;
    in.adcZero = 0x8000;
    in.runPgaGain = 1;
    return in;
}

AsFoundInputs WithZeroGas() {
    AsFoundInputs in = Example();
    in.zeroThousandths = 200;
    return in;
}

class AsFoundReadings : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(AsFoundReadings, MatchTheHandComputedValues) {
    const ReadingCase& c = GetParam();
    const AsFoundAsLeft result = ComputeAsFoundAsLeft(c.in, c.params, c.params);
    ASSERT_TRUE(result.foundZero && result.foundReference && result.leftZero && result.leftReference);
    EXPECT_NEAR(result.foundZero->shown, c.zeroShown, 1e-9);
    EXPECT_NEAR(result.foundReference->shown, c.referenceShown, 1e-9);
    EXPECT_NEAR(result.foundReference->errorPercentReading, c.referenceErrorReading, 1e-9);
    EXPECT_NEAR(result.foundReference->errorPercentRange, c.referenceErrorRange, 1e-9);
    EXPECT_EQ(result.foundInTolerance, c.inTolerance);
    // As left with the same parameters reads the same.
    EXPECT_EQ(result.leftReference->shown, result.foundReference->shown);
    EXPECT_EQ(result.tolerancePercent, c.in.tolerancePercent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsFoundReadings,
    ::testing::Values(
        // slope 0.2, offset -200: 0 and 1400 counts.
        ReadingCase{"worked example's own result", Example(), {2000, -200, 2}, 0.0, 1.4, 0.0, 0.0, true},
        // 0.22 x 1000 - 150 = 70 counts; 0.22 x 8000 - 150 = 1610: 0.21 high,
        // 15 % of reading, 2.1 % of the range of 10; the limit is 0.14.
        ReadingCase{"found high", Example(), {2200, -150, 2}, 0.07, 1.61, 15.0, 2.1, false},
        ReadingCase{
            "found high, wider tolerance", Example(20.0), {2200, -150, 2}, 0.07, 1.61, 15.0, 2.1, true},
        // 0.21 x 8000 - 200 = 1480: 0.08 high, 5.714 % of reading.
        ReadingCase{
            "found within tolerance", Example(), {2100, -200, 2}, 0.01, 1.48, 0.08 / 1.4 * 100, 0.8, true},
        // The zero reading alone beyond the limit: 0.185 x 1000 = 185 counts
        // on the zero gas, 0.185 x 8000 = 1480 on the reference (within).
        ReadingCase{"zero reading out", Example(), {1850, 0, 2}, 0.185, 1.48, 0.08 / 1.4 * 100, 0.8, false},
        // Held at gain 1: the run's codes halve about ADC 0 (500 and 4000);
        // slope 0.4, offset -200 read 0 and 1400 counts.
        ReadingCase{"sensor held a lower gain", Example(), {4000, -200, 1}, 0.0, 1.4, 0.0, 0.0, true},
        // Bipolar window, run at gain 1, held at gain 0: about 0x8000 the codes
        // become 33268 and 36768; 0.4 x 33268 - 13307 = 0.2 counts and
        // 0.4 x 36768 - 13307 = 1400.2 counts.
        ReadingCase{"bipolar window, lower gain",
                    Bipolar(),
                    {4000, -13307, 0},
                    0.0002,
                    1.4002,
                    0.0002 / 1.4 * 100,
                    0.0002 / 10 * 100,
                    true},
        // Zero gas of 0.2: 0.2 x 1000 = 200 counts, no error; 1600 counts on
        // the reference of 1.4: 14.29 % high.
        ReadingCase{
            "zero gas above zero", WithZeroGas(), {2000, 0, 2}, 0.2, 1.6, 0.2 / 1.4 * 100, 2.0, false}));

TEST(AsFound, ErrorsAgainstZeroTrueValueOrZeroRange) {
    const ReadingError zeroTrue = ErrorAgainst(0.07, 0.0, 10.0);
    EXPECT_EQ(zeroTrue.errorPercentReading, 0.0);
    EXPECT_NEAR(zeroTrue.errorPercentRange, 0.7, 1e-12);
    const ReadingError noRange = ErrorAgainst(1.61, 1.4, 0.0);
    EXPECT_EQ(noRange.errorPercentRange, 0.0);
    EXPECT_NEAR(noRange.errorPercentReading, 15.0, 1e-9);
}

TEST(AsFound, WhatTheRunDidNotMeasureIsNotShown) {
    // Ended on the zero gas: no reference reading and no verdict.
    AsFoundInputs in = Example();
    in.referenceAverage.reset();
    AsFoundAsLeft result = ComputeAsFoundAsLeft(in, RunParams{2000, -200, 2}, std::nullopt);
    EXPECT_TRUE(result.foundZero.has_value());
    EXPECT_FALSE(result.foundReference || result.foundInTolerance || result.leftZero || result.leftReference);
    // No scale, an impossible gain code, a reference of 0: nothing is made up.
    in = Example();
    in.multiplierScale = 0;
    result = ComputeAsFoundAsLeft(in, RunParams{2000, -200, 2}, RunParams{2000, -200, 2});
    EXPECT_FALSE(result.foundZero || result.foundReference || result.leftReference);
    in = Example();
    result = ComputeAsFoundAsLeft(in, RunParams{2000, -200, 200}, std::nullopt);
    EXPECT_FALSE(result.foundZero || result.foundReference);
    in.referenceThousandths = 0;
    result = ComputeAsFoundAsLeft(in, RunParams{2000, -200, 2}, std::nullopt);
    EXPECT_FALSE(result.foundInTolerance.has_value());
}

}  // namespace
}  // namespace gvc::test
