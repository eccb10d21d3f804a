// What the walk of the log reports besides its entries, and the check before an erase that the log still ends
// where the walk found its end: against real devices whose records, faults and content are changed between.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using WalkReports = test::DeviceTest;

// Rewrites the stored record of row number so that its own event number reads claimed, as a damaged medium
// would leave it.
void DamageRecordNumber(const std::string& path, const LogEntry& stored, uint32_t claimed) {
    const uint32_t number = stored.EventNumber();
    LogEntry record = stored;
    record.SetEventNumber(claimed);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE cvr_entries SET record = ?1 WHERE number = ?2", -1, &statement,
                                 nullptr),
              SQLITE_OK);
    sqlite3_bind_blob(statement, 1, record.bytes, LogEntrySize, SQLITE_STATIC);
    sqlite3_bind_int64(statement, 2, number);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST_F(WalkReports, EachWayAWalkEnds) {
    struct Case {
        std::string name;
        std::function<void()> prepare;
        std::function<void(const LogEntry&)> during; // after each entry the walk hands out
        std::vector<uint32_t> numbers;
        bool empty;
        bool complete;
        bool cleared;
        uint32_t skipped;
        std::optional<uint32_t> end;
    };
    auto nothing = [](const LogEntry&) {};
    // Another program's clear once the walk has read entry `after`: the entry that records it comes as 10.
    auto clearAfter = [](uint32_t after) {
        return [after](const LogEntry& entry) {
            bool cleared = false;
            if (entry.EventNumber() == after) {
                ASSERT_EQ(ClearLog("other", cleared), StatusSuccess);
                ASSERT_TRUE(cleared);
            }
        };
    };
    const std::vector<Case> cases = {
        {"whole log", [] {}, nothing, {3, 4, 9}, false, true, false, 0, 10},
        {"empty log",
         [this] {
             emulator::DeviceSettings settings;
             ASSERT_EQ(Store()->Erase(settings), emulator::StoreResult::Done);
         },
         nothing,
         {},
         true,
         true,
         false,
         0,
         0},
        {"unreadable number",
         [this] { ASSERT_EQ(Store()->SetReadFault(5, 7), emulator::StoreResult::Done); },
         nothing,
         {3, 4, 9},
         false,
         true,
         false,
         1,
         10},
        {"first request fails: empty",
         [this] {
             ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.requestsFail = true; }),
                       emulator::StoreResult::Done);
         },
         nothing,
         {},
         true,
         true,
         false,
         0,
         0},
        // The walk goes on from the entry that records the clear and ends as if it had read everything.
        {"cleared in the middle", [] {}, clearAfter(4), {3, 4, 10}, false, true, true, 0, 11},
        {"cleared after the last entry", [] {}, clearAfter(9), {3, 4, 9, 10}, false, true, true, 0, 11},
        {"cleared by the device before a read",
         [this] {
             ASSERT_EQ(Store()->SetReadFault(5, emulator::ClearBeforeRead), emulator::StoreResult::Done);
         },
         nothing,
         {3, 4, 10},
         false,
         true,
         true,
         0,
         11},
        // An entry that changes while it lives is still the same entry.
        {"first entry marked repaired meanwhile",
         [] {},
         [](const LogEntry& entry) {
             uint8_t driverStatus = EndOfLog;
             if (entry.EventNumber() == 4) {
                 ASSERT_EQ(MarkRepaired(3, driverStatus), StatusSuccess);
                 ASSERT_EQ(driverStatus, DriverStatusDone);
             }
         },
         {3, 4, 9},
         false,
         true,
         false,
         0,
         10},
        // Whether the log was cleared cannot be told: the walk is not taken as whole.
        {"first number unreadable afterwards",
         [] {},
         [this](const LogEntry& entry) {
             if (entry.EventNumber() == 9) {
                 ASSERT_EQ(Store()->SetReadFault(3, 7), emulator::StoreResult::Done);
             }
         },
         {3, 4, 9},
         false,
         false,
         false,
         0,
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitDevice();
        Import({FirmwareEntry(3), FirmwareEntry(4), FirmwareEntry(9)});
        c.prepare();
        std::vector<LogEntry> entries;
        WalkReport report;
        EXPECT_EQ(WalkLog(
                      [&](const LogEntry& entry) {
                          entries.push_back(entry);
                          c.during(entry);
                      },
                      report),
                  StatusSuccess);
        EXPECT_EQ(Numbers(entries), c.numbers);
        EXPECT_EQ(report.empty, c.empty);
        EXPECT_EQ(report.complete, c.complete);
        EXPECT_EQ(report.cleared, c.cleared);
        EXPECT_EQ(report.ReadWhole(), c.complete && !c.cleared && c.skipped == 0);
        EXPECT_EQ(report.skipped, c.skipped);
        EXPECT_EQ(report.end, c.end);
    }
}

// A record claiming a number below the one asked for would send the walk back over what it read. The device
// answers such a record as unreadable; a faulty driver that hands it out as it is stops the walk there, which
// keeps what it read and says where it stopped.
TEST_F(WalkReports, AnAnswerGoingBackStopsTheWalk) {
    for (bool raw : {false, true}) {
        SCOPED_TRACE(raw ? "raw records" : "checked records");
        InitDevice();
        Import({FirmwareEntry(3), FirmwareEntry(4), FirmwareEntry(9), FirmwareEntry(12)});
        DamageRecordNumber(path_, FirmwareEntry(9), 2);
        ASSERT_EQ(Store()->ChangeFaults([raw](emulator::DeviceFaults& f) { f.rawRecords = raw; }),
                  emulator::StoreResult::Done);
        std::vector<LogEntry> entries;
        WalkReport report;
        EXPECT_EQ(ReadAllEntries(entries, report), StatusSuccess);
        EXPECT_FALSE(report.ReadWhole());
        EXPECT_EQ(report.complete, !raw);
        if (raw) {
            EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 4}));
            EXPECT_EQ(report.stoppedAt, 5u);
        } else {
            // Numbers 5 to 9 all land on the damaged row.
            EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 4, 12}));
            EXPECT_EQ(report.skipped, 5u);
        }
    }
}

// The check before an erase: nothing new, an entry the firmware added, a number that cannot be read, a device
// that fails or is gone. Only the first allows the erase; the end found after an erase takes in its entry.
TEST_F(WalkReports, TheEndOfTheLogIsCheckedBeforeAnErase) {
    InitDevice();
    Import({FirmwareEntry(3), FirmwareEntry(4)});
    std::vector<LogEntry> entries;
    WalkReport report;
    ASSERT_EQ(ReadAllEntries(entries, report), StatusSuccess);
    ASSERT_EQ(report.end, 5u);

    LogTail tail = LogTail::Unknown;
    EXPECT_EQ(CheckLogEnd(5, tail), StatusSuccess);
    EXPECT_EQ(tail, LogTail::Unchanged);

    emulator::DeviceSettings settings;
    uint32_t assigned = 0;
    ASSERT_EQ(Store()->Append(FirmwareEntry(0), settings, assigned), emulator::StoreResult::Done);
    EXPECT_EQ(assigned, 5u);
    EXPECT_EQ(CheckLogEnd(5, tail), StatusSuccess);
    EXPECT_EQ(tail, LogTail::Grown);

    std::optional<uint32_t> end;
    EXPECT_EQ(FindLogEnd(5, end), StatusSuccess);
    EXPECT_EQ(end, 6u);
    ASSERT_EQ(Store()->SetReadFault(6, 9), emulator::StoreResult::Done);
    EXPECT_EQ(CheckLogEnd(6, tail), StatusSuccess);
    EXPECT_EQ(tail, LogTail::Grown);
    EXPECT_EQ(FindLogEnd(5, end), StatusSuccess);
    EXPECT_EQ(end, 7u);

    ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.requestsFail = true; }),
              emulator::StoreResult::Done);
    EXPECT_EQ(CheckLogEnd(7, tail), StatusSuccess);
    EXPECT_EQ(tail, LogTail::Unknown);
    EXPECT_EQ(FindLogEnd(5, end), StatusSuccess);
    EXPECT_FALSE(end.has_value());

    setenv("ZORHLTH_DEVICE", (path_ + ".gone").c_str(), 1);
    EXPECT_EQ(CheckLogEnd(7, tail), DeviceNotAvailable);
    EXPECT_EQ(tail, LogTail::Unknown);
}

} // namespace
} // namespace kestrav
