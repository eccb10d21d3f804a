#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "emulator/request_handler.h"
#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using RequestHandler = test::DeviceTest;

TEST_F(RequestHandler, MalformedLogRequestsAreRefusedAndStoreNothing) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2)});
    struct Case {
        const char* what;
        uint32_t command;
        uint32_t operation;
        uint32_t dataLength;
        uint32_t eventNumber;
        uint16_t entryLength;
    };
    const Case cases[] = {
        {"unknown command", 0xE804, 0, 256, 0, 0},
        {"command 0", 0, 0, 0, 0, 0},
        {"read with an operation", ReadEntryCommand, 1, 256, 0, 0},
        {"read of a short block", ReadEntryCommand, 0, 100, 0, 0},
        {"write with an operation", WriteEntryCommand, 2, 40, 0, 40},
        {"write longer than a block", WriteEntryCommand, 0, 300, 0, 300},
        {"write length not the entry's", WriteEntryCommand, 0, 40, 0, 30},
        {"write shorter than the header", WriteEntryCommand, 0, 20, 0, 20},
        {"write naming a number", WriteEntryCommand, 0, 40, 5, 40},
        {"rewrite longer than a block", RewriteEntryCommand, 0, 257, 1, 257},
        {"rewrite length not the entry's", RewriteEntryCommand, 0, 60, 1, 40},
        {"control without erase", LogControlCommand, 0, 0, 0, 0},
        {"control with another operation", LogControlCommand, 2, 0, 0, 0},
        {"erase with a length", LogControlCommand, 1, 5, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HealthRequest request;
        request.SetCommand(c.command);
        request.SetOperation(c.operation);
        request.SetDataLength(c.dataLength);
        request.SetEventNumber(c.eventNumber);
        LogEntry entry = FirmwareEntry(1, 2, 1, 6);
        entry.SetLength(c.entryLength);
        request.SetEntry(entry);
        HealthResponse response;
        bool completed = false;
        EXPECT_EQ(SendHealthRequest(LogIoControlCode, request.bytes, HealthBlockSize, response.bytes,
                                    HealthBlockSize, completed),
                  StatusSuccess);
        EXPECT_TRUE(completed);
        EXPECT_NE(response.Status(), 0);
        EXPECT_NE(response.Status(), EndOfLog);
        std::vector<LogEntry> stored = Stored();
        ASSERT_EQ(Numbers(stored), (std::vector<uint32_t>{1, 2}));
        EXPECT_EQ(stored[0].Severity(), 9);
    }
}

TEST_F(RequestHandler, BadBlocksFailTheControlRequest) {
    InitDevice();
    HealthRequest request;
    request.SetCommand(ReadEntryCommand);
    request.SetDataLength(256);
    uint8_t response[400] = {};
    struct Case {
        const char* what;
        uint32_t controlCode;
        const void* input;
        uint32_t inputSize;
        uint32_t outputSize;
    };
    const Case cases[] = {
        {"unknown control code", 0x72210, request.bytes, 288, 288},
        {"short request", LogIoControlCode, request.bytes, 287, 288},
        {"long response", LogIoControlCode, request.bytes, 288, 289},
        {"no request", LogIoControlCode, nullptr, 288, 288},
        {"capability with input", CapabilityIoControlCode, request.bytes, 4, 79},
        {"short capability block", CapabilityIoControlCode, nullptr, 0, 78},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool completed = true;
        EXPECT_EQ(SendHealthRequest(c.controlCode, c.input, c.inputSize, response, c.outputSize, completed),
                  StatusSuccess);
        EXPECT_FALSE(completed);
    }
}

TEST_F(RequestHandler, ResponseCarriesOnlyTheAnswer) {
    InitDevice();
    Import({FirmwareEntry(3)});
    HealthRequest request;
    request.SetCommand(ReadEntryCommand);
    request.SetDataLength(256);
    HealthResponse response;
    std::memset(response.bytes, 0x5A, sizeof response.bytes);
    bool completed = false;
    ASSERT_EQ(SendHealthRequest(LogIoControlCode, request.bytes, HealthBlockSize, response.bytes,
                                HealthBlockSize, completed),
              StatusSuccess);
    ASSERT_TRUE(completed);
    for (size_t i = 0; i < HealthResponse::EntryOffset; ++i) {
        EXPECT_EQ(response.bytes[i], 0) << "byte " << i;
    }
    LogEntry expected = FirmwareEntry(3);
    EXPECT_EQ(std::memcmp(response.bytes + 32, expected.bytes, LogEntrySize), 0);

    CapabilityBlock capabilities;
    std::memset(capabilities.bytes, 0xFF, sizeof capabilities.bytes);
    ASSERT_EQ(SendHealthRequest(CapabilityIoControlCode, nullptr, 0, capabilities.bytes, CapabilityBlockSize,
                                completed),
              StatusSuccess);
    ASSERT_TRUE(completed);
    EXPECT_EQ(capabilities.bytes[8], 0x02);
}

TEST_F(RequestHandler, FollowsTheFileAtThePath) {
    InitDevice();
    Import({FirmwareEntry(1)});
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    ASSERT_EQ(entries.size(), 1u);
    // Replaced by a fresh device: the next request sees the new, empty one.
    InitDevice();
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.empty());
    // Removed: the device can no longer be opened.
    std::filesystem::remove(path_);
    EXPECT_EQ(ReadAllEntries(entries), DeviceNotAvailable);
    // Replaced by something that is not a device.
    test::WriteFile(path_, "not a device");
    EXPECT_EQ(ReadAllEntries(entries), DeviceNotAvailable);
}

} // namespace
} // namespace kestrav
