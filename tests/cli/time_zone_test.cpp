// Times in the host's zone: the stored stamps are local time, written with the zone's offset in RFC 3339 or
// moved to UTC, and --since/--until read in the forms administrators type, in zones with half-hour offsets,
// across daylight-saving changes and across the end of a day or year.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "cli/query_options.h"
#include "cli/run_support.h"
#include "platform/system.h"
#include "render/entry_formats.h"
#include "render/prometheus.h"

namespace kestrav {
namespace {

using clitest::ScopedZone;

TEST(TimeZones, StampsWithTheZonesOffsetAndInUtc) {
    struct Case {
        const char* zone;
        LogTime stamp;
        std::string local; // empty: invalid stamp, nothing written
        std::string utc;
    };
    const Case cases[] = {
        {"Asia/Tokyo", {20, 26, 12, 9, 11, 16}, "2026-12-09T11:16:00+09:00", "2026-12-09T02:16:00Z"},
        {"Asia/Kolkata", {20, 26, 12, 9, 11, 16}, "2026-12-09T11:16:00+05:30", "2026-12-09T05:46:00Z"},
        {"Asia/Kathmandu", {20, 26, 12, 9, 0, 10}, "2026-12-09T00:10:00+05:45", "2026-12-08T18:25:00Z"},
        {"America/St_Johns", {20, 26, 12, 9, 11, 16}, "2026-12-09T11:16:00-03:30", "2026-12-09T14:46:00Z"},
        {"America/St_Johns", {20, 26, 7, 1, 22, 0}, "2026-07-01T22:00:00-02:30", "2026-07-02T00:30:00Z"},
        // Daylight saving starts and ends: the minute before and the first minute after the change.
        {"Europe/Berlin", {20, 26, 3, 29, 1, 59}, "2026-03-29T01:59:00+01:00", "2026-03-29T00:59:00Z"},
        {"Europe/Berlin", {20, 26, 3, 29, 3, 0}, "2026-03-29T03:00:00+02:00", "2026-03-29T01:00:00Z"},
        {"Europe/Berlin", {20, 26, 10, 25, 0, 59}, "2026-10-25T00:59:00+02:00", "2026-10-24T22:59:00Z"},
        {"Europe/Berlin", {20, 26, 10, 25, 3, 0}, "2026-10-25T03:00:00+01:00", "2026-10-25T02:00:00Z"},
        {"America/New_York", {20, 26, 3, 8, 1, 59}, "2026-03-08T01:59:00-05:00", "2026-03-08T06:59:00Z"},
        {"America/New_York", {20, 26, 3, 8, 3, 0}, "2026-03-08T03:00:00-04:00", "2026-03-08T07:00:00Z"},
        {"Pacific/Kiritimati", {20, 26, 1, 1, 5, 0}, "2026-01-01T05:00:00+14:00", "2025-12-31T15:00:00Z"},
        {"UTC", {20, 28, 2, 29, 23, 59}, "2028-02-29T23:59:00+00:00", "2028-02-29T23:59:00Z"},
        // Years of fewer or more than four digits.
        {"UTC", {0, 9, 1, 1, 0, 5}, "0009-01-01T00:05:00+00:00", "0009-01-01T00:05:00Z"},
        {"America/New_York", {99, 99, 12, 31, 20, 0}, "9999-12-31T20:00:00-05:00", "10000-01-01T01:00:00Z"},
        {"Asia/Tokyo", {20, 26, 2, 29, 10, 5}, "", ""},
        {"Asia/Tokyo", {20, 26, 12, 9, 24, 0}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.local);
        const ScopedZone zone(c.zone);
        std::string local;
        std::string utc;
        EXPECT_EQ(AppendRfc3339Time(local, c.stamp, false), !c.local.empty());
        EXPECT_EQ(AppendRfc3339Time(utc, c.stamp, true), !c.utc.empty());
        EXPECT_EQ(local, c.local);
        EXPECT_EQ(utc, c.utc);
    }
}

// The metrics' newest update time: the zone's offset at the stamp, daylight saving or not, is taken off.
TEST(TimeZones, EpochSecondsOfStamps) {
    struct Case {
        const char* zone;
        LogTime stamp;
        std::time_t seconds;
    };
    const Case cases[] = {
        {"UTC", {20, 28, 2, 29, 23, 59}, 1835481540},
        {"Asia/Kathmandu", {20, 26, 12, 9, 0, 10}, 1796754300},
        {"Europe/Berlin", {20, 26, 3, 29, 3, 0}, 1774746000},
        {"Europe/Berlin", {20, 26, 10, 25, 0, 59}, 1792882740},
        {"America/New_York", {20, 26, 3, 8, 1, 59}, 1772953140},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        const ScopedZone zone(c.zone);
        EXPECT_EQ(StampEpochSeconds(c.stamp), c.seconds);
    }
}

// The listing and CSV stay as they were without --utc, whatever the zone; with it they show UTC.
TEST(TimeZones, ListingAndCsvMoveOnlyWithUtc) {
    const LogEntry entry = clitest::MakeEntry(7, 2, 33, 2, LogTime{20, 26, 12, 31, 20, 0},
                                              LogTime{20, 26, 12, 9, 11, 16}, 1, "n");
    const ScopedZone zone("Asia/Kolkata");
    const char* language = std::getenv("LC_ALL");
    const std::string kept = language != nullptr ? language : "";
    ::setenv("LC_ALL", "C", 1);
    std::string csv;
    AppendCsvRow(csv, entry);
    EXPECT_NE(csv.find(",2026-12-09T11:16,2026-12-31T20:00,"), std::string::npos) << csv;
    csv.clear();
    AppendCsvRow(csv, entry, true);
    EXPECT_NE(csv.find(",2026-12-09T05:46:00Z,2026-12-31T14:30:00Z,"), std::string::npos) << csv;
    std::string list;
    const LogEntry entries[] = {entry};
    AppendListLine(list, MeasureListing(entries, true), entry, true);
    EXPECT_NE(list.find("12/9/2026 5:46 AM  12/31/2026 2:30 PM"), std::string::npos) << list;
    if (language != nullptr) {
        ::setenv("LC_ALL", kept.c_str(), 1);
    } else {
        ::unsetenv("LC_ALL");
    }
}

TEST(TimeZones, SinceAndUntilForms) {
    struct Case {
        std::string value;
        MinuteKey since;
        MinuteKey until;
    };
    const Case cases[] = {
        {"2026-12-08", 202612080000, 202612082359},
        {"2026-12-08T14:05", 202612081405, 202612081405},
        {"2026-12-08 14:05", 202612081405, 202612081405},
        // Stamps hold whole minutes: a time with seconds starts with the next minute, ends with its own.
        {"2026-12-08T14:05:00", 202612081405, 202612081405},
        {"2026-12-08 14:05:30", 202612081406, 202612081405},
        {"2026-12-31T23:59:59", 202701010000, 202612312359},
        // An instant given with its zone is the host's local time at that instant (here +09:00).
        {"2026-12-08T05:05Z", 202612081405, 202612081405},
        {"2026-12-08T14:05+09:00", 202612081405, 202612081405},
        {"2026-12-07T23:35-06:00", 202612081435, 202612081435},
        {"2026-12-08 20:05:30+05:30", 202612082336, 202612082335},
        {"2026-12-31T15:00:00Z", 202701010000, 202701010000},
    };
    const ScopedZone zone("Asia/Tokyo");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const std::string since = "--since=" + c.value;
        const std::string until = "--until=" + c.value;
        const std::vector<std::string_view> arguments = {since, until};
        const QueryOptions options = ParseQueryOptions(arguments);
        ASSERT_EQ(options.action, QueryAction::Print) << options.error;
        EXPECT_EQ(options.filter.since, c.since);
        EXPECT_EQ(options.filter.until, c.until);
    }
    // today and yesterday are the host's local dates.
    const std::tm now = platform::LocalTimeNow();
    const MinuteKey today =
        ((static_cast<MinuteKey>(now.tm_year + 1900) * 100 + now.tm_mon + 1) * 100 + now.tm_mday) * 10000;
    const std::vector<std::string_view> days = {"--since=yesterday", "--until=today"};
    const QueryOptions options = ParseQueryOptions(days);
    ASSERT_EQ(options.action, QueryAction::Print) << options.error;
    EXPECT_EQ(options.filter.until, today + 2359);
    ASSERT_TRUE(options.filter.since.has_value());
    EXPECT_LT(*options.filter.since, today);
    EXPECT_EQ(*options.filter.since % 10000, 0);
    EXPECT_GE(*options.filter.since, today - 10000 * 100); // at most a month back, at the turn of a month
}

} // namespace
} // namespace kestrav
