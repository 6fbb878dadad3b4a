#include "ui/reference_choice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ui/concentration_text.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

TEST(FormatConcentration, DecimalsFollowTheMultiplierCode) {
    struct Case {
        std::int32_t value;
        unsigned code;
        const char* text;
    };
    const Case cases[] = {
        {1400, 0, "0001."},
        {1400, 1, "0001.4"},
        {1400, 2, "0001.40"},
        {1400, 3, "0001.400"},
        {1999, 1, "0001.9"},  // dropped, not rounded
        {2500000, 1, "2500.0"},
        {1500000, 0, "1500."},
        {0, 3, "0000.000"},
        {5, 3, "0000.005"},
        {9999999, 3, "9999.999"},
        {-1400, 3, "-001.400"},
        {-1400, 1, "-001.4"},
        {-5, 2, "-000.00"},
        // From code 3 up nothing is cut: every code keeps the three decimals.
        {1400, 4, "0001.400"},
        {1400, 7, "0001.400"},
        {1400, 255, "0001.400"},
        {-1400, 4, "-001.400"},
        {12345678, 5, "12345.678"},
        // Ten thousand units and more keep every integer digit.
        {12345678, 1, "12345.6"},
        {20000000, 0, "20000."},
        {-1400000, 1, "-1400.0"},
        {std::numeric_limits<std::int32_t>::max(), 3, "2147483.647"},
        {std::numeric_limits<std::int32_t>::min(), 2, "-2147483.64"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatConcentration(c.value, c.code), c.text) << c.value << " code " << c.code;
}

TEST(ParseStdText, ThousandthsExactlyAsTyped) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"  12.5", 12500},
        {"12.5", 12500},
        {"01.005", 1005},
        {"9999.9", 9999900},
        {"1500", 1500000},
        {"99.999", 99999},
        {"9999.999", 9999999},
        {"0000", 0},
        {"000.00", 0},
        {"12.", 12000},
        {".5", 500},
        {" 7 ", 7000},
        {"\t3.25\t", 3250},
        {"12,5", 12500},  // a comma counts as the point too
        // Not a number: nothing but blanks and the point, stray characters.
        {"", std::nullopt},
        {"    ", std::nullopt},
        {"  .  ", std::nullopt},
        {",", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1.2,3", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"1 2", std::nullopt},
        {"1e3", std::nullopt},
        {"12a", std::nullopt},
        // More digits than any entry mask admits.
        {"12345", std::nullopt},
        {"1.2345", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseStdText(c.text), c.value) << '"' << c.text << '"';
}

// A locale whose decimal separator is a comma, as on many operators' PCs.
struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(ParseStdText, SameResultWhateverTheLocaleSeparator) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const auto withPoint = ParseStdText("  12.5");
    const auto withComma = ParseStdText("  12,5");
    std::locale::global(previous);
    EXPECT_EQ(withPoint, 12500);
    EXPECT_EQ(withComma, 12500);
}

TEST(StdEntryMask, OnePerMultiplierCode) {
    struct Case {
        unsigned code;
        const char* mask;
        int maxLength;
        const char* initial;
    };
    const Case cases[] = {
        {1, "!9999.9;1; ", 6, "0000.0"}, {2, "!999.99;1; ", 6, "000.00"}, {3, "!99.999;1; ", 6, "00.000"},
        {0, "!9999;1; ", 4, "0000"},     {4, "!9999;1; ", 4, "0000"},     {200, "!9999;1; ", 4, "0000"},
    };
    for (const Case& c : cases) {
        const StdEntryMask m = StdEntryMaskFor(c.code);
        EXPECT_EQ(m.editMask, c.mask) << c.code;
        EXPECT_EQ(m.maxLength, c.maxLength) << c.code;
        EXPECT_EQ(m.initialText, c.initial) << c.code;
        // The initial text is a number that fits the mask's length.
        EXPECT_EQ(static_cast<int>(m.initialText.size()), m.maxLength);
        EXPECT_EQ(ParseStdText(m.initialText), 0);
    }
}

class ReferenceDialogTest : public ::testing::Test {
protected:
    ReferenceDialogModel dialog;
    ScriptedOperator op;
};

TEST_F(ReferenceDialogTest, TypedValueClosesWithYes) {
    dialog.Show(2500000, 1);
    EXPECT_EQ(dialog.StandardText(), "2500.0");
    EXPECT_EQ(dialog.EntryMask().editMask, "!9999.9;1; ");
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultNone);

    EXPECT_TRUE(dialog.AcceptTyped("  12.5", op));
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultTyped);
    EXPECT_EQ(dialog.NewStd(), 12500);
    EXPECT_TRUE(op.Messages().empty());
}

TEST_F(ReferenceDialogTest, CodeZeroAndCodeThreeEntries) {
    dialog.Show(1400, 0);
    EXPECT_EQ(dialog.StandardText(), "0001.");
    ASSERT_TRUE(dialog.AcceptTyped("1500", op));
    EXPECT_EQ(dialog.NewStd(), 1500000);
    EXPECT_EQ(FormatConcentration(dialog.NewStd(), 0), "1500.");

    dialog.Show(1400, 3);
    ASSERT_TRUE(dialog.AcceptTyped("99.999", op));
    EXPECT_EQ(dialog.NewStd(), 99999);
}

TEST_F(ReferenceDialogTest, TextWithoutDigitKeepsTheDialogOpen) {
    dialog.Show(1400, 2);
    EXPECT_FALSE(dialog.AcceptTyped("   .  ", op));
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultNone);
    EXPECT_EQ(dialog.NewStd(), 0);
    ASSERT_EQ(op.Messages().size(), 1u);
    EXPECT_EQ(op.Messages()[0].kind, MessageKind::kError);
    EXPECT_FALSE(op.Messages()[0].question);
    EXPECT_EQ(Utf8FromCp1251(op.Messages()[0].text), "\"   .  \" - не является числом");
}

TEST_F(ReferenceDialogTest, StandardButtonWinsWhateverTheEntryHolds) {
    dialog.Show(1400, 2);
    ASSERT_TRUE(dialog.AcceptTyped("12.5", op));
    dialog.ChooseStandard();
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultStandard);

    // A new showing starts over: result 0 again, mask of the new sensor.
    dialog.Show(500, 3);
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultNone);
    EXPECT_EQ(dialog.EntryMask().initialText, "00.000");
    EXPECT_EQ(dialog.StandardText(), "0000.500");
}

TEST_F(ReferenceDialogTest, TypedValueAboveTheRangeNeedsTheOperatorsYes) {
    // Methane in % НКПР, range 0-100, two decimals.
    const ReferenceRange range{100, std::string("% НКПР"_cp), 2};
    struct Case {
        const char* typed;
        bool asked;
        bool answer;
        bool stands;  // the value is taken and the dialog closes
    } const cases[] = {
        {"4500", true, false, false},                                 // No: back to the entry
        {"4500", true, true, true},                                   // Yes: taken as typed
        {"100.01", true, false, false}, {"100", false, false, true},  // the range's end is inside it
        {"50.5", false, false, true},   {"0", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        dialog.Show(50000, 2);
        op.ClearMessages();
        if (c.asked) op.QueueAnswer(c.answer);
        ASSERT_TRUE(dialog.AcceptTyped(c.typed, op));
        EXPECT_EQ(dialog.ConfirmTypedRange(range, op), c.stands);
        EXPECT_EQ(dialog.ModalResult(), c.stands ? kReferenceResultTyped : kReferenceResultNone);
        ASSERT_EQ(op.Messages().size(), c.asked ? 1u : 0u);
        if (!c.asked) continue;
        EXPECT_TRUE(op.Messages()[0].question);
        EXPECT_EQ(op.Messages()[0].kind, MessageKind::kWarning);
    }
    EXPECT_EQ(Utf8FromCp1251(AboveRangeQuestion(4500000, range)),
              "Значение 4500.00 больше верхнего предела диапазона измерения Датчика\r\n"
              "(от 0 до 100 % НКПР)\r\nУстановить это значение?");
}

TEST_F(ReferenceDialogTest, StandardValueAndUnknownRangeAreNeverQuestioned) {
    dialog.Show(4500000, 2);
    dialog.ChooseStandard();
    EXPECT_TRUE(dialog.ConfirmTypedRange({100, "", 2}, op));
    EXPECT_EQ(dialog.ModalResult(), kReferenceResultStandard);
    dialog.Show(1400, 2);
    ASSERT_TRUE(dialog.AcceptTyped("4500", op));
    EXPECT_TRUE(dialog.ConfirmTypedRange({0, "", 2}, op));  // a range of 0 is not known
    EXPECT_TRUE(op.Messages().empty());
    EXPECT_FALSE(AboveRange(65535000, {65535, "", 0}));
    EXPECT_TRUE(AboveRange(65535001, {65535, "", 0}));
}

TEST(ApplyReferenceResult, YesNoAndClosed) {
    ReferenceSelection sel{1400, false};
    EXPECT_TRUE(ApplyReferenceResult(kReferenceResultTyped, 12500, 1400, sel));
    EXPECT_EQ(sel.referenceValue, 12500);
    EXPECT_TRUE(sel.referenceManual);

    // Closed with the close box (0) or any other result: nothing changes.
    for (const int result : {0, 1, 2, 8, -1}) {
        EXPECT_FALSE(ApplyReferenceResult(result, 777, 1400, sel)) << result;
        EXPECT_EQ(sel.referenceValue, 12500);
        EXPECT_TRUE(sel.referenceManual);
    }

    EXPECT_TRUE(ApplyReferenceResult(kReferenceResultStandard, 12500, 1400, sel));
    EXPECT_EQ(sel.referenceValue, 1400);
    EXPECT_FALSE(sel.referenceManual);
}

TEST(ReferenceDisplay, CaptionAndColourByChoice) {
    EXPECT_EQ(Utf8FromCp1251(ReferenceGroupCaption(true)), " К<эталон-Руч.> ");
    EXPECT_EQ(Utf8FromCp1251(ReferenceGroupCaption(false)), " К<эталон-STD> ");
    EXPECT_EQ(static_cast<unsigned char>(ReferenceGroupCaption(false)[1]), 0xCA);  // Cyrillic К
    EXPECT_EQ(ReferenceDisplayColour(true), (RgbColour{0, 255, 255}));
    EXPECT_EQ(ReferenceDisplayColour(false), (RgbColour{255, 255, 0}));
}

}  // namespace
}  // namespace gvc

namespace gvc {
namespace {

// The table both front ends are tested on (the window's entry and
// gvc-cli calibrate --reference).
struct TypedCase {
    unsigned code = 0;
    std::string text;
    std::optional<std::int32_t> taken;
};

std::vector<TypedCase> TypedReferenceCases() {
    std::ifstream in(std::string(GVC_SOURCE_DIR) + "/tests/typed_reference_cases.tsv");
    std::vector<TypedCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string code, text, taken;
        std::getline(fields, code, '\t');
        std::getline(fields, text, '\t');
        std::getline(fields, taken, '\t');
        cases.push_back({static_cast<unsigned>(std::stoul(code)), text,
                         taken == "refused" ? std::nullopt : std::optional<std::int32_t>(std::stoi(taken))});
    }
    return cases;
}

TEST(ParseTypedReference, OnlyTheDecimalsTheEntryOfTheCodeShows) {
    const std::vector<TypedCase> cases = TypedReferenceCases();
    ASSERT_GT(cases.size(), 10u);
    for (const TypedCase& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " \"" + c.text + "\"");
        EXPECT_EQ(ParseTypedReference(c.text, c.code), c.taken);
        // The dialog's model takes the same values and refuses the others
        // with its message, staying open.
        ReferenceDialogModel dialog;
        ScriptedOperator op;
        dialog.Show(1000, c.code);
        EXPECT_EQ(dialog.AcceptTyped(c.text, op), c.taken.has_value());
        if (c.taken) {
            EXPECT_EQ(dialog.NewStd(), *c.taken);
        } else {
            ASSERT_EQ(op.Messages().size(), 1u);
            EXPECT_EQ(op.Messages()[0].text, NotANumberText(c.text));
        }
    }
    EXPECT_EQ(Utf8FromCp1251(TypedReferenceFormatText(2)), "Формат значения для этого Датчика: 000.00");
}

TEST(RenewReferenceOnConnection, OnlyATypedValueSurvivesAConnection) {
    struct Case {
        ReferenceSelection before;
        std::int32_t standard;  // of the sensor now connected
        ReferenceSelection after;
    } const cases[] = {
        // Methane 01-00 (50.0) then 01-02 (2.2): same gas number, another standard.
        {{50000, false}, 2200, {2200, false}},
        // Two blank sensors of different gases, both gas number 0.
        {{1000, false}, 20900, {20900, false}},
        {{0, false}, 50000, {50000, false}},   // the first connection
        {{12500, true}, 2200, {12500, true}},  // a typed value stays
    };
    for (const Case& c : cases) {
        ReferenceSelection selection = c.before;
        RenewReferenceOnConnection(c.standard, selection);
        EXPECT_EQ(selection.referenceValue, c.after.referenceValue);
        EXPECT_EQ(selection.referenceManual, c.after.referenceManual);
    }
}

}  // namespace
}  // namespace gvc
