// The options of a query run: what each command line asks for, the exact problem named for each bad one, and
// which entries the filters keep.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "cli/query_options.h"

namespace kestrav {
namespace {

QueryOptions Parse(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    return ParseQueryOptions(views);
}

TEST(QueryOptions, EachProblemIsNamed) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::string severityHint = " (critical, caution, repaired, informational or a number 0 to 255)";
    const std::string classHint = " (a number 0 to 65535, decimal or 0x hex)";
    const std::string rangeHint = " (A-B, A-, -B or A, event numbers 0 to 4294967295, A not above B)";
    const std::string timeHint = " (YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with 'T' or a blank, then 'Z' or +HH:MM"
                                 " if not local time; today, yesterday)";
    const std::string countHint = " (a number 0 to 4294967295)";
    const std::vector<Case> cases = {
        {{"--frob"}, "unrecognized option '--frob'"},
        {{"--"}, "unrecognized option '--'"},
        {{"--lis"}, "unrecognized option '--lis'"},
        {{"--frob=1"}, "unrecognized option '--frob'"},
        {{"--list=yes"}, "option '--list' takes no value"},
        {{"--help=me"}, "option '--help' takes no value"},
        {{"--severity"}, "option '--severity' needs a value: --severity=..."},
        {{"--json", "--csv"}, "only one of --list, --json and --csv can be given"},
        {{"--list", "--list"}, "only one of --list, --json and --csv can be given"},
        {{"--class=1", "--class=2"}, "option '--class' can be given only once"},
        {{"--list", "/export:out"}, "the option '/export:out' cannot be combined with '--' options"},
        {{"-CLEAR", "--json"}, "the option '-CLEAR' cannot be combined with '--' options"},
        {{"--list", "status"}, "unexpected argument 'status'"},
        {{"--list", ""}, "unexpected argument ''"},
        {{"--list", "/f:"}, "unexpected argument '/f:'"},
        {{"--list", "-"}, "unexpected argument '-'"},
        {{"--list", "a\nb\x1b"}, "unexpected argument 'a\\nb\\x1B'"},
        // The first problem is the one reported.
        {{"--frob", "--json", "--csv"}, "unrecognized option '--frob'"},
        {{"--severity=bogus"}, "--severity: invalid severity 'bogus'" + severityHint},
        {{"--severity="}, "--severity: invalid severity ''" + severityHint},
        {{"--severity=critical,"}, "--severity: invalid severity ''" + severityHint},
        {{"--severity=256"}, "--severity: invalid severity '256'" + severityHint},
        {{"--severity=-1"}, "--severity: invalid severity '-1'" + severityHint},
        {{"--severity=unknown"}, "--severity: invalid severity 'unknown'" + severityHint},
        {{"--severity= critical"}, "--severity: invalid severity ' critical'" + severityHint},
        {{"--class=65536"}, "--class: invalid class '65536'" + classHint},
        {{"--class=0x10000"}, "--class: invalid class '0x10000'" + classHint},
        {{"--class=maintenance"}, "--class: invalid class 'maintenance'" + classHint},
        {{"--class=+3"}, "--class: invalid class '+3'" + classHint},
        {{"--number="}, "--number: invalid range ''" + rangeHint},
        {{"--number=-"}, "--number: invalid range '-'" + rangeHint},
        {{"--number=5-3"}, "--number: invalid range '5-3'" + rangeHint},
        {{"--number=1-2-3"}, "--number: invalid range '1-2-3'" + rangeHint},
        {{"--number=4294967296"}, "--number: invalid range '4294967296'" + rangeHint},
        {{"--number=0x10"}, "--number: invalid range '0x10'" + rangeHint},
        {{"--since=2026-13-01"}, "--since: invalid time '2026-13-01'" + timeHint},
        {{"--since=2026-02-29"}, "--since: invalid time '2026-02-29'" + timeHint},
        {{"--since=2026-12-8"}, "--since: invalid time '2026-12-8'" + timeHint},
        {{"--since=2026/12/08"}, "--since: invalid time '2026/12/08'" + timeHint},
        {{"--since=0000-01-01"}, "--since: invalid time '0000-01-01'" + timeHint},
        {{"--until=2026-12-08T24:00"}, "--until: invalid time '2026-12-08T24:00'" + timeHint},
        {{"--until=2026-12-08T12:60"}, "--until: invalid time '2026-12-08T12:60'" + timeHint},
        {{"--until=2026-12-08 12:00:60"}, "--until: invalid time '2026-12-08 12:00:60'" + timeHint},
        {{"--until=2026-12-08T12:00+9:00"}, "--until: invalid time '2026-12-08T12:00+9:00'" + timeHint},
        {{"--until=2026-12-08T12:00+24:00"}, "--until: invalid time '2026-12-08T12:00+24:00'" + timeHint},
        {{"--until=2026-12-08T12:00z"}, "--until: invalid time '2026-12-08T12:00z'" + timeHint},
        {{"--until=2026-12-08T12"}, "--until: invalid time '2026-12-08T12'" + timeHint},
        {{"--since=Today"}, "--since: invalid time 'Today'" + timeHint},
        {{"--utc=1"}, "option '--utc' takes no value"},
        {{"--until=2026-12-08t12:00"}, "--until: invalid time '2026-12-08t12:00'" + timeHint},
        {{"--last="}, "--last: invalid count ''" + countHint},
        {{"--last=-1"}, "--last: invalid count '-1'" + countHint},
        {{"--last=4294967296"}, "--last: invalid count '4294967296'" + countHint},
        {{"--dump="}, "--dump: a file name is needed"},
        {{"--input="}, "--input: a file name is needed"},
        {{"--input"}, "option '--input' needs a value: --input=..."},
        {{"--dump=a", "--csv", "--dump=b"}, "option '--dump' can be given only once"},
        {{"--window"}, "--window goes with --input=FILE and nothing else"},
        {{"--input=a", "--window", "--csv"}, "--window goes with --input=FILE and nothing else"},
        {{"--window", "--dump=a"}, "--window goes with --input=FILE and nothing else"},
        {{"--window=yes"}, "option '--window' takes no value"},
        {{"--report="}, "--report: a file name is needed"},
        {{"--follow", "--report=r.html"}, "--follow cannot be combined with --report"},
        {{"--metrics=m", "--report=r.html"}, "--metrics cannot be combined with other options"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        QueryOptions options = Parse(c.args);
        EXPECT_EQ(options.action, QueryAction::Invalid);
        EXPECT_EQ(options.error, c.error);
    }
}

TEST(QueryOptions, WhichEntriesMatch) {
    using clitest::MakeEntry;
    const LogTime Dec7{20, 26, 12, 7, 14, 5};
    const LogTime Dec8Midnight{20, 26, 12, 8, 0, 0};
    const LogTime Dec8Last{20, 26, 12, 8, 23, 59};
    const LogTime BadMonth{20, 26, 13, 8, 10, 0};
    const LogTime BadHour{20, 26, 12, 8, 24, 0};
    const LogEntry note = MakeEntry(5, 2, 33, 2, Dec7, Dec7, 1, "n");
    const LogEntry critical = MakeEntry(6, 15, 41, 1, Dec7, Dec8Midnight, 1, "");
    const LogEntry late = MakeEntry(7, 3, 33, 2, Dec7, Dec8Last, 1, "");
    const LogEntry badMonth = MakeEntry(8, 9, 2, 1, Dec7, BadMonth, 1, "");
    const LogEntry badHour = MakeEntry(9, 9, 2, 1, Dec7, BadHour, 1, "");
    const LogEntry highest = MakeEntry(UINT32_MAX, 7, 300, 1, Dec7, Dec7, 1, "");
    const std::vector<const LogEntry*> all = {&note, &critical, &late, &badMonth, &badHour, &highest};

    struct Case {
        std::vector<std::string> args;
        std::vector<uint32_t> numbers; // of the entries that match
    };
    const std::vector<Case> cases = {
        {{}, {5, 6, 7, 8, 9, UINT32_MAX}},
        {{"--severity=informational"}, {5, 7}},
        {{"--severity=caution,7"}, {8, 9, UINT32_MAX}},
        {{"--class=0x21"}, {5, 7}},
        {{"--class=300,41"}, {6, UINT32_MAX}},
        {{"--number=6-8"}, {6, 7, 8}},
        {{"--number=9-"}, {9, UINT32_MAX}},
        {{"--number=-5"}, {5}},
        // A date alone is its first minute for --since and its last for --until; an invalid update time
        // matches no time filter.
        {{"--since=2026-12-08"}, {6, 7}},
        {{"--until=2026-12-07"}, {5, UINT32_MAX}},
        {{"--until=2026-12-08"}, {5, 6, 7, UINT32_MAX}},
        {{"--since=2026-12-08T00:01"}, {7}},
        {{"--since=2026-12-08T23:59", "--until=2026-12-08T23:59"}, {7}},
        {{"--since=2026-12-09", "--until=2026-12-01"}, {}},
        {{"--severity=informational", "--class=33", "--since=2026-12-08"}, {7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "none" : c.args.front());
        QueryOptions options = Parse(c.args);
        ASSERT_EQ(options.action, QueryAction::Print) << options.error;
        std::vector<uint32_t> matched;
        for (const LogEntry* entry : all) {
            if (EntryMatches(options.filter, *entry)) {
                matched.push_back(entry->EventNumber());
            }
        }
        EXPECT_EQ(matched, c.numbers);
    }
}

TEST(QueryOptions, StampMinuteOfStoredBytes) {
    struct Case {
        LogTime time;
        std::optional<MinuteKey> minute;
    };
    const std::vector<Case> cases = {
        {{20, 26, 12, 8, 14, 5}, 202612081405},
        {{20, 24, 2, 29, 0, 0}, 202402290000},
        {{20, 0, 2, 29, 23, 59}, 200002292359}, // 2000 is a leap year
        {{19, 0, 2, 29, 0, 0}, std::nullopt},   // 1900 is not
        {{20, 26, 2, 29, 10, 5}, std::nullopt},
        {{20, 26, 4, 31, 10, 5}, std::nullopt},
        {{0, 0, 0, 0, 0, 0}, std::nullopt},
        {{0, 1, 1, 1, 0, 0}, 101010000},
        {{20, 26, 12, 8, 24, 0}, std::nullopt},
        {{20, 26, 12, 8, 23, 60}, std::nullopt},
        {{20, 150, 1, 1, 0, 0}, 215001010000}, // the year is century * 100 + year, as the list shows it
        {{99, 99, 12, 31, 23, 59}, 999912312359},
        {{100, 0, 1, 1, 0, 0}, std::nullopt}, // year 10000
        {{255, 255, 255, 255, 255, 255}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StampMinute(c.time), c.minute) << int(c.time.century) << " " << int(c.time.year) << " "
                                                 << int(c.time.month) << " " << int(c.time.day);
    }
}

} // namespace
} // namespace kestrav
