#include "ui/characteristics_list.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "sensor/sensor_encoding.h"
#include "ui/concentration_text.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// The caption of a resource range's end: head, range number, tail, unit.
constexpr std::string_view kResourceEndHead = "01. Конец Ресурса (гр."_cp;
constexpr std::string_view kResourceEndTail = ") в "_cp;

constexpr std::array<int, 5> kGroupHeadings = {0, 13, 28, 34, 51};
constexpr std::array<int, 8> kRangeLabels = {35, 38, 41, 44, 47, 52, 56, 60};

// The captions the form starts with; captions that name a unit are rebuilt
// from these at every fill.
struct InitialRow {
    int row;
    std::string_view caption;
    std::string_view oldText;
};

constexpr InitialRow kInitialRows[] = {
    {0, "Параметры Сенсора"_cp, {}},
    {1, "01. Контролируемый Газ"_cp, {}},
    {2, "02. Тип Сенсора"_cp, {}},
    {3, "03. Электроды"_cp, {}},
    {4, "04. Измеряемый параметр"_cp, {}},
    {5, "05. Единица Измерения"_cp, {}},
    {6, "06. Производитель"_cp, {}},
    {7, "07. Множитель для ед.измерения"_cp, {}},
    {8, "08. Диапазон измерения от 0 в "_cp, {}},
    {9, "09. Дата Окончания Использования"_cp, {}},
    {10, "10. Граница Предупреждения Использования в *час"_cp, {}},
    {11, "11. Текущий Уровень Рабочего Ресурса в *час"_cp, {}},
    {12, "12. Мак.Уровень Рабочего Ресурса в *час"_cp, {}},
    {13, "Параметры Калибровки"_cp, {}},
    {14, "01. Счетчик числа калибровок"_cp, {}},
    {15, "02. Максимальное число калибровок"_cp, {}},
    {16, "03. Граница Предупреждения Градуировки в *час"_cp, {}},
    {17, "04. Текущий Уровень Ресурса Градуировки в *час"_cp, {}},
    {18, "05. Мак.Уровень Ресурса Градуировки в *час"_cp, {}},
    {19, "06. Дата Следующей Градуировки"_cp, {}},
    {20, "07. Текущий Коэф-т Усиления PGA"_cp, {}},
    {21, "08. Мак.Коэф-т Усиления PGA"_cp, {}},
    {22, "09. Смещение Нуля в "_cp, {}},
    {23, "10. Угол Наклона"_cp, {}},
    {24, "11. Нач.Угол Наклона"_cp, {}},
    {25, "12. Нулевая Концентрация в "_cp, {}},
    {26, "13. Эталонная Концентрация в "_cp, {}},
    {27, "14. Погрешность установки в %"_cp, {}},
    {28, "Параметры Датчика"_cp, {}},
    {29, "01. Нижний Порог - А1 в "_cp, {}},
    {30, "02. Верхний Порог - А2 в "_cp, {}},
    {31, "03. Частота Выборок"_cp, {}},
    {32, "04. Версия Платы"_cp, {}},
    {33, "05. Версия ПО"_cp, {}},
    {34, "Коэффициенты Температуры"_cp, {}},
    {35, {}, "<от -40 до  -20>"_cp},
    {36, "01. Начальный Коэф-т в %"_cp, {}},
    {37, "02. Наклон Коэф-та"_cp, {}},
    {38, {}, "<от -20 до 0>"_cp},
    {39, "03. Начальный Коэф-т в %"_cp, {}},
    {40, "04. Наклон Коэф-та"_cp, {}},
    {41, {}, "<от 0 до 20>"_cp},
    {42, "05. Начальный Коэф-т в %"_cp, {}},
    {43, "06. Наклон Коэф-та"_cp, {}},
    {44, {}, "<от 20 до 40>"_cp},
    {45, "07. Начальный Коэф-т в %"_cp, {}},
    {46, "08. Наклон Коэф-та"_cp, {}},
    {47, {}, "<от 40 до 60>"_cp},
    {48, "09. Начальный Коэф-т в %"_cp, {}},
    {49, "10. Наклон Коэф-та"_cp, {}},
    {50, "11.  Конечный Коэф-т в %"_cp, {}},
    {51, "Коэффициенты Ресурса"_cp, {}},
    {52, {}, "<от С[гр.0] до С[гр.1]>"_cp},
    {53, "01. Конец Ресурса (гр.1) в "_cp, {}},
    {54, "02. Начальный Коэф-т Ресурса"_cp, {}},
    {55, "03. Наклон Коэф-та Ресурса"_cp, {}},
    {56, {}, "<от С[гр.1] до С[гр.2]>"_cp},
    {57, "04. Конец Ресурса (гр.2) в "_cp, {}},
    {58, "05. Начальный Коэф-т Ресурса"_cp, {}},
    {59, "06. Наклон Коэф-та Ресурса"_cp, {}},
    {60, {}, "<от С[гр.2] до С[гр.3]>"_cp},
    {61, "07. Конец Ресурса (гр.3) в "_cp, {}},
    {62, "08. Начальный Коэф-т Ресурса"_cp, {}},
    {63, "09. Наклон Коэф-та Ресурса"_cp, {}},
};
static_assert(std::size(kInitialRows) == kCharacteristicsRowCount);

std::string_view InitialCaption(int row) {
    return kInitialRows[static_cast<std::size_t>(row)].caption;
}

// Decimal digits of a magnitude, zero-padded to `width`; never cut.
std::string PaddedDigits(std::uint64_t magnitude, int width) {
    std::string digits = std::to_string(magnitude);
    if (width > 0 && digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
}

// FormatIntZero for any stored width: the sign takes one of the `width` places.
std::string Z(std::int64_t v, int width) {
    if (v < 0) return "-" + PaddedDigits(Magnitude(v), width - 1);
    return PaddedDigits(Magnitude(v), width);
}

// Inserts the point before the last `decimals` digits. Within the width this is
// the point "before the third character" of a value of width decimals + 2;
// a longer text keeps its value instead of growing at the front of the point.
std::string WithPoint(std::string text, int decimals) {
    const auto d = static_cast<std::size_t>(decimals);
    text.insert(text.size() > d ? text.size() - d : 0, 1, '.');
    return text;
}

// Z(v, width) with the point before its third character.
std::string FixedZ(std::int64_t v, int width) {
    return WithPoint(Z(v, width), width - 2);
}

std::string DateText(const SensorDate& d) {
    return Z(d.day, 2) + "." + Z(d.month, 2) + "." + Z(d.year, 4);
}

// The decimal digits of magnitude x 2^exponent, exact for any exponent.
std::string DigitsTimesPowerOfTwo(std::uint64_t magnitude, unsigned exponent) {
    std::string digits = std::to_string(magnitude);
    std::reverse(digits.begin(), digits.end());  // least significant first
    const unsigned steps = std::min(exponent, 4096u);
    for (unsigned step = 0; step < steps && magnitude != 0; ++step) {
        int carry = 0;
        for (char& c : digits) {
            const int v = (c - '0') * 2 + carry;
            c = static_cast<char>('0' + v % 10);
            carry = v / 10;
        }
        if (carry != 0) digits.push_back(static_cast<char>('0' + carry));
    }
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::string OffsetText(bool negative, std::uint64_t magnitude) {
    return (negative ? "+" : "-") + PaddedDigits(magnitude, 6);
}

// percent x value / 100 as the stored values are computed: a 32-bit signed
// product that wraps modulo 2^32, then division truncating toward zero.
std::int32_t PercentOf32(std::uint32_t percent, std::uint32_t value) {
    const auto product = static_cast<std::int32_t>(percent * value);  // modulo 2^32
    return product / 100;
}

}  // namespace

ConnectionSnapshot TakeConnectionSnapshot(const SensorParams& oldParams) {
    return {oldParams.PgaGain, 0, 0, oldParams.InitialSlope};
}

SensorDate NextCalibrationDate(const SensorDate& today, unsigned months) {
    static constexpr std::array<int, 12> kMonthDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::int64_t o = std::max<std::int64_t>(std::int64_t{today.month} + months - 1, 0);
    const auto month = static_cast<int>(o % 12 + 1);
    const std::int64_t year = std::int64_t{today.year} + o / 12;
    const int day = std::min<int>(today.day, kMonthDays[static_cast<std::size_t>(month - 1)]);
    SensorDate next;
    next.year =
        static_cast<std::int32_t>(std::min<std::int64_t>(year, std::numeric_limits<std::int32_t>::max()));
    next.month = static_cast<std::uint8_t>(month);
    next.day = static_cast<std::uint8_t>(day);
    return next;
}

std::string PgaGainText(unsigned pgaCode) {
    return FormatPowerOfTwo(static_cast<int>(std::min(pgaCode, 4096u)));
}

std::string ZeroOffsetText(std::int64_t offset) {
    return OffsetText(offset < 0, Magnitude(offset));
}

std::string SlopeText(std::int32_t slopeCode, unsigned pgaCode) {
    std::string digits = DigitsTimesPowerOfTwo(Magnitude(slopeCode), pgaCode);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    return (slopeCode < 0 ? "-" : "+") + WithPoint(std::move(digits), 4);
}

CharacteristicsList::CharacteristicsList() {
    for (const InitialRow& r : kInitialRows) {
        auto& row = rows_[static_cast<std::size_t>(r.row)];
        row.caption = std::string(r.caption);
        row.oldText = std::string(r.oldText);
    }
}

const std::string& CharacteristicsList::Text(int row, CharacteristicsColumn column) const {
    static const std::string kNone;
    if (row < 0 || row >= kCharacteristicsRowCount) return kNone;
    const auto& r = rows_[static_cast<std::size_t>(row)];
    switch (column) {
        case CharacteristicsColumn::kCaption:
            return r.caption;
        case CharacteristicsColumn::kOld:
            return r.oldText;
        case CharacteristicsColumn::kNew:
            return r.newText;
    }
    return kNone;
}

std::string& CharacteristicsList::Cell(int row, Side side) {
    auto& r = rows_[static_cast<std::size_t>(row)];
    return side == Side::kOld ? r.oldText : r.newText;
}

void CharacteristicsList::SetUnitCaption(int row, std::string_view caption) {
    rows_[static_cast<std::size_t>(row)].caption = std::string(caption) + unitText_;
}

void CharacteristicsList::SetUnitBeforeHourCaption(int row, std::string_view caption) {
    std::string text(caption);
    const auto star = text.find('*');
    text.insert(star == std::string::npos ? text.size() : star, unitText_);
    rows_[static_cast<std::size_t>(row)].caption = std::move(text);
}

void CharacteristicsList::FillOldValues(const SensorParams& oldParams, const SensorTypeTable& table) {
    FillSensorGroup(Side::kOld, oldParams, table);
    FillCalibrationGroup(Side::kOld, oldParams);
    FillDeviceGroup(Side::kOld, oldParams);
    FillTemperatureGroup(Side::kOld, oldParams);
    FillResourceGroup(Side::kOld, oldParams);
}

void CharacteristicsList::FillNewValues(SensorState& state, const SensorTypeTable& table,
                                        const ConnectionSnapshot& snapshot, const SensorDate& today) {
    const SensorParams& old = state.OldParams;
    const SensorTypeEntry& e = table.FindSensorType(state.identity.GasCode, state.identity.TypeNumber);

    // The image is rebuilt from scratch, so nothing of an earlier sensor stays in it.
    SensorParams n;
    // Sensor group.
    n.GasCode = e.gasCode;
    n.KindCode = e.kindIndex;
    n.ElectrodeCode = e.electrodeIndex;
    n.MeasuredParamCode = e.measuredParamIndex;
    n.UnitCode = e.unitIndex;
    n.MakerCode = e.makerIndex;
    n.MultiplierCode = e.multiplierIndex;
    n.RangeTop = e.rangeMax;
    n.LifeTime = e.lifeTime;
    n.WorkWarnPercent = e.workWarnPercent;
    n.TypeNumber = state.identity.TypeNumber;
    n.EndOfUseDate = old.EndOfUseDate;
    n.WorkResourceWarn = static_cast<std::uint32_t>(PercentOf32(e.workWarnPercent, e.workResourceMax));
    n.WorkResourceNow = old.WorkResourceNow;
    n.WorkResourceMax = e.workResourceMax;
    // Calibration group.
    n.CalibrationCount = old.CalibrationCount;
    n.MaxCalibrations = e.calibCountMax;
    n.CalWarnPercent = e.calibWarnPercent;
    n.CalResourcePercent = e.calibResourcePercent;
    n.CalInterval = e.calibInterval;
    n.CalResourceMax = static_cast<std::uint32_t>(PercentOf32(e.calibResourcePercent, old.WorkResourceNow));
    n.CalResourceWarn = static_cast<std::uint16_t>(PercentOf32(e.calibWarnPercent, n.CalResourceMax));
    n.CalResourceNow = n.CalResourceMax;
    n.NextCalibrationDate = NextCalibrationDate(today, e.calibInterval);
    n.PgaGain = snapshot.pgaGain;
    n.PgaGainMax = e.pgaGainMax;
    n.ZeroOffset = snapshot.zeroOffset;
    n.ZeroOffsetSign = static_cast<std::int8_t>(snapshot.zeroOffset < 0 ? 0x00 : -1);  // 0xFF: not negative
    n.Slope = snapshot.slope;
    n.InitialSlope = snapshot.initialSlope;
    n.ZeroConc = e.zeroConcentration;
    n.RefConc = e.referenceConcentration;
    n.SetTolerance = e.tolerance;
    // Device group.
    n.ThresholdA1 = e.thresholdA1;
    n.ThresholdA2 = e.thresholdA2;
    n.SampleRate = 10;
    n.BoardVersion = old.BoardVersion;
    n.FirmwareVersion = old.FirmwareVersion;
    // Temperature and resource groups.
    for (std::size_t j = 0; j < kTempRangeCount; ++j)
        n.TempCoefs[j] = {e.tempRanges[j].startCoefPercent, e.tempRanges[j].slope};
    n.TempEndCoef = e.tempEndCoefPercent;
    for (std::size_t i = 0; i < kResourceRangeCount; ++i)
        n.ResourceRanges[i] = {e.resourceRanges[i].rangeEnd, e.resourceRanges[i].startCoef,
                               e.resourceRanges[i].slope};
    // Scales: the unit multiplier of the new codes; the range scale stays the
    // sensor's until the calibration page recomputes it for the new range.
    n.MultiplierScale = PowerOfTen(n.MultiplierCode);
    n.RangeExponent = old.RangeExponent;
    n.RangeScale = old.RangeScale;
    state.NewParams = n;

    FillSensorGroup(Side::kNew, n, table);
    FillCalibrationGroup(Side::kNew, n);
    FillDeviceGroup(Side::kNew, n);
    FillTemperatureGroup(Side::kNew, n);
    FillResourceGroup(Side::kNew, n);
}

void CharacteristicsList::FillSensorGroup(Side side, const SensorParams& p, const SensorTypeTable& table) {
    Cell(1, side) = table.GasName(p.GasCode);
    Cell(2, side) = ListText(table.kindList, p.KindCode);
    Cell(3, side) = ListText(table.electrodeList, p.ElectrodeCode);
    Cell(4, side) = ListText(table.measuredParamList, p.MeasuredParamCode);
    unitText_ = ListText(table.unitList, p.UnitCode);
    Cell(kRowUnit, side) = unitText_;
    Cell(6, side) = ListText(table.makerList, p.MakerCode);
    Cell(7, side) = ListText(table.multiplierList, p.MultiplierCode);
    SetUnitCaption(8, InitialCaption(8));
    Cell(8, side) = Z(p.RangeTop, 6);
    Cell(9, side) = DateText(p.EndOfUseDate);
    for (const int row : {10, 11, 12})
        SetUnitBeforeHourCaption(row, InitialCaption(row));
    Cell(10, side) = Z(p.WorkResourceWarn, 5);
    Cell(11, side) = Z(p.WorkResourceNow, 6);
    Cell(12, side) = Z(p.WorkResourceMax, 6);
}

void CharacteristicsList::FillCalibrationGroup(Side side, const SensorParams& p) {
    Cell(kRowCalibrationCount, side) = Z(p.CalibrationCount, 3);
    Cell(15, side) = Z(p.MaxCalibrations, 3);
    for (const int row : {16, 17, 18})
        SetUnitBeforeHourCaption(row, InitialCaption(row));
    Cell(16, side) = Z(p.CalResourceWarn, 5);
    Cell(17, side) = Z(p.CalResourceNow, 6);
    Cell(18, side) = Z(p.CalResourceMax, 6);
    Cell(19, side) = DateText(p.NextCalibrationDate);
    Cell(kRowPgaGain, side) = PgaGainText(p.PgaGain);
    Cell(21, side) = PgaGainText(p.PgaGainMax);
    // The new image marks a negative offset with sign 0 (and one that is not
    // negative with 0xFF); a read marks it with -1 (and +1). Both columns show
    // a negative stored offset with "+", as the calibration result does.
    const bool negative = side == Side::kNew ? p.ZeroOffsetSign == 0 : p.ZeroOffsetSign < 0;
    SetUnitCaption(kRowZeroOffset, InitialCaption(kRowZeroOffset));
    Cell(kRowZeroOffset, side) = OffsetText(negative, Magnitude(p.ZeroOffset));
    Cell(kRowSlope, side) = SlopeText(p.Slope, p.PgaGain);
    Cell(kRowInitialSlope, side) = SlopeText(p.InitialSlope, 0);
    SetUnitCaption(25, InitialCaption(25));
    SetUnitCaption(kRowRefConc, InitialCaption(kRowRefConc));
    Cell(25, side) = FormatConcentration(p.ZeroConc, p.MultiplierCode);
    Cell(kRowRefConc, side) = FormatConcentration(p.RefConc, p.MultiplierCode);
    Cell(27, side) = FixedZ(p.SetTolerance, 4);
}

void CharacteristicsList::FillDeviceGroup(Side side, const SensorParams& p) {
    SetUnitCaption(29, InitialCaption(29));
    SetUnitCaption(30, InitialCaption(30));
    Cell(29, side) = FormatConcentration(p.ThresholdA1, p.MultiplierCode);
    Cell(30, side) = FormatConcentration(p.ThresholdA2, p.MultiplierCode);
    Cell(31, side) = Z(p.SampleRate, 4);
    Cell(32, side) = FixedZ(p.BoardVersion, 5);
    Cell(33, side) = FixedZ(p.FirmwareVersion, 5);
}

void CharacteristicsList::FillTemperatureGroup(Side side, const SensorParams& p) {
    for (std::size_t j = 0; j < kTempRangeCount; ++j) {
        const int row = 36 + 3 * static_cast<int>(j);
        Cell(row, side) = Z(p.TempCoefs[j].start, 3);
        Cell(row + 1, side) = FixedZ(p.TempCoefs[j].slope, 5);
    }
    Cell(50, side) = Z(p.TempEndCoef, 3);
}

void CharacteristicsList::FillResourceGroup(Side side, const SensorParams& p) {
    for (std::size_t i = 0; i < kResourceRangeCount; ++i) {
        const int row = 53 + 4 * static_cast<int>(i);
        const int number = static_cast<int>(i) + 1;
        std::string caption = std::string(kResourceEndHead) + std::to_string(number) +
                              std::string(kResourceEndTail) + unitText_;
        caption.replace(0, 2, Z(3 * static_cast<int>(i) + 1, 2));
        rows_[static_cast<std::size_t>(row)].caption = std::move(caption);
        Cell(row, side) = Z(p.ResourceRanges[i].end, 4);
        Cell(row + 1, side) = FixedZ(p.ResourceRanges[i].start, 4);
        Cell(row + 2, side) = FixedZ(p.ResourceRanges[i].slope, 5);
    }
}

void CharacteristicsList::SetNewNextCalibrationDate(const SensorDate& date) {
    Cell(19, Side::kNew) = DateText(date);
}

void CharacteristicsList::SetNewPgaGain(unsigned pgaCode) {
    Cell(kRowPgaGain, Side::kNew) = PgaGainText(pgaCode);
}

void CharacteristicsList::SetNewZeroOffset(std::int32_t offsetCode) {
    Cell(kRowZeroOffset, Side::kNew) = ZeroOffsetText(offsetCode);
}

void CharacteristicsList::SetNewSlope(std::int32_t slopeCode, unsigned pgaCode) {
    Cell(kRowSlope, Side::kNew) = SlopeText(slopeCode, pgaCode);
}

void CharacteristicsList::SetNewCalibrationCount(unsigned count) {
    Cell(kRowCalibrationCount, Side::kNew) = Z(count, 3);
}

bool CharacteristicsList::IsGroupHeading(int row) {
    return std::find(kGroupHeadings.begin(), kGroupHeadings.end(), row) != kGroupHeadings.end();
}

bool CharacteristicsList::IsRangeLabel(int row) {
    return std::find(kRangeLabels.begin(), kRangeLabels.end(), row) != kRangeLabels.end();
}

RgbColour CharacteristicsList::CellColour(int row, CharacteristicsColumn column) {
    if (row < 0 || row >= kCharacteristicsRowCount) return kColourWhite;
    // A heading row is silver across: its value cells keep the caption's brush.
    if (IsGroupHeading(row)) return kColourSilver;
    if (column != CharacteristicsColumn::kCaption) return IsRangeLabel(row) ? kColourSilver : kColourWhite;
    if (row <= 12) return kColourYellow;
    if (row <= 27) return kColourMoneyGreen;
    if (row <= 33) return kColourCream;
    if (row <= 50) return kColourFuchsia;
    return kColourSkyBlue;
}

}  // namespace gvc
