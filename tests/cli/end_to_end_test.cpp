// The built kestrav run as a process against emulated devices made with healthsim: status log and export
// bytes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <pwd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_support.h"

namespace kestrav {
namespace {

using namespace clitest;

const std::string Cleared = "Successfully cleared all entries from the Corvane Log.";
const std::string Refused = "Unable to clear the log - attempt(s) to save the log first have failed.";
const std::string NoteLogged = "Successfully logged maintenance note to the Corvane Log.";

struct RunCase {
    std::string name;
    std::vector<std::string> args;
    int exitStatus;
    std::vector<std::string> lines; // status lines after "Executing"; empty for the usage
    std::string logName = "kestrav.log";
    std::vector<std::string> exports = {}; // files that hold the standard export afterwards
    bool logCleared = false;               // the device holds only the cleared-by entry afterwards
    std::string problem = "";              // for the usage: the line on stderr that names the wrong argument
};

// Runs on the standard two-entry device: option forms, names, the fixed order, refusal of the erase.
TEST_F(CommandLineRun, OptionsOnStandardDevice) {
    const std::string note227(227, 'n');
    const std::vector<RunCase> cases = {
        {"export",
         {"/export:out"},
         0,
         {"Successfully exported CVR data to file out.csv", "Finished!"},
         "kestrav.log",
         {"out.csv"}},
        {"dash and case",
         {"-EXPORT:out.txt"},
         0,
         {"Successfully exported CVR data to file out.txt", "Finished!"},
         "kestrav.log",
         {"out.txt"}},
        {"status log only", {"/F:run1"}, 0, {"Finished!"}, "run1.log"},
        {"status log with extension", {"/f:run1.txt"}, 0, {"Finished!"}, "run1.txt"},
        {"last status log wins", {"/f:first", "-f:second"}, 0, {"Finished!"}, "second.log"},
        {"status log path with dot", {"/f:./sub/run"}, 0, {"Finished!"}, "sub/run"},
        {"bare f", {"/f:"}, 2, {}, "kestrav.log", {}, false, "kestrav: invalid argument '/f:'"},
        {"bare f keeps earlier name",
         {"/f:mine", "/f:"},
         2,
         {},
         "mine.log",
         {},
         false,
         "kestrav: invalid argument '/f:'"},
        {"question mark", {"/?"}, 2, {}},
        {"help", {"/help"}, 2, {}},
        {"later non-option",
         {"/clear", "status"},
         2,
         {},
         "kestrav.log",
         {},
         false,
         "kestrav: invalid argument 'status'"},
        {"bare export",
         {"/export:"},
         2,
         {},
         "kestrav.log",
         {},
         false,
         "kestrav: invalid argument '/export:'"},
        {"bare note", {"/note:"}, 2, {}, "kestrav.log", {}, false, "kestrav: invalid argument '/note:'"},
        {"unknown word",
         {"/exportx:y"},
         2,
         {},
         "kestrav.log",
         {},
         false,
         "kestrav: invalid argument '/exportx:y'"},
        {"note too long",
         {"/note:" + note227 + "n"},
         2,
         {},
         "kestrav.log",
         {},
         false,
         "kestrav: the note is 228 bytes of UTF-8; a note holds at most 227 bytes"},
        {"clear", {"/clear"}, 0, {Cleared, "Finished!"}, "kestrav.log", {}, true},
        {"clearall and clear:x",
         {"/clearall", "-Clear:x"},
         0,
         {Cleared, Cleared, "Finished!"},
         "kestrav.log",
         {},
         true},
        {"clear after export",
         {"/clear", "/export:save"},
         0,
         {"Successfully exported CVR data to file save.csv", Cleared, "Finished!"},
         "kestrav.log",
         {"save.csv"},
         true},
        {"export, then clear twice",
         {"/clear", "/export:save", "/clear"},
         0,
         {"Successfully exported CVR data to file save.csv", Cleared, Cleared, "Finished!"},
         "kestrav.log",
         {"save.csv"},
         true},
        {"clear refused",
         {"/clear", "/export:missing/save"},
         1,
         {"Couldn't open file 'missing/save.csv'. No such file or directory.", Refused, "Finished!"}},
        {"clear refused twice",
         {"/clear", "/export:missing/a", "/export:missing/b.txt", "/clear"},
         1,
         {"Couldn't open file 'missing/a.csv'. No such file or directory.",
          "Couldn't open file 'missing/b.txt'. No such file or directory.", Refused, Refused, "Finished!"}},
        {"one export enough",
         {"/export:missing/a", "/export:b", "/clear"},
         1,
         {"Couldn't open file 'missing/a.csv'. No such file or directory.",
          "Successfully exported CVR data to file b.csv", Cleared, "Finished!"},
         "kestrav.log",
         {"b.csv"},
         true},
        {"not a regular file",
         {"/export:/dev/./full", "/clear"},
         1,
         {"Couldn't open file '/dev/./full'. Not a regular file.", Refused, "Finished!"}},
        {"export onto the status log",
         {"/f:both.log", "/export:both.log", "/clear"},
         1,
         {"Couldn't open file 'both.log'.", Refused, "Finished!"},
         "both.log"},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        fs::create_directory(folder / "sub");
        folder.MakeStandardDevice();

        RunResult result = folder.Run(c.args);
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        if (c.lines.empty()) {
            EXPECT_EQ(folder.Log(c.logName), Header(c.args) + Usage() + "  \r\n");
            // A help request is answered with the usage alone.
            EXPECT_EQ(result.err, (c.problem.empty() ? "" : c.problem + "\n") + UsageOnStderr());
            EXPECT_EQ(result.out, "");
        } else {
            EXPECT_EQ(folder.Log(c.logName), RunLog(c.args, c.lines));
            EXPECT_EQ(result.err, "");
        }
        for (const std::string& file : c.exports) {
            EXPECT_EQ(ReadFile(folder / file), StandardCsv) << file;
        }
        std::string after = folder.ExportNow();
        if (c.logCleared) {
            EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 2) << after;
            EXPECT_NE(after.find(",Maintenance,1,"), std::string::npos) << after;
        } else {
            EXPECT_EQ(after, StandardCsv);
        }
    }
}

std::string AccountName() {
    struct passwd* entry = getpwuid(geteuid());
    std::string name = entry != nullptr ? entry->pw_name : "";
    return name.empty() || name.size() > 31 ? "<UNKNOWN USER>" : name;
}

// A 227-character note is taken; clear, notes and exports run in their fixed order whatever the argument
// order.
TEST_F(CommandLineRun, FixedOrderAndNoteLimit) {
    Folder folder;
    folder.MakeStandardDevice();
    const std::string note227(227, 'n');
    const std::vector<std::string> args = {"/note:second one", "/clear", "-note:" + note227,
                                           "/export:before"};
    RunResult result = folder.Run(args);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(folder.Log(), RunLog(args, {"Successfully exported CVR data to file before.csv", Cleared,
                                          NoteLogged, NoteLogged, "Finished!"}));
    EXPECT_EQ(ReadFile(folder / "before.csv"), StandardCsv);

    const std::string time = "[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2} (AM|PM)";
    const std::string prefix = "Informational,[0-9]+,Maintenance,";
    const std::regex after(CsvHeader + prefix + "1," + time + "," + time + ",1,CVR Cleared \\(" +
                           AccountName() + "\\)\r\n" + prefix + "2," + time + "," + time +
                           ",1,Maintenance note: second one\r\n" + prefix + "2," + time + "," + time +
                           ",1,Maintenance note: " + note227 + "\r\n");
    std::string csv = folder.ExportNow();
    EXPECT_TRUE(std::regex_match(csv, after)) << csv;
}

struct DeviceCase {
    std::string name;
    std::function<void(const Folder&)> prepare;
    std::vector<std::string> args;
    int exitStatus;
    std::vector<std::string> lines;
    std::string logName = "kestrav.log";
};

// Runs against devices that are missing, empty, unsupported or refuse requests.
TEST_F(CommandLineRun, DeviceStates) {
    auto missing = [](const Folder&) {};
    auto empty = [](const Folder& f) { f.MakeEmptyDevice(); };
    auto standardWith = [](std::vector<std::string> fault) {
        return [fault](const Folder& f) {
            f.MakeStandardDevice();
            std::vector<std::string> args = {"fault", f.Device()};
            args.insert(args.end(), fault.begin(), fault.end());
            f.Sim(args);
        };
    };
    auto unsupported = [](const Folder& f) {
        f.MakeStandardDevice();
        f.Sim({"set", f.Device(), "unsupported"});
    };
    const std::string noDriver = "No System Management driver is loaded.";
    const std::string notSupported = "This system does not support the Corvane Log.";
    const std::vector<DeviceCase> cases = {
        {"missing device", missing, {"/export:out", "/clear"}, 1, {noDriver, "Did nothing!"}},
        {"missing device, nothing asked", missing, {"/f:x"}, 1, {noDriver, "Did nothing!"}, "x.log"},
        {"unsupported", unsupported, {"/clear"}, 1, {notSupported, "Did nothing!"}},
        {"requests fail", standardWith({"fail-requests"}), {"/note:x"}, 1, {notSupported, "Did nothing!"}},
        {"empty log with a note", empty, {"/note:x"}, 1, {"The Corvane Log is empty."}},
        {"empty log with an export", empty, {"/export:out"}, 1, {"The Corvane Log is empty."}},
        {"empty log, nothing asked", empty, {"/f:e"}, 0, {"The Corvane Log is empty."}, "e.log"},
        {"erase refused",
         standardWith({"erase-refuse"}),
         {"/clear"},
         1,
         {"Unable to clear the entries from the Corvane Log.", "Finished!"}},
        {"numbers skipped between the save and the erase",
         standardWith({"skip-numbers", "3"}),
         {"/export:save", "/clear"},
         1,
         {"Successfully exported CVR data to file save.csv", Cleared,
          "3 entry(ies) added to the Corvane Log after it was saved were cleared without being saved.",
          "Finished!"}},
        {"note refused",
         standardWith({"write-status", "5"}),
         {"/note:x", "/clear"},
         1,
         {Cleared, "Unable to log maintenance note to the Corvane Log.", "Finished!"}},
    };
    for (const DeviceCase& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        c.prepare(folder);
        RunResult result = folder.Run(c.args);
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        EXPECT_EQ(folder.Log(c.logName), RunLog(c.args, c.lines));
        EXPECT_FALSE(folder.Exists("out.csv"));
    }
}

// Holds an exclusive lock on a file in the folder, as a concurrent run would.
class HeldLock {
public:
    explicit HeldLock(const fs::path& path) : fd_(open(path.c_str(), O_WRONLY | O_CREAT, 0644)) {
        EXPECT_EQ(flock(fd_, LOCK_EX), 0);
    }
    ~HeldLock() { close(fd_); }

private:
    int fd_;
};

TEST_F(CommandLineRun, StatusLogHeldByAnotherRunEndsSilently) {
    Folder folder;
    folder.MakeStandardDevice();
    WriteFile(folder / "kestrav.log", "earlier run\r\n");
    {
        HeldLock lock(folder / "kestrav.log");
        RunResult result = folder.Run({"/clear", "/export:out"});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err,
                  "kestrav: cannot open the status log 'kestrav.log': in use by another writer\n");
    }
    EXPECT_EQ(ReadFile(folder / "kestrav.log"), "earlier run\r\n");
    EXPECT_FALSE(folder.Exists("out.csv"));
    EXPECT_EQ(folder.ExportNow(), StandardCsv);
}

TEST_F(CommandLineRun, ExportFileHeldByAnotherWriterIsNotOpened) {
    Folder folder;
    folder.MakeStandardDevice();
    WriteFile(folder / "out.csv", "someone else's");
    const std::vector<std::string> args = {"/export:out", "/clear"};
    {
        HeldLock lock(folder / "out.csv");
        EXPECT_EQ(folder.Run(args).exitStatus, 1);
    }
    EXPECT_EQ(folder.Log(), RunLog(args, {"Couldn't open file 'out.csv'.", Refused, "Finished!"}));
    EXPECT_EQ(ReadFile(folder / "out.csv"), "someone else's");
    EXPECT_EQ(folder.ExportNow(), StandardCsv);
}

TEST_F(CommandLineRun, StatusLogThatCannotBeOpenedOrWritten) {
    Folder folder;
    folder.MakeStandardDevice();
    // Nothing is written anywhere, no operation runs; one line on stderr says why, for a job's mail.
    struct Row {
        std::string name;
        std::string err;
    };
    const std::vector<Row> rows = {
        {"missing/run", "kestrav: cannot open the status log 'missing/run.log': No such file or directory\n"},
        {"/dev/./full", "kestrav: cannot open the status log '/dev/./full': not a regular file\n"},
        {"sub", "kestrav: cannot open the status log 'sub.log': Is a directory\n"},
    };
    fs::create_directory(folder / "sub.log");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunResult result = folder.Run({"/f:" + row.name, "/clear", "/export:out"});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, row.err);
        EXPECT_FALSE(folder.Exists("out.csv"));
        EXPECT_EQ(folder.ExportNow(), StandardCsv);
    }
}

TEST_F(CommandLineRun, ExportReplacesOlderLongerFile) {
    Folder folder;
    folder.MakeStandardDevice();
    WriteFile(folder / "out.csv", std::string(100000, 'x'));
    EXPECT_EQ(folder.Run({"/export:out"}).exitStatus, 0);
    EXPECT_EQ(ReadFile(folder / "out.csv"), StandardCsv);
}

TEST_F(CommandLineRun, RunsAppendToTheStatusLog) {
    Folder folder;
    folder.MakeStandardDevice();
    WriteFile(folder / "kestrav.log", "older content\r\n");
    const std::vector<std::string> first = {"/note:disk replaced"};
    const std::vector<std::string> second = {"/x"};
    EXPECT_EQ(folder.Run(first).exitStatus, 0);
    EXPECT_EQ(folder.Run(second).exitStatus, 2);
    EXPECT_EQ(folder.Log(), "older content\r\n" + RunLog(first, {NoteLogged, "Finished!"}) + Header(second) +
                                Usage() + "  \r\n");
}

TEST_F(CommandLineRun, JapaneseMessages) {
    struct Row {
        std::vector<std::string> env;
        bool japanese;
    };
    const std::vector<Row> rows = {
        {{"LC_ALL=ja_JP.UTF-8"}, true},
        {{"LANG=ja_JP.UTF-8"}, true},
        {{"LC_MESSAGES=ja_JP.UTF-8", "LANG=C"}, true},
        {{"LC_MESSAGES=C", "LANG=ja_JP.UTF-8"}, false},
    };
    const std::vector<std::string> args = {"/export:out", "/export:missing/y", "/export:/dev/./null",
                                           "/clear", "/note:x"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.env.front());
        Folder folder;
        folder.MakeStandardDevice();
        EXPECT_EQ(folder.Run(args, row.env).exitStatus, 1);
        if (!row.japanese) {
            EXPECT_EQ(folder.Log(),
                      RunLog(args, {"Successfully exported CVR data to file out.csv",
                                    "Couldn't open file 'missing/y.csv'. No such file or directory.",
                                    "Couldn't open file '/dev/./null'. Not a regular file.", Cleared,
                                    NoteLogged, "Finished!"}));
            continue;
        }
        std::string japanese =
            Header(args, "Corvane ログ ビューアー", "実行中: ") +
            Indented({"CVR データをファイル out.csv にエクスポートしました。",
                      "ファイル 'missing/y.csv' を開けませんでした。 No such file or directory.",
                      "ファイル '/dev/./null' を開けませんでした。 通常のファイルではありません.",
                      "Corvane Log のすべてのエントリを消去しました。",
                      "Corvane Log に保守メモを記録しました。", "完了しました。"}) +
            "  \r\n";
        EXPECT_EQ(folder.Log(), japanese);
        std::string csv = ReadFile(folder / "out.csv");
        EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
                  "重要度,イベント番号,クラス,コード,更新日時,初回日時,回数,説明\r\n");
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
    }

    Folder empty;
    empty.MakeEmptyDevice();
    empty.Run({"/note:x"}, {"LANG=ja_JP.UTF-8"});
    EXPECT_EQ(empty.Log(), Header({"/note:x"}, "Corvane ログ ビューアー", "実行中: ") +
                               Indented({"Corvane Log は空です。"}) + "  \r\n");
}

} // namespace
} // namespace kestrav
