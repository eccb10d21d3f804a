// Long texts on the command line: an over-long note makes the command line invalid and writes nothing, the
// "Executing:" line of a very long command line is cut at 511 characters, and an account name is used only
// when it fits the 32-byte name buffer with its terminator.
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/system.h"
#include "support/test_support.h"

namespace kestrav {
namespace {

using test::ReadFile;
using test::RunProgram;
using test::TempDir;

// The texts of the stored entries (event data up to its terminator), from healthsim's dump.
std::vector<std::string> StoredTexts(const std::string& device) {
    test::RunResult dump = RunProgram("healthsim", {"dump", device});
    EXPECT_EQ(dump.exitStatus, 0) << dump.err;
    std::vector<std::string> texts;
    std::istringstream lines(dump.out);
    std::string number, hex;
    while (lines >> number >> hex) {
        std::string text;
        for (size_t i = 2 * 28; i + 1 < hex.size(); i += 2) {
            char c = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            if (c == '\0') {
                break;
            }
            text.push_back(c);
        }
        texts.push_back(text);
    }
    return texts;
}

class LongCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_TIME", "LANG", "ZORHLTH_DEVICE"}) {
            unsetenv(name);
        }
    }
};

TEST_F(LongCommandLine, NoteLongerThan227CharactersIsRefusedAndNothingIsWritten) {
    struct Case {
        size_t length;
        int exitStatus;
        bool written;
    };
    const Case cases[] = {{227, 0, true}, {228, 2, false}, {300, 2, false}, {4000, 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + " characters");
        TempDir dir;
        std::string device = (dir / "cvr.db").string();
        ASSERT_EQ(RunProgram("healthsim", {"init", device}).exitStatus, 0);
        ASSERT_EQ(RunProgram("healthsim", {"add", device, "--class", "33", "--code", "2", "--text", "first"})
                      .exitStatus,
                  0);
        std::string note(c.length, 'n');
        test::RunResult run =
            RunProgram("kestrav", {"/note:" + note}, {"ZORHLTH_DEVICE=" + device}, dir.Path());
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        std::vector<std::string> expected = {"first"};
        if (c.written) {
            expected.push_back(note);
        }
        EXPECT_EQ(StoredTexts(device), expected);
    }
}

// The "Executing:" line of the status log (without its indent and line end).
std::string ExecutingLine(const std::string& log) {
    size_t start = log.find("   Executing: ");
    EXPECT_NE(start, std::string::npos) << log;
    if (start == std::string::npos) {
        return {};
    }
    start += 3;
    return log.substr(start, log.find("\r\n", start) - start);
}

TEST_F(LongCommandLine, ExecutingLineIsCutAt511Characters) {
    const std::string head = "Executing: " + test::ProgramPath("kestrav");
    const std::string a(200, 'a');
    // Notes of 200 characters, then one that puts a two-byte character across the 511th byte: that character
    // is left out whole.
    std::vector<std::string> straddling;
    size_t used = head.size();
    while (used + 1 + 6 + 200 + 1 + 6 + 3 < 510) {
        straddling.push_back("/note:" + a);
        used += 1 + straddling.back().size();
    }
    straddling.push_back("/note:" + std::string(510 - used - 1 - 6, 'b') + "\xC3\xA9" + std::string(10, 'c'));
    struct Case {
        std::string name;
        std::vector<std::string> args;
        size_t kept; // bytes of the whole text on the line
    };
    const std::vector<Case> cases = {
        {"ascii", {"/note:" + a, "/note:" + a, "/note:" + a}, 511},
        {"character across the cut", straddling, 510},
        {"fits", {"/note:short"}, head.size() + 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        test::RunResult run =
            RunProgram("kestrav", c.args, {"ZORHLTH_DEVICE=" + (dir / "none.db").string()}, dir.Path());
        EXPECT_EQ(run.exitStatus, 1);
        std::string whole = head;
        for (const std::string& arg : c.args) {
            whole += " " + arg;
        }
        ASSERT_GE(whole.size(), c.kept);
        EXPECT_EQ(ExecutingLine(ReadFile(dir / "kestrav.log")), whole.substr(0, c.kept));
    }
}

// GetAccountName fills the span only when the whole name and its terminator fit.
TEST(AccountName, FillsOnlyWhenNameAndTerminatorFit) {
    struct passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    const std::string name = entry->pw_name;
    struct Case {
        size_t size;
        bool fits;
    };
    const Case cases[] = {{0, false},
                          {1, false},
                          {name.size(), false},
                          {name.size() + 1, true},
                          {name.size() + 2, true},
                          {32, name.size() <= 31}};
    for (const Case& c : cases) {
        SCOPED_TRACE("span of " + std::to_string(c.size));
        std::vector<char> buffer(c.size + 1, '#');
        buffer[c.size] = '!';
        EXPECT_EQ(platform::GetAccountName({buffer.data(), c.size}), c.fits);
        if (c.fits) {
            EXPECT_STREQ(buffer.data(), name.c_str());
        } else {
            EXPECT_EQ(std::string(buffer.data(), c.size), std::string(c.size, '#'))
                << "changed when it does not fit";
        }
        EXPECT_EQ(buffer[c.size], '!') << "written past the span";
    }
}

// The account name as /clear records it, with the effective user's account renamed in a private mount
// namespace (the password file replaced by a bind mount for that one process only).
TEST_F(LongCommandLine, ClearRecordsAnAccountNameOnlyWhenItFits32Bytes) {
    if (std::system("unshare -m true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    struct Case {
        size_t length;
        bool fits;
    };
    for (const Case& c : {Case{31, true}, Case{32, false}, Case{33, false}}) {
        SCOPED_TRACE(std::to_string(c.length) + " characters");
        TempDir dir;
        std::string device = (dir / "cvr.db").string();
        ASSERT_EQ(RunProgram("healthsim", {"init", device}).exitStatus, 0);
        ASSERT_EQ(RunProgram("healthsim", {"add", device, "--class", "33", "--code", "2", "--text", "x"})
                      .exitStatus,
                  0);
        std::string name;
        for (size_t i = 0; i < c.length; ++i) {
            name.push_back(static_cast<char>('a' + i % 26));
        }
        test::WriteFile(dir / "passwd", name + ":x:" + std::to_string(geteuid()) + ":" +
                                            std::to_string(getegid()) + "::/:/bin/sh\n");
        std::string command = "cd '" + dir.Path().string() +
                              "' && unshare -m sh -c 'mount --bind passwd /etc/passwd" +
                              " && exec env ZORHLTH_DEVICE=" + device + " " + test::ProgramPath("kestrav") +
                              " /clear' >/dev/null 2>&1";
        int status = std::system(command.c_str());
        if (status != 0 && ReadFile(dir / "kestrav.log").empty()) {
            GTEST_SKIP() << "cannot bind-mount a password file here";
        }
        EXPECT_EQ(status, 0);
        EXPECT_EQ(StoredTexts(device), std::vector<std::string>{c.fits ? name : "<UNKNOWN USER>"});
    }
}

} // namespace
} // namespace kestrav
