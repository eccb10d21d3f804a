#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using LogOps = test::DeviceTest;

std::string NoteText(const LogEntry& entry) {
    return reinterpret_cast<const char*>(entry.EventData());
}

TEST_F(LogOps, EveryOperationReportsAMissingDevice) {
    // No device file at all, a file that is not a store, a SQLite file that is not a device, a folder.
    auto check = [](const char* what) {
        SCOPED_TRACE(what);
        bool supported = true;
        EXPECT_EQ(QueryLogSupport(supported), DeviceNotAvailable);
        EXPECT_FALSE(supported);
        uint8_t driverStatus = 0;
        LogEntry entry;
        EXPECT_EQ(ReadLogEntry(0, driverStatus, entry), DeviceNotAvailable);
        std::vector<LogEntry> entries(3);
        EXPECT_EQ(ReadAllEntries(entries), DeviceNotAvailable);
        EXPECT_TRUE(entries.empty());
        EXPECT_EQ(WriteMaintenanceNote("note", driverStatus), DeviceNotAvailable);
        bool cleared = true;
        EXPECT_EQ(ClearLog("admin", cleared), DeviceNotAvailable);
        EXPECT_FALSE(cleared);
        EXPECT_EQ(MarkRepaired(1, driverStatus), DeviceNotAvailable);
    };
    check("missing");
    test::WriteFile(path_, std::string(4096, 'x'));
    check("random bytes");
    test::WriteFile(path_, "");
    check("empty file");
    std::filesystem::remove(path_);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE cvr_device(format TEXT); INSERT INTO cvr_device VALUES('x')", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    std::string before = test::ReadFile(path_);
    check("foreign SQLite file");
    EXPECT_EQ(test::ReadFile(path_), before) << "a foreign file was changed";
    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);
    check("folder");
}

TEST_F(LogOps, CapabilityFollowsTheDevice) {
    InitDevice(false);
    bool supported = true;
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_FALSE(supported);
    ASSERT_EQ(Store()->SetSupported(true), emulator::StoreResult::Done);
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_TRUE(supported);
}

TEST_F(LogOps, ReadAnswersTheLowestNumberNotBelow) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2), FirmwareEntry(7)});
    struct Case {
        uint32_t asked;
        uint8_t driverStatus;
        uint32_t found;
    };
    const Case cases[] = {{0, 0, 1}, {2, 0, 2},        {3, 0, 7},
                          {7, 0, 7}, {8, EndOfLog, 0}, {UINT32_MAX, EndOfLog, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        uint8_t driverStatus = 0xEE;
        LogEntry entry;
        EXPECT_EQ(ReadLogEntry(c.asked, driverStatus, entry), StatusSuccess);
        EXPECT_EQ(driverStatus, c.driverStatus);
        if (driverStatus == 0) {
            LogEntry expected = FirmwareEntry(c.found);
            EXPECT_EQ(std::memcmp(entry.bytes, expected.bytes, LogEntrySize), 0);
        }
    }
    std::vector<LogEntry> entries;
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{1, 2, 7}));
}

TEST_F(LogOps, EmptyLogReadsAsAnEmptyList) {
    InitDevice();
    std::vector<LogEntry> entries(2);
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.empty());
}

TEST_F(LogOps, ReadFaultSkipsToTheNextNumber) {
    InitDevice();
    Import({FirmwareEntry(3), FirmwareEntry(4), FirmwareEntry(5), FirmwareEntry(9)});
    ASSERT_EQ(Store()->SetReadFault(4, 5), emulator::StoreResult::Done);
    uint8_t driverStatus = 0;
    LogEntry entry = FirmwareEntry(77);
    EXPECT_EQ(ReadLogEntry(4, driverStatus, entry), StatusSuccess);
    EXPECT_EQ(driverStatus, 5);
    std::vector<LogEntry> entries;
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 5, 9}));
    // A fault answering 135 in the middle ends the walk there.
    ASSERT_EQ(Store()->SetReadFault(6, EndOfLog), emulator::StoreResult::Done);
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 5}));
}

TEST_F(LogOps, WalkStopsAfterTheHighestEventNumber) {
    InitDevice();
    Import({FirmwareEntry(5), FirmwareEntry(0xFFFFFFFE), FirmwareEntry(0xFFFFFFFF)});
    std::vector<LogEntry> entries;
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{5, 0xFFFFFFFE, 0xFFFFFFFF}));
    // No number is left for a write after it.
    uint8_t driverStatus = 0;
    EXPECT_EQ(WriteMaintenanceNote("late", driverStatus), StatusSuccess);
    EXPECT_NE(driverStatus, 0);
    EXPECT_EQ(Stored().size(), 3u);
}

TEST_F(LogOps, NotesAreAppendedUnderIncreasingNumbers) {
    InitDevice();
    Import({FirmwareEntry(10)});
    const std::string texts[] = {"", "Replaced fan 3", std::string(227, 'q'), std::string(300, 'r')};
    for (const std::string& text : texts) {
        uint8_t driverStatus = 0xEE;
        EXPECT_EQ(WriteMaintenanceNote(text, driverStatus), StatusSuccess);
        EXPECT_EQ(driverStatus, 0);
    }
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    ASSERT_EQ(Numbers(entries), (std::vector<uint32_t>{10, 11, 12, 13, 14}));
    const uint16_t lengths[] = {29, 43, 256, 256};
    for (size_t i = 0; i < 4; ++i) {
        const LogEntry& note = entries[i + 1];
        EXPECT_EQ(note.Class(), 33);
        EXPECT_EQ(note.Code(), 2);
        EXPECT_EQ(note.Length(), lengths[i]);
        EXPECT_EQ(NoteText(note).substr(0, 227), texts[i].substr(0, 227));
        // Apart from its number, the stored entry is exactly the one built.
        LogEntry built = BuildMaintenanceEntry(2, texts[i]);
        built.SetEventNumber(note.EventNumber());
        std::memcpy(&built.bytes[12], &note.bytes[12], 12);
        EXPECT_EQ(std::memcmp(built.bytes, note.bytes, LogEntrySize), 0);
    }
}

TEST_F(LogOps, ClearLeavesTheClearedByEntry) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2), FirmwareEntry(40)});
    bool cleared = false;
    EXPECT_EQ(ClearLog("administrator", cleared), StatusSuccess);
    EXPECT_TRUE(cleared);
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].EventNumber(), 41u) << "numbers keep increasing across erases";
    EXPECT_EQ(entries[0].Class(), 33);
    EXPECT_EQ(entries[0].Code(), 1);
    EXPECT_EQ(NoteText(entries[0]), "administrator");
}

// A clear after a save: the look at the saved end, and the cleared-by entry's number against it, on a log
// holding 1 and 2 (next number 3) whose device may skip numbers before the clear.
TEST_F(LogOps, SavedClearComparesTheClearedByNumberWithTheSavedEnd) {
    struct Row {
        const char* name;
        std::optional<uint32_t> savedEnd;
        uint32_t skipped;
        LogTail tail;
        bool cleared;
        uint32_t unsaved;
    };
    const Row rows[] = {
        {"nothing saved", std::nullopt, 3, LogTail::Unchanged, true, 0},
        {"saved whole", 3, 0, LogTail::Unchanged, true, 0},
        {"numbers skipped after the save", 3, 3, LogTail::Unchanged, true, 3},
        {"entries after the saved end", 2, 0, LogTail::Grown, false, 0},
        {"numbers started again", 100, 3, LogTail::Unchanged, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InitDevice();
        Import({FirmwareEntry(1), FirmwareEntry(2)});
        ASSERT_EQ(Store()->SkipNumbers(row.skipped), emulator::StoreResult::Done);
        ClearReport report;
        EXPECT_EQ(ClearSavedLog("administrator", row.savedEnd, report), StatusSuccess);
        EXPECT_EQ(report.tail, row.tail);
        EXPECT_EQ(report.cleared, row.cleared);
        EXPECT_EQ(report.unsaved, row.unsaved);
        EXPECT_EQ(Stored().size(), row.cleared ? 1u : 2u);
    }
}

TEST_F(LogOps, RefusedEraseWritesNoEntry) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2)});
    ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.eraseRefused = true; }),
              emulator::StoreResult::Done);
    bool cleared = true;
    EXPECT_EQ(ClearLog("administrator", cleared), StatusSuccess);
    EXPECT_FALSE(cleared);
    EXPECT_EQ(Numbers(Stored()), (std::vector<uint32_t>{1, 2}));
}

TEST_F(LogOps, EraseCountsEvenWhenTheClearedEntryCannotBeStored) {
    InitDevice();
    Import({FirmwareEntry(1)});
    ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.writeStatus = 9; }),
              emulator::StoreResult::Done);
    bool cleared = false;
    EXPECT_EQ(ClearLog("administrator", cleared), StatusSuccess);
    EXPECT_TRUE(cleared);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(LogOps, MarkRepairedRewritesSeverityAndUpdateTime) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2, 3, 2, 15), FirmwareEntry(7)});
    uint8_t driverStatus = 0xEE;
    EXPECT_EQ(MarkRepaired(2, driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0);
    std::vector<LogEntry> stored = Stored();
    ASSERT_EQ(stored.size(), 3u);
    LogEntry expected = FirmwareEntry(2, 3, 2, 15);
    expected.SetSeverity(6);
    LogTime now;
    GetLogTime(now);
    LogTime update = stored[1].UpdateTime();
    EXPECT_EQ(update.century * 100 + update.year, now.century * 100 + now.year);
    expected.SetUpdateTime(update);
    EXPECT_EQ(std::memcmp(stored[1].bytes, expected.bytes, LogEntrySize), 0);

    // Number 5 holds nothing: the read answers entry 7, which is not the entry asked for, so nothing is
    // rewritten and the entry counts as not found.
    EXPECT_EQ(MarkRepaired(5, driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, EndOfLog);
    EXPECT_EQ(stored[2].Severity(), Stored()[2].Severity());
    EXPECT_EQ(MarkRepaired(8, driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, EndOfLog);
}

TEST_F(LogOps, WriteFaultAnswersItsStatusAndStoresNothing) {
    InitDevice();
    Import({FirmwareEntry(1, 2, 1, 15)});
    ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.writeStatus = 0x42; }),
              emulator::StoreResult::Done);
    uint8_t driverStatus = 0;
    EXPECT_EQ(WriteMaintenanceNote("note", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0x42);
    EXPECT_EQ(MarkRepaired(1, driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0x42);
    std::vector<LogEntry> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Severity(), 15);
}

TEST_F(LogOps, FailedRequestsAreNotErrors) {
    InitDevice();
    Import({FirmwareEntry(1, 2, 1, 15), FirmwareEntry(2)});
    ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.requestsFail = true; }),
              emulator::StoreResult::Done);
    bool supported = true;
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_FALSE(supported);
    uint8_t driverStatus = 0;
    LogEntry entry = FirmwareEntry(99);
    EXPECT_EQ(ReadLogEntry(1, driverStatus, entry), StatusSuccess);
    EXPECT_EQ(driverStatus, EndOfLog);
    EXPECT_EQ(entry.EventNumber(), 99u) << "the caller's entry is left as it was";
    std::vector<LogEntry> entries(1);
    EXPECT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(WriteMaintenanceNote("note", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, WriteFailed);
    bool cleared = true;
    EXPECT_EQ(ClearLog("admin", cleared), StatusSuccess);
    EXPECT_FALSE(cleared);
    EXPECT_EQ(MarkRepaired(1, driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, EndOfLog);
    EXPECT_EQ(Stored().size(), 2u);
    EXPECT_EQ(Stored()[0].Severity(), 15);
}

} // namespace
} // namespace kestrav
