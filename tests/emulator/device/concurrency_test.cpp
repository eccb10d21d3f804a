#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

extern char** environ;

namespace kestrav {
namespace {

constexpr const char* WriterEnv = "KESTRAV_NOTE_WRITER";
constexpr const char* WalkFirstEnv = "KESTRAV_NOTE_WALK_FIRST";

// A writer process is this test program started again with KESTRAV_NOTE_WRITER set: before any test runs, it
// writes 200 notes "<writer> <i>" through the log operations and exits, non-zero on the first one not stored.
// With KESTRAV_NOTE_WALK_FIRST set it writes WalkFirstNotes notes, a pause apart and only in the writing half
// of the clock so that clears beside it find moments without a new entry, and first walks the log before each
// note, as a note run does; it exits 2 when the walk finds the log empty.
constexpr int WalkFirstNotes = 50;

// Walking writers write only in the first half of each 800 ms of the clock, the same half for all of them, so
// that the clears beside them find quiet moments however slow the build is (a sanitizer build once found none).
void WaitForWritingHalf() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const auto into = now % 800;
    if (into >= 400) {
        std::this_thread::sleep_for(milliseconds(800 - into));
    }
}
int WriteNotesIfAsked() {
    const char* writer = std::getenv(WriterEnv);
    if (writer == nullptr) {
        return 0;
    }
    const bool walkFirst = std::getenv(WalkFirstEnv) != nullptr;
    for (int i = 0; i < (walkFirst ? WalkFirstNotes : 200); ++i) {
        if (walkFirst) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            WaitForWritingHalf();
        }
        std::vector<LogEntry> entries;
        WalkReport walk;
        if (walkFirst && (ReadAllEntries(entries, walk) != StatusSuccess || walk.empty)) {
            std::fprintf(stderr, "before note %d the log was empty or unreadable\n", i);
            std::_Exit(2);
        }
        uint8_t driverStatus = 0xEE;
        std::string text = std::string(writer) + " " + std::to_string(i);
        if (WriteMaintenanceNote(text, driverStatus) != StatusSuccess || driverStatus != 0) {
            std::fprintf(stderr, "note %s not stored (driver status %u)\n", text.c_str(), driverStatus);
            std::_Exit(1);
        }
    }
    std::_Exit(0);
}
const int writerProcess = WriteNotesIfAsked();

using Concurrency = test::DeviceTest;

TEST_F(Concurrency, SeveralProcessesWritingNotes) {
    InitDevice();
    const int writers = 4;
    std::vector<test::RunResult> results(writers);
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            results[w] = test::RunProgram("emulator_device_tests", {},
                                          {std::string(WriterEnv) + "=w" + std::to_string(w)});
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const test::RunResult& result : results) {
        ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    }
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    ASSERT_EQ(entries.size(), 800u);
    std::map<std::string, int> seen;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].EventNumber(), i + 1);
        ++seen[reinterpret_cast<const char*>(entries[i].EventData())];
    }
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < 200; ++i) {
            EXPECT_EQ(seen["w" + std::to_string(w) + " " + std::to_string(i)], 1) << w << " " << i;
        }
    }
}

// Export-and-clear runs beside four note writers: every note stored is either in an export made before the
// erase that removed it or still in the log, and no writer ever finds the log empty (a clear never shows its
// erase without the entry that records it).
TEST_F(Concurrency, ExportAndClearLoseNoNoteOfWritersBesideThem) {
    InitDevice();
    Import({FirmwareEntry(1)});
    const int writers = 4;
    std::vector<test::RunResult> results(writers);
    std::atomic<int> running{writers};
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            results[w] = test::RunProgram(
                "emulator_device_tests", {},
                {std::string(WriterEnv) + "=w" + std::to_string(w), std::string(WalkFirstEnv) + "=1"});
            --running;
        });
    }
    std::filesystem::create_directory(dir_ / "ex");
    const std::string statusLog = "/f:" + (dir_ / "e.log").string();
    int runs = 0;
    do {
        const std::string csv = "/export:" + (dir_ / "ex" / (std::to_string(runs++) + ".csv")).string();
        test::RunResult run = test::RunProgram("kestrav", {statusLog, csv, "/clear"});
        EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << run.err;
    } while (running > 0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const test::RunResult& result : results) {
        ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    }

    std::string saved;
    for (const auto& file : std::filesystem::directory_iterator(dir_ / "ex")) {
        saved += test::ReadFile(file.path());
    }
    std::set<std::string> kept;
    for (const LogEntry& entry : Stored()) {
        kept.insert(reinterpret_cast<const char*>(entry.EventData()));
    }
    const std::string runLog = test::ReadFile(dir_ / "e.log");
    size_t clears = 0;
    for (size_t at = 0; (at = runLog.find("Successfully cleared", at)) != std::string::npos; ++at) {
        ++clears;
    }
    EXPECT_GT(clears, 0u) << runLog;
    EXPECT_EQ(runLog.find("cleared without being saved"), std::string::npos) << runLog;
    size_t lost = 0;
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < WalkFirstNotes; ++i) {
            const std::string text = "w" + std::to_string(w) + " " + std::to_string(i);
            if (kept.count(text) == 0 && saved.find(": " + text + "\r\n") == std::string::npos) {
                ++lost;
                ADD_FAILURE() << "note " << text << " is in no export and not in the log";
            }
        }
    }
    std::printf("export and clear beside writers: %d runs, %zu clears, %zu notes lost\n", runs, clears, lost);
}

TEST_F(Concurrency, KilledWriterLeavesNoHalfOperation) {
    InitDevice();
    Import({FirmwareEntry(1)});
    std::string program = test::ProgramPath("healthsim");
    std::vector<std::string> args = {program, "seed", path_, "--entries", "400000"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);

    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.size() == 1 || entries.size() == 400001) << entries.size();
    uint8_t driverStatus = 0xEE;
    EXPECT_EQ(WriteMaintenanceNote("after the crash", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0);
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(reinterpret_cast<const char*>(entries.back().EventData()), std::string("after the crash"));
}

} // namespace
} // namespace kestrav
