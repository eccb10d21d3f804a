// Writers killed at random moments must never cost an acknowledged note or leave half an entry behind: the
// device still opens, every note answered with Status 0 is stored whole, and event numbers stay unique. A
// clear killed at a random moment leaves the whole log or the emptied log with the entry of its clear.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "emulator/device/device_store.h"
#include "log/log_ops.h"
#include "support/test_support.h"

namespace kestrav {
namespace {

using emulator::DeviceStore;
using emulator::StoreResult;

constexpr int Rounds = 30;
constexpr int WritersPerRound = 2;
constexpr auto TimeBudget = std::chrono::seconds(15);

// The note a writer sends as its n-th write; the filler varies the length up to the full 227 characters.
std::string NoteText(int round, int writer, int n) {
    char head[32];
    std::snprintf(head, sizeof head, "r%02d w%d n%05d ", round, writer, n);
    std::string text = head;
    text.append(static_cast<size_t>((n * 37 + round * 11) % (MaxNoteLength - text.size() + 1)), 'a' + n % 26);
    return text;
}

// The writer process: notes one after another through the log operations; after each note answered with
// Status 0 it appends the note's text as one line to the acknowledgement file, before sending the next.
[[noreturn]] void RunWriter(const std::string& ackPath, int round, int writer) {
    int fd = ::open(ackPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        ::_exit(3);
    }
    for (int n = 0;; ++n) {
        std::string text = NoteText(round, writer, n);
        uint8_t driverStatus = WriteFailed;
        if (WriteMaintenanceNote(text, driverStatus) != StatusSuccess || driverStatus != DriverStatusDone) {
            ::_exit(4);
        }
        text.push_back('\n');
        if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            ::_exit(5);
        }
    }
}

// Acknowledged notes by round and writer. A writer killed during its acknowledgement may leave part of a line
// (a write is cut at a page boundary when the kill arrives), and the next line then follows it without a line
// break: each line's acknowledged note is the whole note text that ends it.
std::set<std::string> ReadAcknowledged(const std::string& ackPath) {
    std::set<std::string> notes;
    std::string bytes = test::ReadFile(ackPath);
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = bytes.substr(start, end - start);
        for (size_t at = line.size(); at-- > 0;) {
            int round = 0, writer = 0, n = 0;
            if (line[at] == 'r' && std::sscanf(line.c_str() + at, "r%d w%d n%d ", &round, &writer, &n) == 3 &&
                line.compare(at, std::string::npos, NoteText(round, writer, n)) == 0) {
                notes.insert(line.substr(at));
                break;
            }
        }
    }
    return notes;
}

// Checks one stored record as a whole note entry and returns its text.
std::string CheckNoteRecord(uint32_t number, const LogEntry& entry) {
    SCOPED_TRACE("event number " + std::to_string(number));
    EXPECT_EQ(entry.EventNumber(), number);
    EXPECT_EQ(entry.Class(), 33);
    EXPECT_EQ(entry.Code(), 2);
    EXPECT_EQ(entry.Severity(), 2);
    EXPECT_EQ(entry.HeaderByte6(), 1);
    EXPECT_EQ(entry.Count(), 1u);
    const uint8_t* data = entry.EventData();
    const void* end = std::memchr(data, 0, EventDataSize);
    if (end == nullptr) {
        ADD_FAILURE() << "the text has no terminator";
        return {};
    }
    size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - data);
    EXPECT_EQ(entry.Length(), EntryHeaderSize + length + 1);
    for (size_t i = length; i < EventDataSize; ++i) {
        EXPECT_EQ(data[i], 0) << "byte " << i << " after the text";
    }
    return std::string(reinterpret_cast<const char*>(data), length);
}

TEST(CrashConsistency, KilledWritersLoseNoAcknowledgedNoteAndLeaveNoHalfEntry) {
    test::TempDir dir;
    std::string device = (dir / "cvr.db").string();
    std::string ackPath = (dir / "acknowledged").string();
    std::string error;
    ASSERT_TRUE(DeviceStore::Create(device, true, false, error)) << error;
    ::setenv("ZORHLTH_DEVICE", device.c_str(), 1);

    unsigned seed = std::random_device{}();
    SCOPED_TRACE("kill delays seeded with " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(1, 60);

    auto started = std::chrono::steady_clock::now();
    int rounds = 0;
    for (; rounds < Rounds && std::chrono::steady_clock::now() - started < TimeBudget; ++rounds) {
        pid_t writers[WritersPerRound];
        for (int w = 0; w < WritersPerRound; ++w) {
            writers[w] = ::fork();
            ASSERT_GE(writers[w], 0);
            if (writers[w] == 0) {
                RunWriter(ackPath, rounds, w);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        for (pid_t pid : writers) {
            ::kill(pid, SIGKILL);
        }
        for (pid_t pid : writers) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status)) << "a writer stopped by itself with " << WEXITSTATUS(status);
        }
    }
    ::unsetenv("ZORHLTH_DEVICE");
    EXPECT_GE(rounds, 10) << "too few rounds ran within the time budget";

    // The store file itself is sound. A killed writer may have left a hot journal, which only a connection
    // that may write can roll back; any SQLite program does so, as it takes the same locks.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(device.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(db);

    std::unique_ptr<DeviceStore> store = DeviceStore::Open(device, error);
    ASSERT_NE(store, nullptr) << error;
    std::map<std::string, uint32_t> stored;
    std::set<uint32_t> numbers;
    ASSERT_EQ(store->ForEach([&](uint32_t number, const LogEntry& entry) {
        EXPECT_TRUE(numbers.insert(number).second) << "event number " << number << " twice";
        std::string text = CheckNoteRecord(number, entry);
        EXPECT_TRUE(stored.emplace(text, number).second) << "note stored twice: " << text;
    }),
              StoreResult::Done);

    std::set<std::string> acknowledged = ReadAcknowledged(ackPath);
    EXPECT_FALSE(acknowledged.empty()) << "no write was acknowledged; the kills came too early";
    for (const std::string& text : acknowledged) {
        EXPECT_EQ(stored.count(text), 1u) << "acknowledged note lost: " << text;
    }
    // Each writer writes in order, so what it stored is its notes 0..k, where k is its last acknowledged note
    // or the one after it (stored, then killed before the acknowledgement reached the file).
    std::map<std::pair<int, int>, std::vector<int>> byWriter;
    for (const auto& [text, number] : stored) {
        int round = 0, writer = 0, n = 0;
        ASSERT_EQ(std::sscanf(text.c_str(), "r%d w%d n%d ", &round, &writer, &n), 3) << text;
        EXPECT_EQ(text, NoteText(round, writer, n));
        byWriter[{round, writer}].push_back(n);
    }
    for (auto& [key, sequence] : byWriter) {
        std::sort(sequence.begin(), sequence.end());
        for (size_t i = 0; i < sequence.size(); ++i) {
            EXPECT_EQ(sequence[i], static_cast<int>(i)) << "round " << key.first << " writer " << key.second;
        }
        size_t acked = 0;
        while (acknowledged.count(NoteText(key.first, key.second, static_cast<int>(acked))) != 0) {
            ++acked;
        }
        EXPECT_LE(sequence.size(), acked + 1) << "round " << key.first << " writer " << key.second;
    }

    // The device still takes a note, under a number above every stored one.
    ::setenv("ZORHLTH_DEVICE", device.c_str(), 1);
    uint8_t driverStatus = WriteFailed;
    EXPECT_EQ(WriteMaintenanceNote("after the crashes", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, DriverStatusDone);
    std::vector<LogEntry> entries;
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    ::unsetenv("ZORHLTH_DEVICE");
    ASSERT_EQ(entries.size(), stored.size() + 1);
    EXPECT_TRUE(numbers.empty() || entries.back().EventNumber() > *numbers.rbegin());
    std::printf("crash consistency: %d rounds, %zu notes stored, %zu acknowledged\n", rounds, stored.size(),
                acknowledged.size());
}

// One clear in a child process, killed after delay (or left to finish when delay is negative).
void ClearInChild(std::chrono::microseconds delay) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        bool cleared = false;
        ::_exit(ClearLog("killed clear", cleared) == StatusSuccess && cleared ? 0 : 1);
    }
    if (delay.count() >= 0) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
}

TEST(CrashConsistency, KilledClearLeavesTheWholeLogOrItsClearedEntry) {
    test::TempDir dir;
    std::string device = (dir / "cvr.db").string();
    std::string error;
    ASSERT_TRUE(DeviceStore::Create(device, true, false, error)) << error;
    ::setenv("ZORHLTH_DEVICE", device.c_str(), 1);
    auto stored = [&] {
        std::vector<std::string> records;
        std::unique_ptr<DeviceStore> store = DeviceStore::Open(device, error);
        EXPECT_NE(store, nullptr) << error;
        if (store) {
            store->ForEach([&](uint32_t, const LogEntry& entry) {
                records.emplace_back(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
            });
        }
        return records;
    };
    auto fill = [&](int round) {
        std::unique_ptr<DeviceStore> store = DeviceStore::Open(device, error);
        ASSERT_NE(store, nullptr) << error;
        ASSERT_EQ(store->AppendMany(20,
                                    [round](uint64_t i, LogEntry& entry) {
                                        entry =
                                            BuildMaintenanceEntry(2, NoteText(round, 0, static_cast<int>(i)));
                                    }),
                  StoreResult::Done);
    };

    // The kills fall anywhere in the time a whole clear takes, start of the process included.
    fill(0);
    auto before = std::chrono::steady_clock::now();
    ClearInChild(std::chrono::microseconds(-1));
    auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - before);
    unsigned seed = std::random_device{}();
    SCOPED_TRACE("kill delays seeded with " + std::to_string(seed) + ", a clear took " +
                 std::to_string(whole.count()) + " us");
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delayUs(0, whole.count() * 3 / 2);

    auto started = std::chrono::steady_clock::now();
    int rounds = 0, emptied = 0;
    for (; rounds < 2 * Rounds && std::chrono::steady_clock::now() - started < TimeBudget; ++rounds) {
        fill(rounds + 1);
        const std::vector<std::string> log = stored();
        ClearInChild(std::chrono::microseconds(delayUs(random)));
        const std::vector<std::string> after = stored();
        if (after == log) {
            continue;
        }
        ++emptied;
        ASSERT_EQ(after.size(), 1u) << "round " << rounds << ": neither the whole log nor the emptied one";
        LogEntry entry;
        std::memcpy(entry.bytes, after[0].data(), LogEntrySize);
        EXPECT_EQ(entry.Class(), 33);
        EXPECT_EQ(entry.Code(), 1);
        EXPECT_STREQ(reinterpret_cast<const char*>(entry.EventData()), "killed clear");
    }
    ::unsetenv("ZORHLTH_DEVICE");
    EXPECT_GE(rounds, 10) << "too few rounds ran within the time budget";
    std::printf("killed clears: %d rounds, %d emptied with their entry\n", rounds, emptied);
}

} // namespace
} // namespace kestrav
