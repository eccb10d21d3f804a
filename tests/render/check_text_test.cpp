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

// The state and the first line before the performance data, for notes under limits (warning, critical);
// the whole text once. Critical 15, Caution 9, Repaired 6, Informational 2 and 3, unknown 0 and 255.
TEST(CheckText, StatesAndLines) {
    const std::vector<Note> fine = {{1, 6, "a"}, {2, 2, "b"}, {3, 3, "c"}, {4, 0, "d"}, {5, 255, "e"}};
    const std::vector<Note> caution = {{4, 9, "disk"}};
    const std::vector<Note> mixed = {
        {1, 15, "fan 1"}, {2, 15, "fan 2"}, {3, 6, "fixed"}, {4, 9, "disk"}, {5, 2, "note"}};
    const std::string none = " - no critical or caution entries not repaired";
    const std::string one =
        " - 0 critical and 1 caution entries not repaired, newest: Maintenance note: disk";
    const std::string three =
        " - 2 critical and 1 caution entries not repaired, newest: Maintenance note: fan 2";
    struct Case {
        std::vector<Note> notes;
        const char* warning;
        const char* critical;
        CheckState state;
        std::string first;
    };
    const std::vector<Case> cases = {
        {{}, "0", "0", CheckState::Ok, "CVR OK" + none},
        {fine, "0", "0", CheckState::Ok, "CVR OK" + none},
        {caution, "0", "0", CheckState::Warning, "CVR WARNING" + one},
        {mixed, "0", "0", CheckState::Critical, "CVR CRITICAL" + three},
        {mixed, "0", "2", CheckState::Warning, "CVR WARNING" + three}, // critical entries still warn
        {mixed, "5", "2", CheckState::Ok, "CVR OK" + three},
        {mixed, "10", "@1:2", CheckState::Critical, "CVR CRITICAL" + three},
        {caution, "3:", "10", CheckState::Warning, "CVR WARNING" + one},
    };
    for (const Case& c : cases) {
        const CheckReport report = ComposeCheck(Tally(c.notes), {Range(c.warning), Range(c.critical)}, {});
        EXPECT_EQ(report.state, c.state) << c.first;
        EXPECT_EQ(report.text.substr(0, report.text.find(" | ")), c.first);
    }
    EXPECT_EQ(ComposeCheck(Tally(mixed), {}, {}).text,
              "CVR CRITICAL" + three + " | critical=2;;;0 caution=1;;;0 entries=5;;;0\n" +
                  "#4 Caution, Maintenance, 2026-12-07T14:05: Maintenance note: disk\n"
                  "#2 Critical, Maintenance, 2026-12-07T14:05: Maintenance note: fan 2\n"
                  "#1 Critical, Maintenance, 2026-12-07T14:05: Maintenance note: fan 1\n");
    EXPECT_EQ(ComposeCheck(Tally(fine), {}, {}).text,
              "CVR OK" + none + " | critical=0;;;0 caution=0;;;0 entries=5;;;0\n");
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
