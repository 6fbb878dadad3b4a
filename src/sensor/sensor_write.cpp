#include "sensor/sensor_write.h"

#include "sensor/sensor_encoding.h"

namespace gvc {

namespace {

using Map = SensorAddressMap;

// A signed 16-bit item as the word sent.
std::uint32_t Word16(std::int16_t value) {
    return static_cast<std::uint16_t>(value);
}

}  // namespace

int WritePageA(SensorAccess& access) {
    const SensorParams& old = access.state.OldParams;
    if (access.state.wide.adc.ChannelFlag) {
        for (std::size_t i = 0; i < Map::kChannelBytes.size(); ++i) {
            if (!WriteItem(access, Map::kChannelBytes[i], i == 0 ? 1u : 0u)) return -1;
        }
    } else if (!WriteItem(access, Map::kChannelBytes[0], 0)) {
        return -1;
    }
    if (!WriteItem(access, Map::kWorkResourceNow, ResourceToStored(old.WorkResourceNow))) return -1;
    if (!WriteItem(access, Map::kCalResourceNow, ResourceToStored(old.CalResourceNow))) return -1;
    return 0;
}

int WritePageB(SensorAccess& access) {
    const SensorParams& old = access.state.OldParams;
    const SensorParams& neu = access.state.NewParams;
    SensorWideValues& wide = access.state.wide;
    const double scale = neu.MultiplierScale * neu.RangeScale;

    // Values beyond a 16-bit item saturate at its ends instead of wrapping.
    wide.RangeTopRaw = RoundHalfAwayTo<std::uint16_t>(neu.RangeTop * scale);
    if (!WriteItem(access, Map::kRangeTop, wide.RangeTopRaw)) return -1;
    if (!WriteItem(access, Map::kEndOfUseDate, EncodeDateWord(old.EndOfUseDate))) return -1;
    if (!WriteItem(access, Map::kWorkResourceWarn,
                   RoundHalfAwayTo<std::uint16_t>(neu.WorkResourceWarn * 256.0 / 225.0))) {
        return -1;
    }
    if (!WriteItem(access, Map::kThresholdA1,
                   RoundHalfAwayTo<std::uint16_t>(neu.ThresholdA1 * 0.001 * scale))) {
        return -1;
    }
    if (!WriteItem(access, Map::kThresholdA2,
                   RoundHalfAwayTo<std::uint16_t>(neu.ThresholdA2 * 0.001 * scale))) {
        return -1;
    }
    if (!WriteItem(access, Map::kZeroOffset, static_cast<std::uint32_t>(neu.ZeroOffset))) return -1;
    if (!WriteItem(access, Map::kSlope, static_cast<std::uint32_t>(SlopeToStored(neu.Slope)))) return -1;
    if (!WriteItem(access, Map::kNextCalibrationDate, EncodeDateWord(old.NextCalibrationDate))) return -1;
    if (!WriteItem(access, Map::kCalResourceWarn,
                   RoundHalfAwayTo<std::uint16_t>(old.CalResourceWarn * 256.0 / 225.0))) {
        return -1;
    }
    if (!WriteItem(access, Map::kCalibrationCount, neu.CalibrationCount)) return -1;
    // Both nibbles masked so that an odd gain code cannot spill into the other.
    const auto pga = static_cast<std::uint32_t>(((neu.PgaGainMax & 0x0Fu) << 4) | (neu.PgaGain & 0x0Fu));
    if (!WriteItem(access, Map::kPgaGains, pga)) return -1;
    if (!WriteItem(access, Map::kKeptWordB, wide.KeptWordB)) return -1;
    return 0;
}

namespace {

// The five temperature ranges: 10 exchanges. Also fills TempLines.
int WriteTempCoefs(SensorAccess& access) {
    const SensorParams& neu = access.state.NewParams;
    SensorWideValues& wide = access.state.wide;
    for (unsigned i = 0; i < 5; ++i) {
        const std::int64_t t = -40 + 20 * static_cast<std::int64_t>(i);
        const auto lo = static_cast<double>(TemperatureCodeAt(10 * t, wide.TempScale, wide.TempOffset));
        const auto hi = static_cast<double>(TemperatureCodeAt(10 * t + 200, wide.TempScale, wide.TempOffset));
        const double dx = hi - lo;
        const double c0 = neu.TempCoefs[i].start * 0.01;
        const double c1 = (i < 4 ? neu.TempCoefs[i + 1].start : neu.TempEndCoef) * 0.01;
        const auto td = static_cast<double>(t);
        wide.TempLines[i] = TempLine{(c1 - c0) / 20.0, (c0 * (td + 20.0) - c1 * td) / 20.0};
        // A scale too small to separate the ends of a range gives no slope in
        // codes: store the start coefficient as a flat line instead of dividing by 0.
        const double intercept = dx == 0 ? c0 * 100.0 : (c0 * hi - c1 * lo) / dx * 100.0;
        const double slope = dx == 0 ? 0.0 : (c1 - c0) / dx * 10000000.0 * 0.65535;
        if (!WriteItem(access, Map::TempIntercept(i), Word16(RoundHalfAwayTo<std::int16_t>(intercept))))
            return -1;
        if (!WriteItem(access, Map::TempSlope(i), Word16(RoundHalfAwayTo<std::int16_t>(slope)))) return -1;
    }
    return 0;
}

// The three resource ranges: 6 exchanges.
int WriteResourceRanges(SensorAccess& access) {
    const SensorParams& neu = access.state.NewParams;
    for (unsigned p = 0; p < 3; ++p) {
        const unsigned k = 2 - p;
        const double start = p == 0 ? 0.0 : neu.ResourceRanges[p - 1].end;
        const double bound = TruncateTo<std::uint32_t>(
            TruncateTo<std::uint32_t>(start * neu.MultiplierScale) * neu.RangeScale);
        if (!WriteItem(access, Map::ResourceBound(k), TruncateTo<std::uint16_t>(bound))) return -1;
        const double mid = start + (neu.ResourceRanges[p].end - start) * 0.5;
        const double coef = neu.ResourceRanges[p].start * 0.01 * mid * 256.0 / 225.0;
        if (!WriteItem(access, Map::ResourceCoef(k), RoundHalfAwayTo<std::uint16_t>(coef))) return -1;
    }
    return 0;
}

}  // namespace

int WriteSerialWord(SensorAccess& access) {
    const SensorIdentity& id = access.state.identity;
    return WriteItem(access, Map::kSerialWord, EncodeSerialWord(id.GasNumber, id.TypeNumber, id.SerialNumber))
               ? 0
               : -1;
}

int WritePageC(SensorAccess& access) {
    const SensorParams& neu = access.state.NewParams;
    const SensorWideValues& wide = access.state.wide;

    if (!WriteItem(access, Map::kKindCode, neu.KindCode)) return -1;
    const auto c1 = static_cast<std::uint32_t>(
        ((neu.UnitCode & 7u) << 5) | ((neu.MeasuredParamCode & 7u) << 2) | (neu.ElectrodeCode & 3u));
    if (!WriteItem(access, Map::kCodesC1, c1)) return -1;
    const auto c2 = static_cast<std::uint32_t>(((neu.MultiplierCode & 3u) << 4) | (neu.MakerCode & 0x0Fu));
    if (!WriteItem(access, Map::kCodesC2, c2)) return -1;
    if (!WriteItem(access, Map::kRangeExponent, neu.RangeExponent)) return -1;
    if (!WriteItem(access, Map::kMaxCalibrations, neu.MaxCalibrations)) return -1;
    if (!WriteItem(access, Map::kInitialSlope, static_cast<std::uint32_t>(SlopeToStored(neu.InitialSlope)))) {
        return -1;
    }
    if (WriteTempCoefs(access) != 0) return -1;
    if (WriteResourceRanges(access) != 0) return -1;
    if (WriteSerialWord(access) != 0) return -1;
    if (!WriteItem(access, Map::kSampleRate, neu.SampleRate)) return -1;
    if (!WriteItem(access, Map::kHalfRangeWord, (wide.RangeTopRaw + 0xFFFFu) / 2u)) return -1;
    // The low 16 bits of the zero-stage mean, which may be negative.
    if (!WriteItem(access, Map::kZeroAverage, static_cast<std::uint32_t>(wide.zeroAverageRaw) & 0xFFFFu))
        return -1;
    return 0;
}

int WriteAllPages(SensorAccess& access) {
    struct Step {
        const char* page;
        int (*write)(SensorAccess&);
        int steps;
    };
    static constexpr Step kSteps[] = {
        {"FLASH-A", WritePageA, 20}, {"FLASH-B", WritePageB, 40}, {"FLASH-C", WritePageC, 40}};
    for (const Step& step : kSteps) {
        access.progress.PageStarted(step.page);
        if (step.write(access) != 0) return -1;
        access.progress.Advance(step.steps);
    }
    return 0;
}

}  // namespace gvc
