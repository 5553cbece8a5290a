// Answer conversions, answer reads and identification by "*IDN?".
#include <gtest/gtest.h>

#include <climits>
#include <cfloat>

#include "AnswerText.h"
#include "IdentifyInstrument.h"
#include "PortText.h"
#include "ScriptedPort.h"

namespace kivelo {
namespace {

using test::ScriptedPort;

TEST(AnswerText, WholeNumbersAreLeadingSignedDecimalsAndSaturate) {
    EXPECT_EQ(ParseWhole("1234"), 1234);
    EXPECT_EQ(ParseWhole("  -12abc"), -12);
    EXPECT_EQ(ParseWhole("+7,3"), 7);
    EXPECT_EQ(ParseWhole("abc"), 0);
    EXPECT_EQ(ParseWhole(""), 0);
    EXPECT_EQ(ParseWhole("-"), 0);
    EXPECT_EQ(ParseWhole("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseWhole("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseWhole("-99999999999999999999999"), INT_MIN);
}

TEST(AnswerText, RealsAcceptDecimalFormsOnly) {
    EXPECT_DOUBLE_EQ(ParseReal("1.0000000E-03"), 1e-3);
    EXPECT_DOUBLE_EQ(ParseReal(" -5.0V"), -5.0);
    EXPECT_DOUBLE_EQ(ParseReal("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseReal("12.5e"), 12.5);  // an exponent without digits is not one
    EXPECT_DOUBLE_EQ(ParseReal("2E+2x"), 200.0);
    EXPECT_EQ(ParseReal("inf"), 0.0);
    EXPECT_EQ(ParseReal("nan"), 0.0);
    EXPECT_EQ(ParseReal("0x10"), 0.0);
    EXPECT_EQ(ParseReal("."), 0.0);
    EXPECT_EQ(ParseReal("1e999"), DBL_MAX);
    EXPECT_EQ(ParseReal("-1e999"), -DBL_MAX);
    EXPECT_EQ(ParseReal("1e-999"), 0.0);
}

TEST(AnswerText, QuotesAndDivisions) {
    EXPECT_EQ(Unquote("\"2026/12/06\""), "2026/12/06");
    EXPECT_EQ(Unquote("12:00:00"), "12:00:00");
    EXPECT_EQ(Unquote("\""), "");
    EXPECT_EQ(Reciprocal(0.0), 0.0);
    EXPECT_DOUBLE_EQ(Reciprocal(4.0), 0.25);
    EXPECT_EQ(Quotient(1.0, 1e-320), 0.0);  // not finite
    EXPECT_EQ(ClampToInt(1LL << 40), INT_MAX);
    EXPECT_EQ(ClampToInt(-(1LL << 40)), INT_MIN);
}

TEST(ReadAnswer, DropsOneTrailingLfAndBoundsTheText) {
    ScriptedPort port;
    port.fallback = [](const std::string&) { return std::string("1234"); };
    std::string answer;
    ASSERT_TRUE(WriteCommand(port, "X?"));
    ASSERT_TRUE(ReadAnswer(port, answer));
    EXPECT_EQ(answer, "1234");
    EXPECT_EQ(ParseWhole(answer), 1234);

    port.terminator = "";
    ASSERT_TRUE(ReadAnswer(port, answer));
    EXPECT_EQ(answer, "1234");

    port.fallback = [](const std::string&) { return std::string(300, 'a'); };
    ASSERT_TRUE(ReadAnswer(port, answer));
    EXPECT_EQ(answer.size(), kMaxAnswerBytes);

    port.fallback = [](const std::string&) { return std::string("ab\0cd", 5); };
    ASSERT_TRUE(ReadAnswer(port, answer));
    EXPECT_EQ(answer, "ab");

    port.fallback = [](const std::string&) { return std::nullopt; };
    answer = "kept";
    EXPECT_FALSE(ReadAnswer(port, answer));
    EXPECT_EQ(answer, "kept");
}

std::string Idn(int code) { return "ORVANTIS," + std::to_string(code) + ",0,1.23.4"; }

TEST(Identify, EveryKnownModelCodeAndItsSetupCommand) {
    const std::string qv60 = "WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF";
    const std::string lng = "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF";
    const std::string qv31 = "WAV:STAR 0;END 2004000;FORM WORD;DAT ACQD;BYT MSBF";
    const struct {
        int code;
        int model;
        std::string setup;
    } rows[] = {
        {512010, 6010, qv60}, {512020, 6020, qv60}, {512030, 6030, qv60}, {512040, 6010, qv60},
        {514101, 4300, lng},  {514102, 4300, lng},  {514103, 4300, lng},  {514121, 4300, lng},
        {514123, 4300, lng},  {514141, 4300, lng},  {514143, 4300, lng},  {514161, 4300, lng},
        {514163, 4300, lng},  {516001, 3120, qv31}, {516003, 3120, qv31}, {516002, 3140, qv31},
        {516004, 3140, qv31}, {516005, 3140, qv31}, {516006, 3140, qv31}, {518001, 818, lng},
        {518002, 818, lng},   {518003, 826, lng},
    };
    for (const auto& row : rows) {
        ScriptedPort port;
        port.answers["*IDN?"] = Idn(row.code);
        EXPECT_EQ(IdentifyInstrument(port), row.model) << row.code;
        const std::vector<std::string> expected{"W:*IDN?", "R:" + Idn(row.code), "S:" + row.setup};
        EXPECT_EQ(port.log, expected) << row.code;
    }
}

TEST(Identify, UnknownCodesAndFailuresGiveZeroAndSendNothingFurther) {
    for (int code : {514100, 514104, 514120, 514164, 516000, 516007, 518000, 518004, 512050, 0}) {
        ScriptedPort port;
        port.answers["*IDN?"] = Idn(code);
        EXPECT_EQ(IdentifyInstrument(port), 0) << code;
        EXPECT_EQ(port.Commands(), std::vector<std::string>{"*IDN?"}) << code;
    }
    ScriptedPort shortAnswer;
    shortAnswer.answers["*IDN?"] = "ORVANTIS";
    EXPECT_EQ(IdentifyInstrument(shortAnswer), 0);

    ScriptedPort silent;  // read fails
    EXPECT_EQ(IdentifyInstrument(silent), 0);

    ScriptedPort deaf;
    deaf.failingWrites.insert("*IDN?");
    EXPECT_EQ(IdentifyInstrument(deaf), 0);
    EXPECT_EQ(deaf.log.size(), 1u);

    ScriptedPort setupFails;
    setupFails.answers["*IDN?"] = Idn(518003);
    setupFails.failingWrites.insert("WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF");
    EXPECT_EQ(IdentifyInstrument(setupFails), 0);
}

TEST(Identify, ModelCodeIsReadBetweenOffsetsNineAndFifteen) {
    EXPECT_EQ(ModelCodeOf("ORVANTIS,518003,x"), 518003);
    EXPECT_EQ(ModelCodeOf("ORVANTIS,5180031234"), 518003);  // cut at offset 15
    EXPECT_EQ(ModelCodeOf("ORVANTIS,51"), 51);
    EXPECT_EQ(ModelCodeOf("ORVANTIS,"), 0);
    EXPECT_EQ(ModelCodeOf(""), 0);
}

}  // namespace
}  // namespace kivelo
