#include "instrument/drivers/InputModule.h"

#include "instrument/drivers/AnswerText.h"

namespace kivelo::InputModule {

namespace {

constexpr int kNoModule = 0;
constexpr int kTemperature = 520110;
constexpr int kLogic = 520120;
constexpr int kStrain = 520130;
constexpr int kStrainBridge = 520135;
// Volts per raw step and range unit of the voltage modules.
constexpr double kVoltageScale = 0.000125;

}  // namespace

std::string_view Name(int code) {
    switch (code) {
    case 520100:
    case 520105: return "HS_ISOL";
    case 520101:
    case 520106: return "HS";
    case 520102: return "HR_HV";
    case 520103: return "HR";
    case kTemperature: return "TEMP";
    case kLogic: return "LOGIC";
    case kStrain: return "STRAIN";
    default: return "?";
    }
}

bool IsLogic(int code) { return code == kLogic; }

double Resolution(int code, double range) {
    switch (code) {
    case kNoModule:
    case kTemperature:
    case kStrain:
    case kStrainBridge: return range;
    case kLogic: return 1.0;
    default: return range * kVoltageScale;
    }
}

UnitSource UnitSourceOf(int code) {
    switch (code) {
    case kNoModule:
    case kLogic: return UnitSource::None;
    case kTemperature: return UnitSource::Temperature;
    case kStrain:
    case kStrainBridge: return UnitSource::Strain;
    default: return UnitSource::Voltage;
    }
}

std::string_view UnitQuery(UnitSource source) {
    switch (source) {
    case UnitSource::Voltage: return ":VOLT:LSC:MODE?";
    case UnitSource::Temperature: return ":TEMP:UNIT?";
    case UnitSource::Strain: return ":STR:LSC:MODE?";
    case UnitSource::None: break;
    }
    return {};
}

std::string UnitFromAnswer(UnitSource source, std::string_view answer) {
    switch (source) {
    case UnitSource::Voltage: return ParseWhole(answer) == 0 ? "V" : "?";
    case UnitSource::Temperature: return std::string(answer);
    case UnitSource::Strain: return ParseWhole(answer) == 0 ? "uSTR" : "?";
    case UnitSource::None: break;
    }
    return "?";
}

}  // namespace kivelo::InputModule
