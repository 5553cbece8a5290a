#pragma once
// The plug-in input modules of the QV8 recorders, by the code "WAV:MODU?"
// answers: name, vertical scaling and where the unit comes from.
#include <string>
#include <string_view>

namespace kivelo::InputModule {

enum class UnitSource {
    None,         // no unit known: "?"
    Voltage,      // "CHAN%d:VOLT:LSC:MODE?": "V" when 0, else "?"
    Temperature,  // "CHAN%d:TEMP:UNIT?": the answer itself
    Strain,       // "CHAN%d:STR:LSC:MODE?": "uSTR" when 0, else "?"
};

// "HS_ISOL", "HS", "HR_HV", "HR", "TEMP", "LOGIC", "STRAIN", or "?".
std::string_view Name(int code);
bool IsLogic(int code);
// Physical units per raw step for the range the instrument answered.
double Resolution(int code, double range);
UnitSource UnitSourceOf(int code);
// The query after "CHAN%d" for a unit source other than None.
std::string_view UnitQuery(UnitSource source);
std::string UnitFromAnswer(UnitSource source, std::string_view answer);

}  // namespace kivelo::InputModule
