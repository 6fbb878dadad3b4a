// The characteristics list: 64 fixed rows that show every stored parameter of
// the connected sensor as read ("Старые Значения") and as it will be written
// ("Новые Значения"). Filling the new column is where the new parameter image
// is assembled. Plain data: a list widget binds to Rows() and the colours.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sensor/sensor_params.h"
#include "table/sensor_type_table.h"
#include "ui/characteristics_rows.h"
#include "ui/rgb_colour.h"

namespace gvc {

// Row indices that other parts address.
inline constexpr int kRowUnit = 5;
inline constexpr int kRowPgaGain = 20;
inline constexpr int kRowCalibrationCount = 14;
inline constexpr int kRowZeroOffset = 22;
inline constexpr int kRowSlope = 23;
inline constexpr int kRowInitialSlope = 24;
inline constexpr int kRowRefConc = 26;

// Columns of the list: the caption, the old values, the new values.
enum class CharacteristicsColumn { kCaption = 0, kOld = 1, kNew = 2 };

// What the new column shows for gain, offset and slopes from a successful
// connection until a calibration result replaces them.
struct ConnectionSnapshot {
    std::uint8_t pgaGain = 0;
    std::int32_t zeroOffset = 0;
    std::int32_t slope = 0;
    std::int32_t initialSlope = 0;
};

// The snapshot of a fresh connection: the gain code and initial slope as read,
// a zero offset and a slope of 0.
ConnectionSnapshot TakeConnectionSnapshot(const SensorParams& oldParams);

// The date on which the next calibration is due: today plus `months`, the day
// cut to the length of the new month (February always 28 days).
SensorDate NextCalibrationDate(const SensorDate& today, unsigned months);

// Text forms of the cells that the calibration result rewrites.
// A gain code as 2 to its power, two digits at least (code 3 gives "08").
std::string PgaGainText(unsigned pgaCode);
// A zero offset: "-" for an offset that is not negative, "+" for a negative
// one (the sign the list has always shown), then six digits of its magnitude.
std::string ZeroOffsetText(std::int64_t offset);
// A slope code at a gain code: the code times 2 to the gain's power, sign and
// six digits with the point before the last four ("+00.4936" for 1234 at code 2).
std::string SlopeText(std::int32_t slopeCode, unsigned pgaCode);

class CharacteristicsList {
public:
    CharacteristicsList();

    const CharacteristicsRows& Rows() const { return rows_; }
    // A cell's text; an empty text for a row or column that does not exist.
    const std::string& Text(int row, CharacteristicsColumn column) const;
    // The unit name last shown in row 5; captions that name a unit use it.
    const std::string& UnitText() const { return unitText_; }

    // Fills the old column from the parameters as read.
    void FillOldValues(const SensorParams& oldParams, const SensorTypeTable& table);

    // Builds `state.NewParams` from the table entry of the connected sensor
    // (its identity's gas code and type number), the values carried over from
    // `state.OldParams`, the connection snapshot and today's date, and fills
    // the new column from it.
    void FillNewValues(SensorState& state, const SensorTypeTable& table, const ConnectionSnapshot& snapshot,
                       const SensorDate& today);

    // New-column texts that the calibration run rewrites (the parameter image
    // itself is updated by the run).
    void SetNewPgaGain(unsigned pgaCode);                        // row 20
    void SetNewZeroOffset(std::int32_t offsetCode);              // row 22
    void SetNewSlope(std::int32_t slopeCode, unsigned pgaCode);  // row 23
    void SetNewNextCalibrationDate(const SensorDate& date);      // row 19
    void SetNewCalibrationCount(unsigned count);                 // row 14, once saved

    // Background colour of a cell. Out-of-range cells are white.
    static RgbColour CellColour(int row, CharacteristicsColumn column);
    static bool IsGroupHeading(int row);
    static bool IsRangeLabel(int row);

private:
    enum class Side { kOld, kNew };

    std::string& Cell(int row, Side side);
    void FillSensorGroup(Side side, const SensorParams& p, const SensorTypeTable& table);
    void FillCalibrationGroup(Side side, const SensorParams& p);
    void FillDeviceGroup(Side side, const SensorParams& p);
    void FillTemperatureGroup(Side side, const SensorParams& p);
    void FillResourceGroup(Side side, const SensorParams& p);
    void SetUnitCaption(int row, std::string_view caption);
    void SetUnitBeforeHourCaption(int row, std::string_view caption);

    CharacteristicsRows rows_;
    std::string unitText_;
};

}  // namespace gvc
