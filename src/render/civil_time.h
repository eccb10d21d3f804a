// Calendar arithmetic for the times of query runs: a wall-clock time as seconds since 1970-01-01 00:00 on
// the same clock, and the host zone's offset from UTC at a wall-clock time. The log's stamps are the host's
// local time.
#pragma once

#include <cstdint>
#include <optional>

#include "record/log_entry.h"

namespace kestrav {

struct CivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// a / b rounded toward minus infinity (b not 0).
int64_t FloorDivide(int64_t a, int64_t b);

// The wall-clock time a stamp of the log names; unset for an invalid stamp.
std::optional<CivilTime> StampCivil(const LogTime& stamp);

// Seconds from 1970-01-01 00:00 to time on the same clock (proleptic Gregorian calendar), and back.
int64_t CivilSeconds(const CivilTime& time);
CivilTime CivilFromSeconds(int64_t seconds);

// The host zone's offset from UTC, in seconds east, at a local wall-clock time: the local time less the
// instant it names. false when the system cannot tell.
bool HostOffsetAt(const CivilTime& local, int64_t& offset);

// The host zone's wall-clock time at an instant (seconds since 1970-01-01 00:00 UTC).
bool LocalTimeAt(int64_t instant, CivilTime& local);

} // namespace kestrav
