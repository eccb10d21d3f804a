// Query runs of the built kestrav against emulated devices: the exact outputs, usage errors, filters, a log
// that cannot be read or only in part, awkward entries (control characters, long texts, invalid times), an
// output that cannot be written, a writer appending meanwhile; and that a query run writes no file and
// changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "cli/run_support.h"

namespace kestrav {
namespace {

using namespace clitest;

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string out;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        out += pair;
    }
    return out;
}

std::string Records(const std::vector<LogEntry>& entries) {
    std::string bytes;
    for (const LogEntry& entry : entries) {
        bytes.append(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
    }
    return bytes;
}

void MakeDevice(const Folder& folder, const std::vector<LogEntry>& entries) {
    folder.MakeEmptyDevice();
    WriteFile(folder / "records.bin", Records(entries));
    folder.Sim({"import", folder.Device(), (folder / "records.bin").string()});
}

// The names in the folder, so that a run can be shown to have left no file behind.
std::set<std::string> Names(const Folder& folder) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder / "")) {
        names.insert(item.path().filename().string());
    }
    return names;
}

std::string Dump(const Folder& folder) {
    RunResult dump = RunProgram("healthsim", {"dump", folder.Device()});
    EXPECT_EQ(dump.exitStatus, 0) << dump.err;
    return dump.out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

// The event numbers of JSON lines, in order.
std::vector<uint32_t> JsonNumbers(const std::string& json) {
    const std::string key = "{\"event_number\":";
    std::vector<uint32_t> numbers;
    for (const std::string& line : Lines(json)) {
        EXPECT_EQ(line.rfind(key, 0), 0u) << line;
        if (line.rfind(key, 0) == 0) {
            numbers.push_back(static_cast<uint32_t>(std::stoul(line.substr(key.size()))));
        }
    }
    return numbers;
}

// Whether a JSON line is one whole entry: it starts with the number and ends with the 228 data bytes and
// the 256 record bytes in hex.
bool IsWholeJsonEntry(const std::string& line) {
    const std::string tail = "\",\"raw\":\"";
    const size_t rawAt = line.size() - 2 - 2 * LogEntrySize;
    const size_t dataAt = rawAt - tail.size() - 2 * EventDataSize;
    auto isHex = [&line](size_t at, size_t count) {
        return std::all_of(line.begin() + static_cast<long>(at), line.begin() + static_cast<long>(at + count),
                           [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    };
    return line.size() > 1200 && line.rfind("{\"event_number\":", 0) == 0 &&
           line.compare(dataAt - 9, 9, ",\"data\":\"") == 0 && isHex(dataAt, 2 * EventDataSize) &&
           line.compare(rawAt - tail.size(), tail.size(), tail) == 0 && isHex(rawAt, 2 * LogEntrySize) &&
           line.compare(line.size() - 2, 2, "\"}") == 0;
}

const LogEntry StandardNote = MakeEntry(1, 2, 33, 2, Dec7, Dec7, 1, "fan 2 replaced");
const LogEntry StandardInterlock = MakeEntry(2, 15, 41, 1, Dec7, Jan2, 3, std::string("\0Fan 3", 6));

const std::string StandardList =
    "Severity       Event Number  Class        Code  Update Time        Initial Time       Count  "
    "Description\n"
    "Informational  1             Maintenance  2     12/7/2026 2:05 PM  12/7/2026 2:05 PM  1      "
    "Maintenance note: fan 2 replaced\n"
    "Critical       2             Interlock    1     1/2/2027 9:30 AM   12/7/2026 2:05 PM  3      "
    "Improperly seated or missing device (Unknown interlock type, Fan 3)\n";

// The titles are wide characters: three of them take six columns.
const std::string JapaneseList =
    "重要度         イベント番号  クラス       コード  更新日時         初回日時         "
    "回数  説明\n"
    "Informational  1             Maintenance  2       2026/12/7 14:05  2026/12/7 14:05  "
    "1     Maintenance note: fan 2 replaced\n"
    "Critical       2             Interlock    1       2027/1/2 9:30    2026/12/7 14:05  "
    "3     Improperly seated or missing device (Unknown interlock type, Fan 3)\n";

// With no entry the titles alone set the widths.
const std::string EmptyListHeader =
    "Severity  Event Number  Class  Code  Update Time  Initial Time  Count  Description\n";

// The JSON host field of this machine.
std::string HostField() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return ",\"host\":\"" + std::string(name) + "\"";
}

// Query runs are made with TZ=UTC (Folder::Run), so the JSON times carry +00:00.
const std::string StandardJson =
    "{\"event_number\":1,\"severity\":2,\"severity_name\":\"Informational\",\"class\":33,\"class_name\":"
    "\"Maintenance\",\"code\":2,\"update_time\":\"2026-12-07T14:05:00+00:00\","
    "\"initial_time\":\"2026-12-07T14:05:00+00:00\"" +
    HostField() +
    ","
    "\"count\":1,\"description\":\"Maintenance note: fan 2 replaced\",\"data\":\"" +
    Hex(StandardNote.EventData(), EventDataSize) + "\",\"raw\":\"" + Hex(StandardNote.bytes, LogEntrySize) +
    "\"}\n"
    "{\"event_number\":2,\"severity\":15,\"severity_name\":\"Critical\",\"class\":41,\"class_name\":"
    "\"Interlock\",\"code\":1,\"update_time\":\"2027-01-02T09:30:00+00:00\","
    "\"initial_time\":\"2026-12-07T14:05:00+00:00\"" +
    HostField() +
    ","
    "\"count\":3,\"description\":\"Improperly seated or missing device (Unknown interlock type, Fan 3)\","
    "\"data\":\"" +
    Hex(StandardInterlock.EventData(), EventDataSize) + "\",\"raw\":\"" +
    Hex(StandardInterlock.bytes, LogEntrySize) + "\"}\n";

const std::string QueryCsvHeader = "event_number,severity,severity_name,class,class_name,code,update_time,"
                                   "initial_time,count,description,data,"
                                   "raw\r\n";

const std::string StandardQueryCsv =
    QueryCsvHeader + "1,2,Informational,33,Maintenance,2,2026-12-07T14:05,2026-12-07T14:05,1," +
    "Maintenance note: fan 2 replaced," + Hex(StandardNote.EventData(), EventDataSize) + "," +
    Hex(StandardNote.bytes, LogEntrySize) + "\r\n" +
    "2,15,Critical,41,Interlock,1,2027-01-02T09:30,2026-12-07T14:05,3,"
    "\"Improperly seated or missing device (Unknown interlock type, Fan 3)\"," +
    Hex(StandardInterlock.EventData(), EventDataSize) + "," + Hex(StandardInterlock.bytes, LogEntrySize) +
    "\r\n";

struct OutputCase {
    std::vector<std::string> args;
    std::string out;
    std::vector<std::string> env = {"LC_ALL=C"};
};

// Each output of the standard device, exactly; the run leaves no file and the device as it was.
TEST_F(CommandLineRun, QueryOutputsOfStandardDevice) {
    const std::vector<OutputCase> cases = {
        {{"--list"}, StandardList},
        {{"--number=1-2"}, StandardList}, // a filter alone lists
        {{"--list"}, JapaneseList, {"LC_ALL=ja_JP.UTF-8"}},
        {{"--json"}, StandardJson},
        {{"--csv"}, StandardQueryCsv},
        {{"--csv"}, StandardQueryCsv, {"LC_ALL=ja_JP.UTF-8"}}, // machine fields whatever the language
        {{"--severity=informational", "--json"}, StandardJson.substr(0, StandardJson.find('\n') + 1)},
        {{"--json", "--class=7"}, ""},
        {{"--csv", "--class=7"}, QueryCsvHeader},
        {{"--class=7"}, EmptyListHeader},
    };
    Folder folder;
    folder.MakeStandardDevice();
    const std::set<std::string> names = Names(folder);
    const std::string dump = Dump(folder);
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.env.front());
        RunResult result = folder.Run(c.args, c.env);
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(Names(folder), names);
    }
    EXPECT_EQ(Dump(folder), dump);
}

// A status log that could not be opened stops every classic run; a query run never opens one.
TEST_F(CommandLineRun, QueryRunNeedsNoStatusLog) {
    Folder folder;
    folder.MakeStandardDevice();
    fs::create_directory(folder / "kestrav.log");
    RunResult classic = folder.Run({"/export:out"});
    EXPECT_EQ(classic.exitStatus, 1);
    EXPECT_FALSE(folder.Exists("out.csv"));
    RunResult query = folder.Run({"--list"});
    EXPECT_EQ(query.exitStatus, 0) << query.err;
    EXPECT_EQ(query.out, StandardList);
    EXPECT_TRUE(fs::is_empty(folder / "kestrav.log"));
}

// Every usage problem: one line naming it and the hint, exit 2, nothing printed, done or written.
TEST_F(CommandLineRun, QueryUsageErrorsDoNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {{"/export:out", "--list"}, "the option '/export:out' cannot be combined with '--' options"},
        {{"--json", "/clear"}, "the option '/clear' cannot be combined with '--' options"},
        {{"/note:x", "--csv"}, "the option '/note:x' cannot be combined with '--' options"},
        {{"/f:run", "--csv"}, "the option '/f:run' cannot be combined with '--' options"},
        {{"--list", "extra"}, "unexpected argument 'extra'"},
        {{"--json", "--csv"}, "only one of --list, --json and --csv can be given"},
        {{"--severity=bad\x1b[2J"},
         "--severity: invalid severity 'bad\\x1B[2J' (critical, caution, repaired, "
         "informational or a number 0 to 255)"},
        {{"--number=2-1"},
         "--number: invalid range '2-1' (A-B, A-, -B or A, event numbers 0 to 4294967295, A "
         "not above B)"},
        {{"--since=2026-12-32"},
         "--since: invalid time '2026-12-32' (YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with 'T' or a blank, then "
         "'Z' or"
         " +HH:MM if not local time; today, yesterday)"},
        {{"--class=1", "--class=2"}, "option '--class' can be given only once"},
        {{"--since"}, "option '--since' needs a value: --since=..."},
        {{"--critical=1"}, "--warning and --critical need --check"},
        // With --check, a usage problem is the check's UNKNOWN state on standard output.
        {{"--check", "--warning=1:x"},
         "--warning: invalid threshold '1:x' (N, N:, ~:N or N:M, inside with @ in front)"},
        {{"--csv", "--check"},
         "--check cannot be combined with --list, --json, --csv, --dump, --follow or --report"},
        {{"--check", "--report=r.html"},
         "--check cannot be combined with --list, --json, --csv, --dump, --follow or --report"},
    };
    Folder folder;
    folder.MakeStandardDevice();
    const std::set<std::string> names = Names(folder);
    const std::string dump = Dump(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        RunResult result = folder.Run(c.args);
        const bool check = std::find(c.args.begin(), c.args.end(), "--check") != c.args.end();
        EXPECT_EQ(result.exitStatus, check ? 3 : 2);
        EXPECT_EQ(result.out, check ? "CVR UNKNOWN - " + c.problem + "\n" : "");
        EXPECT_EQ(result.err, check ? "" : "kestrav: " + c.problem + "\nTry 'kestrav --help'.\n");
        EXPECT_EQ(Names(folder), names);
    }
    EXPECT_EQ(Dump(folder), dump);
}

// "--" at the start of an argument makes a query run; inside a classic option's value it is only text.
TEST_F(CommandLineRun, DashesInsideClassicValuesStayClassic) {
    Folder folder;
    folder.MakeStandardDevice();
    const std::vector<std::string> args = {"-export:--list", "/note:--json"};
    RunResult result = folder.Run(args);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(folder.Log(),
              RunLog(args, {"Successfully exported CVR data to file --list.csv",
                            "Successfully logged maintenance note to the Corvane Log.", "Finished!"}));
    EXPECT_EQ(ReadFile(folder / "--list.csv"), StandardCsv);
}

// --help and --version answer without a device, whatever else is given.
TEST_F(CommandLineRun, HelpAndVersion) {
    Folder folder; // no device in it
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"--list", "--help"}, {"/export:x", "--frob", "--help", "--version"}}) {
        RunResult help = folder.Run(args);
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(help.out.rfind("Usage: kestrav ", 0), 0u) << help.out;
        for (const std::string& line : UsageLines) {
            EXPECT_NE(help.out.find("\n" + line + "\n"), std::string::npos) << line;
        }
        for (const char* option : {"--list", "--json", "--csv", "--severity=LIST", "--class=LIST",
                                   "--number=RANGE", "--since=TIME", "--until=TIME", "--last=N", "--help",
                                   "--version", "--check", "--warning=RANGE", "--critical=RANGE"}) {
            EXPECT_NE(help.out.find(std::string("\n  ") + option + " "), std::string::npos) << option;
        }
        for (const std::string& line : Lines(help.out)) {
            EXPECT_LE(line.size(), 80u) << line;
        }
        // Nothing that exists only on Windows.
        for (const char* windowsOnly : {"Windows", "windows", "Ctrl+", "event log", "schtasks"}) {
            EXPECT_EQ(help.out.find(windowsOnly), std::string::npos) << windowsOnly;
        }
    }
    EXPECT_FALSE(folder.Exists("kestrav.log"));
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--version"}, {"--json", "--version"}, {"--version", "x"}}) {
        RunResult version = folder.Run(args);
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.err, "");
        EXPECT_TRUE(std::regex_match(version.out, std::regex("kestrav [0-9]+(\\.[0-9]+)+\n"))) << version.out;
    }
}

// The filters on a real log of the sample kinds, end to end.
TEST_F(CommandLineRun, QueryFiltersSelectEntries) {
    Folder folder;
    const LogTime Dec8{20, 26, 12, 8, 0, 0};
    const LogTime Dec8Late{20, 26, 12, 8, 23, 59};
    const LogTime Invalid{20, 26, 2, 29, 10, 5};
    MakeDevice(folder, {
                           MakeEntry(3, 2, 33, 2, Dec7, Dec7, 1, "a"),
                           MakeEntry(4, 15, 41, 1, Dec7, Dec8, 1, ""),
                           MakeEntry(7, 9, 2, 1, Dec7, Dec8Late, 1, ""),
                           MakeEntry(9, 6, 33, 2, Dec7, Invalid, 1, "b"),
                           MakeEntry(12, 3, 3, 2, Dec7, Jan2, 1, ""),
                       });
    struct Case {
        std::vector<std::string> args;
        std::vector<uint32_t> numbers;
    };
    const std::vector<Case> cases = {
        {{}, {3, 4, 7, 9, 12}},
        {{"--severity=informational"}, {3, 12}},
        {{"--class=33"}, {3, 9}},
        {{"--number=4-9"}, {4, 7, 9}},
        {{"--since=2026-12-08"}, {4, 7, 12}},
        {{"--since=2026-12-08T00:01", "--until=2026-12-31"}, {7}},
        {{"--last=2"}, {9, 12}},
        {{"--class=33", "--last=1"}, {9}}, // the last of those the other filters kept
        {{"--severity=critical,caution", "--since=2026-12-08", "--number=-7"}, {4, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "none" : c.args.front());
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        RunResult result = folder.Run(args);
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(JsonNumbers(result.out), c.numbers);
        // The listing and the CSV hold the same entries.
        args.back() = "--csv";
        EXPECT_EQ(Lines(folder.Run(args).out).size(), c.numbers.size() + 1);
        args.back() = "--list";
        EXPECT_EQ(Lines(folder.Run(args).out).size(), c.numbers.size() + 1);
        // The check counts the same entries: 4 is critical, 7 caution, 9 repaired.
        args.back() = "--check";
        RunResult check = folder.Run(args);
        const int critical = static_cast<int>(std::count(c.numbers.begin(), c.numbers.end(), 4u));
        const int caution = static_cast<int>(std::count(c.numbers.begin(), c.numbers.end(), 7u));
        EXPECT_EQ(check.exitStatus, critical ? 2 : caution ? 1 : 0);
        const std::string perfdata = " | critical=" + std::to_string(critical) +
                                     ";;;0 caution=" + std::to_string(caution) +
                                     ";;;0 entries=" + std::to_string(c.numbers.size()) + ";;;0\n";
        EXPECT_NE(check.out.find(perfdata), std::string::npos) << check.out;
    }
}

// A log that cannot be read: one line saying why, exit 1, nothing printed.
TEST_F(CommandLineRun, QueryOfUnreadableLog) {
    struct Case {
        std::string name;
        std::vector<std::vector<std::string>> sims; // healthsim commands after init (DEVICE filled in)
        std::string err;
        std::vector<std::string> env = {"LC_ALL=C"};
        bool makeDevice = true;
    };
    const std::vector<Case> cases = {
        {"no device", {}, "kestrav: No System Management driver is loaded.\n", {"LC_ALL=C"}, false},
        {"no device, Japanese",
         {},
         "kestrav: System Management ドライバーが読み込まれていません。\n",
         {"LC_ALL=ja_JP.UTF-8"},
         false},
        {"log not kept",
         {{"set", "unsupported"}},
         "kestrav: This system does not support the Corvane Log.\n"},
        {"requests fail",
         {{"fault", "fail-requests"}},
         "kestrav: This system does not support the Corvane Log.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        if (c.makeDevice) {
            folder.MakeStandardDevice();
        }
        for (std::vector<std::string> sim : c.sims) {
            sim.insert(sim.begin() + 1, folder.Device());
            folder.Sim(sim);
        }
        // Without a device a second line says where it was looked for and how to name another.
        std::string err = c.err;
        if (!c.makeDevice) {
            err += "kestrav: no health device at " + folder.Device() +
                   " (set ZORHLTH_DEVICE to the device's path)\n";
        }
        for (const char* output : {"--list", "--json", "--csv"}) {
            RunResult result = folder.Run({output}, c.env);
            EXPECT_EQ(result.exitStatus, 1) << output;
            EXPECT_EQ(result.out, "") << output;
            EXPECT_EQ(result.err, err) << output;
        }
        // The check says the same as its UNKNOWN state, on standard output.
        RunResult check = folder.Run({"--check"}, c.env);
        EXPECT_EQ(check.exitStatus, 3);
        EXPECT_EQ(check.out, "CVR UNKNOWN - " + std::regex_replace(err, std::regex("(^|\n)kestrav: "), "$1"));
        EXPECT_EQ(check.err, "");
        EXPECT_FALSE(folder.Exists("kestrav.log"));
    }
}

// An empty log is no failure: the header of the listing and of the CSV, no JSON line.
TEST_F(CommandLineRun, QueryOfEmptyLog) {
    Folder folder;
    folder.MakeEmptyDevice();
    const std::vector<OutputCase> cases = {
        {{"--list"}, EmptyListHeader},
        {{"--json"}, ""},
        {{"--csv"}, QueryCsvHeader},
        {{"--json", "--last=5"}, ""},
    };
    for (const OutputCase& c : cases) {
        RunResult result = folder.Run(c.args);
        EXPECT_EQ(result.exitStatus, 0) << c.args.front();
        EXPECT_EQ(result.out, c.out) << c.args.front();
        EXPECT_EQ(result.err, "") << c.args.front();
    }
}

// A log read only in part: what was read is printed, the walk's lines go to stderr, exit 1.
TEST_F(CommandLineRun, QueryOfPartlyReadLog) {
    {
        Folder folder;
        folder.MakeStandardDevice();
        folder.Sim({"fault", folder.Device(), "read-status", "2", "5"});
        const std::string skipped =
            "kestrav: 1 event number(s) of the Corvane Log could not be read; their entries were skipped.\n";
        RunResult json = folder.Run({"--json"});
        EXPECT_EQ(json.exitStatus, 1);
        EXPECT_EQ(json.out, StandardJson.substr(0, StandardJson.find('\n') + 1));
        EXPECT_EQ(json.err, skipped);
        RunResult list = folder.Run({"--list", "--last=1"});
        EXPECT_EQ(list.exitStatus, 1);
        EXPECT_EQ(Lines(list.out).size(), 2u);
        EXPECT_EQ(list.err, skipped);
        // Filters that would not have kept the skipped entry do not hide that the log was not read whole.
        RunResult filtered = folder.Run({"--csv", "--number=1"});
        EXPECT_EQ(filtered.exitStatus, 1);
        EXPECT_EQ(filtered.err, skipped);
        // Nor from the check, whatever the entries read hold.
        RunResult check = folder.Run({"--check", "--number=1"});
        EXPECT_EQ(check.exitStatus, 3);
        EXPECT_EQ(check.out, "CVR UNKNOWN - " + skipped.substr(9));
        // The report is written all the same, what was missed at its top.
        RunResult report = folder.Run({"--report=r.html"});
        EXPECT_EQ(report.exitStatus, 1);
        EXPECT_EQ(report.out, "");
        EXPECT_EQ(report.err, skipped);
        const std::string page = ReadFile(folder / "r.html");
        EXPECT_NE(page.find("<li>" + skipped.substr(9, skipped.size() - 10) + "</li>"), std::string::npos);
        EXPECT_NE(page.find("<dd id=\"count\">1</dd>"), std::string::npos);
        EXPECT_FALSE(folder.Exists("kestrav.log"));
    }
    {
        Folder folder;
        folder.MakeEmptyDevice();
        folder.Sim({"seed", folder.Device()});
        DamagePageOf(folder.Device(), 150);
        RunResult json = folder.Run({"--json"});
        EXPECT_EQ(json.exitStatus, 1);
        EXPECT_TRUE(
            std::regex_match(json.err, std::regex("kestrav: The Corvane Log could not be read "
                                                  "completely: reading stopped at event number [0-9]+.*\n")))
            << json.err;
        std::vector<uint32_t> numbers = JsonNumbers(json.out);
        ASSERT_FALSE(numbers.empty());
        EXPECT_LT(numbers.size(), 200u);
        for (size_t i = 0; i < numbers.size(); ++i) {
            EXPECT_EQ(numbers[i], i + 1); // every entry before the damage, in order
        }
    }
}

// Entries that test the outputs: a note holding every awkward byte, a note of 227 characters (a
// description longer than any column), invalid timestamps, and event numbers and counts at or above 2^31.
TEST_F(CommandLineRun, QueryOfAwkwardEntries) {
    std::string bytes;
    for (int c = 1; c < 0x20; ++c) {
        bytes.push_back(static_cast<char>(c));
    }
    const std::string awkwardText = "\"q\",\\" + bytes + "\x7f\xff\xc3\xa9";
    const LogEntry awkward = MakeEntry(5, 2, 33, 2, Dec7, Dec7, 1, awkwardText);
    const std::string longText(227, 'x');
    const LogEntry longNote = MakeEntry(6, 2, 33, 2, Dec7, Dec7, 1, longText);
    const LogEntry badTimes = MakeEntry(7, 9, 33, 2, LogTime{}, LogTime{20, 26, 13, 8, 24, 5}, 1, "t");
    const LogEntry high = MakeEntry(0x80000000u, 7, 33, 2, Dec7, Dec7, 0x80000001u, "h");
    Folder folder;
    MakeDevice(folder, {awkward, longNote, badTimes, high});

    RunResult list = folder.Run({"--list"});
    EXPECT_EQ(list.exitStatus, 0) << list.err;
    const std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 5u) << list.out; // no text of an entry starts a line of its own
    // The invalid update time is the widest; every column is padded to its widest cell.
    const std::string fine = "12/7/2026 2:05 PM                 12/7/2026 2:05 PM        ";
    EXPECT_EQ(lines[0], "Severity       Event Number  Class        Code  Update Time                       "
                        "Initial Time             Count        Description");
    EXPECT_EQ(lines[1],
              "Informational  5             Maintenance  2     " + fine +
                  "1            Maintenance note: \"q\",\\"
                  "\\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\t\\n\\x0B\\x0C\\r\\x0E\\x0F\\x10\\x11"
                  "\\x12\\x13\\x14\\x15\\x16\\x17\\x18\\x19\\x1A\\x1B\\x1C\\x1D\\x1E\\x1F\\x7F\\xFF\xc3\xa9");
    EXPECT_EQ(lines[2], "Informational  6             Maintenance  2     " + fine +
                            "1            Maintenance note: " + longText);
    EXPECT_EQ(lines[3], "Caution        7             Maintenance  2     Invalid: 13/8/2026 Invalid: 24:5  "
                        "Invalid: 0/0/0 12:00 AM  1            Maintenance note: t");
    EXPECT_EQ(lines[4],
              "Unknown        -2147483648   Maintenance  2     " + fine + "-2147483647  Maintenance note: h");

    RunResult json = folder.Run({"--json"});
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    const std::vector<std::string> objects = Lines(json.out);
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_NE(objects[0].find(",\"description\":\"Maintenance note: \\\"q\\\",\\\\"
                              "\\u0001\\u0002\\u0003\\u0004\\u0005\\u0006\\u0007\\u0008\\u0009\\u000a\\u000b"
                              "\\u000c\\u000d\\u000e\\u000f\\u0010\\u0011\\u0012\\u0013\\u0014\\u0015\\u0016"
                              "\\u0017\\u0018\\u0019\\u001a\\u001b\\u001c\\u001d\\u001e\\u001f\\u007f\\ufffd"
                              "\xc3\xa9\",\"data\":\"" +
                              Hex(awkward.EventData(), EventDataSize) + "\""),
              std::string::npos)
        << objects[0];
    EXPECT_NE(objects[1].find(",\"description\":\"Maintenance note: " + longText + "\","), std::string::npos);
    EXPECT_NE(objects[2].find(",\"update_time\":null,\"initial_time\":null,"), std::string::npos)
        << objects[2];
    EXPECT_EQ(
        objects[3].rfind("{\"event_number\":2147483648,\"severity\":7,\"severity_name\":\"Unknown\",", 0),
        0u);
    EXPECT_NE(objects[3].find(",\"count\":2147483649,"), std::string::npos);
    for (const std::string& object : objects) {
        for (char c : object) {
            EXPECT_GE(static_cast<unsigned char>(c), 0x20) << object;
        }
    }

    RunResult csv = folder.Run({"--csv"});
    EXPECT_EQ(csv.exitStatus, 0) << csv.err;
    const std::string awkwardRow = "5,2,Informational,33,Maintenance,2,2026-12-07T14:05,2026-12-07T14:05,1,"
                                   "\"Maintenance note: \"\"q\"\",\\" +
                                   bytes + "\x7f\xff\xc3\xa9\"," + Hex(awkward.EventData(), EventDataSize) +
                                   "," + Hex(awkward.bytes, LogEntrySize) + "\r\n";
    EXPECT_NE(csv.out.find("\r\n" + awkwardRow), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\r\n7,9,Caution,33,Maintenance,2,,,1,Maintenance note: t,"), std::string::npos);
    EXPECT_NE(csv.out.find("\r\n6,2,Informational,33,Maintenance,2,2026-12-07T14:05,2026-12-07T14:05,1,"
                           "Maintenance note: " +
                           longText + ","),
              std::string::npos);

    // An invalid update time is never inside a time range.
    EXPECT_EQ(JsonNumbers(folder.Run({"--json", "--since=0001-01-01"}).out),
              (std::vector<uint32_t>{5, 6, 0x80000000u}));
    EXPECT_EQ(JsonNumbers(folder.Run({"--json", "--number=2147483648-"}).out),
              (std::vector<uint32_t>{0x80000000u}));
}

// An output that cannot be written is a failure, said once, for a short and a long output.
TEST_F(CommandLineRun, QueryOutputThatCannotBeWritten) {
    Folder folder;
    folder.MakeEmptyDevice();
    folder.Sim({"seed", folder.Device(), "--entries", "500"});
    for (const char* args :
         {"--json --last=1", "--json", "--list", "--csv", "--help", "--version", "--follow --json"}) {
        RunResult result = RunProgram(
            "/bin/sh",
            {"-c", "exec \"$0\" " + std::string(args) + " >/dev/full", test::ProgramPath("kestrav")},
            {"LC_ALL=C", "ZORHLTH_DEVICE=" + folder.Device()}, folder / "");
        EXPECT_EQ(result.exitStatus, 1) << args;
        EXPECT_EQ(result.err, "kestrav: cannot write the output: No space left on device\n") << args;
    }
}

// Another process appends entries while query runs read: each run prints whole entries in ascending order
// and succeeds.
TEST_F(CommandLineRun, QueryWhileAWriterAppends) {
    Folder folder;
    folder.MakeEmptyDevice();
    folder.Sim({"seed", folder.Device(), "--entries", "300"});
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int i = 0; i < 60; ++i) {
            RunProgram("healthsim", {"add", folder.Device(), "--class", "33", "--code", "2", "--text",
                                     "n" + std::to_string(i)});
        }
        writing = false;
    });
    size_t runs = 0;
    while (writing || runs < 2) {
        RunResult result = folder.Run({"--json"});
        ++runs;
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        std::vector<uint32_t> numbers = JsonNumbers(result.out);
        EXPECT_GE(numbers.size(), 300u);
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());
        for (const std::string& line : Lines(result.out)) {
            EXPECT_TRUE(IsWholeJsonEntry(line)) << line;
        }
    }
    writer.join();
    EXPECT_EQ(JsonNumbers(folder.Run({"--json"}).out).size(), 360u);
}

} // namespace
} // namespace kestrav
