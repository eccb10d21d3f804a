// Follow and metrics runs of the built kestrav that end by themselves: what stops a follower at the start
// (a state file it cannot use, a log it cannot read) and the exit status and file of a metrics run. The
// long-running follower is tested against a real journald in tests/follow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_support.h"

namespace kestrav {
namespace {

using namespace clitest;

TEST(FollowRun, WhatStopsItAtTheStart) {
    struct Case {
        const char* what;
        std::string state; // the state file's content; "" for none
        bool device;
        std::string err;
    };
    const std::string remove = "; remove it to start over (every entry is then emitted again)\n";
    const std::vector<Case> cases = {
        {"a damaged state file", "kestrav follow state 1\nlast 2\n2 zz\n", true,
         "kestrav: --state: cannot use 'state': line 3 is not an entry in order (NUMBER FINGERPRINT)" +
             remove},
        {"another program's file", "{\"x\":1}\n", true,
         "kestrav: --state: cannot use 'state': line 1 is not \"kestrav follow state 1\"" + remove},
        {"no device", "", false, "kestrav: No System Management driver is loaded.\n"},
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
        RunResult result = folder.Run({"--follow", "--json", "--state=state"});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
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

} // namespace
} // namespace kestrav
