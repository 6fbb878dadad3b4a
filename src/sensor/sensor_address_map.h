// Byte addresses and widths of the sensor's memory as seen through the
// calibration device: the live measurement area and the flash pages P, A, B
// and C. Multi-byte items are stored least significant byte first.
#pragma once

#include <array>
#include <cstdint>

namespace gvc {

// One stored item: its address and its width in bytes (1, 2 or 4).
struct SensorItem {
    std::uint8_t address;
    std::uint8_t width;
};

struct SensorAddressMap {
    // Page start addresses.
    static constexpr std::uint8_t kLiveStart = 0x00;
    static constexpr std::uint8_t kFlashP = 0x20;
    static constexpr std::uint8_t kFlashA = 0x40;
    static constexpr std::uint8_t kFlashB = 0x80;
    static constexpr std::uint8_t kFlashC = 0xC0;

    // Live area.
    static constexpr SensorItem kStatusWord{0x00, 2};
    static constexpr SensorItem kTemperatureCode{0x06, 2};
    static constexpr SensorItem kAdcCode{0x0C, 2};
    static constexpr SensorItem kFrontEndWord{0x0E, 2};
    static constexpr SensorItem kFrontEndByte{0x10, 1};

    // FLASH-P.
    static constexpr SensorItem kFirmwareVersion{0x20, 4};
    static constexpr SensorItem kBoardVersion{0x24, 4};
    static constexpr SensorItem kGasCode{0x28, 1};
    static constexpr SensorItem kTempScale{0x2A, 2};
    static constexpr SensorItem kTempOffset{0x2C, 2};

    // FLASH-A. The channel bytes after the first are only ever written.
    static constexpr std::array<SensorItem, 6> kChannelBytes{
        {{0x40, 1}, {0x4A, 1}, {0x54, 1}, {0x5E, 1}, {0x68, 1}, {0x72, 1}}};
    static constexpr SensorItem kWorkResourceNow{0x42, 4};
    static constexpr SensorItem kCalResourceNow{0x46, 4};

    // FLASH-B.
    static constexpr SensorItem kRangeTop{0x80, 2};
    static constexpr SensorItem kEndOfUseDate{0x82, 2};
    static constexpr SensorItem kWorkResourceWarn{0x84, 2};
    static constexpr SensorItem kThresholdA1{0x86, 2};
    static constexpr SensorItem kThresholdA2{0x88, 2};
    static constexpr SensorItem kZeroOffset{0x8A, 4};
    static constexpr SensorItem kSlope{0x8E, 4};
    static constexpr SensorItem kNextCalibrationDate{0x92, 2};
    static constexpr SensorItem kCalResourceWarn{0x94, 2};
    static constexpr SensorItem kCalibrationCount{0x96, 1};
    static constexpr SensorItem kPgaGains{0x97, 1};
    static constexpr SensorItem kKeptWordB{0x98, 2};

    // FLASH-C.
    static constexpr SensorItem kKindCode{0xC0, 1};
    static constexpr SensorItem kCodesC1{0xC1, 1};
    static constexpr SensorItem kCodesC2{0xC2, 1};
    static constexpr SensorItem kMaxCalibrations{0xC3, 1};
    static constexpr SensorItem kInitialSlope{0xC4, 4};
    // Temperature range i: intercept at 0xC8 + 2i, slope at 0xD2 + 2i.
    static constexpr SensorItem TempIntercept(unsigned i) {
        return {static_cast<std::uint8_t>(0xC8 + 2 * i), 2};
    }
    static constexpr SensorItem TempSlope(unsigned i) { return {static_cast<std::uint8_t>(0xD2 + 2 * i), 2}; }
    // Resource coefficients for ranges 3, 2, 1 at 0xDC, 0xDE, 0xE0 (k = 0, 1, 2);
    // resource range bounds at 0xE2, 0xE4, 0xE6 (k = 0, 1, 2).
    static constexpr SensorItem ResourceCoef(unsigned k) {
        return {static_cast<std::uint8_t>(0xDC + 2 * k), 2};
    }
    static constexpr SensorItem ResourceBound(unsigned k) {
        return {static_cast<std::uint8_t>(0xE2 + 2 * k), 2};
    }
    static constexpr SensorItem kSerialWord{0xE8, 4};
    static constexpr SensorItem kSampleRate{0xEC, 1};
    static constexpr SensorItem kRangeExponent{0xED, 1};
    static constexpr SensorItem kHalfRangeWord{0xEE, 2};
    static constexpr SensorItem kZeroAverage{0xF0, 2};
};

}  // namespace gvc
