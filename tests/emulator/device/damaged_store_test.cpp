// What the device answers when its store is damaged, and what healthsim says about such stores: edits made
// with SQLite itself (a record holding another number, a short record), garbage over a page, an old device
// made with a write-ahead log, and inputs that are not regular files.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "emulator/device/request_handler.h"
#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using DamagedStore = test::DeviceTest;

void Sql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message != nullptr ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

// Replaces row number's record with the first size bytes of entry.
void EditRecord(const std::string& path, uint32_t number, const LogEntry& entry, int size) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE cvr_entries SET record = ?2 WHERE number = ?1", -1, &statement,
                                 nullptr),
              SQLITE_OK);
    sqlite3_bind_int64(statement, 1, number);
    sqlite3_bind_blob(statement, 2, entry.bytes, size, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

struct Answer {
    bool completed = false;
    uint8_t status = 0;
    LogEntry entry;
};

Answer Read(uint32_t number) {
    HealthRequest request;
    request.SetCommand(ReadEntryCommand);
    request.SetDataLength(LogEntrySize);
    request.SetEventNumber(number);
    HealthResponse response;
    Answer answer;
    EXPECT_EQ(SendHealthRequest(LogIoControlCode, request.bytes, HealthBlockSize, response.bytes,
                                HealthBlockSize, answer.completed),
              StatusSuccess);
    answer.status = response.Status();
    answer.entry = response.Entry();
    return answer;
}

bool AllZero(const LogEntry& entry) {
    for (uint8_t byte : entry.bytes) {
        if (byte != 0) {
            return false;
        }
    }
    return true;
}

TEST_F(DamagedStore, DamagedRowsAreAnsweredWithTheirOwnStatus) {
    struct Case {
        const char* what;
        uint32_t claimed;
        int size;
        bool raw;
        uint8_t status;
    };
    // Row 2's record claims number 9 (bytes 2-5), or is cut to 100 bytes.
    const Case cases[] = {
        {"another number", 9, 256, false, emulator::DamagedEntryStatus},
        {"another number, raw records", 9, 256, true, DriverStatusDone},
        {"short record", 2, 100, false, emulator::DamagedEntryStatus},
        {"short record, raw records", 2, 100, true, emulator::DamagedEntryStatus},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InitDevice();
        Import({FirmwareEntry(1), FirmwareEntry(2), FirmwareEntry(3)});
        EditRecord(path_, 2, FirmwareEntry(c.claimed), c.size);
        if (c.raw) {
            ASSERT_EQ(Store()->ChangeFaults([](emulator::DeviceFaults& f) { f.rawRecords = true; }),
                      emulator::StoreResult::Done);
        }
        for (uint32_t asked : {0u, 2u}) {
            Answer answer = Read(asked == 0 ? 2 : asked);
            ASSERT_TRUE(answer.completed);
            EXPECT_EQ(answer.status, c.status);
            if (c.status != DriverStatusDone) {
                EXPECT_TRUE(AllZero(answer.entry));
            } else {
                EXPECT_EQ(answer.entry.EventNumber(), 9u);
            }
        }
        EXPECT_EQ(Read(3).status, DriverStatusDone);
        ASSERT_EQ(Store()->ClearFaults(), emulator::StoreResult::Done);
        EXPECT_EQ(Read(2).status, c.status == DriverStatusDone ? emulator::DamagedEntryStatus : c.status);
    }
}

TEST_F(DamagedStore, GarbageOverAPageFailsReadsAndDumpSaysSo) {
    InitDevice();
    ASSERT_EQ(test::RunProgram("healthsim", {"seed", path_, "--entries", "3000"}).exitStatus, 0);
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    int fd = ::open(path_.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    std::string garbage(4096, '\xA7');
    off_t page = (info.st_size / 4096 / 2) * 4096;
    ASSERT_EQ(::pwrite(fd, garbage.data(), garbage.size(), page), 4096);
    ::close(fd);
    int failed = 0;
    for (uint32_t number = 1; number <= 3000; ++number) {
        Answer answer = Read(number);
        if (!answer.completed || answer.status == emulator::DamagedEntryStatus) {
            ++failed;
            continue;
        }
        if (answer.status == DriverStatusDone) {
            EXPECT_GE(answer.entry.EventNumber(), number);
        }
    }
    EXPECT_GT(failed, 0);
    test::RunResult dump = test::RunProgram("healthsim", {"dump", path_});
    EXPECT_EQ(dump.exitStatus, 1);
    EXPECT_EQ(dump.err, "healthsim: " + path_ + ": database disk image is malformed\n");
}

TEST_F(DamagedStore, HealthsimSaysWhatIsWrong) {
    InitDevice();
    std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"import", path_, dir_.Path().string()},
         "healthsim: " + dir_.Path().string() + ": not a regular file; nothing imported\n"},
        {{"import", path_, fifo}, "healthsim: " + fifo + ": not a regular file; nothing imported\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        test::RunResult result = test::RunProgram("healthsim", c.args);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, c.err);
    }
}

// A device on a read-only file system: as root, permissions do not stop a write, so a read-only mount is
// used, and the test is skipped where mounting is not possible.
TEST_F(DamagedStore, ADeviceOnAReadOnlyPlaceIsReportedAsReadOnly) {
    std::string mount = (dir_ / "ro").string();
    std::filesystem::create_directory(mount);
    if (std::system(("mount -t tmpfs tmpfs " + mount + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "cannot mount a file system here";
    }
    std::string device = mount + "/cvr.db";
    std::string error;
    ASSERT_TRUE(emulator::DeviceStore::Create(device, true, false, error)) << error;
    bool readOnly = std::system(("mount -o remount,ro " + mount).c_str()) == 0;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"dump", device}, {"add", device, "--class", "2", "--code", "1"}, {"fault", device, "clear"}}) {
        if (!readOnly) {
            break;
        }
        SCOPED_TRACE(args[0]);
        test::RunResult result = test::RunProgram("healthsim", args);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, "healthsim: " + device + ": read-only: Read-only file system\n");
    }
    EXPECT_EQ(std::system(("umount " + mount).c_str()), 0);
    EXPECT_TRUE(readOnly) << "the mount could not be made read-only";
}

// A store that another program holds past the busy timeout is said to be busy, not missing.
TEST_F(DamagedStore, AStoreHeldTooLongIsBusy) {
    InitDevice();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    test::RunResult result = test::RunProgram("kestrav", {"--json"});
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "kestrav: the health device " + path_ +
                              " is busy: another program has held it too long; try again later\n");
}

TEST_F(DamagedStore, AWriteAheadLogDeviceOpensAndKeepsItsEntries) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2)});
    // As devices used to be made: a write-ahead log, and no raw_records column.
    Import({FirmwareEntry(3)});
    Sql(path_, "PRAGMA journal_mode = WAL; ALTER TABLE cvr_device DROP COLUMN raw_records");
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{1, 2, 3}));
    uint8_t driverStatus = WriteFailed;
    EXPECT_EQ(WriteMaintenanceNote("after", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, DriverStatusDone);
    EXPECT_EQ(Numbers(Stored()), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
}

TEST_F(DamagedStore, ARenamedOrReplacedDeviceIsNotUsedUnderItsOldPath) {
    struct Case {
        const char* what;
        void (*change)(const std::string& path, const std::string& other);
        bool opens;
    };
    const Case cases[] = {
        {"renamed away", [](const std::string& p, const std::string& o) { std::filesystem::rename(p, o); },
         false},
        {"renamed over",
         [](const std::string& p, const std::string& o) {
             std::string error;
             ASSERT_TRUE(emulator::DeviceStore::Create(o, true, true, error)) << error;
             std::filesystem::rename(o, p);
         },
         true},
        {"deleted and made again",
         [](const std::string& p, const std::string&) {
             std::filesystem::remove(p);
             std::string error;
             ASSERT_TRUE(emulator::DeviceStore::Create(p, true, false, error)) << error;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InitDevice();
        Import({FirmwareEntry(1)});
        std::vector<LogEntry> entries;
        ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
        ASSERT_EQ(entries.size(), 1u);
        std::string other = (dir_ / "other.db").string();
        std::filesystem::remove(other);
        c.change(path_, other);
        EXPECT_EQ(ReadAllEntries(entries), c.opens ? StatusSuccess : DeviceNotAvailable);
        EXPECT_TRUE(entries.empty());
    }
}

} // namespace
} // namespace kestrav
