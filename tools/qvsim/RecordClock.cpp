#include "RecordClock.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace kivelo::qvsim {
namespace {

// Civil calendar <-> day number (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

}  // namespace

RecordStamp StampOfAge(const SimConfig& config, int age) {
    const long long y = std::atoll(config.date.substr(0, 4).c_str());
    const auto m = static_cast<unsigned>(std::atoi(config.date.substr(5, 2).c_str()));
    const auto d = static_cast<unsigned>(std::atoi(config.date.substr(8, 2).c_str()));
    const long long total =
        DaysFromCivil(y, m, d) * 86400 + config.timeOfDay - static_cast<long long>(age) * config.timeStep;
    const long long day = (total >= 0 ? total : total - 86399) / 86400;
    return RecordStamp{day, static_cast<int>(total - day * 86400)};
}

std::string FormatDate(long long day) {
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%04lld/%02u/%02u", y, m, d);
    return buf.data();
}

std::string FormatTime(int secondOfDay) {
    std::array<char, 16> buf{};
    std::snprintf(buf.data(), buf.size(), "%02d:%02d:%02d", secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return buf.data();
}

}  // namespace kivelo::qvsim
