// A fresh emulated device in a temporary folder, named by ZORHLTH_DEVICE for the duration of a test.
#pragma once

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "emulator/device/device_store.h"
#include "record/log_entry.h"
#include "support/test_support.h"

namespace kestrav::test {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (dir_ / "cvr.db").string();
        setenv("ZORHLTH_DEVICE", path_.c_str(), 1);
    }
    void TearDown() override { unsetenv("ZORHLTH_DEVICE"); }

    void InitDevice(bool supported = true) {
        std::string error;
        ASSERT_TRUE(emulator::DeviceStore::Create(path_, supported, true, error)) << error;
    }

    std::unique_ptr<emulator::DeviceStore> Store() {
        std::string error;
        std::unique_ptr<emulator::DeviceStore> store = emulator::DeviceStore::Open(path_, error);
        EXPECT_TRUE(store) << error;
        return store;
    }

    // Stores records as the firmware left them, under their own numbers.
    void Import(const std::vector<LogEntry>& records) {
        ASSERT_EQ(Store()->Import(records), emulator::StoreResult::Done);
    }

    // Every stored record, in number order.
    std::vector<LogEntry> Stored() {
        std::vector<LogEntry> records;
        Store()->ForEach([&](uint32_t, const LogEntry& entry) { records.push_back(entry); });
        return records;
    }

    // A firmware entry with a recognisable event-data byte.
    static LogEntry FirmwareEntry(uint32_t number, uint16_t eventClass = 2, uint16_t code = 1,
                                  uint8_t severity = 9) {
        LogEntry entry;
        entry.SetLength(30);
        entry.SetEventNumber(number);
        entry.SetSeverity(severity);
        entry.SetClass(eventClass);
        entry.SetCode(code);
        entry.SetInitialTime(LogTime{20, 25, 11, 3, 8, 15});
        entry.SetUpdateTime(LogTime{20, 25, 11, 4, 9, 30});
        entry.SetCount(1);
        entry.EventData()[0] = static_cast<uint8_t>(number);
        entry.EventData()[1] = 0xA5;
        return entry;
    }

    static std::vector<uint32_t> Numbers(const std::vector<LogEntry>& entries) {
        std::vector<uint32_t> numbers;
        for (const LogEntry& entry : entries) {
            numbers.push_back(entry.EventNumber());
        }
        return numbers;
    }

    TempDir dir_;
    std::string path_;
};

// A writer killed in the middle of a transaction too big for its page cache: changed pages already written
// into the store, the journal that undoes them left behind.
inline void KillWriterMidTransaction(const std::string& path) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db,
                         "PRAGMA cache_size = 2; BEGIN; UPDATE cvr_entries SET record = zeroblob(256);"
                         " UPDATE cvr_device SET requests_fail = 1",
                         nullptr, nullptr, nullptr) != SQLITE_OK) {
            ::_exit(1);
        }
        ::_exit(0); // no commit, no rollback: as if killed
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace kestrav::test
