#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/healthsim/seed.h"
#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

using Healthsim = test::DeviceTest;

test::RunResult RunHealthsim(const std::vector<std::string>& args) {
    return test::RunProgram("healthsim", args);
}

std::string Hex(const LogEntry& entry) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : entry.bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

std::string RawRecords(const std::vector<LogEntry>& records) {
    std::string bytes;
    for (const LogEntry& record : records) {
        bytes.append(reinterpret_cast<const char*>(record.bytes), LogEntrySize);
    }
    return bytes;
}

// Minutes since year 0 of a LogTime, for ordering.
long Minutes(const LogTime& t) {
    return ((((t.century * 100L + t.year) * 12 + t.month) * 31 + t.day) * 24 + t.hour) * 60 + t.minute;
}

TEST_F(Healthsim, HelpPrintsUsage) {
    test::RunResult result = RunHealthsim({"--help"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out.rfind("Usage: healthsim COMMAND DEVICE [ARGUMENTS]\n", 0), 0u);
    for (const char* command : {"init", "import", "add", "seed", "dump", "set", "fault"}) {
        EXPECT_NE(result.out.find(std::string("  ") + command + " DEVICE"), std::string::npos) << command;
    }
}

TEST_F(Healthsim, InitRefusesAnExistingPathUnlessForced) {
    ASSERT_EQ(RunHealthsim({"init", path_}).exitStatus, 0);
    ASSERT_EQ(RunHealthsim({"add", path_, "--class", "2", "--code", "1"}).exitStatus, 0);
    test::RunResult again = RunHealthsim({"init", path_});
    EXPECT_NE(again.exitStatus, 0);
    EXPECT_EQ(again.err, "healthsim: " + path_ + ": already exists (use --force to replace it)\n");
    EXPECT_EQ(Stored().size(), 1u);
    ASSERT_EQ(RunHealthsim({"init", path_, "--force", "--unsupported"}).exitStatus, 0);
    EXPECT_TRUE(Stored().empty());
    bool supported = true;
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_FALSE(supported);
    ASSERT_EQ(RunHealthsim({"set", path_, "supported"}).exitStatus, 0);
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_TRUE(supported);
}

// The rights of a new store: the mode asked for, else 0640 less the umask and never more than a replaced file
// had; the folder's group when it is not the creator's own and the creator may give it. Rows with another
// account or another group need root; without it only the others run.
TEST_F(Healthsim, InitGivesTheStoreItsRights) {
    constexpr gid_t OtherGroup = 4242;
    constexpr uid_t Nobody = 65534;
    enum Account { Root, Outsider, Member }; // Outsider and Member are nobody, outside or in OtherGroup
    struct Case {
        const char* name;
        Account account;
        bool groupFolder; // the folder belongs to OtherGroup
        mode_t folderMode;
        const char* umask;
        mode_t replaced; // 0: a new path; else init --force over a store of this mode
        std::vector<std::string> options;
        mode_t mode;
        bool otherGroup; // the store ends in OtherGroup, else in the account's own group
    };
    const Case cases[] = {
        {"own folder", Root, false, 0755, "022", 0, {}, 0640, false},
        {"umask keeps group out", Root, false, 0755, "077", 0, {}, 0600, false},
        {"mode asked for", Root, false, 0755, "022", 0, {"--mode", "660"}, 0660, false},
        {"mode asked for, tighter", Root, false, 0755, "000", 0, {"--mode", "0600"}, 0600, false},
        {"folder of a group", Root, true, 0750, "022", 0, {}, 0640, true},
        {"replaces an old store", Root, true, 0750, "022", 0644, {"--force"}, 0640, true},
        {"never loosens", Root, true, 0750, "022", 0600, {"--force"}, 0600, true},
        {"never loosens, umask too", Root, true, 0750, "027", 0444, {"--force"}, 0440, true},
        {"replacing with a mode", Root, true, 0750, "022", 0600, {"--force", "--mode", "0644"}, 0644, true},
        {"outsider in a group's folder", Outsider, true, 0777, "022", 0, {}, 0640, false},
        {"outsider in a setgid folder", Outsider, true, 02777, "022", 0, {}, 0640, true},
        {"member in a group's folder", Member, true, 0777, "022", 0, {}, 0640, true},
    };
    const bool root = ::geteuid() == 0;
    if (root) {
        std::filesystem::permissions(dir_.Path(), std::filesystem::perms(0755));
    }
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!root && (c.account != Root || c.groupFolder)) {
            continue;
        }
        std::filesystem::path folder = dir_ / ("case" + std::to_string(++number));
        std::filesystem::create_directory(folder);
        ASSERT_EQ(::chown(folder.c_str(), static_cast<uid_t>(-1), c.groupFolder ? OtherGroup : ::getegid()),
                  0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        std::string device = (folder / "cvr.db").string();
        if (c.replaced != 0) {
            ASSERT_EQ(RunHealthsim({"init", device}).exitStatus, 0);
            ASSERT_EQ(::chmod(device.c_str(), c.replaced), 0);
        }
        std::vector<std::string> args;
        if (c.account != Root) {
            args = {"--reuid=" + std::to_string(Nobody), "--regid=" + std::to_string(Nobody),
                    c.account == Member ? "--groups=" + std::to_string(OtherGroup) : "--clear-groups",
                    "/bin/sh"};
        }
        args.insert(args.end(), {"-c", "umask " + std::string(c.umask) + "; exec \"$0\" \"$@\"",
                                 test::ProgramPath("healthsim"), "init", device});
        args.insert(args.end(), c.options.begin(), c.options.end());
        test::RunResult result = test::RunProgram(c.account == Root ? "/bin/sh" : "/usr/bin/setpriv", args);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        struct stat info {};
        ASSERT_EQ(::stat(device.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode) << std::oct << (info.st_mode & 07777);
        EXPECT_EQ(info.st_gid, c.otherGroup ? OtherGroup : c.account == Root ? ::getegid() : Nobody);
    }
}

TEST_F(Healthsim, ImportStoresRecordsUnderTheirOwnNumbers) {
    InitDevice();
    LogEntry replaced = FirmwareEntry(5, 3, 2, 15);
    std::vector<LogEntry> records = {FirmwareEntry(5), FirmwareEntry(2), replaced};
    // A record is stored as it is, even a Length that no writer would use.
    records[1].SetLength(20);
    std::string file = (dir_ / "records.bin").string();
    test::WriteFile(file, RawRecords(records));
    test::RunResult result = RunHealthsim({"import", path_, file});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    test::RunResult dump = RunHealthsim({"dump", path_});
    EXPECT_EQ(dump.out, "2 " + Hex(records[1]) + "\n5 " + Hex(replaced) + "\n");
    // The next write continues after the highest imported number.
    ASSERT_EQ(RunHealthsim({"add", path_, "--class", "2", "--code", "1"}).exitStatus, 0);
    EXPECT_EQ(Numbers(Stored()), (std::vector<uint32_t>{2, 5, 6}));
}

TEST_F(Healthsim, AddAppendsAsTheFirmwareWould) {
    InitDevice();
    Import({FirmwareEntry(8)});
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(RunHealthsim({"add", path_, "--class", "41", "--code", "1", "--severity", "9", "--count",
                            "0x10", "--text", "Fan 3"})
                  .exitStatus,
              0);
    ASSERT_EQ(RunHealthsim({"add", path_, "--class", "0x27", "--code", "3", "--data", "2C01"}).exitStatus, 0);
    std::vector<LogEntry> stored = Stored();
    ASSERT_EQ(Numbers(stored), (std::vector<uint32_t>{8, 9, 10}));

    LogEntry text = stored[1];
    EXPECT_EQ(text.Length(), 34);
    EXPECT_EQ(text.Severity(), 9);
    EXPECT_EQ(text.Class(), 41);
    EXPECT_EQ(text.Code(), 1);
    EXPECT_EQ(text.Count(), 16u);
    EXPECT_EQ(std::memcmp(text.EventData(), "Fan 3", 6), 0);
    EXPECT_EQ(std::memcmp(&text.bytes[12], &text.bytes[18], 6), 0);
    std::tm local{};
    localtime_r(&before, &local);
    EXPECT_EQ(text.InitialTime().century * 100 + text.InitialTime().year, local.tm_year + 1900);

    LogEntry data = stored[2];
    EXPECT_EQ(data.Length(), 30);
    EXPECT_EQ(data.Severity(), 2);
    EXPECT_EQ(data.Count(), 1u);
    EXPECT_EQ(data.Class(), 39);
    EXPECT_EQ(data.EventData()[0], 0x2C);
    EXPECT_EQ(data.EventData()[1], 0x01);
    EXPECT_EQ(data.EventData()[2], 0x00);
}

TEST_F(Healthsim, BadInputLeavesTheDeviceUnchanged) {
    InitDevice();
    Import({FirmwareEntry(1), FirmwareEntry(2)});
    std::string odd = (dir_ / "odd.bin").string();
    test::WriteFile(odd, std::string(300, '\0'));
    std::string foreign = (dir_ / "foreign.db").string();
    test::WriteFile(foreign, "just text");
    std::string unfoldered = (dir_ / "missing" / "cvr.db").string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", path_},
        {"init"},
        {"init", path_},
        {"init", path_, "--bogus"},
        {"init", path_, "--force", "--mode"},
        {"init", path_, "--force", "--mode", "0648"},
        {"init", path_, "--force", "--mode", "1777"},
        {"init", path_, "--force", "--mode", "rw-r-----"},
        {"init", unfoldered},
        {"add", path_, "--class", "x1", "--code", "1"},
        {"add", path_, "--class", "70000", "--code", "1"},
        {"add", path_, "--class", "2", "--code", "1", "--severity", "256"},
        {"add", path_, "--class", "2", "--code", "1", "--count", "-1"},
        {"add", path_, "--class", "2", "--code", "1", "--data", "0g"},
        {"add", path_, "--class", "2", "--code", "1", "--data", "abc"},
        {"add", path_, "--class", "2", "--code", "1", "--data", std::string(458, 'a')},
        {"add", path_, "--class", "2", "--code", "1", "--text", std::string(228, 't')},
        {"add", path_, "--class", "2", "--code", "1", "--data", "00", "--text", "x"},
        {"add", path_, "--class", "2"},
        {"add", path_, "--class", "2", "--code"},
        {"import", path_, (dir_ / "missing.bin").string()},
        {"import", path_, odd},
        {"import", path_},
        {"seed", path_, "--entries", "-5"},
        {"seed", path_, "--entries", "5000000000"},
        {"seed", path_, "--count", "5"},
        {"set", path_, "maybe"},
        {"fault", path_, "explode"},
        {"fault", path_, "read-status", "4"},
        {"fault", path_, "read-status", "4", "0"},
        {"fault", path_, "read-status", "x", "5"},
        {"fault", path_, "write-status", "256"},
        {"fault", path_, "erase-refuse", "now"},
        {"dump", foreign},
        {"add", foreign, "--class", "2", "--code", "1"},
        {"seed", (dir_ / "nowhere.db").string()},
    };
    std::string before = RunHealthsim({"dump", path_}).out;
    for (const std::vector<std::string>& args : cases) {
        std::string joined;
        for (const std::string& a : args) {
            joined += a.substr(0, 20) + " ";
        }
        SCOPED_TRACE(joined);
        test::RunResult result = RunHealthsim(args);
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_EQ(result.err.rfind("healthsim: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(RunHealthsim({"dump", path_}).out, before);
    }
    EXPECT_EQ(test::ReadFile(foreign), "just text");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "nowhere.db"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
    EXPECT_EQ(RunHealthsim({"init", unfoldered}).err, "healthsim: " + unfoldered + ": the folder " +
                                                          (dir_ / "missing").string() +
                                                          " does not exist; create it first\n");
    EXPECT_EQ(RunHealthsim({"import", path_, odd}).err,
              "healthsim: " + odd + ": size 300 is not a multiple of 256 bytes; nothing imported\n");
}

TEST_F(Healthsim, SeedWritesAVariedPlausibleLog) {
    InitDevice();
    test::RunResult result = RunHealthsim({"seed", path_});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    uint64_t seeded = emulator::DefaultSeedCount();
    EXPECT_GE(seeded, 200u);
    ASSERT_EQ(entries.size(), seeded);
    std::set<int> classes, severities;
    std::set<uint32_t> counts;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    long latest = Minutes(MakeLogTime(local)) + 1;
    for (size_t i = 0; i < entries.size(); ++i) {
        const LogEntry& entry = entries[i];
        EXPECT_EQ(entry.EventNumber(), i + 1);
        EXPECT_GE(entry.Length(), EntryHeaderSize);
        EXPECT_LE(entry.Length(), LogEntrySize);
        EXPECT_GE(Minutes(entry.UpdateTime()), Minutes(entry.InitialTime())) << i;
        EXPECT_LE(Minutes(entry.UpdateTime()), latest) << i;
        EXPECT_GT(Minutes(entry.InitialTime()), latest - 200L * 24 * 60) << i;
        classes.insert(entry.Class());
        severities.insert(entry.Severity());
        counts.insert(entry.Count());
    }
    // Every entry carries one sample's class, code and event data, with a Length to match.
    std::set<std::vector<uint8_t>> samples;
    for (const emulator::SeedSample& sample : emulator::AllSeedSamples()) {
        EXPECT_TRUE(classes.count(sample.eventClass)) << sample.eventClass;
        std::vector<uint8_t> key = {uint8_t(sample.eventClass), uint8_t(sample.code)};
        key.insert(key.end(), sample.data.begin(), sample.data.end());
        samples.insert(key);
    }
    for (const LogEntry& entry : entries) {
        std::vector<uint8_t> key = {uint8_t(entry.Class()), uint8_t(entry.Code())};
        key.insert(key.end(), entry.EventData(), entry.EventData() + (entry.Length() - EntryHeaderSize));
        EXPECT_TRUE(samples.count(key)) << "entry " << entry.EventNumber();
    }
    for (int eventClass : {4, 7, 13, 32, 33, 39, 40, 41}) {
        EXPECT_TRUE(classes.count(eventClass)) << eventClass;
    }
    EXPECT_GE(severities.size(), 3u);
    EXPECT_GE(counts.size(), 3u);

    ASSERT_EQ(RunHealthsim({"seed", path_, "--entries", "1000"}).exitStatus, 0);
    EXPECT_EQ(Stored().size(), seeded + 1000);
}

TEST_F(Healthsim, FaultsReachTheLogOperations) {
    InitDevice();
    Import({FirmwareEntry(3), FirmwareEntry(4), FirmwareEntry(5)});
    ASSERT_EQ(RunHealthsim({"fault", path_, "read-status", "4", "5"}).exitStatus, 0);
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 5}));

    ASSERT_EQ(RunHealthsim({"fault", path_, "write-status", "0x88"}).exitStatus, 0);
    uint8_t driverStatus = 0;
    EXPECT_EQ(WriteMaintenanceNote("note", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0x88);

    ASSERT_EQ(RunHealthsim({"fault", path_, "erase-refuse"}).exitStatus, 0);
    bool cleared = true;
    EXPECT_EQ(ClearLog("admin", cleared), StatusSuccess);
    EXPECT_FALSE(cleared);

    ASSERT_EQ(RunHealthsim({"fault", path_, "fail-requests"}).exitStatus, 0);
    bool supported = true;
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_FALSE(supported);
    EXPECT_EQ(Stored().size(), 3u);

    ASSERT_EQ(RunHealthsim({"fault", path_, "clear"}).exitStatus, 0);
    EXPECT_EQ(QueryLogSupport(supported), StatusSuccess);
    EXPECT_TRUE(supported);
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{3, 4, 5}));
    EXPECT_EQ(WriteMaintenanceNote("note", driverStatus), StatusSuccess);
    EXPECT_EQ(driverStatus, 0);
    EXPECT_EQ(ClearLog("admin", cleared), StatusSuccess);
    EXPECT_TRUE(cleared);
}

TEST_F(Healthsim, WritesOfOtherProcessesAreSeen) {
    InitDevice();
    std::vector<LogEntry> entries;
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.empty());
    ASSERT_EQ(RunHealthsim({"add", path_, "--class", "2", "--code", "1"}).exitStatus, 0);
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_EQ(Numbers(entries), (std::vector<uint32_t>{1}));
    ASSERT_EQ(RunHealthsim({"init", path_, "--force"}).exitStatus, 0);
    ASSERT_EQ(ReadAllEntries(entries), StatusSuccess);
    EXPECT_TRUE(entries.empty());
}

} // namespace
} // namespace kestrav
