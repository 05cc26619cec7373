#include <gtest/gtest.h>

#include <clocale>

#include "support/FakeForm.h"
#include "table/TextTable.h"
#include "text/Numbers.h"

TEST(ParseInt, ReadsLeadingBlanksSignAndDigitsOnly) {
    EXPECT_EQ(ParseInt("89"), 89);
    EXPECT_EQ(ParseInt("  -12abc"), -12);
    EXPECT_EQ(ParseInt("+7"), 7);
    EXPECT_EQ(ParseInt("2.9"), 2);
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt("99999999999999"), 2147483647);
    EXPECT_EQ(ParseInt("-99999999999999"), -2147483647 - 1);
}

TEST(ParseReal, ReadsTheStandardFormsAndZeroForNothing) {
    EXPECT_DOUBLE_EQ(ParseReal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseReal(" 1e3x"), 1000.0);
    EXPECT_DOUBLE_EQ(ParseReal("-0.32"), -0.32);
    EXPECT_DOUBLE_EQ(ParseReal(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseReal("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ParseReal("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ParseReal("\t+3.e"), 3.0);  // no digit after the exponent letter
    EXPECT_DOUBLE_EQ(ParseReal("-.5e-1x"), -0.05);
    EXPECT_DOUBLE_EQ(ParseReal("2E+2"), 200.0);
    EXPECT_DOUBLE_EQ(ParseReal("."), 0.0);
    EXPECT_DOUBLE_EQ(ParseReal("-"), 0.0);
}

// Only decimal numbers: words and hexadecimal give 0 (or what precedes
// them), as any other text does.
TEST(ParseReal, ReadsNoWordsAndNoHexadecimal) {
    EXPECT_EQ(ParseReal("inf"), 0.0);
    EXPECT_EQ(ParseReal("-Infinity"), 0.0);
    EXPECT_EQ(ParseReal("nan"), 0.0);
    EXPECT_EQ(ParseReal("0x10"), 0.0);
    EXPECT_EQ(ParseReal("0x1p-2"), 0.0);
    EXPECT_EQ(ParseReal("1x10"), 1.0);
}

// In a file the words for infinity and not-a-number, and values beyond a
// float, are not finite; other text is a finite 0.
TEST(ParseFileReal, TellsTheNonFiniteValues) {
    for (const char* text : {"inf\t", " -INF\n", "Infinity", "nan\r\n", "+NaN", "1e39\t", "-1e39"})
        EXPECT_FALSE(ParseFileReal(text).finite) << text;
    for (const char* text : {"info\t", "nano", "abc", "", "1e38", "-2.5\n"})
        EXPECT_TRUE(ParseFileReal(text).finite) << text;
    EXPECT_EQ(ParseFileReal("nan").value, 0.0f);
    EXPECT_EQ(ParseFileReal("-2.5\n").value, -2.5f);
}

TEST(EditReal, ReadsADecimalCommaAsThePointWhenThereIsNone) {
    FakeForm form;
    for (const auto& [text, value] : {std::pair{"3,5", 3.5}, {"-0,25", -0.25}, {"1.5,2", 1.5}, {",5", 0.5}}) {
        form.edits[Edit8] = text;
        EXPECT_DOUBLE_EQ(EditReal(form, Edit8, 19), value) << text;
    }
}

TEST(FormatGeneral, FifteenDigitsWithoutTrailingZeros) {
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(2.5), "2.5");
    EXPECT_EQ(FormatGeneral(100), "100");
    EXPECT_EQ(FormatGeneral(-0.125), "-0.125");
    EXPECT_EQ(FormatGeneral(static_cast<double>(0.1f)), "0.100000001490116");
    EXPECT_EQ(FormatGeneral(0.00001), "0.00001");
    EXPECT_EQ(FormatGeneral(0.000001), "1E-6");
    EXPECT_EQ(FormatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
}

// A locale with a decimal comma must not leak into fields or files.
TEST(Numbers, IgnoreTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    for (const char* name : names) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        EXPECT_DOUBLE_EQ(ParseReal("0.32"), 0.32) << name;
        EXPECT_EQ(Format("%.3f", 2.5), "2.500") << name;
        EXPECT_EQ(FormatGeneral(2.5), "2.5") << name;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// Thousands are grouped in threes: a dot between groups of three digits
// before a decimal comma, a comma before a quoted decimal point. A first
// group of more than three digits, or any other group not of three, makes
// the field no number.
TEST(ThousandsGroups, AreOfThreeDigitsAfterAFirstOfOneToThree) {
    EXPECT_EQ(ParseFileReal("1.000,5", true).value, 1000.5f);
    EXPECT_EQ(ParseFileReal("-12.345.678,5", true).value, -12345678.5f);
    for (const char* text : {"1000.500,5", "1.0000,5", "10.00,5", "1.000.00,5", ".500,5", "1..000,5"})
        EXPECT_FALSE(ParseFileReal(text, true).number) << text;
    EXPECT_EQ(ClassifyField("1,065.0", true, false).Value(), 1065.0f);
    EXPECT_EQ(ClassifyField("12,345,678.5", true, false).Value(), 12345678.5f);
    EXPECT_EQ(ClassifyField("-1,234.5", true, false).Value(), -1234.5f);
    for (const char* text : {"1,0000.5", "1000,500.5", "1,00.5", "12,34,567.5"})
        EXPECT_TRUE(ClassifyField(text, true, false).Is(CellKind::Text)) << text;
}
