// A process that opens and closes the device's files while it talks to the device (as a file dialog listing
// the device's folder does) must keep the store's locks: writer processes, each with a thread that keeps
// opening and closing the store and its journal files, lose no write of their own or of each other, and the
// store stays sound.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

constexpr int Writers = 3;
constexpr int Steps = 150;
constexpr int Erases = 12;

enum class Workload { Notes, NotesAndRewrites, NotesAndErases };

std::string Text(const LogEntry& entry) {
    const uint8_t* data = entry.EventData();
    size_t length = 0;
    while (length < EventDataSize && data[length] != 0) {
        ++length;
    }
    return std::string(reinterpret_cast<const char*>(data), length);
}

std::string Note(int writer, int step) {
    return "w" + std::to_string(writer) + " n" + std::to_string(step);
}

std::string Rewritten(int writer, int step) {
    return "w" + std::to_string(writer) + " r" + std::to_string(step);
}

// Rewrites entry number with a note entry holding text; true when the device answered Status 0.
bool RewriteEntry(uint32_t number, const std::string& text) {
    LogEntry entry = BuildMaintenanceEntry(2, text);
    HealthRequest request;
    request.SetCommand(RewriteEntryCommand);
    request.SetDataLength(entry.Length());
    request.SetEventNumber(number);
    request.SetEntry(entry);
    HealthResponse response;
    bool completed = false;
    return SendHealthRequest(LogIoControlCode, request.bytes, HealthBlockSize, response.bytes,
                             HealthBlockSize, completed) == StatusSuccess &&
           completed && response.Status() == DriverStatusDone;
}

// Opens and closes the store and its journal files until stop is set: plain descriptors, never SQLite, and
// nothing is created.
void ProbeFiles(const std::string& path, const std::atomic<bool>& stop) {
    const std::string names[] = {path, path + "-journal", path + "-wal", path + "-shm"};
    while (!stop.load()) {
        for (const std::string& name : names) {
            int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
}

// One writer process's work; exits 0 when every request was answered with Status 0.
[[noreturn]] void RunWriter(const std::string& path, Workload workload, int writer) {
    std::atomic<bool> stop{false};
    std::thread prober(ProbeFiles, path, std::cref(stop));
    int failed = 0;
    bool eraser = workload == Workload::NotesAndErases && writer == Writers - 1;
    int steps = eraser ? Erases : Steps;
    for (int step = 0; step < steps && failed == 0; ++step) {
        uint8_t driverStatus = WriteFailed;
        if (eraser) {
            bool cleared = false;
            if (ClearLog("eraser c" + std::to_string(step), cleared) != StatusSuccess || !cleared) {
                failed = 10;
            }
            continue;
        }
        if (WriteMaintenanceNote(Note(writer, step), driverStatus) != StatusSuccess ||
            driverStatus != DriverStatusDone) {
            failed = 11;
        }
        if (workload == Workload::NotesAndRewrites &&
            !RewriteEntry(static_cast<uint32_t>(writer + 1), Rewritten(writer, step))) {
            failed = 12;
        }
    }
    stop.store(true);
    prober.join();
    ::_exit(failed);
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 15000);
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW) {
            answer = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        } else {
            answer = sqlite3_errmsg(db);
        }
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return answer;
}

using LockKeeping = test::DeviceTest;

TEST_F(LockKeeping, WritersThatOpenAndCloseTheStoreFilesLoseNothing) {
    struct Case {
        const char* what;
        Workload workload;
    };
    const Case cases[] = {
        {"notes", Workload::Notes},
        {"notes and rewrites", Workload::NotesAndRewrites},
        {"notes and erases", Workload::NotesAndErases},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InitDevice();
        if (c.workload == Workload::NotesAndRewrites) {
            std::vector<LogEntry> owned;
            for (int w = 0; w < Writers; ++w) {
                owned.push_back(FirmwareEntry(static_cast<uint32_t>(w + 1)));
            }
            Import(owned);
        }
        pid_t pids[Writers];
        for (int w = 0; w < Writers; ++w) {
            pids[w] = ::fork();
            ASSERT_GE(pids[w], 0);
            if (pids[w] == 0) {
                RunWriter(path_, c.workload, w);
            }
        }
        for (int w = 0; w < Writers; ++w) {
            int status = 0;
            ASSERT_EQ(::waitpid(pids[w], &status, 0), pids[w]);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "writer " << w << " had a request fail (" << status << ")";
        }
        EXPECT_EQ(IntegrityCheck(path_), "ok");

        std::map<std::string, int> notes;
        std::map<uint32_t, std::string> rewritten;
        std::vector<std::string> cleared;
        std::set<uint32_t> numbers;
        std::unique_ptr<emulator::DeviceStore> store = Store();
        ASSERT_NE(store, nullptr);
        EXPECT_EQ(store->ForEach([&](uint32_t number, const LogEntry& entry) {
            EXPECT_TRUE(numbers.insert(number).second) << "number " << number << " twice";
            EXPECT_EQ(entry.EventNumber(), number);
            std::string text = Text(entry);
            if (entry.Class() == 33 && entry.Code() == 1) {
                cleared.push_back(text);
            } else if (text.find(" r") != std::string::npos) {
                rewritten[number] = text;
            } else {
                ++notes[text];
            }
        }),
                  emulator::StoreResult::Done);

        for (const auto& [text, times] : notes) {
            EXPECT_EQ(times, 1) << "stored " << times << " times: " << text;
        }
        int noteWriters = c.workload == Workload::NotesAndErases ? Writers - 1 : Writers;
        for (int w = 0; w < noteWriters; ++w) {
            // Erases remove what was stored before them, so a writer's notes that remain are its last ones,
            // without a gap; with no erase they are all of them.
            int first = 0;
            while (first < Steps && notes.count(Note(w, first)) == 0) {
                ++first;
            }
            if (c.workload != Workload::NotesAndErases) {
                EXPECT_EQ(first, 0) << "writer " << w << " lost its first notes";
            }
            for (int step = first; step < Steps; ++step) {
                EXPECT_EQ(notes.count(Note(w, step)), 1u) << "lost: " << Note(w, step);
            }
        }
        if (c.workload == Workload::NotesAndRewrites) {
            for (int w = 0; w < Writers; ++w) {
                EXPECT_EQ(rewritten[static_cast<uint32_t>(w + 1)], Rewritten(w, Steps - 1));
            }
        }
        if (c.workload == Workload::NotesAndErases) {
            // Each clear leaves one entry that the next clear removes: only the last one remains.
            EXPECT_EQ(cleared, std::vector<std::string>{"eraser c" + std::to_string(Erases - 1)});
        } else {
            EXPECT_TRUE(cleared.empty());
        }
    }
}

} // namespace
} // namespace kestrav
