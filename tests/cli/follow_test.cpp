// The follower's core: which entries a read emits given what was seen, what a clear or an incomplete read
// does to the state, the state file's text and its refusal of damaged files; the journal fields of an
// entry; the options of follow and metrics runs; the metrics text.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <string>
#include <vector>

#include "app/follow_state.h"
#include "cli/entry_support.h"
#include "cli/query_options.h"
#include "platform/journal.h"
#include "platform/system.h"
#include "render/journal_fields.h"
#include "render/prometheus.h"

namespace kestrav {
namespace {

using clitest::MakeEntry;

const LogTime Dec7{20, 26, 12, 7, 14, 5};
const LogTime Dec8{20, 26, 12, 8, 9, 30};

LogEntry Entry(uint32_t number, uint8_t severity = 9, uint32_t count = 1, LogTime update = Dec7) {
    return MakeEntry(number, severity, 41, 1, Dec7, update, count, std::string("\0Fan 3", 6));
}

FollowState Seen(const std::vector<LogEntry>& entries) {
    return FollowSnapshot({}, entries, true).next;
}

TEST(FollowSnapshot, EmitsNewAndChangedEntriesOnce) {
    const std::vector<LogEntry> log = {Entry(1), Entry(2), Entry(5)};
    const LogEntry cleared = MakeEntry(9, 2, 33, 1, Dec8, Dec8, 1, "root");
    struct Case {
        const char* what;
        std::vector<LogEntry> before; // seen already
        std::vector<LogEntry> now;    // the read
        bool whole;
        std::vector<FollowEmit> emit;
        size_t gone;
    };
    const std::vector<Case> cases = {
        {"a first read emits everything",
         {},
         log,
         true,
         {{0, EntryChange::New}, {1, EntryChange::New}, {2, EntryChange::New}},
         0},
        {"nothing changed", log, log, true, {}, 0},
        {"an entry added at the end",
         log,
         {Entry(1), Entry(2), Entry(5), Entry(6)},
         true,
         {{3, EntryChange::New}},
         0},
        {"a repeated event raises the count",
         log,
         {Entry(1), Entry(2, 9, 2, Dec8), Entry(5)},
         true,
         {{1, EntryChange::Changed}},
         0},
        {"marked repaired",
         log,
         {Entry(1, 6, 1, Dec8), Entry(2), Entry(5)},
         true,
         {{0, EntryChange::Changed}},
         0},
        {"only the update time",
         log,
         {Entry(1), Entry(2), Entry(5, 9, 1, Dec8)},
         true,
         {{2, EntryChange::Changed}},
         0},
        {"an entry between two seen ones", {Entry(1), Entry(5)}, log, true, {{1, EntryChange::New}}, 0},
        {"cleared by someone else: the who-cleared entry and what follows",
         log,
         {cleared, Entry(10)},
         true,
         {{0, EntryChange::New}, {1, EntryChange::New}},
         3},
        {"cleared, numbering again from 1",
         log,
         {MakeEntry(1, 2, 33, 1, Dec8, Dec8, 1, "root")},
         true,
         {{0, EntryChange::Changed}},
         2},
        {"cleared and nothing stored since", log, {}, true, {}, 3},
        {"an incomplete read loses nothing seen",
         log,
         {Entry(1), Entry(6)},
         false,
         {{1, EntryChange::New}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FollowState before = Seen(c.before);
        const FollowStep step = FollowSnapshot(before, c.now, c.whole);
        EXPECT_EQ(step.emit, c.emit);
        EXPECT_EQ(step.gone, c.gone);
        // The next read of the same log emits nothing: nothing is repeated.
        EXPECT_TRUE(FollowSnapshot(step.next, c.now, c.whole).emit.empty());
        for (const SeenEntry& seen : before.seen) {
            const bool kept =
                std::find(step.next.seen.begin(), step.next.seen.end(), seen) != step.next.seen.end();
            bool reread = false;
            for (const LogEntry& entry : c.now) {
                reread = reread || entry.EventNumber() == seen.number;
            }
            EXPECT_TRUE(kept || reread || c.whole) << "entry " << seen.number << " forgotten";
        }
        for (size_t i = 1; i < step.next.seen.size(); ++i) {
            EXPECT_LT(step.next.seen[i - 1].number, step.next.seen[i].number);
        }
    }
}

TEST(FollowSnapshot, TheHighestNumberStaysAfterAClear) {
    const FollowState before = Seen({Entry(1), Entry(70)});
    EXPECT_EQ(before.lastNumber, 70u);
    EXPECT_EQ(FollowSnapshot(before, std::vector<LogEntry>{Entry(3)}, true).next.lastNumber, 70u);
}

TEST(FollowState, SurvivesItsFile) {
    const FollowState states[] = {
        {},
        Seen({Entry(1), Entry(2, 15, 3), Entry(4294967295u)}),
    };
    for (const FollowState& state : states) {
        FollowState parsed;
        parsed.lastNumber = 99;
        std::string error;
        ASSERT_TRUE(ParseFollowState(FormatFollowState(state), parsed, error)) << error;
        EXPECT_EQ(parsed, state);
    }
    EXPECT_EQ(
        FormatFollowState(Seen({Entry(3)})), "kestrav follow state 1\nlast 3\n3 " + [] {
            char hex[17];
            std::snprintf(hex, sizeof hex, "%016llx",
                          static_cast<unsigned long long>(EntryFingerprint(Entry(3))));
            return std::string(hex);
        }() + "\n");
}

TEST(FollowState, DamagedFilesAreRefused) {
    const std::string header = "kestrav follow state 1\n";
    const std::string entry = "3 00000000000000ab\n";
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"", "line 1 is not \"kestrav follow state 1\""},
        {"kestrav follow state 2\nlast 1\n", "line 1 is not \"kestrav follow state 1\""},
        {header, "line 2 is not \"last NUMBER\""},
        {header + "last\n", "line 2 is not \"last NUMBER\""},
        {header + "last -1\n", "line 2 is not \"last NUMBER\""},
        {header + "last 4294967296\n", "line 2 is not \"last NUMBER\""},
        {header + "last 3", "line 2 is not \"last NUMBER\""},
        {header + "last 3\n3 ab\n", "line 3 is not an entry in order (NUMBER FINGERPRINT)"},
        {header + "last 3\n3 00000000000000ag\n", "line 3 is not an entry in order (NUMBER FINGERPRINT)"},
        {header + "last 3\n" + entry + entry, "line 4 is not an entry in order (NUMBER FINGERPRINT)"},
        {header + "last 3\n" + entry + "2 00000000000000ab\n",
         "line 4 is not an entry in order (NUMBER FINGERPRINT)"},
        {header + "last 2\n" + entry, "line 3 is not an entry in order (NUMBER FINGERPRINT)"},
        {header + "last 3\n3 00000000000000ab", "line 3 is not an entry in order (NUMBER FINGERPRINT)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FollowState state = Seen({Entry(8)});
        const FollowState before = state;
        std::string error;
        EXPECT_FALSE(ParseFollowState(c.text, state, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(state, before);
    }
}

TEST(Journal, FieldsOfAnEntry) {
    const LogEntry entry = Entry(2, 15, 3, Dec8);
    const std::vector<std::string> fields = JournalFields(entry);
    ASSERT_EQ(fields.size(), 13u);
    const std::vector<std::string> expected = {
        "PRIORITY=2",
        "SYSLOG_IDENTIFIER=kestrav",
        "CVR_EVENT_NUMBER=2",
        "CVR_CLASS=41",
        "CVR_CLASS_NAME=Interlock",
        "CVR_CODE=1",
        "CVR_SEVERITY=15",
        "CVR_SEVERITY_NAME=Critical",
        "CVR_COUNT=3",
        "CVR_UPDATE_TIME=2026-12-08T09:30",
        "CVR_INITIAL_TIME=2026-12-07T14:05",
    };
    EXPECT_TRUE(fields[0].starts_with("MESSAGE=") && fields[0].size() > 8);
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 1, fields.begin() + 12), expected);
    EXPECT_EQ(fields[12].substr(0, 24), "CVR_RAW=230002000000010f");
    EXPECT_EQ(fields[12].size(), 8u + 512u);
}

#ifndef _WIN32
// An entry reaches the journal whole, in the native protocol's binary form, or its sending is an error: a
// journal that is not there or does not take the entry is never a silent loss.
TEST(Journal, AnEntryArrivesWholeOrIsAnError) {
    const std::string datagram = JournalDatagram({"MESSAGE=two\nlines", "PRIORITY=2"});
    EXPECT_EQ(datagram, std::string("MESSAGE\n\x09\0\0\0\0\0\0\0two\nlines\nPRIORITY\n\x01\0\0\0\0\0\0\0"
                                    "2\n",
                                    45));
    struct Case {
        const char* what;
        const char* path; // nullptr: to the connected peer
        bool full;        // the peer's queue filled first, the sender not waiting
        int error;
    };
    const Case cases[] = {
        {"a journal that reads", nullptr, false, 0},
        {"no journal", "/nonexistent/journal/socket", false, ENOENT},
        {"a journal that reads nothing", nullptr, true, EAGAIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int pair[2] = {-1, -1};
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
        if (c.full) {
            fcntl(pair[0], F_SETFL, O_NONBLOCK);
            while (send(pair[0], datagram.data(), datagram.size(), 0) >= 0) {
            }
        }
        EXPECT_EQ(SendJournalDatagram(pair[0], c.path, datagram), c.error);
        if (c.error == 0) {
            std::string got(datagram.size() + 1, '\0');
            EXPECT_EQ(recv(pair[1], got.data(), got.size(), 0), static_cast<ssize_t>(datagram.size()));
            got.resize(datagram.size());
            EXPECT_EQ(got, datagram);
        }
        close(pair[0]);
        close(pair[1]);
    }
}
#endif

TEST(Journal, PriorityOfEachSeverity) {
    const std::pair<uint8_t, int> cases[] = {{15, 2}, {9, 4}, {6, 5}, {2, 6}, {3, 6}, {0, 6}, {255, 6}};
    for (auto [severity, priority] : cases) {
        EXPECT_EQ(JournalPriority(severity), priority) << int(severity);
    }
}

QueryOptions Parse(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    return ParseQueryOptions(views);
}

TEST(FollowOptions, CombinationsAndValues) {
    struct Case {
        std::vector<std::string> args;
        std::string error; // "" when valid
    };
    const std::string need = "--interval, --state and --journal need --follow";
    const std::vector<Case> cases = {
        {{"--follow"}, ""},
        {{"--follow", "--json", "--interval=1", "--state=s", "--severity=critical"}, ""},
        {{"--follow", "--interval=86400"}, ""},
        {{"--interval=5"}, need},
        {{"--list", "--state=s"}, need},
        {{"--json", "--interval=2", "--follow"}, ""},
        {{"--follow", "--interval=0"}, "--interval: invalid interval '0' (seconds, 1 to 86400)"},
        {{"--follow", "--interval=86401"}, "--interval: invalid interval '86401' (seconds, 1 to 86400)"},
        {{"--follow", "--interval=1s"}, "--interval: invalid interval '1s' (seconds, 1 to 86400)"},
        {{"--follow", "--state="}, "--state: the file name is empty"},
        {{"--follow", "--csv"}, "--follow cannot be combined with --csv or --last"},
        {{"--follow", "--last=3"}, "--follow cannot be combined with --csv or --last"},
        {{"--follow", "--input=cvr.bin"},
         "--follow reads the health device: it cannot be combined with --dump or --input"},
        {{"--follow", "--dump=cvr.bin"},
         "--follow reads the health device: it cannot be combined with --dump or --input"},
        {{"--follow", "--follow"}, "option '--follow' can be given only once"},
        {{"--follow=1"}, "option '--follow' takes no value"},
        {{"--metrics=m.prom"}, ""},
        {{"--metrics="}, "--metrics: the file name is empty"},
        {{"--metrics=m", "--json"}, "--metrics cannot be combined with other options"},
        {{"--follow", "--metrics=m"}, "--metrics cannot be combined with other options"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const QueryOptions options = Parse(c.args);
        EXPECT_EQ(options.action, c.error.empty() ? QueryAction::Print : QueryAction::Invalid);
        EXPECT_EQ(options.error, c.error);
    }
    const QueryOptions options = Parse({"--follow", "--json", "--interval=7", "--state=/s"});
    EXPECT_TRUE(options.follow);
    EXPECT_EQ(options.interval, 7u);
    EXPECT_EQ(options.statePath, "/s");
    EXPECT_EQ(Parse({"--follow"}).interval, 10u);
    EXPECT_EQ(Parse({"--metrics=/m"}).metricsPath, "/m");
}

// Each system's own destination of a follower; the other system's is refused as the options are read.
TEST(FollowOptions, DestinationsWhereTheBuildHasThem) {
    const std::string noJournal =
        "--journal: this build cannot write to the system journal (only Linux builds can)";
    const std::string noEventLog =
        "--eventlog: this build cannot write to the Windows Event Log (only Windows builds can)";
    const std::string everyEntry =
        "--eventlog reports every entry: it cannot be combined with --list, --json or a filter";
    struct Case {
        std::vector<std::string> args;
        std::string linuxError;   // "" when valid
        std::string windowsError; // "" when valid
    };
    const std::vector<Case> cases = {
        {{"--follow", "--journal"}, "", noJournal},
        {{"--journal"}, "--interval, --state and --journal need --follow", noJournal},
        {{"--follow", "--journal", "--json"},
         "--journal cannot be combined with --list or --json",
         noJournal},
        {{"--follow", "--eventlog"}, noEventLog, ""},
        {{"--follow", "--eventlog", "--interval=5", "--state=C:\\s", "--utc"}, noEventLog, ""},
        {{"--eventlog"}, noEventLog, "--eventlog needs --follow"},
        {{"--follow", "--eventlog", "--list"}, noEventLog, everyEntry},
        {{"--json", "--follow", "--eventlog"}, noEventLog, everyEntry},
        {{"--follow", "--eventlog", "--severity=critical"}, noEventLog, everyEntry},
        {{"--follow", "--eventlog=1"},
         "option '--eventlog' takes no value",
         "option '--eventlog' takes no value"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args) {
            line += arg + " ";
        }
        SCOPED_TRACE(line);
        const std::string& error = platform::WindowsHost ? c.windowsError : c.linuxError;
        const QueryOptions options = Parse(c.args);
        EXPECT_EQ(options.action, error.empty() ? QueryAction::Print : QueryAction::Invalid);
        EXPECT_EQ(options.error, error);
        if (error.empty()) {
            EXPECT_EQ(options.journal, !platform::WindowsHost);
            EXPECT_EQ(options.eventLog, platform::WindowsHost);
        }
    }
}

TEST(Metrics, TextOfAReadAndOfAFailure) {
    const LogTime invalid{20, 26, 13, 1, 0, 0};
    const std::vector<LogEntry> entries = {
        Entry(3, 15),
        Entry(4, 15),
        Entry(7, 2, 1, Dec8),
        MakeEntry(12, 6, 2, 4, Dec7, invalid, 1, ""),
        MakeEntry(9, 3, 41, 1, Dec7, Dec7, 1, ""),
    };
    const std::string text = FormatMetrics({true, false, entries});
    const std::time_t dec8 = *StampEpochSeconds(Dec8);
    const std::string expected =
        "# HELP kestrav_log_read_ok Whether the log could be read: 0 when there is no device or it does not "
        "keep the log.\n"
        "# TYPE kestrav_log_read_ok gauge\n"
        "kestrav_log_read_ok 1\n"
        "# HELP kestrav_log_read_complete Whether the last read of the log was complete: 0 when entries "
        "could "
        "not be read.\n"
        "# TYPE kestrav_log_read_complete gauge\n"
        "kestrav_log_read_complete 0\n"
        "# HELP kestrav_log_entries Entries in the log by severity and class.\n"
        "# TYPE kestrav_log_entries gauge\n"
        "kestrav_log_entries{severity=\"critical\",class=\"41\",class_name=\"Interlock\"} 2\n"
        "kestrav_log_entries{severity=\"informational\",class=\"41\",class_name=\"Interlock\"} 2\n"
        "kestrav_log_entries{severity=\"repaired\",class=\"2\",class_name=\"Machine Environment\"} 1\n"
        "# HELP kestrav_log_entries_count Entries in the log.\n"
        "# TYPE kestrav_log_entries_count gauge\n"
        "kestrav_log_entries_count 5\n"
        "# HELP kestrav_log_highest_event_number The highest event number in the log.\n"
        "# TYPE kestrav_log_highest_event_number gauge\n"
        "kestrav_log_highest_event_number 12\n"
        "# HELP kestrav_log_newest_update_time_seconds The newest update time of an entry, in seconds since "
        "the epoch (stamps are local time).\n"
        "# TYPE kestrav_log_newest_update_time_seconds gauge\n"
        "kestrav_log_newest_update_time_seconds " +
        std::to_string(dec8) + "\n";
    EXPECT_EQ(text, expected);

    const std::string failed = FormatMetrics({false, false, {}});
    EXPECT_NE(failed.find("kestrav_log_read_ok 0\n"), std::string::npos);
    EXPECT_NE(failed.find("kestrav_log_read_complete 0\n"), std::string::npos);
    EXPECT_EQ(failed.find("kestrav_log_entries"), std::string::npos);
}

TEST(Metrics, EpochSecondsOfStamps) {
    EXPECT_EQ(*StampEpochSeconds(Dec8) - *StampEpochSeconds(Dec7), 19 * 3600 + 25 * 60);
    EXPECT_FALSE(StampEpochSeconds(LogTime{20, 26, 2, 30, 0, 0}));
    EXPECT_FALSE(StampEpochSeconds(LogTime{20, 26, 12, 7, 24, 0}));
}

} // namespace
} // namespace kestrav
