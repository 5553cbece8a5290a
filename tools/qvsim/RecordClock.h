#pragma once
// Date and time stamps of history records: the newest record carries the
// configured date and time, each older one timeStep seconds earlier.
#include <string>

#include "SimConfig.h"

namespace kivelo::qvsim {

struct RecordStamp {
    long long day = 0;  // days since 1970-01-01
    int secondOfDay = 0;
};

RecordStamp StampOfAge(const SimConfig& config, int age);
std::string FormatDate(long long day);    // "YYYY/MM/DD"
std::string FormatTime(int secondOfDay);  // "hh:mm:ss"

}  // namespace kivelo::qvsim
