// The rules a reference concentration must pass for the connected sensor,
// whatever chose it: a value typed in the dialog or given to gvc-cli, a
// cylinder of the database, or a typed value kept from an earlier sensor when
// a run starts. Both front ends take their verdicts from here.
//
// The rules: the value is in the sensor's unit; it has no more decimals than
// the sensor shows, so that the run computes with the value the certificate
// prints (a typed or kept value with more is refused, a cylinder's certified
// value is rounded only when the operator agrees); a value above the sensor
// type's measuring range is taken only when the operator confirms it.
#pragma once

#include <string_view>

#include "ui/cylinder_choice.h"
#include "ui/reference_choice.h"
#include "ui/reference_verdict.h"
#include "util/calendar.h"

namespace gvc {

// A typed value (the dialog's entry or gvc-cli calibrate --reference):
// refused with the dialog's message when it is not a number or needs more
// decimals than the entry of the sensor's multiplier code shows; the range
// question when it lies above the range.
ReferenceVerdict CheckTypedReference(std::string_view text, const ReferenceRange& sensor);

// A cylinder for a sensor of `gasCode`: refused when expired on `today`, of
// another gas, in another unit, or with a concentration the display cannot
// hold; the rounding question when its certified value has more decimals than
// the sensor shows (the value is the rounded one), then the range question.
ReferenceVerdict CheckCylinderReference(const ReferenceCylinder& cylinder, int gasCode,
                                        const ReferenceRange& sensor, const CivilDate& today);

// The reference in force when a run starts. A typed value kept over a
// reconnection was chosen for the sensor described by `chosenFor`: for
// another sensor it is refused when its unit differs or it needs more
// decimals than this sensor's entry shows, and the range question is asked
// again when it lies above this sensor's range. The standard value, and a
// value chosen for a sensor like this one, pass as they are.
ReferenceVerdict CheckKeptReference(const ReferenceSelection& selection, const ReferenceRange& chosenFor,
                                    const ReferenceRange& sensor);

// Settles CheckKeptReference with the operator: true when the run may start;
// `chosenFor` then describes the connected sensor, so that the same value is
// not questioned again at the next start.
bool ConfirmKeptReference(const ReferenceSelection& selection, ReferenceRange& chosenFor,
                          const ReferenceRange& sensor, Operator& op);

}  // namespace gvc
