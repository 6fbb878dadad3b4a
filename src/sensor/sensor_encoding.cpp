#include "sensor/sensor_encoding.h"

namespace gvc {

SerialWordFields DecodeSerialWord(std::uint32_t word) {
    if (word == 0xFFFFFFFFu) word = 0;
    return {word & 0x00FFFFFFu, static_cast<std::uint8_t>((word >> 24) & 0x0Fu),
            static_cast<std::uint8_t>((word >> 28) & 0x0Fu)};
}

std::uint32_t EncodeSerialWord(std::uint8_t gasNumber, std::uint8_t typeNumber, std::uint32_t serialNumber) {
    return ((static_cast<std::uint32_t>(gasNumber) & 0x0Fu) << 28) |
           ((static_cast<std::uint32_t>(typeNumber) & 0x0Fu) << 24) | (serialNumber & 0x00FFFFFFu);
}

SensorDate DecodeDateWord(std::uint16_t word) {
    SensorDate date;
    date.day = static_cast<std::uint8_t>(word & 0x1Fu);
    date.month = static_cast<std::uint8_t>((word >> 5) & 0x0Fu);
    date.year = static_cast<std::int32_t>((word >> 9) & 0x7Fu) + 2000;
    return date;
}

std::uint16_t EncodeDateWord(const SensorDate& date) {
    // (year + 48) mod 128, kept non-negative for any year.
    const std::int64_t yearField = ((static_cast<std::int64_t>(date.year) + 48) % 128 + 128) % 128;
    return static_cast<std::uint16_t>((static_cast<unsigned>(yearField) << 9) |
                                      ((static_cast<unsigned>(date.month) & 0x0Fu) << 5) |
                                      (static_cast<unsigned>(date.day) & 0x1Fu));
}

std::uint32_t ResourceFromStored(std::uint32_t stored) {
    return RoundHalfAwayTo<std::uint32_t>(static_cast<double>(stored) * 225.0 / 256.0);
}

std::uint32_t ResourceToStored(std::uint32_t resource) {
    return RoundHalfAwayTo<std::uint32_t>(static_cast<double>(resource) * 256.0 / 225.0);
}

std::int32_t SlopeFromStored(std::int32_t stored) {
    return RoundHalfAwayTo<std::int32_t>(static_cast<double>(stored) * 1.220703125);
}

std::int32_t SlopeToStored(std::int32_t slope) {
    return RoundHalfAwayTo<std::int32_t>(static_cast<double>(slope) * 0.8192);
}

double PowerOfTen(unsigned n) {
    double p = 1.0;
    for (unsigned i = 0; i < n; ++i)
        p *= 10.0;
    return p;
}

RangeScaling ComputeRangeScale(std::uint16_t rangeTop, double multiplierScale) {
    RangeScaling s;
    while (s.exponent < 3 && rangeTop * multiplierScale * s.scale <= 1000.0) {
        s.scale *= 10.0;
        ++s.exponent;
    }
    return s;
}

std::int64_t TemperatureCodeAt(std::int64_t tenthsOfDegree, std::uint16_t tempScale,
                               std::uint16_t tempOffset) {
    return (tenthsOfDegree + tempOffset) * tempScale / 1000;
}

std::int32_t TenthsFromTemperatureCode(std::uint16_t code, std::uint16_t tempScale,
                                       std::uint16_t tempOffset) {
    if (tempScale == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(code) * 1000 / tempScale - tempOffset);
}

}  // namespace gvc
