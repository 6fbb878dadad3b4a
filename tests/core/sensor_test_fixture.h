// A small sensor-type table and a fixture wiring the fake sensor into a
// SensorAccess, shared by the sensor-access tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sensor/sensor_access.h"
#include "sensor_fake_channel.h"
#include "table/sensor_type_table.h"
#include "util/cp1251.h"
#include "util/operator.h"

namespace gvc::test {

using namespace gvc::literals;

// Gas 0 the simulator, 1 oxygen (2 types), 2 methane (3 types), 3 a gas
// without types. Kinds: 0 electrochemical, 1 thermocatalytic, 2 ultraviolet.
inline SensorTypeTable MakeSensorTestTable() {
    SensorTypeTable table;
    table.gasCount = 4;
    const std::string_view names[] = {"Имитатор"_cp, "Кислород"_cp, "Метан"_cp, "Водород"_cp};
    for (unsigned g = 0; g < 4; ++g)
        table.gases[g].name = std::string(names[g]);
    table.typeCount[1] = 2;
    table.typeCount[2] = 3;
    const std::string_view kinds[] = {"электрохимический"_cp, "термокаталитический"_cp,
                                      "ультрафиолетовый"_cp};
    table.kindList.count = 3;
    for (unsigned k = 0; k < 3; ++k)
        table.kindList.entries[k].text = std::string(kinds[k]);
    for (unsigned g = 1; g <= 2; ++g) {
        for (unsigned t = 0; t < table.typeCount[g]; ++t) {
            SensorTypeEntry& e = table.types[g][t];
            e.gasCode = static_cast<std::uint8_t>(g);
            e.typeNumber = static_cast<std::uint8_t>(t);
            e.workResourceMax = 20000 + 1000 * t;
            e.calibWarnPercent = 80;
            e.zeroConcentration = 0;
            e.referenceConcentration = 2500 + static_cast<std::int32_t>(t);
            e.tolerance = 500;
        }
    }
    table.types[2][2].calibWarnPercent = 0;  // a type whose calibration warning is 0 %
    return table;
}

class SensorAccessTest : public ::testing::Test {
protected:
    SensorAccessTest() { sensor.shownTo = &op; }

    SensorTypeTable table = MakeSensorTestTable();
    FakeSensor sensor;
    ScriptedOperator op;
    RecordingProgress progress;
    SensorState state;
    SensorAccess access{sensor, op, table, state, progress};

    std::vector<std::string> MessagesUtf8() const {
        std::vector<std::string> texts;
        for (const auto& m : op.Messages())
            texts.push_back(Utf8FromCp1251(m.text));
        return texts;
    }
};

}  // namespace gvc::test

namespace gvc::test {

// How far a resource range's start coefficient may move through a write and a
// read: the stored word is the coefficient times the range's middle, so one
// step of it is 225/256 / middle in the coefficient (in hundredths, x 100),
// and the read rounds once more.
inline int ResourceStartTolerance(const SensorParams& written, unsigned p) {
    const double start = p == 0 ? 0.0 : written.ResourceRanges[p - 1].end;
    const double mid = start + (written.ResourceRanges[p].end - start) * 0.5;
    return static_cast<int>(std::ceil(0.5 * 225.0 / 256.0 / mid * 100.0 + 0.5));
}

}  // namespace gvc::test
