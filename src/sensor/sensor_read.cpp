#include "sensor/sensor_read.h"

#include <cstdlib>

#include "sensor/sensor_encoding.h"
#include "sensor/sensor_messages.h"

namespace gvc {

namespace {

using Map = SensorAddressMap;

std::int16_t AsSigned16(std::uint32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}
std::int32_t AsSigned32(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

}  // namespace

int ReadIdentity(SensorAccess& access) {
    SensorIdentity& id = access.state.identity;
    SensorParams& old = access.state.OldParams;
    SensorWideValues& wide = access.state.wide;
    std::uint32_t v = 0;

    if (!ReadItem(access, Map::kGasCode, v)) return -1;
    id.GasCode = static_cast<std::uint8_t>(v & 0x0Fu);
    if (!ReadItem(access, Map::kSerialWord, v)) return -1;
    const SerialWordFields serial = DecodeSerialWord(v);
    id.SerialNumber = serial.serialNumber;
    id.TypeNumber = serial.typeNumber;
    id.GasNumber = serial.gasNumber;
    if (!ReadItem(access, Map::kBoardVersion, v)) return -1;
    old.BoardVersion = v;
    if (!ReadItem(access, Map::kFirmwareVersion, v)) return -1;
    old.FirmwareVersion = v;
    if (!ReadItem(access, Map::kTempScale, v)) return -1;
    wide.TempScale = static_cast<std::uint16_t>(v);
    if (!ReadItem(access, Map::kTempOffset, v)) return -1;
    wide.TempOffset = static_cast<std::uint16_t>(v);
    return 0;
}

int ReadPageA(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    const SensorIdentity& id = access.state.identity;
    std::uint32_t v = 0;

    if (!ReadItem(access, Map::kWorkResourceNow, v)) return -1;
    old.WorkResourceNow = ResourceFromStored(v);
    old.WorkResourceMax = access.table.FindSensorType(id.GasCode, id.TypeNumber).workResourceMax;
    if (!ReadItem(access, Map::kCalResourceNow, v)) return -1;
    old.CalResourceNow = ResourceFromStored(v);
    return 0;
}

int ReadPageB(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    std::uint32_t v = 0;

    if (!ReadItem(access, Map::kRangeTop, v)) return -1;
    old.RangeTop = static_cast<std::uint16_t>(v);  // raw until DeriveParams
    if (!ReadItem(access, Map::kEndOfUseDate, v)) return -1;
    old.EndOfUseDate = DecodeDateWord(static_cast<std::uint16_t>(v));
    if (!ReadItem(access, Map::kWorkResourceWarn, v)) return -1;
    old.WorkResourceWarn = ResourceFromStored(v);
    if (!ReadItem(access, Map::kThresholdA1, v)) return -1;
    old.ThresholdA1 = static_cast<std::int32_t>(v & 0xFFFFu);  // raw until DeriveParams
    if (!ReadItem(access, Map::kThresholdA2, v)) return -1;
    old.ThresholdA2 = static_cast<std::int32_t>(v & 0xFFFFu);
    if (!ReadItem(access, Map::kZeroOffset, v)) return -1;
    {
        const std::int64_t offset = AsSigned32(v);
        old.ZeroOffsetSign = offset < 0 ? std::int8_t{-1} : std::int8_t{1};
        // |INT32_MIN| does not fit: saturate rather than overflow.
        old.ZeroOffset = RoundHalfAwayTo<std::int32_t>(static_cast<double>(std::llabs(offset)));
    }
    if (!ReadItem(access, Map::kSlope, v)) return -1;
    old.Slope = SlopeFromStored(AsSigned32(v));
    if (!ReadItem(access, Map::kNextCalibrationDate, v)) return -1;
    old.NextCalibrationDate = DecodeDateWord(static_cast<std::uint16_t>(v));
    if (!ReadItem(access, Map::kCalResourceWarn, v)) return -1;
    old.CalResourceWarn = static_cast<std::uint16_t>(ResourceFromStored(v & 0xFFFFu));
    if (!ReadItem(access, Map::kCalibrationCount, v)) return -1;
    old.CalibrationCount = static_cast<std::uint8_t>(v);
    if (!ReadItem(access, Map::kPgaGains, v)) return -1;
    old.PgaGain = static_cast<std::uint8_t>(v & 0x0Fu);
    old.PgaGainMax = static_cast<std::uint8_t>((v >> 4) & 0x0Fu);
    if (!ReadItem(access, Map::kKeptWordB, v)) return -1;
    access.state.wide.KeptWordB = static_cast<std::uint16_t>(v);
    return 0;
}

namespace {

// Reads the five temperature ranges: 10 exchanges.
int ReadTempCoefs(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    const SensorWideValues& wide = access.state.wide;
    double a = 0.0;
    double s = 0.0;
    for (unsigned i = 0; i < 5; ++i) {
        const std::int64_t t = -40 + 20 * static_cast<std::int64_t>(i);
        std::uint32_t v = 0;
        if (!ReadItem(access, Map::TempIntercept(i), v)) return -1;
        a = AsSigned16(v);
        if (!ReadItem(access, Map::TempSlope(i), v)) return -1;
        s = AsSigned16(v) * 100000.0 / 65535.0;
        const auto raw = static_cast<double>(TemperatureCodeAt(10 * t, wide.TempScale, wide.TempOffset));
        old.TempCoefs[i].start = RoundHalfAwayTo<std::uint16_t>((s * 1e-7 * raw + a * 0.01) * 100.0);
        old.TempCoefs[i].slope = RoundHalfAwayTo<std::int16_t>(wide.TempScale * s * 0.01 * 0.01);
    }
    const auto raw60 = static_cast<double>(TemperatureCodeAt(10 * 40 + 200, wide.TempScale, wide.TempOffset));
    old.TempEndCoef = RoundHalfAwayTo<std::uint16_t>((s * 1e-7 * raw60 + a * 0.01) * 100.0);
    return 0;
}

// Reads the three resource ranges: 5 exchanges (the last bound is the range top).
int ReadResourceRanges(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    const bool noSerial = access.state.identity.SerialNumber == 0;
    double prevX = 0.0;
    double prevW = 0.0;
    for (unsigned p = 0; p < 3; ++p) {
        const unsigned k = 2 - p;
        std::uint32_t bound = 0;
        if (p == 2) {
            bound = old.RangeTop;  // still the raw word read from page B
        } else if (!ReadItem(access, Map::ResourceBound(1 - p), bound)) {  // 0xE4, then 0xE2
            return -1;
        }
        const double x = static_cast<double>(bound & 0xFFFFu) / old.MultiplierScale / old.RangeScale;
        std::uint32_t coef = 0;
        if (!ReadItem(access, Map::ResourceCoef(k), coef)) return -1;
        const double y = static_cast<double>(coef & 0xFFFFu) * 225.0 / 256.0;
        double d = x - prevX;
        ResourceRangeCoef& range = old.ResourceRanges[p];
        if (noSerial) {
            range = ResourceRangeCoef{};
        } else {
            if (d < 0) {
                access.op.Show(MessageKind::kError, sensor_text::kResourceCoefError);
                return -1;
            }
            if (d == 0) d = 0.00001;
            range.end = TruncateTo<std::uint16_t>(x);
            const double w = y / (prevX + d * 0.5) * 100.0;
            range.start = RoundHalfAwayTo<std::uint16_t>(w);
            range.slope = RoundHalfAwayTo<std::int16_t>((w - prevW) / d * 10.0);
            prevW = w;
        }
        prevX = x;
    }
    return 0;
}

}  // namespace

int ReadPageC(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    std::uint32_t v = 0;

    if (!ReadItem(access, Map::kKindCode, v)) return -1;
    old.KindCode = static_cast<std::uint8_t>(v);
    if (!ReadItem(access, Map::kCodesC1, v)) return -1;
    old.ElectrodeCode = static_cast<std::uint8_t>(v & 0x03u);
    old.MeasuredParamCode = static_cast<std::uint8_t>((v >> 2) & 0x07u);
    old.UnitCode = static_cast<std::uint8_t>((v >> 5) & 0x07u);
    if (!ReadItem(access, Map::kCodesC2, v)) return -1;
    old.MakerCode = static_cast<std::uint8_t>(v & 0x0Fu);
    old.MultiplierCode = static_cast<std::uint8_t>((v >> 4) & 0x03u);
    if (!ReadItem(access, Map::kRangeExponent, v)) return -1;
    old.RangeExponent = static_cast<std::uint8_t>(v & 0x07u);
    old.MultiplierScale = PowerOfTen(old.MultiplierCode);
    old.RangeScale = PowerOfTen(old.RangeExponent);
    if (!ReadItem(access, Map::kMaxCalibrations, v)) return -1;
    old.MaxCalibrations = static_cast<std::uint8_t>(v);
    if (!ReadItem(access, Map::kInitialSlope, v)) return -1;
    old.InitialSlope = SlopeFromStored(AsSigned32(v));
    if (ReadTempCoefs(access) != 0) return -1;
    if (ReadResourceRanges(access) != 0) return -1;
    if (!ReadItem(access, Map::kSampleRate, v)) return -1;
    old.SampleRate = static_cast<std::uint8_t>(v);
    if (!ReadItem(access, Map::kZeroAverage, v)) return -1;
    access.state.wide.zeroAverageRaw = 0;  // the stored value is not kept
    return 0;
}

void DeriveParams(SensorAccess& access) {
    SensorParams& old = access.state.OldParams;
    const double scale = old.MultiplierScale * old.RangeScale;  // 10^n, never 0
    old.RangeTop = RoundHalfAwayTo<std::uint16_t>(old.RangeTop / scale);
    old.ThresholdA1 = RoundHalfAwayTo<std::int32_t>(old.ThresholdA1 / scale * 1000.0);
    old.ThresholdA2 = RoundHalfAwayTo<std::int32_t>(old.ThresholdA2 / scale * 1000.0);
    const SensorTypeEntry& type = access.table.FindSensorType(old.GasCode, old.TypeNumber);
    const unsigned g = type.calibWarnPercent;
    old.CalResourceMax = g == 0 ? 0 : RoundHalfAwayTo<std::uint32_t>(old.CalResourceWarn * 100.0 / g);
    old.ZeroConc = type.zeroConcentration;
    old.RefConc = type.referenceConcentration;
    old.SetTolerance = type.tolerance;
}

int ReadAllPages(SensorAccess& access) {
    struct Step {
        const char* page;
        int (*read)(SensorAccess&);
        int steps;
    };
    static constexpr Step kSteps[] = {{"FLASH-P", ReadIdentity, 10},
                                      {"FLASH-A", ReadPageA, 20},
                                      {"FLASH-B", ReadPageB, 30},
                                      {"FLASH-C", ReadPageC, 40}};
    for (const Step& step : kSteps) {
        access.progress.PageStarted(step.page);
        if (step.read(access) != 0) return -1;
        access.progress.Advance(step.steps);
    }
    access.state.OldParams.GasCode = access.state.identity.GasCode;
    access.state.OldParams.TypeNumber = access.state.identity.TypeNumber;
    DeriveParams(access);
    return 0;
}

}  // namespace gvc
