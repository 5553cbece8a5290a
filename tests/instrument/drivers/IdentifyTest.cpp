// Answer conversions, answer reads and identification by "*IDN?".
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>

#include "ScriptedPort.h"
#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/CreateDriver.h"
#include "instrument/drivers/DownloadPlan.h"
#include "instrument/drivers/IdentifyInstrument.h"
#include "instrument/drivers/PortText.h"

namespace kivelo {
namespace {

using test::ScriptedPort;

// Leading signed decimals only, saturating instead of wrapping.
TEST(AnswerText, NumbersFromInstrumentTexts) {
    // clang-format off
    const std::pair<const char*, int> wholes[] = {
        {"1234", 1234}, {"  -12abc", -12}, {"+7,3", 7}, {"abc", 0}, {"", 0}, {"-", 0},
        {"99999999999999999999999", INT_MAX}, {"-2147483648", INT_MIN}, {"-99999999999999999999999", INT_MIN}};
    // clang-format on
    for (const auto& [text, value] : wholes) EXPECT_EQ(ParseWhole(text), value) << text;
    // clang-format off
    const std::pair<const char*, double> reals[] = {
        {"1.0000000E-03", 1e-3}, {" -5.0V", -5.0}, {"+.5", 0.5}, {"12.5e", 12.5}, {"2E+2x", 200.0},
        {"inf", 0.0}, {"nan", 0.0}, {"0x10", 0.0}, {".", 0.0}, {"1e999", DBL_MAX}, {"-1e999", -DBL_MAX},
        {"1e-999", 0.0}};
    // clang-format on
    for (const auto& [text, value] : reals) EXPECT_DOUBLE_EQ(ParseReal(text), value) << text;
    EXPECT_EQ(Unquote("\"2026/12/06\""), "2026/12/06");
    EXPECT_EQ(Unquote("\""), "");
    EXPECT_EQ(Reciprocal(0.0), 0.0);
    EXPECT_EQ(Quotient(1.0, 1e-320), 0.0);  // not finite
}

// One trailing LF dropped, the text bounded and cut at a NUL; a failed read
// leaves the answer alone.
TEST(ReadAnswer, OneBoundedAnswer) {
    const std::pair<std::string, std::string> rows[] = {{"1234\n", "1234"},
                                                        {"1234", "1234"},
                                                        {std::string(300, 'a'), std::string(kMaxAnswerBytes, 'a')},
                                                        {std::string("ab\0cd", 5), "ab"}};
    for (const auto& [sent, read] : rows) {
        ScriptedPort port;
        port.terminator = "";
        port.answers["X?"] = sent;
        std::string answer;
        ASSERT_TRUE(WriteCommand(port, "X?"));
        ASSERT_TRUE(ReadAnswer(port, answer));
        EXPECT_EQ(answer, read);
    }
    ScriptedPort silent;
    std::string answer = "kept";
    EXPECT_FALSE(ReadAnswer(silent, answer));
    EXPECT_EQ(answer, "kept");
}

std::string Idn(int code) { return "ORVANTIS," + std::to_string(code) + ",0,1.23.4"; }

// Every known model code: the model it stands for, the waveform setup sent
// after it and the name the family driver gives it (QV60 names follow the
// code, not the model).
TEST(Identify, EveryKnownModelCode) {
    const std::string qv60 = "WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF";
    const std::string lng = "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF";
    const std::string qv31 = "WAV:STAR 0;END 2004000;FORM WORD;DAT ACQD;BYT MSBF";
    const struct {
        int code;
        int model;
        const std::string& setup;
        const char* name;
    } rows[] = {
        {512010, 6010, qv60, "QV6010"}, {512020, 6020, qv60, "QV6030"},  {512030, 6030, qv60, "QV6020"},
        {512040, 6010, qv60, "QV6030"}, {514101, 4300, lng, "QV4300"},   {514102, 4300, lng, "QV4300"},
        {514103, 4300, lng, "QV4300"},  {514121, 4300, lng, "QV4300"},   {514123, 4300, lng, "QV4300"},
        {514141, 4300, lng, "QV4300"},  {514143, 4300, lng, "QV4300"},   {514161, 4300, lng, "QV4300"},
        {514163, 4300, lng, "QV4300"},  {516001, 3120, qv31, "QV3120"},  {516003, 3120, qv31, "QV3120L"},
        {516002, 3140, qv31, "QV3140"}, {516004, 3140, qv31, "QV3140L"}, {516005, 3140, qv31, "QV3140"},
        {516006, 3140, qv31, "QV3140"}, {518001, 818, lng, "QV818"},     {518002, 818, lng, "QV818E"},
        {518003, 826, lng, "QV826"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        ScriptedPort port;
        port.answers["*IDN?"] = Idn(row.code);
        EXPECT_EQ(IdentifyInstrument(port), row.model);
        EXPECT_EQ(port.log, (std::vector<std::string>{"W:*IDN?", "R:" + Idn(row.code), "S:" + row.setup}));
        DownloadPlan plan;
        const auto driver = CreateDriver(row.model);
        driver->Attach(port, plan);
        std::string name;
        ASSERT_EQ(driver->GetModelName(name), -1);
        EXPECT_EQ(name, row.name);
    }
}

// Unknown codes and failures identify nothing and send nothing further.
TEST(Identify, UnknownCodesAndFailuresGiveZero) {
    for (int code : {514100, 514104, 514120, 514164, 516000, 516007, 518000, 518004, 512050, 0}) {
        ScriptedPort port;
        port.answers["*IDN?"] = Idn(code);
        EXPECT_EQ(IdentifyInstrument(port), 0) << code;
        EXPECT_EQ(port.Commands(), std::vector<std::string>{"*IDN?"}) << code;
    }
    const struct {
        const char* answer;  // nullptr: none
        const char* failingWrite;
    } failures[] = {{"ORVANTIS", ""},
                    {nullptr, ""},
                    {"x", "*IDN?"},
                    {"ORVANTIS,518003,0,1", "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF"}};
    for (const auto& f : failures) {
        ScriptedPort port;
        if (f.answer != nullptr) port.answers["*IDN?"] = f.answer;
        port.failingWrites.insert(f.failingWrite);
        EXPECT_EQ(IdentifyInstrument(port), 0) << f.failingWrite;
    }
    // The code stands at offsets 9..14.
    EXPECT_EQ(ModelCodeOf("ORVANTIS,5180031234"), 518003);
    EXPECT_EQ(ModelCodeOf("ORVANTIS,51"), 51);
    EXPECT_EQ(ModelCodeOf("ORVANTIS,"), 0);
}

}  // namespace
}  // namespace kivelo
