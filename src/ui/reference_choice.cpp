#include "ui/reference_choice.h"

#include "ui/concentration_text.h"
#include "ui/reference_rules.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

StdEntryMask StdEntryMaskFor(unsigned multiplierCode) {
    switch (multiplierCode) {
        case 1:
            return {"!9999.9;1; ", 6, "0000.0"};
        case 2:
            return {"!999.99;1; ", 6, "000.00"};
        case 3:
            return {"!99.999;1; ", 6, "00.000"};
        default:
            return {"!9999;1; ", 4, "0000"};
    }
}

std::string NotANumberText(std::string_view typedText) {
    return std::string("\""_cp) + std::string(typedText) + std::string("\" - не является числом"_cp);
}

std::int32_t TypedReferenceStep(unsigned multiplierCode) {
    const std::string_view layout = StdEntryMaskFor(multiplierCode).initialText;
    const std::size_t point = layout.find('.');
    const std::size_t decimals = point == std::string_view::npos ? 0 : layout.size() - point - 1;
    std::int32_t step = 1;
    for (std::size_t d = decimals; d < 3; ++d)
        step *= 10;
    return step;
}

std::optional<std::int32_t> ParseTypedReference(std::string_view text, unsigned multiplierCode) {
    const std::optional<std::int32_t> value = ParseStdText(text);
    if (!value || *value % TypedReferenceStep(multiplierCode) != 0) return std::nullopt;
    return value;
}

std::string TypedReferenceFormatText(unsigned multiplierCode) {
    return std::string("Формат значения для этого Датчика: "_cp) +
           std::string(StdEntryMaskFor(multiplierCode).initialText);
}

void ReferenceDialogModel::Show(std::int32_t standardValue, unsigned multiplierCode) {
    standardText_ = FormatConcentration(standardValue, multiplierCode);
    mask_ = StdEntryMaskFor(multiplierCode);
    multiplierCode_ = multiplierCode;
    modalResult_ = kReferenceResultNone;
}

bool ReferenceDialogModel::AcceptTyped(std::string_view text, Operator& op) {
    // The range is asked about once the dialog knows it (ConfirmTypedRange).
    const ReferenceVerdict verdict = CheckTypedReference(text, ReferenceRange{0, {}, multiplierCode_});
    if (!SettleReference(verdict, op)) return false;
    typedText_ = std::string(text);
    newStd_ = *verdict.value;
    modalResult_ = kReferenceResultTyped;
    return true;
}

bool AboveRange(std::int32_t thousandths, const ReferenceRange& range) {
    constexpr std::int64_t kThousandthsPerUnit = 1000;
    return range.rangeMax != 0 &&
           std::int64_t{thousandths} > std::int64_t{range.rangeMax} * kThousandthsPerUnit;
}

std::string AboveRangeQuestion(std::int32_t thousandths, const ReferenceRange& range) {
    std::string text = std::string("Значение "_cp) + FormatConcentration(thousandths, range.multiplierCode) +
                       std::string(" больше верхнего предела диапазона измерения Датчика"_cp) + "\r\n" +
                       std::string("(от 0 до "_cp) + std::to_string(range.rangeMax);
    if (!range.unitText.empty()) text += " " + range.unitText;
    return text + ")\r\n" + std::string("Установить это значение?"_cp);
}

bool ReferenceDialogModel::ConfirmTypedRange(const ReferenceRange& range, Operator& op) {
    if (modalResult_ != kReferenceResultTyped) return true;
    ReferenceRange sensor = range;
    sensor.multiplierCode = multiplierCode_;
    if (SettleReference(CheckTypedReference(typedText_, sensor), op)) return true;
    modalResult_ = kReferenceResultNone;
    return false;
}

bool ApplyReferenceResult(int modalResult, std::int32_t newStd, std::int32_t standardValue,
                          ReferenceSelection& selection) {
    if (modalResult == kReferenceResultTyped) {
        selection = {newStd, true};
        return true;
    }
    if (modalResult == kReferenceResultStandard) {
        selection = {standardValue, false};
        return true;
    }
    return false;
}

void RenewReferenceOnConnection(std::int32_t standardValue, ReferenceSelection& selection) {
    if (!selection.referenceManual) selection.referenceValue = standardValue;
}

std::string_view ReferenceGroupCaption(bool manual) {
    return manual ? " К<эталон-Руч.> "_cp : " К<эталон-STD> "_cp;
}

RgbColour ReferenceDisplayColour(bool manual) {
    return manual ? kColourAqua : kColourYellow;
}

}  // namespace gvc
