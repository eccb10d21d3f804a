// The monitoring check's text composed in-process: the threshold ranges, the state and lines for a log's
// entries under default and given limits, the escaping of hostile notes, the cap on entry lines, and a log
// not read whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "render/check_text.h"

namespace kestrav {
namespace {

using clitest::MakeEntry;

const LogTime Dec7{20, 26, 12, 7, 14, 5};

struct Note {
    uint32_t number;
    uint8_t severity;
    std::string text;
};

CheckTally Tally(const std::vector<Note>& notes) {
    CheckTally tally;
    for (const Note& note : notes) {
        tally.Add(MakeEntry(note.number, note.severity, 33, 2, Dec7, Dec7, 1, note.text));
    }
    return tally;
}

CheckRange Range(const char* text) {
    std::optional<CheckRange> range = ParseCheckRange(text);
    EXPECT_TRUE(range) << text;
    return range.value_or(CheckRange{});
}

// Which of the counts 0, 1, 2, 5 and 10 a range alerts on ('A'), or "invalid".
TEST(CheckText, ThresholdRanges) {
    struct Case {
        std::string text;
        std::string alerts;
    };
    const std::vector<Case> cases = {
        {"0", ".AAAA"},    {"2", "...AA"},     {"10", "....."},      {"5:", "AAA.."},      {"~:1", "..AAA"},
        {"2:5", "AA..A"},  {"@2:5", "..AA."},  {"@0", "A...."},      {"@5:", "...AA"},     {"@~:1", "AA..."},
        {"1.5", "..AAA"},  {"-1:1", "..AAA"},  {"0.5:2.5", "A..AA"}, {"", "invalid"},      {"@", "invalid"},
        {"x", "invalid"},  {"5:3", "invalid"}, {"-1", "invalid"},    {"~", "invalid"},     {"~:", "invalid"},
        {":5", "invalid"}, {"1.", "invalid"},  {".5", "invalid"},    {"1:2:3", "invalid"}, {"+1", "invalid"},
        {" 1", "invalid"}, {"1e3", "invalid"}, {"@@1", "invalid"},
    };
    for (const Case& c : cases) {
        std::optional<CheckRange> range = ParseCheckRange(c.text);
        std::string alerts = "invalid";
        if (range) {
            alerts.clear();
            for (uint64_t count : {0, 1, 2, 5, 10}) {
                alerts += range->Alerts(count) ? 'A' : '.';
            }
        }
        EXPECT_EQ(alerts, c.alerts) << "'" << c.text << "'";
    }
}

// The state and every line, for the log's notes under the limits. Critical 15, Caution 9, Repaired 6,
// Informational 2.
TEST(CheckText, StatesAndLines) {
    struct Case {
        std::string name;
        std::vector<Note> notes;
        const char* warning;
        const char* critical;
        CheckState state;
        std::string text;
    };
    const std::string line1 = "#1 Critical, Maintenance, 2026-12-07T14:05: Maintenance note: fan 1\n";
    const std::string line2 = "#2 Critical, Maintenance, 2026-12-07T14:05: Maintenance note: fan 2\n";
    const std::string line4 = "#4 Caution, Maintenance, 2026-12-07T14:05: Maintenance note: disk\n";
    const std::vector<Note> mixed = {
        {1, 15, "fan 1"}, {2, 15, "fan 2"}, {3, 6, "fixed"}, {4, 9, "disk"}, {5, 2, "note"}};
    const std::vector<Case> cases = {
        {"empty log",
         {},
         "0",
         "0",
         CheckState::Ok,
         "CVR OK - no critical or caution entries not repaired | critical=0;;;0 caution=0;;;0 "
         "entries=0;;;0\n"},
        {"repaired and informational only",
         {{1, 6, "a"}, {2, 2, "b"}, {3, 3, "c"}},
         "0",
         "0",
         CheckState::Ok,
         "CVR OK - no critical or caution entries not repaired | critical=0;;;0 caution=0;;;0 "
         "entries=3;;;0\n"},
        {"a caution entry",
         {{1, 2, "a"}, {4, 9, "disk"}},
         "0",
         "0",
         CheckState::Warning,
         "CVR WARNING - 0 critical and 1 caution entries not repaired, newest: Maintenance note: disk | "
         "critical=0;;;0 caution=1;;;0 entries=2;;;0\n" +
             line4},
        {"critical names the newest critical entry, newer caution first in the lines", mixed, "0", "0",
         CheckState::Critical,
         "CVR CRITICAL - 2 critical and 1 caution entries not repaired, newest: Maintenance note: fan 2 | "
         "critical=2;;;0 caution=1;;;0 entries=5;;;0\n" +
             line4 + line2 + line1},
        {"unknown severities count as entries only",
         {{1, 0, "a"}, {2, 255, "b"}},
         "0",
         "0",
         CheckState::Ok,
         "CVR OK - no critical or caution entries not repaired | critical=0;;;0 caution=0;;;0 "
         "entries=2;;;0\n"},
        {"critical entries below the critical limit still warn",
         {{1, 15, "fan 1"}, {2, 15, "fan 2"}},
         "0",
         "2",
         CheckState::Warning,
         "CVR WARNING - 2 critical and 0 caution entries not repaired, newest: Maintenance note: fan 2 | "
         "critical=2;;;0 caution=0;;;0 entries=2;;;0\n" +
             line2 + line1},
        {"within both limits", mixed, "5", "2", CheckState::Ok,
         "CVR OK - 2 critical and 1 caution entries not repaired, newest: Maintenance note: fan 2 | "
         "critical=2;;;0 caution=1;;;0 entries=5;;;0\n" +
             line4 + line2 + line1},
        {"inside a range", mixed, "10", "@1:2", CheckState::Critical,
         "CVR CRITICAL - 2 critical and 1 caution entries not repaired, newest: Maintenance note: fan 2 | "
         "critical=2;;;0 caution=1;;;0 entries=5;;;0\n" +
             line4 + line2 + line1},
        {"fewer than a lower limit",
         {{4, 9, "disk"}},
         "3:",
         "10",
         CheckState::Warning,
         "CVR WARNING - 0 critical and 1 caution entries not repaired, newest: Maintenance note: disk | "
         "critical=0;;;0 caution=1;;;0 entries=1;;;0\n" +
             line4},
        {"an empty log below a lower limit",
         {},
         "0",
         "1:",
         CheckState::Critical,
         "CVR CRITICAL - no critical or caution entries not repaired | critical=0;;;0 caution=0;;;0 "
         "entries=0;;;0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckReport report = ComposeCheck(Tally(c.notes), {Range(c.warning), Range(c.critical)}, {});
        EXPECT_EQ(report.state, c.state);
        EXPECT_EQ(report.text, c.text);
    }
}

// What a note holds reaches the engine as one line per entry, with one '|' only, before the performance
// data, and as valid UTF-8; at most ten entry lines, newest first, and a line counting the others.
TEST(CheckText, HostileNotesAndLineCap) {
    const std::string hostile = "a|b\x1B[2J\nc\r\xC2\x9B\xFF\xE2\x80\xAE|";
    const std::string shown = "Maintenance note: a\\x7Cb\\x1B[2J\\nc\\r\\xC2\\x9B\\xFF\\u202E\\x7C";
    CheckReport report = ComposeCheck(Tally({{7, 15, hostile}}), {}, {});
    EXPECT_EQ(report.state, CheckState::Critical);
    EXPECT_EQ(report.text, "CVR CRITICAL - 1 critical and 0 caution entries not repaired, newest: " + shown +
                               " | critical=1;;;0 caution=0;;;0 entries=1;;;0\n"
                               "#7 Critical, Maintenance, 2026-12-07T14:05: " +
                               shown + "\n");

    std::vector<Note> notes;
    for (uint32_t number = 12; number >= 1; --number) { // in any order
        notes.push_back({number, static_cast<uint8_t>(number == 1 ? 15 : 9), "n" + std::to_string(number)});
    }
    report = ComposeCheck(Tally(notes), {}, {});
    std::string lines;
    for (uint32_t number = 12; number >= 3; --number) {
        lines += "#" + std::to_string(number) +
                 " Caution, Maintenance, 2026-12-07T14:05: Maintenance note: n" + std::to_string(number) +
                 "\n";
    }
    EXPECT_EQ(report.text,
              "CVR CRITICAL - 1 critical and 11 caution entries not repaired, newest: Maintenance "
              "note: n1 | critical=1;;;0 caution=11;;;0 entries=12;;;0\n" +
                  lines + "(2 older not shown)\n");
}

// A log not read whole is UNKNOWN whatever was found: the first problem is the reason, the others and the
// entries read follow, and there are no performance data.
TEST(CheckText, LogNotReadWhole) {
    const std::vector<std::string> none = {
        "No System Management driver is loaded.",
        "no health device at /x|y (set ZORHLTH_DEVICE to the device's path)"};
    CheckReport report = ComposeCheck(CheckTally{}, {}, none);
    EXPECT_EQ(report.state, CheckState::Unknown);
    EXPECT_EQ(report.text, "CVR UNKNOWN - No System Management driver is loaded.\n"
                           "no health device at /x\\x7Cy (set ZORHLTH_DEVICE to the device's path)\n");
    const std::vector<std::string> part = {"The log could not be read completely."};
    report = ComposeCheck(Tally({{1, 2, "a"}, {2, 9, "disk"}}), {Range("100"), Range("100")}, part);
    EXPECT_EQ(report.state, CheckState::Unknown);
    EXPECT_EQ(report.text, "CVR UNKNOWN - The log could not be read completely.\n"
                           "#2 Caution, Maintenance, 2026-12-07T14:05: Maintenance note: disk\n");
    EXPECT_EQ(CheckUnknownLine("--warning: invalid threshold 'a|b'"),
              "CVR UNKNOWN - --warning: invalid threshold 'a\\x7Cb'\n");
}

} // namespace
} // namespace kestrav
