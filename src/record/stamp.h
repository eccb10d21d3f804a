// The log's stamps as calendar minutes: whether a stored stamp is a valid date and time, and the minute it
// names as one ordered number, for filters, sorting and conversions alike.
#pragma once

#include <cstdint>
#include <optional>

#include "record/log_entry.h"

namespace kestrav {

// A minute of local time as one ordered number, YYYYMMDDHHMM.
using MinuteKey = int64_t;

// Whether year (1 to 9999), month and day name a day of the proleptic Gregorian calendar.
bool IsCalendarDate(int year, int month, int day);
// The minute's key; the parts are taken as valid.
MinuteKey MinuteKeyOf(int year, int month, int day, int hour, int minute);

// The minute of a stored timestamp; unset when its bytes are not a valid date and time (year 1 to 9999 as
// century * 100 + year in century, a calendar day, hour 0 to 23, minute 0 to 59).
std::optional<MinuteKey> StampMinute(const LogTime& time);

} // namespace kestrav
