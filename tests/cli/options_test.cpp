// Option recognition and the run a command line asks for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"

namespace kestrav {
namespace {

TEST(RecognizeOption, FormsAndValues) {
    struct Row {
        std::string argument;
        bool recognised;
        OptionKind kind;
        std::string value;
    };
    const std::string note227(227, 'n');
    const std::vector<Row> rows = {
        {"/f:run", true, OptionKind::StatusLog, "run"},
        {"-F:Run.TXT", true, OptionKind::StatusLog, "Run.TXT"},
        {"/f:x", true, OptionKind::StatusLog, "x"},
        {"/f:", false, {}, ""},
        {"/f", false, {}, ""},
        {"/fx:run", false, {}, ""},
        {"/f=run", false, {}, ""},
        {"/export:out", true, OptionKind::Export, "out"},
        {"-ExPoRt:a b.csv", true, OptionKind::Export, "a b.csv"},
        {"/export:", false, {}, ""},
        {"/export", false, {}, ""},
        {"/exports:x", false, {}, ""},
        {"/clear", true, OptionKind::Clear, ""},
        {"-CLEAR", true, OptionKind::Clear, ""},
        {"/clearall", true, OptionKind::Clear, ""},
        {"/clear:x", true, OptionKind::Clear, ""},
        {"/clea", false, {}, ""},
        {"/note:hello world", true, OptionKind::Note, "hello world"},
        {"-NOTE:x", true, OptionKind::Note, "x"},
        {"/note: ", true, OptionKind::Note, " "},
        {"/note:" + note227, true, OptionKind::Note, note227},
        {"/note:" + note227 + "n", false, {}, ""},
        {"/note:", false, {}, ""},
        {"/note", false, {}, ""},
        {"/notes:x", false, {}, ""},
        {"/?", false, {}, ""},
        {"/help", false, {}, ""},
        {"/", false, {}, ""},
        {"-", false, {}, ""},
        {"", false, {}, ""},
        {"clear", false, {}, ""},
        {"status", false, {}, ""},
        {"\\clear", false, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        std::optional<Option> option = RecognizeOption(row.argument);
        ASSERT_EQ(option.has_value(), row.recognised);
        if (row.recognised) {
            EXPECT_EQ(option->kind, row.kind);
            EXPECT_EQ(option->value, row.value);
        }
    }
}

TEST(ParseCommandLine, RunAskedFor) {
    struct Row {
        std::vector<std::string_view> arguments;
        bool valid;
        std::string statusLogName;
        std::vector<std::string> exports;
        size_t clears;
        std::vector<std::string> notes;
        std::string problem = ""; // the line that names the first wrong argument
        bool helpAsked = false;
    };
    std::string kanji76;
    for (int i = 0; i < 76; ++i) {
        kanji76 += "漢";
    }
    const std::string note300 = "/note:" + std::string(300, 'n');
    const std::string note76Kanji = "-NOTE:" + kanji76;
    const std::vector<Row> rows = {
        {{}, true, "kestrav.log", {}, 0, {}},
        {{"/f:run1"}, true, "run1.log", {}, 0, {}},
        {{"/f:run1.txt"}, true, "run1.txt", {}, 0, {}},
        {{"/f:./logs/run"}, true, "./logs/run", {}, 0, {}},
        {{"/f:logs.d/run"}, true, "logs.d/run", {}, 0, {}},
        {{"/f:first", "/f:second"}, true, "second.log", {}, 0, {}},
        {{"/f:first", "/f:"}, false, "first.log", {}, 0, {}, "invalid argument '/f:'"},
        {{"/f:"}, false, "kestrav.log", {}, 0, {}, "invalid argument '/f:'"},
        {{"/f:mine", "bogus"}, false, "mine.log", {}, 0, {}, "invalid argument 'bogus'"},
        {{"/exprt:x", "/note:"}, false, "kestrav.log", {}, 0, {}, "invalid argument '/exprt:x'"},
        {{"/x\n\x1b"}, false, "kestrav.log", {}, 0, {}, "invalid argument '/x\\n\\x1B'"},
        {{note300},
         false,
         "kestrav.log",
         {},
         0,
         {},
         "the note is 300 bytes of UTF-8; a note holds at most 227 bytes"},
        {{"/clear", note76Kanji, "bogus"},
         false,
         "kestrav.log",
         {},
         0,
         {},
         "the note is 228 bytes of UTF-8; a note holds at most 227 bytes"},
        {{"/?"}, false, "kestrav.log", {}, 0, {}, "invalid argument '/?'", true},
        {{"/export:x", "-H"}, false, "kestrav.log", {}, 0, {}, "invalid argument '-H'", true},
        {{"-?", "/Help"}, false, "kestrav.log", {}, 0, {}, "invalid argument '-?'", true},
        {{"/helpme"}, false, "kestrav.log", {}, 0, {}, "invalid argument '/helpme'"},
        {{"?"}, false, "kestrav.log", {}, 0, {}, "invalid argument '?'"},
        {{"/export:out", "/export:out.txt", "/export:dir.v/out"},
         true,
         "kestrav.log",
         {"out.csv", "out.txt", "dir.v/out"},
         0,
         {}},
        {{"/clear", "/clearall", "-CLEAR:x"}, true, "kestrav.log", {}, 3, {}},
        {{"/note:b", "/clear", "/note:a", "/export:e"}, true, "kestrav.log", {"e.csv"}, 1, {"b", "a"}},
        {{"/clear", "status"}, false, "kestrav.log", {}, 1, {}, "invalid argument 'status'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.arguments));
        CommandLineOptions options = ParseCommandLine(row.arguments);
        EXPECT_EQ(options.valid, row.valid);
        EXPECT_EQ(options.statusLogName, row.statusLogName);
        EXPECT_EQ(options.problem, row.problem);
        EXPECT_EQ(options.helpAsked, row.helpAsked);
        if (row.valid) {
            EXPECT_EQ(options.exportFiles, row.exports);
            EXPECT_EQ(options.clearCount, row.clears);
            EXPECT_EQ(options.notes, row.notes);
        }
    }
}

} // namespace
} // namespace kestrav
