// A read answered from the entries read ahead must be what the store holds at the moment of the read: a
// connection that read a window of entries must see every commit made since by another connection or another
// SQLite program, must not see what a writer killed before its commit left in the file, and walks across many
// windows over numbers with gaps must read every entry once.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "emulator/device/device_store.h"
#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using emulator::DeviceStore;
using emulator::ReadOutcome;
using emulator::StoreResult;

class ReadAhead : public test::DeviceTest {
protected:
    // Numbers 1 to 899 without the multiples of 3: 600 entries, more than two read-ahead windows.
    static std::vector<LogEntry> GappedLog() {
        std::vector<LogEntry> records;
        for (uint32_t number = 1; number < 900; ++number) {
            if (number % 3 != 0) {
                records.push_back(FirmwareEntry(number, 2, static_cast<uint16_t>(number % 50)));
            }
        }
        return records;
    }
};

// Changes the store the way a program other than the device driver does: SQLite with its own file layer.
void Sql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message != nullptr ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

void ExpectSameOutcome(const ReadOutcome& got, const ReadOutcome& want) {
    EXPECT_EQ(got.found, want.found);
    EXPECT_EQ(got.damaged, want.damaged);
    EXPECT_EQ(got.faultStatus, want.faultStatus);
    EXPECT_EQ(got.settings.supported, want.settings.supported);
    EXPECT_EQ(got.settings.faults.requestsFail, want.settings.faults.requestsFail);
    EXPECT_EQ(got.settings.faults.rawRecords, want.settings.faults.rawRecords);
    EXPECT_EQ(std::memcmp(got.entry.bytes, want.entry.bytes, LogEntrySize), 0)
        << "entry " << got.entry.EventNumber() << " answered, " << want.entry.EventNumber() << " stored";
}

TEST_F(ReadAhead, AReadInTheMiddleOfAWalkSeesEveryCommitSinceTheEntriesWereRead) {
    struct Case {
        const char* what;
        uint32_t at; // read before and after the change
        std::function<void(DeviceStore& other, const std::string& path)> change;
    };
    const Case cases[] = {
        {"an entry appended after the end", 900,
         [](DeviceStore& other, const std::string&) {
             emulator::DeviceSettings settings;
             uint32_t assigned = 0;
             ASSERT_EQ(other.Append(FirmwareEntry(0, 7, 7), settings, assigned), StoreResult::Done);
             ASSERT_EQ(assigned, 900u);
         }},
        {"an entry rewritten", 301,
         [](DeviceStore& other, const std::string&) {
             emulator::DeviceSettings settings;
             ASSERT_EQ(other.Rewrite(301, FirmwareEntry(301, 9, 9, 3), settings), StoreResult::Done);
         }},
        {"the log erased", 301,
         [](DeviceStore& other, const std::string&) {
             emulator::DeviceSettings settings;
             ASSERT_EQ(other.Erase(settings), StoreResult::Done);
         }},
        {"a read fault set", 301,
         [](DeviceStore& other, const std::string&) {
             ASSERT_EQ(other.SetReadFault(301, 0x42), StoreResult::Done);
         }},
        {"every request made to fail", 301,
         [](DeviceStore& other, const std::string&) {
             ASSERT_EQ(other.ChangeFaults([](emulator::DeviceFaults& f) { f.requestsFail = true; }),
                       StoreResult::Done);
         }},
        {"the log said not kept", 301,
         [](DeviceStore& other, const std::string&) {
             ASSERT_EQ(other.SetSupported(false), StoreResult::Done);
         }},
        {"an entry inserted into a gap by another program", 300,
         [](DeviceStore&, const std::string& path) {
             Sql(path, "INSERT INTO cvr_entries(number, record) SELECT 300, record FROM cvr_entries"
                       " WHERE number = 302");
         }},
        {"a record cut short by another program", 301,
         [](DeviceStore&, const std::string& path) {
             Sql(path, "UPDATE cvr_entries SET record = substr(record, 1, 100) WHERE number = 301");
         }},
        {"entries deleted by another program", 301,
         [](DeviceStore&, const std::string& path) {
             Sql(path, "DELETE FROM cvr_entries WHERE number BETWEEN 301 AND 400");
         }},
        // No journal file comes or goes: only the writes to the store itself tell of the change.
        {"entries deleted by a program that keeps its journal in memory", 301,
         [](DeviceStore&, const std::string& path) {
             Sql(path,
                 "PRAGMA journal_mode = MEMORY; DELETE FROM cvr_entries WHERE number BETWEEN 301 AND 400");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InitDevice();
        Import(GappedLog());
        std::unique_ptr<DeviceStore> walker = Store();
        ASSERT_NE(walker, nullptr);
        // The walk so far: a read before the number, which brings it in, and the number itself.
        ReadOutcome before;
        ASSERT_EQ(walker->ReadAtOrAfter(c.at - 40, before), StoreResult::Done);
        ASSERT_EQ(walker->ReadAtOrAfter(c.at, before), StoreResult::Done);

        std::unique_ptr<DeviceStore> other = Store();
        ASSERT_NE(other, nullptr);
        c.change(*other, path_);
        other.reset();

        for (uint32_t number : {c.at, c.at + 1, c.at + 50}) {
            SCOPED_TRACE(number);
            ReadOutcome got;
            ReadOutcome want;
            ASSERT_EQ(walker->ReadAtOrAfter(number, got), StoreResult::Done);
            ASSERT_EQ(Store()->ReadAtOrAfter(number, want), StoreResult::Done);
            ExpectSameOutcome(got, want);
        }
    }
}

TEST_F(ReadAhead, AWriterKilledBeforeItsCommitChangesNoAnswer) {
    InitDevice();
    Import(GappedLog());
    std::unique_ptr<DeviceStore> walker = Store();
    ASSERT_NE(walker, nullptr);
    std::vector<ReadOutcome> before;
    for (uint32_t number : {200u, 201u, 202u, 400u, 800u}) {
        ASSERT_EQ(walker->ReadAtOrAfter(number, before.emplace_back()), StoreResult::Done);
    }
    test::KillWriterMidTransaction(path_);
    ASSERT_TRUE(std::filesystem::exists(path_ + "-journal")) << "the writer left no journal";

    size_t i = 0;
    for (uint32_t number : {200u, 201u, 202u, 400u, 800u}) {
        SCOPED_TRACE(number);
        ReadOutcome got;
        ASSERT_EQ(walker->ReadAtOrAfter(number, got), StoreResult::Done);
        ExpectSameOutcome(got, before[i]);
        ReadOutcome fresh;
        ASSERT_EQ(Store()->ReadAtOrAfter(number, fresh), StoreResult::Done);
        ExpectSameOutcome(fresh, before[i]);
        ++i;
    }
}

TEST_F(ReadAhead, AWalkAcrossManyWindowsReadsEveryEntryOnce) {
    auto range = [](uint32_t first, uint32_t last, uint32_t step) {
        std::vector<uint32_t> numbers;
        for (uint64_t n = first; n <= last; n += step) {
            numbers.push_back(static_cast<uint32_t>(n));
        }
        return numbers;
    };
    auto join = [](std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const size_t window = DeviceStore::ReadAheadEntries;
    struct Case {
        const char* what;
        std::vector<uint32_t> numbers;
    };
    const Case cases[] = {
        {"one window exactly", range(1, static_cast<uint32_t>(window), 1)},
        {"one more than a window", range(1, static_cast<uint32_t>(window + 1), 1)},
        {"every seventh number over four windows", range(7, static_cast<uint32_t>(7 * 4 * window), 7)},
        {"a wide gap at a window's end",
         join(range(1, static_cast<uint32_t>(window), 1), range(100000, 100300, 1))},
        {"up to the highest number", range(UINT32_MAX - static_cast<uint32_t>(2 * window), UINT32_MAX, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InitDevice();
        std::vector<LogEntry> records;
        for (uint32_t number : c.numbers) {
            records.push_back(FirmwareEntry(number));
        }
        Import(records);
        std::vector<LogEntry> entries;
        WalkReport report;
        ASSERT_EQ(ReadAllEntries(entries, report), StatusSuccess);
        EXPECT_TRUE(report.complete);
        std::vector<uint32_t> read;
        for (const LogEntry& entry : entries) {
            read.push_back(entry.EventNumber());
        }
        EXPECT_EQ(read, c.numbers);
    }
}

} // namespace
} // namespace kestrav
