#include "cli/calibrate_reference.h"

#include <ostream>

#include "records/report_timestamp.h"
#include "ui/reference_rules.h"
#include "util/cp1251.h"

namespace gvc::cli {

using namespace gvc::literals;

namespace {

// Settles a verdict at the terminal. False after the refusal or a No was
// shown; `answeredNo` tells the two apart.
bool Settle(const ReferenceVerdict& verdict, const CalibrateArguments& arguments, Operator& op, CommandIo io,
            bool& answeredNo) {
    answeredNo = false;
    if (!verdict.value) {
        op.Show(MessageKind::kError, verdict.refusal);
        return false;
    }
    for (const ReferenceQuestion& question : verdict.questions) {
        if (question.kind == ReferenceQuestionKind::kAboveRange && arguments.aboveRange) {
            PrintLine(io.err, question.text);
            io.err << "-> Yes (--above-range)\n";
            continue;
        }
        if (question.kind == ReferenceQuestionKind::kAboveRange && arguments.yes) {
            PrintLine(io.err, question.text);
            io.err << "-> No\n";
            op.Show(MessageKind::kError,
                    "Значение выше диапазона принимается только с ключом --above-range"_cp);
            answeredNo = true;
            return false;
        }
        if (!op.Ask(MessageKind::kWarning, question.text)) {
            answeredNo = true;
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<ReferenceSelection> CalibrateReference(const CalibrateArguments& arguments,
                                                     std::int32_t standardValue, unsigned gasCode,
                                                     const ReferenceRange& sensor, Operator& op, CommandIo io,
                                                     int& exitCode) {
    if (!arguments.reference && !arguments.cylinder) return ReferenceSelection{standardValue, false};
    ReferenceVerdict verdict;
    if (arguments.reference) {
        verdict = CheckTypedReference(arguments.referenceText, sensor);
    } else {
        const std::optional<ReferenceCylinder> cylinder = DatabaseCylinder(*arguments.cylinder, io, op);
        if (!cylinder) {
            exitCode = 1;
            return std::nullopt;
        }
        verdict = CheckCylinderReference(*cylinder, static_cast<int>(gasCode), sensor, LocalDateToday());
    }
    bool answeredNo = false;
    if (Settle(verdict, arguments, op, io, answeredNo)) return ReferenceSelection{*verdict.value, true};
    if (answeredNo) {
        exitCode = 1;
        PrintLine(io.out, "ОТКАЗ !"_cp);
    } else if (arguments.reference) {
        // Without the entry field, the layout the sensor's entry has is named.
        op.Show(MessageKind::kError, TypedReferenceFormatText(sensor.multiplierCode));
        exitCode = 2;
    } else {
        exitCode = 1;
    }
    return std::nullopt;
}

}  // namespace gvc::cli
