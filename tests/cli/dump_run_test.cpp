// --dump and --input with the built kestrav: a dump decodes to exactly what the device prints and healthsim
// imports it; damaged dumps name each problem and still print every good record; a dump goes only where an
// export may go, and a log that cannot be read leaves no dump behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_support.h"

namespace kestrav {
namespace {

using namespace clitest;

std::string Records(const std::vector<LogEntry>& entries) {
    std::string bytes;
    for (const LogEntry& entry : entries) {
        bytes.append(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
    }
    return bytes;
}

// Six entries numbered 1 to 6.
std::vector<LogEntry> SixEntries() {
    std::vector<LogEntry> entries;
    for (uint32_t number = 1; number <= 6; ++number) {
        entries.push_back(MakeEntry(number, number % 2 == 0 ? 15 : 2, 33, 2, Dec7, Jan2, number,
                                    "entry " + std::to_string(number)));
    }
    return entries;
}

// The event numbers of JSON lines, in order.
std::vector<uint32_t> JsonNumbers(const std::string& json) {
    const std::string key = "{\"event_number\":";
    std::vector<uint32_t> numbers;
    std::istringstream in(json);
    std::string line;
    while (std::getline(in, line)) {
        EXPECT_EQ(line.rfind(key, 0), 0u) << line;
        numbers.push_back(static_cast<uint32_t>(std::stoul(line.substr(key.size()))));
    }
    return numbers;
}

std::set<std::string> Names(const Folder& folder) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder / "")) {
        names.insert(item.path().filename().string());
    }
    return names;
}

// A seeded device's outputs, filtered or not, are printed byte for byte the same from its dump; the dump is
// the device's records in order, and healthsim imports it as the same log.
TEST_F(CommandLineRun, DumpDecodesAsTheDevice) {
    Folder folder;
    folder.MakeEmptyDevice();
    folder.Sim({"seed", folder.Device(), "--entries", "300"});
    const std::set<std::string> before = Names(folder);

    RunResult dump = folder.Run({"--dump=cvr.bin"});
    ASSERT_EQ(dump.exitStatus, 0) << dump.err;
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(dump.err, "");
    std::set<std::string> expected = before;
    expected.insert("cvr.bin");
    EXPECT_EQ(Names(folder), expected) << "no status log, no temporary file";

    std::string stored;
    RunResult hex = RunProgram("healthsim", {"dump", folder.Device()});
    std::istringstream lines(hex.out);
    std::string number, record;
    while (lines >> number >> record) {
        for (size_t i = 0; i + 1 < record.size(); i += 2) {
            stored.push_back(static_cast<char>(std::stoi(record.substr(i, 2), nullptr, 16)));
        }
    }
    EXPECT_EQ(stored.size(), 300 * LogEntrySize);
    EXPECT_TRUE(ReadFile(folder / "cvr.bin") == stored) << "the dump is not the stored records";

    const std::vector<std::vector<std::string>> queries = {
        {"--list"},
        {"--json"},
        {"--csv"},
        {"--csv", "--severity=critical,caution", "--last=7"},
        {"--json", "--number=20-40", "--class=2,3"},
        {"--list", "--since=2026-01-01", "--last=0"},
    };
    for (const std::vector<std::string>& query : queries) {
        SCOPED_TRACE(query.back());
        RunResult device = folder.Run(query);
        ASSERT_EQ(device.exitStatus, 0) << device.err;
        std::vector<std::string> fromDump = query;
        fromDump.push_back("--input=cvr.bin");
        RunResult decoded = folder.Run(fromDump, {"LC_ALL=C", "ZORHLTH_DEVICE=/nonexistent"});
        EXPECT_EQ(decoded.exitStatus, 0);
        EXPECT_EQ(decoded.err, "");
        EXPECT_TRUE(decoded.out == device.out) << "the decoded dump differs from the device";
    }

    // Filters choose what is dumped; with an output the entries are printed as well.
    RunResult filtered = folder.Run({"--csv", "--severity=critical", "--dump=critical.bin"});
    ASSERT_EQ(filtered.exitStatus, 0) << filtered.err;
    EXPECT_EQ(filtered.out, folder.Run({"--csv", "--severity=critical"}).out);
    EXPECT_EQ(folder.Run({"--csv", "--input=critical.bin"}).out, filtered.out);

    // healthsim takes the dump back as the same log.
    Folder other;
    other.MakeEmptyDevice();
    other.Sim({"import", other.Device(), (folder / "cvr.bin").string()});
    EXPECT_EQ(other.Run({"--csv"}).out, folder.Run({"--csv"}).out);

    // A dump replaces an older file; a dump of a dump is the same file.
    WriteFile(folder / "again.bin", std::string(100000, 'x'));
    EXPECT_EQ(folder.Run({"--input=cvr.bin", "--dump=again.bin"}).exitStatus, 0);
    EXPECT_TRUE(ReadFile(folder / "again.bin") == stored);
}

// An empty log dumps to an empty file, and an empty file is an empty log.
TEST_F(CommandLineRun, EmptyLogDumpsEmpty) {
    Folder folder;
    folder.MakeEmptyDevice();
    RunResult dump = folder.Run({"--dump=empty.bin"});
    EXPECT_EQ(dump.exitStatus, 0) << dump.err;
    EXPECT_EQ(ReadFile(folder / "empty.bin"), "");
    for (const char* output : {"--list", "--json", "--csv"}) {
        RunResult device = folder.Run({output});
        RunResult decoded = folder.Run({output, "--input=empty.bin"});
        EXPECT_EQ(decoded.exitStatus, 0);
        EXPECT_EQ(decoded.err, "");
        EXPECT_EQ(decoded.out, device.out) << output;
    }
}

// Each kind of damage, made in a real file, gives its own lines on stderr and exit status 1, and every good
// record is still printed, in event-number order.
TEST_F(CommandLineRun, DamagedDumpsNameEachProblem) {
    const std::string good = Records(SixEntries());
    auto at = [](size_t record, size_t field) { return record * LogEntrySize + field; };
    auto setLength = [&](std::string& bytes, size_t record, uint16_t length) {
        bytes[at(record, 0)] = static_cast<char>(length & 0xFF);
        bytes[at(record, 1)] = static_cast<char>(length >> 8);
    };
    auto setNumber = [&](std::string& bytes, size_t record, uint32_t number) {
        for (size_t i = 0; i < 4; ++i) {
            bytes[at(record, 2 + i)] = static_cast<char>(number >> (8 * i));
        }
    };
    const std::string name = "damaged.bin";
    const std::string left = "; the record is left out";
    struct Case {
        std::string what;
        std::function<void(std::string&)> damage;
        std::vector<std::string> lines; // after "kestrav: damaged.bin"
        std::vector<uint32_t> printed;
        std::vector<std::string> filter = {};
    };
    std::vector<std::string> zeroed; // past the first 20 problems, only their count
    for (size_t record = 6; record < 26; ++record) {
        zeroed.push_back(": record " + std::to_string(record) + " (offset " + std::to_string(record * 256) +
                         "): length 0 is not 28 to 256" + left);
    }
    zeroed.push_back(": 11 more problems");
    const std::vector<Case> cases = {
        {"truncated",
         [](std::string& b) { b.resize(b.size() - 56); },
         {": the last 200 bytes (offset 1280) are not a whole record: the size 1480 is not a multiple of "
          "256; "
          "they are left out"},
         {1, 2, 3, 4, 5}},
        {"bytes appended",
         [](std::string& b) { b += "0123456789"; },
         {": the last 10 bytes (offset 1536) are not a whole record: the size 1546 is not a multiple of 256; "
          "they are left out"},
         {1, 2, 3, 4, 5, 6}},
        {"a zeroed record",
         [&](std::string& b) { b.replace(at(2, 0), LogEntrySize, LogEntrySize, '\0'); },
         {": record 2 (offset 512): length 0 is not 28 to 256" + left},
         {1, 2, 4, 5, 6}},
        {"length bit flipped",
         [&](std::string& b) { b[at(0, 1)] ^= 0x01; },
         {": record 0 (offset 0): length 292 is not 28 to 256" + left},
         {2, 3, 4, 5, 6}},
        {"length below the header",
         [&](std::string& b) { setLength(b, 5, 27); },
         {": record 5 (offset 1280): length 27 is not 28 to 256" + left},
         {1, 2, 3, 4, 5}},
        {"lengths at the bounds",
         [&](std::string& b) { setLength(b, 1, 28), setLength(b, 2, 256); },
         {},
         {1, 2, 3, 4, 5, 6}},
        {"number zeroed",
         [&](std::string& b) { setNumber(b, 3, 0); },
         {": record 3 (offset 768): event number 0" + left},
         {1, 2, 3, 5, 6}},
        {"record repeated",
         [&](std::string& b) { b.replace(at(4, 0), LogEntrySize, b, at(3, 0), LogEntrySize); },
         {": record 4 (offset 1024): event number 4 repeats that of record 3" + left},
         {1, 2, 3, 4, 6}},
        {"records swapped",
         [&](std::string& b) {
             std::string first = b.substr(at(1, 0), LogEntrySize);
             b.replace(at(1, 0), LogEntrySize, b, at(2, 0), LogEntrySize);
             b.replace(at(2, 0), LogEntrySize, first);
         },
         {": record 2 (offset 512): event number 2 comes after 3 of record 1; the entries are put in order"},
         {1, 2, 3, 4, 5, 6}},
        {"number of an earlier record",
         [&](std::string& b) { setNumber(b, 4, 2); },
         {": record 4 (offset 1024): event number 2 comes after 4 of record 3; the entries are put in order",
          ": record 4 (offset 1024): event number 2 repeats that of record 1" + left},
         {1, 2, 3, 4, 6}},
        {"a number's high bit flipped",
         [&](std::string& b) { b[at(2, 5)] ^= static_cast<char>(0x80); },
         {": record 3 (offset 768): event number 4 comes after 2147483651 of record 2; the entries are put "
          "in "
          "order"},
         {1, 2, 4, 5, 6, 2147483651u}},
        {"several at once",
         [&](std::string& b) {
             setLength(b, 0, 0xFFFF);
             setNumber(b, 1, 0);
             b.resize(b.size() - 1);
         },
         {": record 0 (offset 0): length 65535 is not 28 to 256" + left,
          ": record 1 (offset 256): event number 0" + left,
          ": the last 255 bytes (offset 1280) are not a whole record: the size 1535 is not a multiple of "
          "256; "
          "they are left out"},
         {3, 4, 5}},
        {"more problems than are listed",
         [](std::string& b) { b += std::string(30 * LogEntrySize + 1, '\0'); },
         zeroed,
         {1, 2, 3, 4, 5, 6}},
        // A record that repeats an earlier one's number is left out also when the filter leaves out the
        // earlier one.
        {"a repeat of a record not printed",
         [&](std::string& b) { setNumber(b, 5, 1); },
         {": record 5 (offset 1280): event number 1 comes after 5 of record 4; the entries are put in order",
          ": record 5 (offset 1280): event number 1 repeats that of record 0" + left},
         {2, 4},
         {"--severity=critical"}},
    };
    Folder folder; // no device: a dump needs none
    WriteFile(folder / "good.bin", good);
    const std::string goodJson = folder.Run({"--json", "--input=good.bin"}).out;
    ASSERT_EQ(JsonNumbers(goodJson), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        c.damage(bytes);
        WriteFile(folder / name, bytes);
        std::vector<std::string> args = {"--json", "--input=" + name};
        args.insert(args.end(), c.filter.begin(), c.filter.end());
        RunResult result = folder.Run(args);
        std::string err;
        for (const std::string& line : c.lines) {
            err += "kestrav: " + name + line + "\n";
        }
        EXPECT_EQ(result.err, err);
        EXPECT_EQ(result.exitStatus, c.lines.empty() ? 0 : 1);
        EXPECT_EQ(JsonNumbers(result.out), c.printed);
        // Every record printed under one of the good numbers is the good file's own, moved or not.
        if (c.what != "lengths at the bounds") {
            std::istringstream lines(result.out);
            std::string line;
            while (std::getline(lines, line)) {
                if (JsonNumbers(line + "\n") <= std::vector<uint32_t>{6}) {
                    EXPECT_NE(goodJson.find(line + "\n"), std::string::npos) << line.substr(0, 40);
                }
            }
        }
    }
}

// A dump file that cannot be read is one line and exit status 1, with nothing printed.
TEST_F(CommandLineRun, UnreadableInput) {
    Folder folder;
    fs::create_directory(folder / "folder.bin");
    ASSERT_EQ(mkfifo((folder / "pipe.bin").c_str(), 0666), 0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.bin", "No such file or directory"},
        {"folder.bin", "not a regular file"},
        {"pipe.bin", "not a regular file"},
        {"/dev/zero", "not a regular file"},
    };
    for (const auto& [file, why] : cases) {
        RunResult result = folder.Run({"--csv", "--input=" + file});
        EXPECT_EQ(result.exitStatus, 1) << file;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "kestrav: " + file + ": " + why + "\n");
        RunResult check = folder.Run({"--check", "--input=" + file});
        EXPECT_EQ(check.exitStatus, 3) << file;
        EXPECT_EQ(check.out, "CVR UNKNOWN - " + file + ": " + why + "\n");
    }
}

// A dump is written only where an export may be: never into a FIFO, a device, a folder or the device's own
// store, each refused at once in one line; the store stays as it was.
TEST_F(CommandLineRun, DumpGoesOnlyWhereAnExportMay) {
    Folder folder;
    folder.MakeStandardDevice();
    const std::string store = ReadFile(folder.Device());
    ASSERT_EQ(mkfifo((folder / "pipe.bin").c_str(), 0666), 0);
    fs::create_directory(folder / "folder.bin");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pipe.bin", "not a regular file"},
        {"/dev/null", "not a regular file"},
        {"folder.bin", "not a regular file"},
        {folder.Device(), "the health device's own storage"},
        {"missing/x.bin", "No such file or directory"},
    };
    for (const auto& [file, why] : cases) {
        RunResult result = folder.Run({"--dump=" + file});
        EXPECT_EQ(result.exitStatus, 1) << file;
        EXPECT_EQ(result.err, "kestrav: cannot write the dump '" + file + "': " + why + "\n");
    }
    EXPECT_TRUE(ReadFile(folder.Device()) == store);
    for (const auto& item : fs::directory_iterator(folder / "")) {
        EXPECT_EQ(item.path().filename().string().find(".tmp"), std::string::npos) << item.path();
    }
}

// A log that cannot be read leaves an older dump as it was; one read in part is dumped as far as it was read
// where no older dump is, never over one, with the problem on stderr and exit status 1.
TEST_F(CommandLineRun, DumpOfALogNotReadWhole) {
    Folder folder;
    WriteFile(folder / "old.bin", "older");
    RunResult none = folder.Run({"--dump=old.bin"});
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_EQ(none.err.substr(0, none.err.find('\n') + 1),
              "kestrav: No System Management driver is loaded.\n");
    EXPECT_EQ(ReadFile(folder / "old.bin"), "older");

    const std::vector<LogEntry> entries = SixEntries();
    const struct {
        std::vector<std::string> fault;
        std::string problem;
        size_t lastRead; // entries before this index are dumped, then the ones after it when restRead
        bool restRead;
    } cases[] = {
        {{"read-status", "4", "5"},
         "1 event number(s) of the Corvane Log could not be read; their entries were skipped.",
         3,
         true},
        {{"clear-at", "4"},
         "The Corvane Log was cleared while it was being read; the entries read are not the whole log.",
         3,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault[0]);
        auto runOn = [&](const std::string& dump) {
            folder.Sim({"init", folder.Device(), "--force"});
            WriteFile(folder / "records.bin", Records(entries));
            folder.Sim({"import", folder.Device(), (folder / "records.bin").string()});
            std::vector<std::string> fault = {"fault", folder.Device()};
            fault.insert(fault.end(), c.fault.begin(), c.fault.end());
            folder.Sim(fault);
            return folder.Run({"--dump=" + dump});
        };
        RunResult kept = runOn("old.bin");
        EXPECT_EQ(kept.exitStatus, 1);
        EXPECT_EQ(kept.out, "");
        EXPECT_EQ(kept.err,
                  "kestrav: the log was not read whole; the older dump 'old.bin' was kept\nkestrav: " +
                      c.problem + "\n");
        EXPECT_EQ(ReadFile(folder / "old.bin"), "older");

        fs::remove(folder / "new.bin");
        RunResult partial = runOn("new.bin");
        EXPECT_EQ(partial.exitStatus, 1);
        EXPECT_EQ(partial.err, "kestrav: " + c.problem + "\n");
        const std::string dumped = ReadFile(folder / "new.bin");
        const auto read = entries.begin() + static_cast<std::ptrdiff_t>(c.lastRead);
        EXPECT_TRUE(dumped.substr(0, c.lastRead * LogEntrySize) == Records({entries.begin(), read}));
        if (c.restRead) {
            EXPECT_TRUE(dumped.substr(c.lastRead * LogEntrySize) == Records({read + 1, entries.end()}));
        } else {
            // Then only the entry that records the clear.
            EXPECT_EQ(dumped.size(), (c.lastRead + 1) * LogEntrySize);
        }
    }
}

} // namespace
} // namespace kestrav
