// Notes and cleared-by names longer than an entry holds are cut to 227 characters and a terminator, never
// written past the record, whichever writer stores them.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emulator/device/device_store.h"
#include "log/log_ops.h"
#include "support/test_support.h"

namespace kestrav {
namespace {

TEST(LongTexts, MaintenanceTextsAreCutToWhatTheEntryHolds) {
    struct Case {
        uint16_t code; // 2 note, 1 cleared-by
        size_t length;
        size_t storedLength;
    };
    // Notes of 227 and 300 characters are covered with the other note tests; these are the cleared-by names
    // and the edges around them.
    const Case cases[] = {
        {1, 31, 31}, {1, 32, 32}, {1, 227, 227}, {1, 228, 227}, {1, 300, 227}, {2, 228, 227}, {2, 5000, 227},
    };
    test::TempDir dir;
    std::string device = (dir / "cvr.db").string();
    std::string error;
    ASSERT_TRUE(emulator::DeviceStore::Create(device, true, false, error)) << error;
    ::setenv("ZORHLTH_DEVICE", device.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + ", " + std::to_string(c.length) + " characters");
        std::string text(c.length, 'x');
        for (size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char>('a' + i % 26);
        }
        uint8_t driverStatus = WriteFailed;
        uint32_t status =
            c.code == 2 ? WriteMaintenanceNote(text, driverStatus) : WriteLogClearedEntry(text, driverStatus);
        ASSERT_EQ(status, StatusSuccess);
        ASSERT_EQ(driverStatus, DriverStatusDone);
        std::vector<LogEntry> entries;
        ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
        ASSERT_FALSE(entries.empty());
        const LogEntry& entry = entries.back();
        EXPECT_EQ(entry.Class(), 33);
        EXPECT_EQ(entry.Code(), c.code);
        EXPECT_EQ(entry.Length(), EntryHeaderSize + c.storedLength + 1);
        const char* stored = reinterpret_cast<const char*>(entry.EventData());
        EXPECT_EQ(std::string(stored, strnlen(stored, EventDataSize)), text.substr(0, c.storedLength));
        for (size_t i = c.storedLength; i < EventDataSize; ++i) {
            EXPECT_EQ(entry.EventData()[i], 0) << "byte " << i;
        }
    }
    ::unsetenv("ZORHLTH_DEVICE");
}

} // namespace
} // namespace kestrav
