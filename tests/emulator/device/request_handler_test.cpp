#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "emulator/device/request_handler.h"
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

// Whatever makes the path lead to another file, the next request follows it, however shortly after: a store
// renamed over the path, the store's folder or a folder above it moved away and another put in its place, a
// symbolic link along the path or at its end pointed elsewhere, a file system mounted over the folder.
class PathChanges : public test::DeviceTest {
protected:
    // A device at path holding entries 1 to count.
    void MakeDevice(const std::filesystem::path& path, uint32_t count) {
        std::filesystem::create_directories(path.parent_path());
        std::string error;
        ASSERT_TRUE(emulator::DeviceStore::Create(path.string(), true, false, error)) << error;
        std::unique_ptr<emulator::DeviceStore> store = emulator::DeviceStore::Open(path.string(), error);
        ASSERT_TRUE(store) << error;
        std::vector<LogEntry> records;
        for (uint32_t number = 1; number <= count; ++number) {
            records.push_back(FirmwareEntry(number));
        }
        ASSERT_EQ(store->Import(records), emulator::StoreResult::Done);
    }
    static size_t EntriesRead() {
        std::vector<LogEntry> entries;
        return ReadAllEntries(entries) == StatusSuccess ? entries.size() : SIZE_MAX;
    }
};

TEST_F(PathChanges, TheNextRequestFollowsThePath) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        const char* device; // under the case's folder; "link" is a symbolic link to "a"
        std::function<void(const fs::path& root)> change;
    };
    const auto move = [](const fs::path& from, const fs::path& to) { fs::rename(from, to); };
    const Case cases[] = {
        {"a store renamed over the path", "a/b/cvr.db",
         [&](const fs::path& root) { move(root / "a/b/new.db", root / "a/b/cvr.db"); }},
        {"the folder moved away and another put in its place", "a/b/cvr.db",
         [&](const fs::path& root) {
             move(root / "a/b", root / "a/old");
             move(root / "a/new", root / "a/b");
         }},
        {"a folder above moved away and another put in its place", "a/b/cvr.db",
         [&](const fs::path& root) {
             move(root / "a", root / "old");
             move(root / "new", root / "a");
         }},
        {"a link along the path pointed elsewhere", "link/b/cvr.db",
         [&](const fs::path& root) {
             fs::create_directory_symlink("new", root / "link2");
             move(root / "link2", root / "link");
         }},
        {"the device a link pointed elsewhere", "a/b/device",
         [&](const fs::path& root) {
             fs::create_symlink("new.db", root / "a/b/device2");
             move(root / "a/b/device2", root / "a/b/device");
         }},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path root = dir_ / std::to_string(index++);
        MakeDevice(root / "a/b/cvr.db", 1);
        MakeDevice(root / "a/b/new.db", 2);
        MakeDevice(root / "a/new/cvr.db", 2);
        MakeDevice(root / "new/b/cvr.db", 2);
        fs::create_directory_symlink("a", root / "link");
        fs::create_symlink("cvr.db", root / "a/b/device");
        setenv("ZORHLTH_DEVICE", (root / c.device).c_str(), 1);
        ASSERT_EQ(EntriesRead(), 1u);
        ASSERT_EQ(EntriesRead(), 1u);
        c.change(root);
        EXPECT_EQ(EntriesRead(), 2u);
    }
}

TEST_F(PathChanges, AFileSystemMountedOverTheFolder) {
    const std::filesystem::path root = dir_ / "m";
    MakeDevice(root / "a/cvr.db", 1);
    MakeDevice(root / "other/cvr.db", 2);
    setenv("ZORHLTH_DEVICE", (root / "a/cvr.db").c_str(), 1);
    // In a mount namespace of its own, so that nothing outside sees the mount.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            _exit(77);
        }
        const bool before = EntriesRead() == 1 && EntriesRead() == 1;
        if (mount((root / "other").c_str(), (root / "a").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            _exit(77);
        }
        _exit(before && EntriesRead() == 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no right to mount here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace kestrav
