// Small sensor-type tables and byte-level edits of their files, for the tests
// of the table reader.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "table/sensor_type_table.h"
#include "table/table_writer.h"
#include "util/cp1251.h"
#include "util/text_checksum.h"

namespace gvc::testing {

// Three gases (the simulator, methane with two types, CO with none), one list
// full, one empty, the others partly filled.
inline SensorTypeTable SmallTable() {
    SensorTypeTable t;
    t.gasCount = 3;
    t.gases[0].name = Cp1251FromUtf8("Имитатор");
    t.gases[1].name = Cp1251FromUtf8("Метан");
    t.gases[1].formula = "CH4";
    t.gases[2].name = "CO";
    t.gases[2].formula = "CO";
    t.kindList.count = 2;
    t.kindList.entries[0].text = Cp1251FromUtf8("термокаталитический");
    t.kindList.entries[1].text = Cp1251FromUtf8("ультрафиолетовый");
    t.electrodeList.count = 4;  // every slot filled
    for (int i = 0; i < 4; ++i)
        t.electrodeList.entries[static_cast<std::size_t>(i)].text = "E" + std::to_string(i);
    t.measuredParamList.count = 0;
    t.unitList.count = 2;
    t.unitList.entries[0].text = Cp1251FromUtf8("% НКПР");
    t.unitList.entries[1].text = Cp1251FromUtf8("мг/м3");
    t.makerList.count = 1;
    t.makerList.entries[0].text = "M";
    t.multiplierList.count = 1;
    t.multiplierList.entries[0].text = "x1";
    t.pgaGainList.count = 1;
    t.pgaGainList.entries[0].text = "1";
    t.typeCount[1] = 2;
    for (std::uint8_t type = 0; type < 2; ++type) {
        SensorTypeEntry& e = t.types[1][type];
        e.gasCode = 1;
        e.typeNumber = type;
        e.kindIndex = type;
        e.electrodeIndex = 2;
        e.unitIndex = type;
        e.rangeMax = 100;
        e.lifeTime = 36;
        e.workWarnPercent = 90;
        e.workResourceMax = 262800;
        e.calibCountMax = 24;
        e.calibWarnPercent = 80;
        e.calibResourcePercent = 25;
        e.calibInterval = 6;
        e.pgaGainMax = 5;
        e.thresholdA1 = 1400;
        e.thresholdA2 = -20500;
        e.zeroConcentration = 0;
        e.referenceConcentration = 50000;
        e.tolerance = 150;
        e.tempRanges[0] = {108, -750};
        e.tempRanges[1] = {103, 750};
        e.tempRanges[4] = {98, -9999};
        e.tempEndCoefPercent = 94;
        e.resourceRanges[0] = {30, 100, 9};
        e.resourceRanges[2] = {100, 115, 4000};
    }
    return t;
}

inline std::string TableBytes(const SensorTypeTable& table) {
    std::string problem;
    const auto bytes = WriteSensorTypeTableBytes(table, problem);
    EXPECT_TRUE(bytes) << problem;
    return bytes.value_or(std::string{});
}

// Recomputes the trailer after an edit, so a test reaches the grammar check it
// means instead of the checksum.
inline std::string WithFreshChecksum(std::string bytes) {
    const std::string body = bytes.substr(0, bytes.size() - TextFileChecksum::kTrailerSize);
    TextFileChecksum sum;
    for (std::size_t start = 0; start < body.size();) {
        const auto end = body.find("\r\n", start);
        const std::size_t stop = end == std::string::npos ? body.size() : end + 2;
        sum.AddLine(std::string_view(body).substr(start, stop - start));
        start = stop;
    }
    return body + sum.Trailer();
}

// Replaces the `occurrence`-th (0-based) appearance of `from` (UTF-8) with `to`
// (UTF-8); both must have the same Windows-1251 length.
inline std::string Edit(std::string bytes, std::string_view from, std::string_view to, int occurrence = 0) {
    const std::string a = Cp1251FromUtf8(from);
    const std::string b = Cp1251FromUtf8(to);
    EXPECT_EQ(a.size(), b.size()) << from;
    std::size_t at = bytes.find(a);
    for (int i = 0; i < occurrence && at != std::string::npos; ++i)
        at = bytes.find(a, at + 1);
    EXPECT_NE(at, std::string::npos) << "no " << from;
    if (at != std::string::npos) bytes.replace(at, a.size(), b);
    return bytes;
}

// The bytes up to (not including) the `occurrence`-th appearance of `text`.
inline std::string CutBefore(const std::string& bytes, std::string_view text, int occurrence = 0) {
    const std::string a = Cp1251FromUtf8(text);
    std::size_t at = bytes.find(a);
    for (int i = 0; i < occurrence && at != std::string::npos; ++i)
        at = bytes.find(a, at + 1);
    EXPECT_NE(at, std::string::npos) << "no " << text;
    return bytes.substr(0, at == std::string::npos ? 0 : at);
}

}  // namespace gvc::testing
