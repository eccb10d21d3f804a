// What a run (often as root) writes, and what it must refuse to write: links planted by another user, FIFOs,
// devices and folders, the health device's own store, full file systems, names that would forge status lines.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "cli/run_support.h"

namespace kestrav {
namespace {

using namespace clitest;

constexpr uid_t NobodyId = 65534;
const std::string Refused = "Unable to clear the log - attempt(s) to save the log first have failed.";

// Creates a symbolic link as the user nobody, as another user of the machine would plant it.
bool PlantLinkAsNobody(const fs::path& target, const fs::path& link) {
    pid_t pid = fork();
    if (pid == 0) {
        if (setgid(NobodyId) != 0 || setuid(NobodyId) != 0) {
            _exit(2);
        }
        _exit(symlink(target.c_str(), link.c_str()) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder that every user may write in, as /tmp is.
void OpenToEveryone(const fs::path& folder) {
    chmod(folder.c_str(), 01777);
}

bool LeftoverFiles(const fs::path& folder) {
    for (const auto& item : fs::directory_iterator(folder)) {
        if (item.path().filename().string().find(".tmp") != std::string::npos) {
            return true;
        }
    }
    return false;
}

class FileSafety : public CommandLineRun {
protected:
    void SetUp() override {
        CommandLineRun::SetUp();
        if (geteuid() != 0) {
            GTEST_SKIP() << "planting files as another user needs root";
        }
        folder_.MakeStandardDevice();
        OpenToEveryone((folder_ / "victim").parent_path());
        WriteFile(folder_ / "victim", "root only\n");
        chmod((folder_ / "victim").c_str(), 0600);
    }
    Folder folder_;
};

// A link planted by another user is never followed, for an export or a status log, whether its target exists
// or not; the run's own links are.
TEST_F(FileSafety, LinksOfOtherUsersAreRefused) {
    ASSERT_TRUE(PlantLinkAsNobody(folder_ / "victim", folder_ / "report.csv"));
    ASSERT_TRUE(PlantLinkAsNobody(folder_ / "victim", folder_ / "run.log"));
    ASSERT_TRUE(PlantLinkAsNobody(folder_ / "created-by-root", folder_ / "dangling.csv"));

    const std::vector<std::string> args = {"/export:report.csv", "/export:dangling.csv", "/clear"};
    EXPECT_EQ(folder_.Run(args).exitStatus, 1);
    EXPECT_EQ(folder_.Log(), RunLog(args, {"Couldn't open file 'report.csv'.",
                                           "Couldn't open file 'dangling.csv'.", Refused, "Finished!"}));
    EXPECT_EQ(ReadFile(folder_ / "victim"), "root only\n");
    EXPECT_FALSE(folder_.Exists("created-by-root"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "report.csv"));

    RunResult result = folder_.Run({"/f:run.log", "/clear"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err,
              "kestrav: cannot open the status log 'run.log': a symbolic link owned by another user\n");
    EXPECT_EQ(ReadFile(folder_ / "victim"), "root only\n");
    EXPECT_EQ(folder_.ExportNow(), StandardCsv);

    // Nor is one that stands for a folder along the way.
    fs::create_directory(folder_ / "sub");
    ASSERT_TRUE(PlantLinkAsNobody(folder_ / "sub", folder_ / "via"));
    const std::vector<std::string> through = {"/export:via/report.csv", "/clear"};
    EXPECT_EQ(folder_.Run(through).exitStatus, 1);
    EXPECT_EQ(folder_.Log(),
              RunLog(args, {"Couldn't open file 'report.csv'.", "Couldn't open file 'dangling.csv'.", Refused,
                            "Finished!"}) +
                  RunLog(through, {"Couldn't open file 'via/report.csv'.", Refused, "Finished!"}));
    EXPECT_FALSE(folder_.Exists("sub/report.csv"));
    result = folder_.Run({"/f:" + (folder_ / "via" / "." / "run.log").string()});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("': a symbolic link owned by another user\n"), std::string::npos) << result.err;
    EXPECT_FALSE(folder_.Exists("sub/run.log"));

    // Another user's file with a second name is not grown as a status log: it could be any file of theirs.
    WriteFile(folder_ / "theirs", "nobody's\n");
    ASSERT_EQ(chown((folder_ / "theirs").c_str(), NobodyId, NobodyId), 0);
    fs::create_hard_link(folder_ / "theirs", folder_ / "linked.log");
    result = folder_.Run({"/f:linked.log", "/clear"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "kestrav: cannot open the status log 'linked.log': a file with other names that "
                          "belongs to another user\n");
    EXPECT_EQ(ReadFile(folder_ / "theirs"), "nobody's\n");
    EXPECT_EQ(folder_.ExportNow(), StandardCsv);

    // Links of the running user's own are followed: the file they name gets the export, the links stay.
    fs::create_symlink(folder_ / "mine.csv", folder_ / "own-link.csv");
    fs::create_symlink("sub/../sub", folder_ / "own-folder");
    EXPECT_EQ(folder_.Run({"/export:own-link.csv", "/export:own-folder/../own-folder/mine.csv"}).exitStatus,
              0);
    EXPECT_EQ(ReadFile(folder_ / "mine.csv"), StandardCsv);
    EXPECT_EQ(ReadFile(folder_ / "sub" / "mine.csv"), StandardCsv);
    EXPECT_TRUE(fs::is_symlink(folder_ / "own-link.csv"));
}

// Anything but a regular file is refused at once, without blocking on it and without touching it.
TEST_F(FileSafety, OnlyRegularFilesAreWritten) {
    ASSERT_EQ(mkfifo((folder_ / "pipe.csv").c_str(), 0666), 0);
    ASSERT_EQ(mkfifo((folder_ / "pipe.log").c_str(), 0666), 0);
    fs::create_directory(folder_ / "folder.csv");
    // A reader holds the status-log FIFO open, so that opening it for writing would succeed.
    int reader = open((folder_ / "pipe.log").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    const std::vector<std::string> args = {"/export:pipe.csv", "/export:folder.csv", "/export:/dev/./null",
                                           "/clear"};
    EXPECT_EQ(folder_.Run(args).exitStatus, 1);
    EXPECT_EQ(folder_.Log(),
              RunLog(args, {"Couldn't open file 'pipe.csv'. Not a regular file.",
                            "Couldn't open file 'folder.csv'.",
                            "Couldn't open file '/dev/./null'. Not a regular file.", Refused, "Finished!"}));

    RunResult result = folder_.Run({"/f:pipe.log", "/clear"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "kestrav: cannot open the status log 'pipe.log': not a regular file\n");
    char byte = 0;
    EXPECT_LE(read(reader, &byte, 1), 0) << "the run wrote into the FIFO";
    close(reader);
    EXPECT_EQ(folder_.ExportNow(), StandardCsv);
}

// The device's store and its journal files are never overwritten by an export or appended to as a status log.
TEST_F(FileSafety, TheDeviceStoreIsNeverWritten) {
    const std::string before = ReadFile(folder_.Device());
    fs::create_symlink(folder_.Device(), folder_ / "alias.csv");
    const std::vector<std::string> args = {"/export:cvr.db", "/export:cvr.db-journal", "/export:alias.csv",
                                           "/clear"};
    EXPECT_EQ(folder_.Run(args).exitStatus, 1);
    EXPECT_EQ(folder_.Log(),
              RunLog(args, {"Couldn't open file 'cvr.db'.", "Couldn't open file 'cvr.db-journal'.",
                            "Couldn't open file 'alias.csv'.", Refused, "Finished!"}));
    RunResult result = folder_.Run({"/f:cvr.db"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "kestrav: cannot open the status log 'cvr.db': the health device's own storage\n");
    EXPECT_EQ(ReadFile(folder_.Device()), before);
    EXPECT_FALSE(folder_.Exists("cvr.db-journal") && fs::file_size(folder_ / "cvr.db-journal") > 0);
    EXPECT_EQ(folder_.ExportNow(), StandardCsv);
}

// A full file system: an export that cannot be written leaves the older file exactly as it was and no
// partial file behind; a status log whose header cannot be written stops the run before any operation.
TEST_F(FileSafety, FullFileSystem) {
    test::SmallFileSystem disk(64 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    const fs::path old = disk / "out.csv";
    WriteFile(old, "the older export\r\n");
    chmod(old.c_str(), 0640);
    disk.Fill();

    const std::vector<std::string> args = {"/export:" + old.string(), "/clear"};
    EXPECT_EQ(folder_.Run(args).exitStatus, 1);
    EXPECT_EQ(folder_.Log(),
              RunLog(args, {"Couldn't write file '" + old.string() + "'.", Refused, "Finished!"}));
    EXPECT_EQ(ReadFile(old), "the older export\r\n");
    EXPECT_FALSE(LeftoverFiles(disk.Path()));

    const std::string logPath = (disk / "status.log").string();
    RunResult result = folder_.Run({"/f:" + logPath, "/clear", "/note:x"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(folder_.ExportNow(), StandardCsv) << "an operation ran although the status log took nothing";

    // With room again the export replaces the older file whole and keeps its permissions.
    fs::remove(disk / ".filler");
    EXPECT_EQ(folder_.Run({"/export:" + old.string()}).exitStatus, 0);
    EXPECT_EQ(ReadFile(old), StandardCsv);
    EXPECT_EQ(fs::status(old).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(LeftoverFiles(disk.Path()));
}

// The temporary file beside an export has a name nobody can take first: the names of the pattern that the
// program once used (".NAME.PID.N.tmp", N up to 99) all taken do not keep it from writing.
TEST(OutputFileNames, TemporaryNamesCannotBeTakenFirst) {
    test::TempDir folder;
    const fs::path target = folder.Path() / "out.csv";
    for (int n = 0; n < 100; ++n) {
        WriteFile(folder.Path() / (".out.csv." + std::to_string(getpid()) + "." + std::to_string(n) + ".tmp"),
                  "");
    }
    std::vector<std::string> seen;
    for (int round = 0; round < 2; ++round) {
        OutputFile file;
        ASSERT_TRUE(file.Open(target.string(), OutputFile::Mode::Replace)) << file.OpenError();
        for (const auto& item : fs::directory_iterator(folder.Path())) {
            const std::string name = item.path().filename().string();
            if (name.rfind(".out.csv.", 0) == 0 && name.find('.', 9) == 17 && name.substr(17) == ".tmp") {
                seen.push_back(name);
            }
        }
        file.Write("x\r\n");
        EXPECT_TRUE(file.Close());
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_EQ(ReadFile(target), "x\r\n");
}

// Control characters in names and arguments are shown escaped, so no argument can add a line of its own to
// the status log.
TEST_F(CommandLineRun, ControlCharactersCannotForgeStatusLines) {
    Folder folder;
    folder.MakeStandardDevice();
    const std::string forged = "x\r\n   Successfully cleared all entries from the Corvane Log.\r\n\x1B[2J";
    const std::vector<std::string> args = {"/export:" + forged + ".csv", "/note:a\tb"};
    EXPECT_EQ(folder.Run(args).exitStatus, 0);
    const std::string shown =
        "x\\r\\n   Successfully cleared all entries from the Corvane Log.\\r\\n\\x1B[2J.csv";
    const std::string executing =
        "Executing: " + test::ProgramPath("kestrav") + " \"/export:" + shown + "\" \"/note:a\\tb\"";
    EXPECT_EQ(folder.Log(),
              "Corvane Log Viewer\r\n<date>\r\n" +
                  Indented({executing, "Successfully exported CVR data to file " + shown,
                            "Successfully logged maintenance note to the Corvane Log.", "Finished!"}) +
                  "  \r\n");
    EXPECT_EQ(ReadFile(folder / (forged + ".csv")), StandardCsv);
}

} // namespace
} // namespace kestrav
