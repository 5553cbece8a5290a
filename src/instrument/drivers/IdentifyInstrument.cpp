#include "instrument/drivers/IdentifyInstrument.h"

#include <array>
#include <string>

#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/PortText.h"
#include "port/CInstrumentPort.h"

namespace kivelo {

namespace {

// Setup commands that prepare each family for word-sized, MSB-first blocks.
constexpr std::string_view kSetupQV60 = "WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF";
constexpr std::string_view kSetupLong = "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF";
constexpr std::string_view kSetupQV31 = "WAV:STAR 0;END 2004000;FORM WORD;DAT ACQD;BYT MSBF";

struct ModelRow {
    int firstCode;
    int lastCode;
    int model;
    std::string_view setup;
};

constexpr std::array<ModelRow, 15> kModels{{
    {512010, 512010, ModelId::kQV6010, kSetupQV60},
    {512020, 512020, ModelId::kQV6020, kSetupQV60},
    {512030, 512030, ModelId::kQV6030, kSetupQV60},
    {512040, 512040, ModelId::kQV6010, kSetupQV60},
    {514101, 514103, ModelId::kQV4300, kSetupLong},
    {514121, 514123, ModelId::kQV4300, kSetupLong},
    {514141, 514143, ModelId::kQV4300, kSetupLong},
    {514161, 514163, ModelId::kQV4300, kSetupLong},
    {516001, 516001, ModelId::kQV3120, kSetupQV31},
    {516003, 516003, ModelId::kQV3120, kSetupQV31},
    {516002, 516002, ModelId::kQV3140, kSetupQV31},
    {516004, 516006, ModelId::kQV3140, kSetupQV31},
    {518001, 518002, ModelId::kQV818, kSetupLong},
    {518003, 518003, ModelId::kQV826, kSetupLong},
    {0, -1, ModelId::kNone, {}},
}};

// The model identifier for a model code and the setup command that prepares
// such an instrument for block transfers. Returns 0 (and leaves setup alone)
// for a code the program does not know.
int ModelIdForCode(int modelCode, std::string_view& setupCommand) {
    for (const ModelRow& row : kModels) {
        if (modelCode >= row.firstCode && modelCode <= row.lastCode) {
            setupCommand = row.setup;
            return row.model;
        }
    }
    return ModelId::kNone;
}

}  // namespace

int ModelCodeOf(std::string_view idnAnswer) {
    // "MAKER---,512010,..." : an eight-character maker field and a comma.
    constexpr std::size_t kCodeStart = 9;
    constexpr std::size_t kCodeEnd = 15;
    if (idnAnswer.size() <= kCodeStart) return 0;
    return ParseWhole(idnAnswer.substr(kCodeStart, kCodeEnd - kCodeStart));
}

int IdentifyInstrument(CInstrumentPort& port) {
    std::string answer;
    if (!WriteCommand(port, "*IDN?") || !ReadAnswer(port, answer)) return ModelId::kNone;
    std::string_view setup;
    const int model = ModelIdForCode(ModelCodeOf(answer), setup);
    if (model == ModelId::kNone) return ModelId::kNone;
    if (port.WriteString(setup) != CInstrumentPort::kOk) return ModelId::kNone;
    return model;
}

}  // namespace kivelo
