// The unattended export-and-clear job on logs that cannot be read whole: numbers the driver will not answer,
// a store damaged in the middle, a clear by another program during the read, memory running out. What was
// read is saved where no older export is, the erase is refused, and the run says so and fails.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "cli/run_support.h"
#include "emulator/device/device_store.h"

namespace kestrav {
namespace {

using namespace clitest;

const std::string Refused = "Unable to clear the log - attempt(s) to save the log first have failed.";

size_t Lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct BrokenCase {
    std::string name;
    std::function<void(const Folder&)> damage;
    std::vector<std::string> expectedLines; // the walk's own line(s) before the operations' lines
    size_t minExported;                     // entries the export holds at least
    size_t maxExported;
    size_t stored; // entries in the store after the run; 0: not looked at
};

// Every way a log can be read only in part: a new export keeps what was read, an older export is not
// replaced, the erase is refused with the save-failed text, and the exit status says that the job failed.
TEST_F(CommandLineRun, PartlyReadLogIsSavedButNeverErased) {
    const std::vector<BrokenCase> cases = {
        {"one number unreadable",
         [](const Folder& f) {
             f.Sim({"fault", f.Device(), "read-status", "100", "5"});
         },
         {"1 event number(s) of the Corvane Log could not be read; their entries were skipped."},
         285,
         285,
         286},
        {"three numbers unreadable",
         [](const Folder& f) {
             for (const char* n : {"7", "8", "286"}) {
                 f.Sim({"fault", f.Device(), "read-status", n, "9"});
             }
         },
         {"3 event number(s) of the Corvane Log could not be read; their entries were skipped."},
         283,
         283,
         286},
        {"page of the store damaged",
         [](const Folder& f) { DamagePageOf(f.Device(), 150); },
         {}, // the stopping number depends on the page's first entry
         1,
         285,
         0},
        // Another program's clear between two reads: entries 1 to 149 and the one that records the clear
        // were read, 150 to 286 are gone.
        {"cleared while read",
         [](const Folder& f) {
             f.Sim({"fault", f.Device(), "clear-at", "150"});
         },
         {"The Corvane Log was cleared while it was being read; the entries read are not the whole log."},
         150,
         150,
         1},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        folder.MakeEmptyDevice();
        folder.Sim({"seed", folder.Device()});
        c.damage(folder);
        WriteFile(folder / "older.csv", "older");
        const std::vector<std::string> args = {"/export:save", "/export:older.csv", "/clear"};
        RunResult result = folder.Run(args);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(ReadFile(folder / "older.csv"), "older");
        const std::string kept = "The Corvane Log was not read whole; the older file 'older.csv' was kept.";

        std::string log = folder.Log();
        if (!c.expectedLines.empty()) {
            std::vector<std::string> lines = c.expectedLines;
            lines.insert(lines.end(),
                         {"Successfully exported CVR data to file save.csv", kept, Refused, "Finished!"});
            EXPECT_EQ(log, RunLog(args, lines));
        } else {
            EXPECT_NE(
                log.find("   The Corvane Log could not be read completely: reading stopped at event number "),
                std::string::npos)
                << log;
            EXPECT_NE(log.find("   " + kept + "\r\n   " + Refused + "\r\n"), std::string::npos) << log;
            EXPECT_EQ(log.find("Successfully cleared"), std::string::npos) << log;
        }
        std::string csv = ReadFile(folder / "save.csv");
        EXPECT_GE(Lines(csv) - 1, c.minExported);
        EXPECT_LE(Lines(csv) - 1, c.maxExported);
        // The run erased nothing: what the store held after the damage is all still there.
        std::string error;
        auto store = emulator::DeviceStore::Open(folder.Device(), error);
        ASSERT_TRUE(store) << error;
        if (c.stored != 0) {
            size_t stored = 0;
            EXPECT_EQ(store->ForEach([&](uint32_t, const LogEntry&) { ++stored; }),
                      emulator::StoreResult::Done);
            EXPECT_EQ(stored, c.stored);
        }
    }
}

// Without an export nothing was promised to be saved: a /clear alone still erases a log with unreadable
// numbers, but the run reports them and fails.
TEST_F(CommandLineRun, ClearWithoutExportReportsSkippedNumbers) {
    Folder folder;
    folder.MakeStandardDevice();
    folder.Sim({"fault", folder.Device(), "read-status", "2", "5"});
    const std::vector<std::string> args = {"/clear"};
    EXPECT_EQ(folder.Run(args).exitStatus, 1);
    EXPECT_EQ(
        folder.Log(),
        RunLog(args, {"1 event number(s) of the Corvane Log could not be read; their entries were skipped.",
                      "Successfully cleared all entries from the Corvane Log.", "Finished!"}));
}

bool RunsUnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// A log too large for the memory the run may use: a status line and the closing line, exit 1, nothing done.
TEST_F(CommandLineRun, LogTooLargeForMemory) {
    if (RunsUnderAddressSanitizer()) {
        GTEST_SKIP() << "an address-space limit cannot be combined with the sanitizer's shadow memory";
    }
    Folder small;
    small.MakeStandardDevice();
    // The smallest address space in which kestrav runs at all on a tiny log, in steps of 8 MiB.
    auto runLimited = [](const Folder& folder, long kib, const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--as=" + std::to_string(kib * 1024), "--",
                                        test::ProgramPath("kestrav")};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram("/usr/bin/prlimit", all, {"LC_ALL=C", "ZORHLTH_DEVICE=" + folder.Device()},
                          folder / "");
    };
    long base = 0;
    for (long kib = 32 * 1024; kib <= 1024 * 1024; kib += 8 * 1024) {
        if (runLimited(small, kib, {"/f:probe.log", "/export:probe"}).exitStatus == 0) {
            base = kib;
            break;
        }
    }
    ASSERT_GT(base, 0) << "kestrav did not run under any limit";

    Folder large;
    large.MakeEmptyDevice();
    large.Sim({"seed", large.Device(), "--entries", "300000"});
    const std::vector<std::string> args = {"/export:save", "/clear", "/note:x"};
    RunResult result = runLimited(large, base + 48 * 1024, args);
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    std::string log = large.Log();
    EXPECT_NE(log.find("   Not enough memory to read the Corvane Log.\r\n  \r\n"), std::string::npos) << log;
    EXPECT_FALSE(large.Exists("save.csv"));

    // A follower ends as at any other first read that fails, rather than trying again at every interval.
    result = runLimited(large, base + 48 * 1024, {"--follow", "--json", "--state=state", "--interval=1"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "kestrav: Not enough memory to read the Corvane Log.\n");
    EXPECT_EQ(ReadFile(large / "state"), "kestrav follow state 1\nlast 0\n");
}

} // namespace
} // namespace kestrav
