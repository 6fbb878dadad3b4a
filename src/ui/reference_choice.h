// The choice of the reference-gas concentration: the table's standard value or
// one the operator types. The rules of the dialog (entry mask per multiplier
// code, its two buttons, its result) and of applying that result, without any
// window: the Qt dialog and the main window render what these decide.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/rgb_colour.h"
#include "util/operator.h"

namespace gvc {

// The dialog's modal results: 6 takes the typed value, 7 the standard one;
// anything else (0 while open, or the dialog closed with its close box)
// changes nothing.
inline constexpr int kReferenceResultNone = 0;
inline constexpr int kReferenceResultTyped = 6;     // the "Yes" result
inline constexpr int kReferenceResultStandard = 7;  // the "No" result

// How the entry field is set up for a multiplier code. In the edit mask "9" is
// an optional digit, "!" keeps optional blanks at the front, the "1" keeps the
// literal point in the text and the blank character is a space.
struct StdEntryMask {
    std::string_view editMask;
    int maxLength = 0;
    std::string_view initialText;
};

// Codes 1, 2 and 3 allow that many decimals; any other code an integer of up
// to four digits.
StdEntryMask StdEntryMaskFor(unsigned multiplierCode);

// Shown when the typed text is not a number (only blanks and the point).
std::string NotANumberText(std::string_view typedText);

// A typed reference whose value needs no more decimals than the entry of the
// multiplier code shows (blanks around it are ignored; "50.50" is 50.5), so
// that the value computed with is the value the certificate prints. Nothing
// for a text that is not a number or a value with more decimals.
std::optional<std::int32_t> ParseTypedReference(std::string_view text, unsigned multiplierCode);
// Thousandths per last decimal the entry of the multiplier code shows: 100
// for one decimal, 1 for three, 1000 for an integer entry. A typed value is a
// multiple of it.
std::int32_t TypedReferenceStep(unsigned multiplierCode);
// Names the entry's layout after a refused value, for a front end without
// the entry field: "Формат значения для этого Датчика: 0000.0".
std::string TypedReferenceFormatText(unsigned multiplierCode);

// The measuring range of the connected sensor's type: from 0 to `rangeMax`
// whole units (the table's value; 0 when unknown), the unit's text and the
// multiplier code the dialog shows values with.
struct ReferenceRange {
    std::uint16_t rangeMax = 0;
    std::string unitText;  // Windows-1251
    unsigned multiplierCode = 0;

    bool operator==(const ReferenceRange&) const = default;
};

// True when a value in thousandths lies above the range (never for an unknown
// range of 0).
bool AboveRange(std::int32_t thousandths, const ReferenceRange& range);
// The question that asks to confirm such a value, naming the value and the range.
std::string AboveRangeQuestion(std::int32_t thousandths, const ReferenceRange& range);

// The state of one showing of the dialog.
class ReferenceDialogModel {
public:
    // On show: the standard value's text and the entry mask from the current
    // sensor, and the result back to 0. A previous typed value is not kept.
    void Show(std::int32_t standardValue, unsigned multiplierCode);

    const std::string& StandardText() const { return standardText_; }
    const StdEntryMask& EntryMask() const { return mask_; }

    // "Установить" beside the standard value: result 7, whatever the entry holds.
    void ChooseStandard() { modalResult_ = kReferenceResultStandard; }

    // "Установить" of the entry: a number sets `NewStd` and result 6 (the
    // dialog closes); otherwise the operator sees an error box, the result
    // stays 0 and the dialog stays open. True when the dialog closes.
    bool AcceptTyped(std::string_view text, Operator& op);

    // After AcceptTyped: a typed value above the sensor type's measuring range
    // is taken only when the operator confirms it; No withdraws it (result 0,
    // the dialog stays open at the entry). True when the value stands.
    bool ConfirmTypedRange(const ReferenceRange& range, Operator& op);

    int ModalResult() const { return modalResult_; }
    std::int32_t NewStd() const { return newStd_; }

private:
    std::string standardText_;
    StdEntryMask mask_ = StdEntryMaskFor(0);
    unsigned multiplierCode_ = 0;
    std::string typedText_;  // the entry as last accepted
    int modalResult_ = kReferenceResultNone;
    std::int32_t newStd_ = 0;
};

// The reference concentration of the run and how it was chosen.
struct ReferenceSelection {
    std::int32_t referenceValue = 0;  // thousandths of the unit
    bool referenceManual = false;     // typed in, rather than the table's standard value
};

// Applies the dialog's result: 6 takes `newStd` as a manual value, 7 the
// standard value; any other result leaves the selection as it is. True when
// the selection was set (the display is then refreshed).
bool ApplyReferenceResult(int modalResult, std::int32_t newStd, std::int32_t standardValue,
                          ReferenceSelection& selection);

// After every connection: while no typed value is in force the reference is
// the standard value of the sensor now connected; a typed value stays.
void RenewReferenceOnConnection(std::int32_t standardValue, ReferenceSelection& selection);

// The caption of the reference group (" К<эталон-Руч.> " or " К<эталон-STD> ",
// Windows-1251) and the background of the reference value display (aqua for a
// typed value, yellow for the standard one).
std::string_view ReferenceGroupCaption(bool manual);
RgbColour ReferenceDisplayColour(bool manual);

}  // namespace gvc
