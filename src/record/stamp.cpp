#include "record/stamp.h"

namespace kestrav {

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

bool IsCalendarDate(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    return day <= (month == 2 && IsLeapYear(year) ? 29 : days[month - 1]);
}

MinuteKey MinuteKeyOf(int year, int month, int day, int hour, int minute) {
    return (((static_cast<MinuteKey>(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute;
}

std::optional<MinuteKey> StampMinute(const LogTime& time) {
    int year = time.century * 100 + time.year;
    if (!IsCalendarDate(year, time.month, time.day) || time.hour > 23 || time.minute > 59) {
        return std::nullopt;
    }
    return MinuteKeyOf(year, time.month, time.day, time.hour, time.minute);
}

} // namespace kestrav
