// Reading the frame box as a number, and the frame commands built on it.
#include "console/commands/frame_number.h"
#include "form_fakes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

// STX, text, ETX, written out here rather than by the code under test.
std::string Framed(std::string_view text) {
    std::string frame(1, '\x02');
    frame.append(text);
    frame.push_back('\x03');
    return frame;
}

}  // namespace

using frame_number::Format;
using frame_number::LeadingValue;
using frame_number::ToFrameNumber;

struct ValueCase {
    const char* text;
    double value;
    const char* why;
};

const ValueCase kValueCases[] = {
    {"150", 150, "plain digits"},
    {"0150", 150, "leading zeros"},
    {"&H1F", 31, "hexadecimal prefix"},
    {"&h1f", 31, "the prefix and the digits in either case"},
    {"&o17", 15, "octal prefix, lower case"},
    {"&O19", 1, "9 is no octal digit and ends the number"},
    {"&H", 0, "a prefix without digits is no number"},
    {"&", 0, "a lone ampersand is no number"},
    {"&X1", 0, "no such prefix"},
    {"1.5e2", 150, "exponent with E"},
    {"1.5D2", 150, "exponent with D"},
    {"1.5d-1", 0.15, "negative exponent"},
    {" 1 5 0", 150, "blanks are skipped inside the number too"},
    {"1 . 5 e 2", 150, "and around every part of it"},
    {"150.5", 150.5, "the fraction is kept; rounding comes later"},
    {"151.5", 151.5, "the fraction is kept; rounding comes later"},
    {"+", 0, "a sign without digits"},
    {"-", 0, "a sign without digits"},
    {".", 0, "a period without digits"},
    {".5", 0.5, "digits after the period alone are a number"},
    {"5.", 5, "and so are digits before it"},
    {"1e", 1, "an exponent letter without digits ends the number before it"},
    {"2e+", 2, "likewise with a sign"},
    {"1,5", 1, "the comma is never a decimal point"},
    {"\t\n12", 12, "tabs and line feeds are skipped"},
    {"\r12", 0, "a carriage return is not"},
    {"0x10", 0, "C's hexadecimal form: the x ends the number after 0"},
    {"  ", 0, "blanks only"},
    {"", 0, "empty"},
    {"12abc", 12, "letters end the number"},
    {"-7", -7, "sign"},
    {"- 7", -7, "a blank after the sign is skipped"},
    {"+-7", 0, "only one sign"},
    {"1.2.3", 1.2, "the second period ends the number"},
    {"1e2e3", 100, "the second exponent ends the number"},
    {"00000000000000000000000000000042", 42, "many leading zeros"},
    {"1e-400", 0, "too small for a double"},
    {"0.0000001e-400", 0, "too small, digits after the period"},
    {"１２", 0, "full-width digits are no digits"},
};

TEST(LeadingValue, ReadsTheLeadingNumberOfAnyText) {
    for (const ValueCase& c : kValueCases)
        EXPECT_NEAR(LeadingValue(c.text), c.value, 1e-12) << '"' << c.text << "\": " << c.why;
}

TEST(LeadingValue, HugeValuesAreInfinite) {
    EXPECT_EQ(LeadingValue("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingValue("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingValue("1e99999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingValue(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingValue("&H" + std::string(300, 'F')), std::numeric_limits<double>::infinity());
}

TEST(LeadingValue, ThePeriodIsTheDecimalPointWhateverTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    EXPECT_EQ(LeadingValue("150.5"), 150.5);
    EXPECT_EQ(LeadingValue("1,5"), 1);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ToFrameNumber, RoundsHalvesToEvenAndClamps) {
    const std::pair<double, int> cases[] = {
        {150.5, 150}, {151.5, 152}, {150.4, 150}, {150.6, 151}, {0.5, 1},    {1.5, 2},
        {510.5, 510}, {511.5, 511}, {0, 1},       {-7, 1},      {999, 511},  {512, 511},
        {32767, 511}, {32767.5, 511}, {32768, 511}, {-32768, 1}, {-32769, 1}, {1e300, 511},
    };
    for (auto [value, frame] : cases) EXPECT_EQ(ToFrameNumber(value), frame) << value;
    EXPECT_EQ(ToFrameNumber(std::numeric_limits<double>::infinity()), 511);
    EXPECT_EQ(ToFrameNumber(-std::numeric_limits<double>::infinity()), 1);
    EXPECT_EQ(ToFrameNumber(std::nan("")), 1);
}

TEST(Format, FourDigitsWithLeadingZeros) {
    EXPECT_EQ(Format(1), "0001");
    EXPECT_EQ(Format(42), "0042");
    EXPECT_EQ(Format(511), "0511");
}

// The frame commands as the operator sees them: the box afterwards and the frame on the wire.
struct CommandCase {
    const char* box;
    void (ConsoleForm::*command)();
    const char* boxAfter;
    const char* why;
};

const CommandCase kCommandCases[] = {
    {"0150", &ConsoleForm::Command1_Click, "0151", "+ steps up"},
    {"0150", &ConsoleForm::Command2_Click, "0149", "- steps down"},
    {"0511", &ConsoleForm::Command1_Click, "0511", "+ stays at the top"},
    {"0001", &ConsoleForm::Command2_Click, "0001", "- stays at the bottom"},
    {"150", &ConsoleForm::Command3_Click, "0150", "= writes four digits"},
    {"12abc", &ConsoleForm::Command1_Click, "0013", "the leading number, plus one"},
    {"-7", &ConsoleForm::Command3_Click, "0001", "below the range"},
    {"999", &ConsoleForm::Command3_Click, "0511", "above the range"},
    {"abc", &ConsoleForm::Command1_Click, "0001", "no number is 0, plus one"},
    {"abc", &ConsoleForm::Command2_Click, "0001", "no number is 0, minus one"},
    {"abc", &ConsoleForm::Command3_Click, "0001", "no number is 0"},
    {"150.5", &ConsoleForm::Command3_Click, "0150", "half to even, down"},
    {"151.5", &ConsoleForm::Command3_Click, "0152", "half to even, up"},
    {"149.5", &ConsoleForm::Command1_Click, "0150", "150.5 after the step"},
    {"&H1F", &ConsoleForm::Command3_Click, "0031", "hexadecimal"},
    {"1e400", &ConsoleForm::Command1_Click, "0511", "beyond any 16-bit integer, above"},
    {"-1e400", &ConsoleForm::Command2_Click, "0001", "beyond any 16-bit integer, below"},
    {"32767", &ConsoleForm::Command1_Click, "0511", "32768 after the step"},
    {"-32768", &ConsoleForm::Command2_Click, "0001", "-32769 after the step"},
    {"99999999", &ConsoleForm::Command3_Click, "0511", "far above"},
};

TEST(FrameCommands, WriteTheBoxAndSendWhatItThenHolds) {
    for (const CommandCase& c : kCommandCases) {
        Console console;
        console.controls.frameText = c.box;
        (console.form.*c.command)();
        EXPECT_EQ(console.controls.frameText, c.boxAfter) << c.box << ": " << c.why;
        EXPECT_EQ(console.port.writes, std::vector<std::string>{Framed(std::string("FRM") + c.boxAfter)})
            << c.box << ": " << c.why;
        EXPECT_EQ(console.controls.replyText, "") << "every command clears the reply display";
    }
}

TEST(FrameCommands, EnterDoesWhatEqualsDoesAndOtherKeysNothing) {
    Console console;
    console.controls.frameText = "150";
    console.form.Text2_KeyPress('7');
    console.form.Text2_KeyPress(10);
    EXPECT_TRUE(console.port.writes.empty());
    EXPECT_EQ(console.controls.frameText, "150");
    console.form.Text2_KeyPress(13);
    EXPECT_EQ(console.port.writes, std::vector<std::string>{"\x02\x46\x52\x4D\x30\x31\x35\x30\x03"});
    EXPECT_EQ(console.controls.frameText, "0150");
}

TEST(FixedCommands, SendTheirWordsAndLeaveTheFrameBox) {
    const std::pair<void (ConsoleForm::*)(), const char*> cases[] = {
        {&ConsoleForm::Command4_Click, "FRMASK"}, {&ConsoleForm::Command5_Click, "QID"},
        {&ConsoleForm::Command8_Click, "SEQ0"},   {&ConsoleForm::Command9_Click, "SEQ1"},
        {&ConsoleForm::Command10_Click, "SEQ2"},  {&ConsoleForm::Command11_Click, "SEQ3"},
    };
    for (auto [command, word] : cases) {
        Console console;
        console.controls.frameText = "12abc";
        (console.form.*command)();
        EXPECT_EQ(console.port.writes, std::vector<std::string>{Framed(word)});
        EXPECT_EQ(console.controls.frameText, "12abc");
        EXPECT_EQ(console.controls.replyText, "");
    }
}

TEST(FixedCommands, AskingThenTheBoardsAnswerSetsTheBox) {
    Console console;
    console.form.Command4_Click();
    EXPECT_EQ(console.port.writes, std::vector<std::string>{"\x02\x46\x52\x4D\x41\x53\x4B\x03"});
    console.Receive("\x02" "frm0042\x03");
    EXPECT_EQ(console.controls.frameText, "0042");
}
