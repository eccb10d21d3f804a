// An account that may read the device but not write it (a member of the device's group, mode 0640): it
// reads the whole log, also while writers append, and every write it tries is refused with the system's
// code, not as a missing device; an account outside the group cannot read it. The accounts are real: forked
// children that give up root for nobody, with or without the device's group. Needs root to change users.
#include <grp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"
#include "platform/health_device.h"

namespace kestrav {
namespace {

constexpr uid_t Nobody = 65534;
constexpr gid_t DeviceGroup = 4242; // any group nobody is not in

// Runs check in a child as nobody, in DeviceGroup when member is set; the child's exit status is the
// number of the first check that failed, 0 when all held.
int RunAsNobody(bool member, int (*check)()) {
    pid_t pid = ::fork();
    if (pid == 0) {
        gid_t groups[] = {DeviceGroup};
        if (::setgroups(member ? 1 : 0, groups) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
            ::setresuid(Nobody, Nobody, Nobody) != 0) {
            ::_exit(100);
        }
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

int MemberReadsAndCannotWrite() {
    std::vector<LogEntry> entries;
    WalkReport walk;
    if (ReadAllEntries(entries, walk) != StatusSuccess || !walk.ReadWhole() || entries.size() != 3) {
        return 1;
    }
    bool supported = false;
    if (QueryLogSupport(supported) != StatusSuccess || !supported) {
        return 2;
    }
    uint8_t driverStatus = 0;
    if (WriteMaintenanceNote("from nobody", driverStatus) != EACCES) {
        return 3;
    }
    bool cleared = true;
    if (ClearLog("nobody", cleared) != EACCES || cleared) {
        return 4;
    }
    if (MarkRepaired(1, driverStatus) != EACCES) {
        return 5;
    }
    // The reads go on after the refused writes.
    return ReadAllEntries(entries, walk) == StatusSuccess && entries.size() == 3 ? 0 : 6;
}

int OutsiderCannotRead() {
    std::vector<LogEntry> entries;
    return ReadAllEntries(entries) == EACCES ? 0 : 1;
}

// Walks the log again and again while writers append: every walk complete, ascending, never shorter.
int MemberReadsDuringWrites() {
    size_t last = 0;
    for (int walk = 0; walk < 40; ++walk) {
        std::vector<LogEntry> entries;
        WalkReport report;
        if (ReadAllEntries(entries, report) != StatusSuccess || !report.ReadWhole()) {
            return 1;
        }
        for (size_t i = 1; i < entries.size(); ++i) {
            if (entries[i].EventNumber() <= entries[i - 1].EventNumber()) {
                return 2;
            }
        }
        if (entries.size() < last) {
            return 3;
        }
        last = entries.size();
    }
    return 0;
}

// Left a journal to roll back, which only an account that may write can do: told so, not that there is no
// device; the status stays the one of a device that cannot be opened.
int MemberIsToldToRecover() {
    std::vector<LogEntry> entries;
    if (ReadAllEntries(entries) != DeviceNotAvailable) {
        return 1;
    }
    return platform::UnusableDeviceReason() ==
                   "the health device " + std::string(std::getenv("ZORHLTH_DEVICE")) +
                       " needs a run with write access to recover from an interrupted write"
               ? 0
               : 2;
}

class ReadOnlyAccess : public test::DeviceTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "changing to another account needs root";
        }
        DeviceTest::SetUp();
        InitDevice();
        Import({FirmwareEntry(1), FirmwareEntry(2), FirmwareEntry(3)});
        // The folder as the package makes /var/lib/zorhlth; the test folder above it open to pass through.
        ASSERT_EQ(::chmod(dir_.Path().c_str(), 0750), 0);
        ASSERT_EQ(::chown(dir_.Path().c_str(), 0, DeviceGroup), 0);
        ASSERT_EQ(::chown(path_.c_str(), 0, DeviceGroup), 0);
        ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    }
};

TEST_F(ReadOnlyAccess, AMemberReadsAndItsWritesAreRefused) {
    EXPECT_EQ(RunAsNobody(true, MemberReadsAndCannotWrite), 0);
    EXPECT_EQ(RunAsNobody(false, OutsiderCannotRead), 0);
    EXPECT_EQ(Stored().size(), 3u) << "a refused write changed the log";
}

TEST_F(ReadOnlyAccess, AMemberIsToldThatAnInterruptedWriteNeedsRecovery) {
    // Enough entries that the interrupted write reaches the store file: its journal must be rolled back.
    std::vector<LogEntry> more;
    for (uint32_t number = 4; number <= 300; ++number) {
        more.push_back(FirmwareEntry(number));
    }
    Import(more);
    test::KillWriterMidTransaction(path_);
    ASSERT_TRUE(std::filesystem::exists(path_ + "-journal")) << "the writer left no journal";
    EXPECT_EQ(RunAsNobody(true, MemberIsToldToRecover), 0);
    // A run that may write rolls the interrupted write back.
    EXPECT_EQ(Stored().size(), 300u);
}

TEST_F(ReadOnlyAccess, AMemberReadsWholeWalksWhileWritersAppend) {
    pid_t writer = ::fork();
    if (writer == 0) {
        for (int i = 0; i < 200; ++i) {
            uint8_t driverStatus = WriteFailed;
            if (WriteMaintenanceNote("note " + std::to_string(i), driverStatus) != StatusSuccess ||
                driverStatus != DriverStatusDone) {
                ::_exit(1);
            }
        }
        ::_exit(0);
    }
    EXPECT_EQ(RunAsNobody(true, MemberReadsDuringWrites), 0);
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer had a request fail";
    EXPECT_EQ(Stored().size(), 203u);
}

} // namespace
} // namespace kestrav
