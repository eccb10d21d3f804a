#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

extern char** environ;

namespace kestrav {
namespace {

constexpr const char* WriterEnv = "KESTRAV_NOTE_WRITER";

// A writer process is this test program started again with KESTRAV_NOTE_WRITER set: before any test runs, it
// writes 200 notes "<writer> <i>" through the log operations and exits, non-zero on the first one not stored.
int WriteNotesIfAsked() {
    const char* writer = std::getenv(WriterEnv);
    if (writer == nullptr) {
        return 0;
    }
    for (int i = 0; i < 200; ++i) {
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
            results[w] =
                test::RunProgram("emulator_tests", {}, {std::string(WriterEnv) + "=w" + std::to_string(w)});
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
