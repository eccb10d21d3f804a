#include "render/civil_time.h"

#include <ctime>

#include "platform/system.h"
#include "record/stamp.h"

namespace kestrav {

namespace {

constexpr int64_t SecondsPerDay = 86400;

// Days since 1970-01-01 of a date, counting years from March so that the leap day ends a year.
int64_t DaysFromCivil(int year, int month, int day) {
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = FloorDivide(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

int64_t FloorDivide(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

std::optional<CivilTime> StampCivil(const LogTime& stamp) {
    if (!StampMinute(stamp)) {
        return std::nullopt;
    }
    CivilTime time;
    time.year = stamp.century * 100 + stamp.year;
    time.month = stamp.month;
    time.day = stamp.day;
    time.hour = stamp.hour;
    time.minute = stamp.minute;
    return time;
}

int64_t CivilSeconds(const CivilTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * SecondsPerDay + time.hour * 3600 +
           time.minute * 60 + time.second;
}

CivilTime CivilFromSeconds(int64_t seconds) {
    const int64_t days = FloorDivide(seconds, SecondsPerDay);
    const int64_t inDay = seconds - days * SecondsPerDay;
    const int64_t z = days + 719468;
    const int64_t era = FloorDivide(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay / 60 % 60);
    time.second = static_cast<int>(inDay % 60);
    return time;
}

bool HostOffsetAt(const CivilTime& local, int64_t& offset) {
    std::tm wall{};
    wall.tm_year = local.year - 1900;
    wall.tm_mon = local.month - 1;
    wall.tm_mday = local.day;
    wall.tm_hour = local.hour;
    wall.tm_min = local.minute;
    wall.tm_sec = local.second;
    int64_t instant = 0;
    if (!platform::LocalTimeToInstant(wall, instant)) {
        return false;
    }
    offset = CivilSeconds(local) - instant;
    return true;
}

bool LocalTimeAt(int64_t instant, CivilTime& local) {
    std::tm wall{};
    if (!platform::InstantToLocalTime(instant, wall)) {
        return false;
    }
    local.year = wall.tm_year + 1900;
    local.month = wall.tm_mon + 1;
    local.day = wall.tm_mday;
    local.hour = wall.tm_hour;
    local.minute = wall.tm_min;
    local.second = wall.tm_sec;
    return true;
}

} // namespace kestrav
