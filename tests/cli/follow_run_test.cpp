// Follow and metrics runs of the built kestrav that end by themselves: what stops a follower at the start
// (a state file it cannot use, a log it cannot read) and the exit status and file of a metrics run. The
// long-running follower is tested against a real journald in tests/follow.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/run_support.h"
#include "platform/health_device_change.h"

namespace kestrav {
namespace {

using namespace clitest;

TEST(FollowRun, WhatStopsItAtTheStart) {
    struct Case {
        const char* what;
        std::string state; // the state file's content; "" for none
        bool device;
        std::string err;
        // Puts something other than a plain file in the state's place: the --state argument, "" to skip.
        std::function<std::string(Folder&)> place = nullptr;
        bool errIsStart = false; // err is only how the error begins
    };
    const std::string remove = "; remove it to start over (every entry is then emitted again)\n";
    const std::string notRegular = "kestrav: --state: cannot use 'state': not a regular file" + remove;
    std::unique_ptr<test::SmallFileSystem> disk;
    const std::vector<Case> cases = {
        {"a damaged state file", "kestrav follow state 1\nlast 2\n2 zz\n", true,
         "kestrav: --state: cannot use 'state': line 3 is not an entry in order (NUMBER FINGERPRINT)" +
             remove},
        {"another program's file", "{\"x\":1}\n", true,
         "kestrav: --state: cannot use 'state': line 1 is not \"kestrav follow state 1\"" + remove},
        {"no device", "", false, "kestrav: No System Management driver is loaded.\n"},
        {"a state file in a missing folder", "", true, "kestrav: --state: cannot write 'missing/state': ",
         [](Folder&) { return std::string("missing/state"); }, true},
        // Refused at once, never waited on nor read into memory.
        {"a FIFO", "", true, notRegular,
         [](Folder& folder) { return mkfifo((folder / "state").c_str(), 0600) == 0 ? "state" : ""; }},
        {"a folder", "", true, notRegular,
         [](Folder& folder) { return fs::create_directory(folder / "state") ? "state" : ""; }},
        {"a device", "", true, "kestrav: --state: cannot use '/dev/zero': not a regular file" + remove,
         [](Folder&) { return std::string("/dev/zero"); }},
        {"longer than the state of the longest log", "", true,
         "kestrav: --state: cannot use 'state': larger than it can be (120259084328 bytes)" + remove,
         [](Folder& folder) {
             WriteFile(folder / "state", "");
             return truncate((folder / "state").c_str(), 120259084328) == 0 ? "state" : "";
         }},
        {"a link of another user", "", true,
         "kestrav: --state: cannot use 'state': a symbolic link owned by another user" + remove,
         [](Folder& folder) {
             WriteFile(folder / "mine", "kestrav follow state 1\nlast 0\n");
             fs::create_symlink(folder / "mine", folder / "state");
             return lchown((folder / "state").c_str(), 65534, 65534) == 0 ? "state" : "";
         }},
        // A state that is there and whole but cannot be replaced: found before anything is emitted.
        {"a full file system", "", true, "kestrav: --state: cannot write '",
         [&disk](Folder&) {
             disk = std::make_unique<test::SmallFileSystem>(64 * 1024);
             if (!disk->Mounted()) {
                 return std::string();
             }
             WriteFile(*disk / "state", "kestrav follow state 1\nlast 0\n");
             disk->Fill();
             return (*disk / "state").string();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        if (c.device) {
            folder.MakeStandardDevice();
        }
        if (!c.state.empty()) {
            WriteFile(folder / "state", c.state);
        }
        const std::string state = c.place ? c.place(folder) : "state";
        if (state.empty()) {
            continue; // not possible here (a mount or another user's link needs root)
        }
        RunResult result = folder.Run({"--follow", "--json", "--state=" + state});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.out, "");
        if (c.errIsStart) {
            EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
        } else {
            EXPECT_EQ(result.err, c.err);
        }
        EXPECT_EQ(c.state.empty() ? "" : ReadFile(folder / "state"), c.state) << "the state file was changed";
    }
}

TEST(MetricsRun, ExitStatusAndFile) {
    Folder folder;
    folder.MakeStandardDevice();
    RunResult result = folder.Run({"--metrics=cvr.prom"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const std::string text = ReadFile(folder / "cvr.prom");
    EXPECT_NE(
        text.find("\nkestrav_log_entries{severity=\"critical\",class=\"41\",class_name=\"Interlock\"} 1\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("\nkestrav_log_highest_event_number 2\n"), std::string::npos) << text;

    // A read that stops at a number the device will not answer: what was read, and the failure.
    folder.Sim({"fault", folder.Device(), "read-status", "2", "5"});
    result = folder.Run({"--metrics=cvr.prom"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err, "");
    const std::string partial = ReadFile(folder / "cvr.prom");
    EXPECT_NE(partial.find("\nkestrav_log_read_ok 1\n"), std::string::npos) << partial;
    EXPECT_NE(partial.find("\nkestrav_log_read_complete 0\n"), std::string::npos) << partial;
    EXPECT_NE(partial.find("\nkestrav_log_entries_count 1\n"), std::string::npos) << partial;

    // The health device's own store is never written.
    result = folder.Run({"--metrics=cvr.db"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("--metrics: cannot write 'cvr.db'"), std::string::npos) << result.err;
}

// The token that lets a follower skip a read: equal across reads, different after every kind of write.
TEST(DeviceChangeToken, ChangesWithEveryWriteAndOnlyThen) {
    Folder folder;
    folder.MakeStandardDevice();
    setenv("ZORHLTH_DEVICE", folder.Device().c_str(), 1);
    std::vector<std::string> tokens{platform::HealthDeviceChangeToken().value_or("")};
    auto next = [&tokens](const char* what) {
        SCOPED_TRACE(what);
        std::string token = platform::HealthDeviceChangeToken().value_or("");
        EXPECT_NE(token, "");
        EXPECT_EQ(std::count(tokens.begin(), tokens.end(), token), 0) << "the token did not change";
        tokens.push_back(token);
    };
    EXPECT_EQ(folder.Run({"--json"}).exitStatus, 0);
    EXPECT_EQ(folder.Run({"/f:x.log", "/export:x.csv"}).exitStatus, 0);
    EXPECT_EQ(platform::HealthDeviceChangeToken().value_or(""), tokens.back()) << "a read changed the token";

    folder.Sim({"add", folder.Device(), "--class", "2", "--code", "1"});
    next("an added entry");
    LogEntry rewritten = MakeEntry(2, 6, 41, 1, Dec7, Jan2, 3, std::string("\0Fan 3", 6));
    WriteFile(folder / "one.bin", std::string(reinterpret_cast<const char*>(rewritten.bytes), LogEntrySize));
    folder.Sim({"import", folder.Device(), (folder / "one.bin").string()});
    next("an entry rewritten in place, same size");
    EXPECT_EQ(folder.Run({"/f:x.log", "/clear"}).exitStatus, 0);
    next("a clear");
    folder.Sim({"init", folder.Device(), "--force"});
    next("a device made anew");

    setenv("ZORHLTH_DEVICE", (folder / "missing.db").c_str(), 1);
    EXPECT_FALSE(platform::HealthDeviceChangeToken()) << "no device, yet a token";
    unsetenv("ZORHLTH_DEVICE");
}

} // namespace
} // namespace kestrav
