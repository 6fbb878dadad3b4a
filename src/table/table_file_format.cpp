#include "table/table_file_format.h"

#include "util/cp1251.h"

namespace gvc::table_format {

using namespace gvc::literals;

namespace {

constexpr FixedLines kLines{
    .boxRule = "|----------------------------------------------------|"_cp,
    .boxLines =
        {
            "|         Данный файл создан ООО НПФ ВЕЛМОР          |"_cp,
            "|           для градуировки и обслуживания           |"_cp,
            "|             газоаналитических датчиков             |"_cp,
            "|            ! ! ! В Н И М А Н И Е ! ! !             |"_cp,
            "| Изменение и корректировка данного файла ЗАПРЕЩЕНА! |"_cp,
            "| Программы градуировки и обслуживания  с измененным |"_cp,
            "|            файлом РАБОТАТЬ НЕ БУДУТ !!             |"_cp,
            "| По вопросам изменения обращайтесь в ООО НПФ ВЕЛМОР |"_cp,
        },
    .gasListHeading = "|№№|1. Контролируемый Газ           |Формула         |"_cp,
    .gasListClosing = "|--|--------------------------------|----------------|"_cp,
    .listClosing = "|--|--------------------------------|"_cp,
    .simulatorLine = "|00|Имитатор                        |                |"_cp,
    .blockRule = "|--|----------------------------------------------------------|"_cp,
    .parameterHeading = "|№№|Параметр                                         |Значение|"_cp,
    .endLine = "|                   Конец Списка                     |"_cp,
    .finalRule = "|==|================================|================|"_cp,
};

static_assert(kLines.boxRule.size() == kLine54 && kLines.gasListHeading.size() == kLine54 &&
              kLines.gasListClosing.size() == kLine54 && kLines.simulatorLine.size() == kLine54 &&
              kLines.endLine.size() == kLine54 && kLines.finalRule.size() == kLine54);
static_assert(kLines.listClosing.size() == kLine37);
static_assert(kLines.blockRule.size() == kLine63 && kLines.parameterHeading.size() == kLine63);

const std::array<ListLayout, 7> kLists{{
    {&SensorTypeTable::kindList, "|№№|2. Тип Сенсора                  |"_cp,
     "Список Типов: нарушен заголовок"_cp, "Список Типов: неверный номер"_cp,
     // The kinds list reports its end of file with the gas list's text.
     "Список Газов: конец файла Параметров"_cp},
    {&SensorTypeTable::electrodeList, "|№№|3. Число Электродов             |"_cp,
     "Список Электродов: нарушен заголовок"_cp, "Список Электродов: неверный номер"_cp,
     "Список Электродов: конец файла Параметров"_cp},
    {&SensorTypeTable::measuredParamList, "|№№|4. Измеряемый Параметр          |"_cp,
     "Список Измеряемых Параметров: нарушен заголовок"_cp, "Список Измеряемых Параметров: неверный номер"_cp,
     "Список Измеряемых Параметров: конец файла Параметров"_cp},
    {&SensorTypeTable::unitList, "|№№|5. Единица Измерения            |"_cp,
     "Список Единиц Измерения: нарушен заголовок"_cp, "Список Единиц Измерения: неверный номер"_cp,
     "Список Единиц Измерения: конец файла Параметров"_cp},
    {&SensorTypeTable::makerList, "|№№|6. Производитель                |"_cp,
     "Список Производителей: нарушен заголовок"_cp, "Список Производителей: неверный номер"_cp,
     "Список Производителей: конец файла Параметров"_cp},
    {&SensorTypeTable::multiplierList, "|№№|7. Множитель                    |"_cp,
     "Список Множителей: нарушен заголовок"_cp, "Список Множителей: неверный номер"_cp,
     "Список Множителей: конец файла Параметров"_cp},
    // The file numbers the seventh list "5." as well.
    {&SensorTypeTable::pgaGainList, "|№№|5. Коэффициент Усиления PGA     |"_cp,
     "Список Коэффициентов PGA: нарушен заголовок"_cp, "Список Коэффициентов PGA: неверный номер"_cp,
     "Список Коэффициентов PGA: конец файла Параметров"_cp},
}};

std::string TwoDigits(unsigned n) {
    return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

// A parameter name with its first two characters replaced by a running number.
std::string Numbered(unsigned number, std::string_view baseName) {
    return TwoDigits(number) + std::string(baseName.substr(2));
}

template <typename Field>
std::function<void(SensorTypeEntry&, std::int32_t)> Setter(Field SensorTypeEntry::*member) {
    return [member](SensorTypeEntry& e, std::int32_t v) {
        e.*member = static_cast<Field>(v);  // modular: the field keeps its low bits
    };
}

template <typename Field>
std::function<std::int64_t(const SensorTypeEntry&)> Getter(Field SensorTypeEntry::*member) {
    return [member](const SensorTypeEntry& e) { return static_cast<std::int64_t>(e.*member); };
}

#define GVC_SIMPLE_PARAM(name, form, suffix, field)                                                  \
    ParameterLine {                                                                                  \
        name, form, suffix, Getter(&SensorTypeEntry::field), Setter(&SensorTypeEntry::field), #field \
    }

std::array<ParameterLine, 40> BuildParameterLines() {
    using VF = ValueForm;
    using NS = NameSuffix;
    std::array<ParameterLine, 40> lines{{
        GVC_SIMPLE_PARAM(std::string("02. Тип Сенсора"_cp), VF::kInteger, NS::kNone, kindIndex),
        GVC_SIMPLE_PARAM(std::string("03. Электроды"_cp), VF::kInteger, NS::kNone, electrodeIndex),
        GVC_SIMPLE_PARAM(std::string("04. Измеряемый параметр"_cp), VF::kInteger, NS::kNone,
                         measuredParamIndex),
        GVC_SIMPLE_PARAM(std::string("05. Единица Измерения"_cp), VF::kInteger, NS::kNone, unitIndex),
        GVC_SIMPLE_PARAM(std::string("06. Производитель"_cp), VF::kInteger, NS::kNone, makerIndex),
        GVC_SIMPLE_PARAM(std::string("07. Множитель для ед.измерения"_cp), VF::kInteger, NS::kNone,
                         multiplierIndex),
        GVC_SIMPLE_PARAM(std::string("08. Диапазон измерения от 0 в"_cp), VF::kInteger, NS::kSpaceUnit,
                         rangeMax),
        GVC_SIMPLE_PARAM(std::string("09. Время до Окончания Использования"_cp), VF::kInteger, NS::kNone,
                         lifeTime),
        GVC_SIMPLE_PARAM(std::string("10. Граница Предупреждения в % от Р<раб.мах>"_cp), VF::kInteger,
                         NS::kNone, workWarnPercent),
        GVC_SIMPLE_PARAM(std::string("11. Максимальный Уровень Рабочего Ресурса в"_cp), VF::kInteger,
                         NS::kSpaceUnitHours, workResourceMax),
        GVC_SIMPLE_PARAM(std::string("01. Максимальное число калибровок"_cp), VF::kInteger, NS::kNone,
                         calibCountMax),
        GVC_SIMPLE_PARAM(std::string("02. Граница Предупреждения в % от Р<кал.мах>"_cp), VF::kInteger,
                         NS::kNone, calibWarnPercent),
        GVC_SIMPLE_PARAM(std::string("03. Макс.Уровень Калибр.Ресурса в % от Р<раб.тек>"_cp), VF::kInteger,
                         NS::kNone, calibResourcePercent),
        GVC_SIMPLE_PARAM(std::string("04. Время до следующей Калибровки"_cp), VF::kInteger, NS::kNone,
                         calibInterval),
        GVC_SIMPLE_PARAM(std::string("05. Максимальный Коэффициент Усиления PGA"_cp), VF::kInteger, NS::kNone,
                         pgaGainMax),
        GVC_SIMPLE_PARAM(std::string("06. Нижний Порог - А1 в"_cp), VF::kPointAt5, NS::kSpaceUnit,
                         thresholdA1),
        GVC_SIMPLE_PARAM(std::string("07. Верхний Порог - А2 в"_cp), VF::kPointAt5, NS::kSpaceUnit,
                         thresholdA2),
        GVC_SIMPLE_PARAM(std::string("08. Нулевая Концентрация в "_cp), VF::kPointAt5, NS::kUnit,
                         zeroConcentration),
        GVC_SIMPLE_PARAM(std::string("09. Эталонная Концентрация в "_cp), VF::kPointAt5, NS::kUnit,
                         referenceConcentration),
        GVC_SIMPLE_PARAM(std::string("10. Погрешность установки в %"_cp), VF::kFixed2, NS::kNone, tolerance),
    }};
    const std::string_view tempStart = "01. Начальный Коэф-т Диапазона в %"_cp;
    const std::string_view tempSlope = "02. Наклон Коэф-та в Диапазоне"_cp;
    std::size_t at = 20;
    for (unsigned j = 0; j < kTempRangeCount; ++j) {
        lines[at++] = ParameterLine{
            Numbered(2 * j + 1, tempStart),
            VF::kInteger,
            NS::kNone,
            [j](const SensorTypeEntry& e) { return std::int64_t{e.tempRanges[j].startCoefPercent}; },
            [j](SensorTypeEntry& e, std::int32_t v) {
                e.tempRanges[j].startCoefPercent = static_cast<std::uint16_t>(v);
            },
            "tempRanges[" + std::to_string(j) + "].startCoefPercent"};
        lines[at++] = ParameterLine{
            Numbered(2 * j + 2, tempSlope),
            VF::kSignedFixed3,
            NS::kNone,
            [j](const SensorTypeEntry& e) { return std::int64_t{e.tempRanges[j].slope}; },
            [j](SensorTypeEntry& e, std::int32_t v) { e.tempRanges[j].slope = static_cast<std::int16_t>(v); },
            "tempRanges[" + std::to_string(j) + "].slope"};
    }
    lines[at++] = GVC_SIMPLE_PARAM(std::string("11. Конечный Коэф-т Диапазона в %"_cp), VF::kInteger,
                                   NS::kNone, tempEndCoefPercent);
    const std::string_view resEnd = "01. Конец Диапазона Ресурса (гр."_cp;
    const std::string_view resStart = "02. Начальный Коэф-т Диапазона Ресурса"_cp;
    const std::string_view resSlope = "03. Наклон Коэф-та в Диапазоне Ресурса"_cp;
    for (unsigned i = 0; i < kResourceRangeCount; ++i) {
        const std::string prefix = "resourceRanges[" + std::to_string(i) + "].";
        lines[at++] = ParameterLine{
            Numbered(3 * i + 1, resEnd),
            VF::kInteger,
            NS::kResourceGroup,
            [i](const SensorTypeEntry& e) { return std::int64_t{e.resourceRanges[i].rangeEnd}; },
            [i](SensorTypeEntry& e, std::int32_t v) {
                e.resourceRanges[i].rangeEnd = static_cast<std::uint16_t>(v);
            },
            prefix + "rangeEnd"};
        lines[at++] = ParameterLine{
            Numbered(3 * i + 2, resStart),
            VF::kFixed2,
            NS::kNone,
            [i](const SensorTypeEntry& e) { return std::int64_t{e.resourceRanges[i].startCoef}; },
            [i](SensorTypeEntry& e, std::int32_t v) {
                e.resourceRanges[i].startCoef = static_cast<std::uint16_t>(v);
            },
            prefix + "startCoef"};
        lines[at++] =
            ParameterLine{Numbered(3 * i + 3, resSlope),
                          VF::kFixed3,
                          NS::kNone,
                          [i](const SensorTypeEntry& e) { return std::int64_t{e.resourceRanges[i].slope}; },
                          [i](SensorTypeEntry& e, std::int32_t v) {
                              e.resourceRanges[i].slope = static_cast<std::int16_t>(v);
                          },
                          prefix + "slope"};
    }
    return lines;
}

#undef GVC_SIMPLE_PARAM

// A standard signed decimal conversion: optional blanks, optional sign, digits,
// nothing after them, within the 32-bit range.
std::optional<std::int64_t> ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 0x80000000LL) return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > 0x7FFFFFFFLL) return std::nullopt;
    return value;
}

// (first two characters) * scale + (everything from the fourth character on).
std::optional<std::int64_t> ParseFixed(std::string_view text, std::int64_t scale) {
    if (text.size() < 4) return std::nullopt;
    const auto whole = ParseDecimal(text.substr(0, 2));
    const auto fraction = ParseDecimal(text.substr(3));
    if (!whole || !fraction) return std::nullopt;
    return *whole * scale + *fraction;
}

std::string ZeroPadded(std::int64_t value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

}  // namespace

const FixedLines& Lines() {
    return kLines;
}

std::array<std::string_view, 11> HeaderBox() {
    const auto& b = kLines.boxLines;
    return {kLines.boxRule, b[0], b[1], b[2], kLines.boxRule, b[3], b[4], b[5], b[6], b[7], kLines.boxRule};
}

const std::array<ListLayout, 7>& Lists() {
    return kLists;
}

const std::array<ParameterLine, 40>& ParameterLines() {
    static const std::array<ParameterLine, 40> lines = BuildParameterLines();
    return lines;
}

std::string TypeTitle(unsigned gas, unsigned type) {
    return std::string("Датчик "_cp) + TwoDigits(gas) + "-" + TwoDigits(type);
}

std::optional<std::int32_t> ParseValue(std::string_view text, ValueForm form) {
    std::optional<std::int64_t> value;
    switch (form) {
        case ValueForm::kInteger:
            value = ParseDecimal(text);
            break;
        case ValueForm::kPointAt5: {
            std::string digits(text);
            if (digits.size() >= 5) digits.erase(4, 1);
            value = ParseDecimal(digits);
            break;
        }
        case ValueForm::kFixed2:
            value = ParseFixed(text, 100);
            break;
        case ValueForm::kFixed3:
            value = ParseFixed(text, 1000);
            break;
        case ValueForm::kSignedFixed3: {
            std::string digits(text);
            const bool negative = !digits.empty() && digits[0] == '-';
            if (negative) digits[0] = '0';
            value = ParseFixed(digits, 1000);
            if (value && negative) value = -*value;
            break;
        }
    }
    if (!value) return std::nullopt;
    // The stored field keeps the low bits of the 32-bit conversion.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

std::optional<std::string> FormatValue(std::int64_t value, ValueForm form) {
    std::string text;
    switch (form) {
        case ValueForm::kInteger:
            text = std::to_string(value);
            break;
        case ValueForm::kPointAt5: {
            // Four integer characters (the sign takes one), a point, three decimals.
            const std::int64_t magnitude = value < 0 ? -value : value;
            text = value < 0 ? "-" + ZeroPadded(magnitude / 1000, 3) : ZeroPadded(magnitude / 1000, 4);
            if (text.size() != 4) return std::nullopt;
            text += "." + ZeroPadded(magnitude % 1000, 3);
            break;
        }
        case ValueForm::kFixed2:
            if (value < 0 || value > 9999) return std::nullopt;
            text = ZeroPadded(value / 100, 2) + "." + ZeroPadded(value % 100, 2);
            break;
        case ValueForm::kFixed3:
            if (value < 0 || value > 99999) return std::nullopt;
            text = ZeroPadded(value / 1000, 2) + "." + ZeroPadded(value % 1000, 3);
            break;
        case ValueForm::kSignedFixed3:
            if (value < -9999 || value > 99999) return std::nullopt;
            if (value < 0) {
                text = "-" + std::to_string(-value / 1000) + "." + ZeroPadded(-value % 1000, 3);
            } else {
                text = ZeroPadded(value / 1000, 2) + "." + ZeroPadded(value % 1000, 3);
            }
            break;
    }
    if (text.size() > kValueFieldWidth) return std::nullopt;
    return text;
}

}  // namespace gvc::table_format
