#include "ui/reference_rules.h"

#include <charconv>
#include <cmath>

#include "ui/concentration_text.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameUnit(std::string_view a, std::string_view b) {
    return Trimmed(a) == Trimmed(b);
}

std::string UnitName(std::string_view unit) {
    const std::string_view trimmed = Trimmed(unit);
    return trimmed.empty() ? std::string("не указана"_cp) : std::string(trimmed);
}

void AddRangeQuestion(ReferenceVerdict& verdict, const ReferenceRange& sensor) {
    if (verdict.value && AboveRange(*verdict.value, sensor))
        verdict.questions.push_back(
            {ReferenceQuestionKind::kAboveRange, AboveRangeQuestion(*verdict.value, sensor)});
}

ReferenceVerdict Refused(std::string reason) {
    ReferenceVerdict verdict;
    verdict.refusal = std::move(reason);
    return verdict;
}

// The certified concentration as written on the cylinder: the shortest text
// that reads back as the same number ("47.25", "50").
std::string CertifiedText(double concentration) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, concentration);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

// The smallest step the display of the multiplier code shows: "1", "0.1",
// "0.01" or "0.001".
std::string ShownStepText(unsigned multiplierCode) {
    const unsigned decimals = ConcentrationDecimals(multiplierCode);
    if (decimals == 0) return "1";
    return "0." + std::string(decimals - 1, '0') + "1";
}

}  // namespace

bool SettleReference(const ReferenceVerdict& verdict, Operator& op) {
    if (!verdict.value) {
        op.Show(MessageKind::kError, verdict.refusal);
        return false;
    }
    for (const ReferenceQuestion& question : verdict.questions) {
        if (!op.Ask(MessageKind::kWarning, question.text)) return false;
    }
    return true;
}

ReferenceVerdict CheckTypedReference(std::string_view text, const ReferenceRange& sensor) {
    ReferenceVerdict verdict;
    verdict.value = ParseTypedReference(text, sensor.multiplierCode);
    if (!verdict.value) return Refused(NotANumberText(text));
    AddRangeQuestion(verdict, sensor);
    return verdict;
}

ReferenceVerdict CheckCylinderReference(const ReferenceCylinder& cylinder, int gasCode,
                                        const ReferenceRange& sensor, const CivilDate& today) {
    const std::string name = std::string("Баллон "_cp) + cylinder.lot;
    const std::string cannot = name + std::string(" нельзя выбрать: "_cp);
    if (cylinder.expiry < today)
        return Refused(cannot + std::string("срок годности истек "_cp) + DotDateText(cylinder.expiry));
    if (cylinder.gasCode != gasCode) return Refused(cannot + std::string("он не для газа Датчика"_cp));
    if (!SameUnit(cylinder.unitText, sensor.unitText))
        return Refused(cannot + std::string("его единица "_cp) + UnitName(cylinder.unitText) +
                       std::string(", у Датчика "_cp) + UnitName(sensor.unitText));
    ReferenceVerdict verdict;
    verdict.value = CylinderThousandths(cylinder.concentration, sensor.multiplierCode);
    if (!verdict.value) return Refused(cannot + std::string("концентрация вне 0 .. 9999.999"_cp));
    // The certified value in thousandths, unrounded: CylinderThousandths
    // accepted it, so it is finite and small.
    const double certified = cylinder.concentration * 1000.0;
    constexpr double kSameThousandths = 1e-6;
    if (std::fabs(certified - static_cast<double>(*verdict.value)) > kSameThousandths) {
        const std::string shown = FormatConcentration(*verdict.value, sensor.multiplierCode);
        verdict.questions.push_back(
            {ReferenceQuestionKind::kRounding,
             std::string("Концентрация баллона "_cp) + cylinder.lot + std::string(" по паспорту: "_cp) +
                 CertifiedText(cylinder.concentration) + " " + std::string(Trimmed(cylinder.unitText)) +
                 "\r\n" + std::string("Датчик показывает значение с точностью до "_cp) +
                 ShownStepText(sensor.multiplierCode) + ":\r\n" +
                 std::string("расчет и сертификат будут со значением "_cp) + shown + "\r\n" +
                 std::string("Установить это значение?"_cp)});
    }
    AddRangeQuestion(verdict, sensor);
    return verdict;
}

ReferenceVerdict CheckKeptReference(const ReferenceSelection& selection, const ReferenceRange& chosenFor,
                                    const ReferenceRange& sensor) {
    ReferenceVerdict verdict;
    verdict.value = selection.referenceValue;
    if (!selection.referenceManual || chosenFor == sensor) return verdict;
    const std::string value = FormatConcentration(selection.referenceValue, chosenFor.multiplierCode);
    const std::string again = "\r\n" + std::string("Выберите эталонное значение заново"_cp);
    if (!SameUnit(chosenFor.unitText, sensor.unitText))
        return Refused(std::string("Эталонное значение "_cp) + value +
                       std::string(" выбрано для Датчика с единицей "_cp) + UnitName(chosenFor.unitText) +
                       ",\r\n" + std::string("у этого Датчика единица "_cp) + UnitName(sensor.unitText) +
                       again);
    if (selection.referenceValue < 0 ||
        selection.referenceValue % TypedReferenceStep(sensor.multiplierCode) != 0)
        return Refused(std::string("Эталонное значение "_cp) + value +
                       std::string(" выбрано для другого Датчика"_cp) + "\r\n" +
                       TypedReferenceFormatText(sensor.multiplierCode) + again);
    AddRangeQuestion(verdict, sensor);
    return verdict;
}

bool ConfirmKeptReference(const ReferenceSelection& selection, ReferenceRange& chosenFor,
                          const ReferenceRange& sensor, Operator& op) {
    if (!SettleReference(CheckKeptReference(selection, chosenFor, sensor), op)) return false;
    chosenFor = sensor;
    return true;
}

}  // namespace gvc
