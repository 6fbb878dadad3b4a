// The reference rules on the table both front ends share
// (tests/reference_rule_cases.tsv), and how the window's dialog, its cylinder
// list and its start settle the verdicts with the operator.
#include "ui/reference_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ui/concentration_text.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

const CivilDate kToday{2026, 12, 11};

// The sensors of the table: the simulator's profiles as the table file
// describes them, and two made-up neighbours of the methane sensor.
const std::map<std::string, ReferenceRange>& Sensors() {
    static const std::map<std::string, ReferenceRange> sensors = {
        {"methane", {100, std::string("% НКПР"_cp), 1}},
        {"oxygen", {30, std::string("% об.д."_cp), 1}},
        {"digital", {500, "ppm", 0}},
        {"methane-2", {100, std::string("% НКПР"_cp), 2}},
        {"methane-30", {30, std::string("% НКПР"_cp), 1}},
    };
    return sensors;
}

struct RuleCase {
    std::string line;
    std::string sensor;
    std::string source;
    std::string value;  // Windows-1251
    std::string unit;   // Windows-1251
    std::optional<std::int32_t> taken;
    std::vector<ReferenceQuestionKind> questions;
};

std::vector<RuleCase> RuleCases() {
    std::ifstream in(std::string(GVC_SOURCE_DIR) + "/tests/reference_rule_cases.tsv");
    std::vector<RuleCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        RuleCase c;
        c.line = line;
        std::string taken, questions;
        std::getline(fields, c.sensor, '\t');
        std::getline(fields, c.source, '\t');
        std::getline(fields, c.value, '\t');
        std::getline(fields, c.unit, '\t');
        std::getline(fields, taken, '\t');
        std::getline(fields, questions, '\t');
        c.value = Cp1251FromUtf8(c.value);
        c.unit = Cp1251FromUtf8(c.unit);
        if (taken != "refused") c.taken = std::stoi(taken);
        std::istringstream kinds(questions);
        std::string kind;
        while (std::getline(kinds, kind, ',')) {
            if (kind == "rounding") c.questions.push_back(ReferenceQuestionKind::kRounding);
            if (kind == "range") c.questions.push_back(ReferenceQuestionKind::kAboveRange);
        }
        cases.push_back(c);
    }
    return cases;
}

// The verdict for a row. A kept value is the one the dialog took for the
// sensor it was typed for, then renewed over the connection of the row's sensor.
ReferenceVerdict Judge(const RuleCase& c) {
    const ReferenceRange& sensor = Sensors().at(c.sensor);
    if (c.source == "typed") return CheckTypedReference(c.value, sensor);
    if (c.source == "cylinder") {
        const ReferenceCylinder cylinder{1, 5, std::stod(c.value), c.unit, "A-1", {2027, 1, 1}};
        return CheckCylinderReference(cylinder, 5, sensor, kToday);
    }
    const ReferenceRange& typedFor = Sensors().at(c.source.substr(c.source.find(':') + 1));
    ReferenceDialogModel dialog;
    ScriptedOperator yes(true);
    dialog.Show(1000, typedFor.multiplierCode);
    EXPECT_TRUE(dialog.AcceptTyped(c.value, yes));
    EXPECT_TRUE(dialog.ConfirmTypedRange(typedFor, yes));
    ReferenceSelection selection;
    EXPECT_TRUE(ApplyReferenceResult(dialog.ModalResult(), dialog.NewStd(), 1000, selection));
    RenewReferenceOnConnection(7000, selection);
    return CheckKeptReference(selection, typedFor, sensor);
}

std::vector<ReferenceQuestionKind> Kinds(const std::vector<ReferenceQuestion>& questions) {
    std::vector<ReferenceQuestionKind> kinds;
    for (const ReferenceQuestion& q : questions)
        kinds.push_back(q.kind);
    return kinds;
}

TEST(ReferenceRules, OneTableForEveryWayAValueIsChosen) {
    const std::vector<RuleCase> cases = RuleCases();
    ASSERT_GT(cases.size(), 20u);
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.line);
        const ReferenceVerdict verdict = Judge(c);
        EXPECT_EQ(verdict.value, c.taken);
        EXPECT_EQ(verdict.value.has_value(), verdict.refusal.empty());
        if (!verdict.value) {
            EXPECT_TRUE(verdict.questions.empty());
            continue;
        }
        EXPECT_EQ(Kinds(verdict.questions), c.questions);
        // Computed with exactly what the certificate prints.
        const unsigned code = Sensors().at(c.sensor).multiplierCode;
        EXPECT_EQ(ParseStdText(FormatConcentration(*verdict.value, code)), verdict.value);
        // The window settles it with a box per question: any No withdraws it.
        for (std::size_t no = 0; no < verdict.questions.size(); ++no) {
            ScriptedOperator op(true);
            for (std::size_t i = 0; i < no; ++i)
                op.QueueAnswer(true);
            op.QueueAnswer(false);
            EXPECT_FALSE(SettleReference(verdict, op));
            EXPECT_EQ(op.Messages().size(), no + 1);
        }
        ScriptedOperator op(true);
        EXPECT_TRUE(SettleReference(verdict, op));
        EXPECT_EQ(op.Messages().size(), verdict.questions.size());
    }
}

// The dialog's cylinder list gives each cylinder of the table the verdict of
// the rules: the same value, the same questions, the refusal as its reason.
TEST(ReferenceRules, TheCylinderListJudgesAsTheRules) {
    for (const RuleCase& c : RuleCases()) {
        if (c.source != "cylinder") continue;
        SCOPED_TRACE(c.line);
        const ReferenceCylinder cylinder{1, 5, std::stod(c.value), c.unit, "A-1", {2027, 1, 1}};
        const std::vector<CylinderOffer> offers =
            OfferCylinders({cylinder}, 5, Sensors().at(c.sensor), kToday);
        ASSERT_EQ(offers.size(), 1u);
        EXPECT_EQ(offers[0].selectable, c.taken.has_value());
        EXPECT_EQ(offers[0].thousandths, c.taken.value_or(0));
        EXPECT_EQ(Kinds(offers[0].questions), c.questions);
        EXPECT_EQ(offers[0].reason.empty(), c.taken.has_value());
    }
}

TEST(ReferenceRules, WhatTheOperatorIsTold) {
    const ReferenceRange oxygen = Sensors().at("oxygen");
    const ReferenceRange methane = Sensors().at("methane");
    const auto text = [](const ReferenceVerdict& v) {
        return Utf8FromCp1251(v.value ? v.questions.front().text : v.refusal);
    };
    // A 20.9 ppm cylinder for an oxygen sensor in % об.д.
    EXPECT_EQ(text(CheckCylinderReference({3, 5, 20.9, "ppm", "K-3", {2027, 1, 1}}, 5, oxygen, kToday)),
              "Баллон K-3 нельзя выбрать: его единица ppm, у Датчика % об.д.");
    EXPECT_EQ(text(CheckCylinderReference({3, 4, 20.9, std::string("% об.д."_cp), "K-3", {2027, 1, 1}}, 5,
                                          oxygen, kToday)),
              "Баллон K-3 нельзя выбрать: он не для газа Датчика");
    EXPECT_EQ(text(CheckCylinderReference({3, 5, 20.9, std::string("% об.д."_cp), "K-3", {2026, 12, 10}}, 5,
                                          oxygen, kToday)),
              "Баллон K-3 нельзя выбрать: срок годности истек 10.12.2026");
    EXPECT_EQ(text(CheckCylinderReference({3, 5, 20.95, std::string("% об.д."_cp), "K-3", {2027, 1, 1}}, 5,
                                          oxygen, kToday)),
              "Концентрация баллона K-3 по паспорту: 20.95 % об.д.\r\n"
              "Датчик показывает значение с точностью до 0.1:\r\n"
              "расчет и сертификат будут со значением 0021.0\r\n"
              "Установить это значение?");
    // The dialog's own range question, for a cylinder as for a typed value.
    EXPECT_EQ(
        CheckCylinderReference({3, 5, 150, std::string("% НКПР"_cp), "K-3", {2027, 1, 1}}, 5, methane, kToday)
            .questions.front()
            .text,
        AboveRangeQuestion(150000, methane));
    EXPECT_EQ(CheckTypedReference("150", methane).questions.front().text,
              AboveRangeQuestion(150000, methane));
    EXPECT_EQ(CheckTypedReference("50.05", methane).refusal, NotANumberText("50.05"));

    // Kept over a reconnection: the unit, then the decimals of this sensor's entry.
    ReferenceSelection kept{50000, true};
    EXPECT_EQ(text(CheckKeptReference(kept, methane, oxygen)),
              "Эталонное значение 0050.0 выбрано для Датчика с единицей % НКПР,\r\n"
              "у этого Датчика единица % об.д.\r\n"
              "Выберите эталонное значение заново");
    kept.referenceValue = 2250;
    EXPECT_EQ(text(CheckKeptReference(kept, Sensors().at("methane-2"), methane)),
              "Эталонное значение 0002.25 выбрано для другого Датчика\r\n"
              "Формат значения для этого Датчика: 0000.0\r\n"
              "Выберите эталонное значение заново");
    // The standard value is the connected sensor's own: never questioned.
    EXPECT_TRUE(CheckKeptReference({2250, false}, Sensors().at("methane-2"), oxygen).value);
}

// At Старт in the window: a typed value kept over a reconnection is asked
// about once for the new sensor; a Yes makes it the new sensor's value.
TEST(ReferenceRules, AKeptValueIsAskedAboutOnceAtTheStart) {
    const ReferenceRange methane = Sensors().at("methane");
    const ReferenceRange narrow = Sensors().at("methane-30");
    const ReferenceSelection kept{50000, true};
    ReferenceRange chosenFor = methane;

    ScriptedOperator no(false);
    EXPECT_FALSE(ConfirmKeptReference(kept, chosenFor, narrow, no));
    ASSERT_EQ(no.Messages().size(), 1u);
    EXPECT_TRUE(no.Messages()[0].question);
    EXPECT_EQ(no.Messages()[0].text, AboveRangeQuestion(50000, narrow));
    EXPECT_EQ(chosenFor, methane);

    ScriptedOperator yes(true);
    EXPECT_TRUE(ConfirmKeptReference(kept, chosenFor, narrow, yes));
    EXPECT_EQ(chosenFor, narrow);
    EXPECT_TRUE(ConfirmKeptReference(kept, chosenFor, narrow, yes));
    EXPECT_EQ(yes.Messages().size(), 1u);

    // A refused value is shown as an error and stays refused.
    ScriptedOperator op(true);
    ReferenceRange forOxygen = Sensors().at("oxygen");
    EXPECT_FALSE(ConfirmKeptReference(kept, forOxygen, methane, op));
    ASSERT_EQ(op.Messages().size(), 1u);
    EXPECT_FALSE(op.Messages()[0].question);
    EXPECT_EQ(op.Messages()[0].kind, MessageKind::kError);
    EXPECT_EQ(forOxygen, Sensors().at("oxygen"));
}

}  // namespace
}  // namespace gvc
