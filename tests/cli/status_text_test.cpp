// The status log's texts: error messages, line cutting, the run header's pieces, and the string table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "app/export.h"
#include "app/outcome_texts.h"
#include "record/text_rules.h"
#include "cli/status_log.h"
#include "resources/string_table.h"
#include "support/test_support.h"

namespace kestrav {
namespace {

class EnglishTexts : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
    }
};

TEST_F(EnglishTexts, StatusErrorText) {
    struct Row {
        uint32_t code;
        std::string text;
    };
    const std::vector<Row> rows = {
        {0xE0000002, "No System Management driver is loaded."},
        {2, "No such file or directory"},
        {0xff, "Unknown error: 0x00ff"},
        {0x1234, "Unknown error: 0x1234"},
        {0x12345, "Unknown error: 0x12345"},
        {0xE0000003, "Unknown error: 0xe0000003"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StatusErrorText(row.code), row.text) << row.code;
    }
}

// What WriteStatusLine stores for texts around the 511-character limit, and CutStatusLine keeps.
TEST_F(EnglishTexts, StatusLineIsCutWholeCharacters) {
    const std::string japanese = "\xE3\x81\x82"; // one three-byte character
    struct Row {
        std::string text;
        std::string stored;
    };
    const std::vector<Row> rows = {
        {"", ""},
        {"Finished!", "Finished!"},
        {"a\nb\x1B", "a\\nb\\x1B"}, // one line, whatever the text holds
        {std::string(511, 'a'), std::string(511, 'a')},
        {std::string(600, 'a'), std::string(511, 'a')},
        {std::string(509, 'a') + japanese, std::string(509, 'a')},
        {std::string(508, 'a') + japanese + "b", std::string(508, 'a') + japanese},
        {std::string(510, 'a') + "\xC3\xA9", std::string(510, 'a')},
    };
    for (const Row& row : rows) {
        test::TempDir dir;
        StatusLog log;
        ASSERT_TRUE(OpenStatusLog(log, (dir / "s.log").string()));
        WriteStatusLine(log, "%s", row.text.c_str());
        // What the window reports for a line is what the status log would have held.
        EXPECT_EQ(CutStatusLine(row.text), log.lastLine) << row.text.size();
        EXPECT_TRUE(CloseStatusLog(log));
        EXPECT_EQ(test::ReadFile(dir / "s.log"), "   " + row.stored + "\r\n  \r\n") << row.text.size();
    }
}

TEST(CommandLineText, QuotesArgumentsWithBlanksOrQuotes) {
    struct Row {
        std::vector<std::string> argv;
        std::string text;
    };
    const std::vector<Row> rows = {
        {{"/usr/bin/kestrav"}, "/usr/bin/kestrav"},
        {{"./kestrav", "/export:out", "/clear"}, "./kestrav /export:out /clear"},
        {{"kestrav", "/note:disk replaced"}, "kestrav \"/note:disk replaced\""},
        {{"kestrav", "/note:say \"hi\""}, "kestrav \"/note:say \\\"hi\\\"\""},
        {{"kestrav", "/note:a\tb"}, "kestrav \"/note:a\tb\""},
        {{"/opt/my tools/kestrav", ""}, "\"/opt/my tools/kestrav\" \"\""},
    };
    for (const Row& row : rows) {
        std::vector<char*> argv;
        std::vector<std::string> store = row.argv;
        for (std::string& a : store) {
            argv.push_back(a.data());
        }
        EXPECT_EQ(CommandLineText(argv), row.text);
    }
}

TEST(RunDateText, EnglishTwelveHourClock) {
    struct Row {
        int year, month, day, hour, minute, weekday;
        std::string text;
    };
    const std::vector<Row> rows = {
        {2026, 12, 7, 15, 49, 1, "Monday, December 07, 2026 at 03:49 PM"},
        {2027, 1, 1, 0, 5, 5, "Friday, January 01, 2027 at 12:05 AM"},
        {2026, 6, 14, 12, 0, 0, "Sunday, June 14, 2026 at 12:00 PM"},
        {2026, 9, 30, 11, 59, 3, "Wednesday, September 30, 2026 at 11:59 AM"},
    };
    for (const Row& row : rows) {
        std::tm time{};
        time.tm_year = row.year - 1900;
        time.tm_mon = row.month - 1;
        time.tm_mday = row.day;
        time.tm_hour = row.hour;
        time.tm_min = row.minute;
        time.tm_wday = row.weekday;
        EXPECT_EQ(RunDateText(time), row.text);
    }
}

// A scheduled export's name: every field replaced, anything else left as it is.
TEST(WithDateTime, FillsEveryFieldWithTheRunsTime) {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 0;
    time.tm_mday = 9;
    time.tm_hour = 2;
    time.tm_min = 5;
    time.tm_sec = 7;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"C:\\ProgramData\\Kestrav\\cvr-<datetime>.csv",
         "C:\\ProgramData\\Kestrav\\cvr-2026-01-09-020507.csv"},
        {"cvr.csv", "cvr.csv"},
        {"<datetime><datetime>", "2026-01-09-0205072026-01-09-020507"},
        {"<DATETIME>.csv", "<DATETIME>.csv"},
        {"<datetime.csv", "<datetime.csv"},
        {"<date<datetime>time>", "<date2026-01-09-020507time>"},
    };
    for (const auto& [name, expanded] : rows) {
        EXPECT_EQ(WithDateTime(name, time), expanded) << name;
    }
}

// The printf directives of a text, in order.
std::vector<std::string> Directives(const std::string& text) {
    std::vector<std::string> found;
    static const std::regex directive("%[-+ #0]*[0-9]*(\\.[0-9]+)?(l|ll|h|hh|z)?[diouxXcsp%]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), directive); it != std::sregex_iterator();
         ++it) {
        found.push_back(it->str());
    }
    return found;
}

TEST(StringTable, EveryTextInBothLanguagesWithTheSameDirectives) {
    const uint32_t ids[] = {128,   522,   530,   535,   536,   538,   540,   57344, 61205, 61268,
                            61269, 61270, 61271, 61272, 61273, 61289, 61297, 61299, 61303, 61312,
                            61314, 61315, 61319, 61320, 61325, 61326, 61328, 61329, 61330, 61336,
                            61337, 61340, 61341, 61342, 61343, 61344, 61345, 61346, 61347};
    for (uint32_t id : ids) {
        std::string english = TableText(id, Language::English);
        std::string japanese = TableText(id, Language::Japanese);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_FALSE(japanese.empty()) << id;
        EXPECT_NE(english, japanese) << id;
        EXPECT_EQ(Directives(english), Directives(japanese)) << id;
    }
    EXPECT_STREQ(TableText(1, Language::English), "");
    EXPECT_STREQ(TableText(61315, Language::English), "Couldn't write file '%s'.");
}

TEST(StringTable, LanguageFromEnvironment) {
    struct Row {
        const char* all;
        const char* messages;
        const char* lang;
        const char* title;
    };
    const char* english = "Corvane Log Viewer";
    const char* japanese = "Corvane ログ ビューアー";
    const std::vector<Row> rows = {
        {nullptr, nullptr, nullptr, english},
        {"ja_JP.UTF-8", nullptr, nullptr, japanese},
        {"ja", "en_US.UTF-8", "en_US.UTF-8", japanese},
        {"en_US.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", english},
        {"", "ja_JP.UTF-8", "en_US", japanese},
        {nullptr, nullptr, "ja_JP.eucJP", japanese},
        {nullptr, "C", "ja_JP.UTF-8", english},
        {nullptr, nullptr, "jp_JP", english},
    };
    for (const Row& row : rows) {
        row.all ? setenv("LC_ALL", row.all, 1) : unsetenv("LC_ALL");
        row.messages ? setenv("LC_MESSAGES", row.messages, 1) : unsetenv("LC_MESSAGES");
        row.lang ? setenv("LANG", row.lang, 1) : unsetenv("LANG");
        EXPECT_STREQ(TableText(ApplicationTitle), row.title);
    }
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
}

TEST(StringTable, MenuAndDialog) {
    setenv("LC_ALL", "C", 1);
    EXPECT_STREQ(LoadMenuTitle(0), "&Log");
    EXPECT_STREQ(LoadMenuTitle(1), "&View");
    EXPECT_STREQ(LoadMenuTitle(2), "");
    EXPECT_STREQ(LoadMenuItemText(ClearAllEntriesCommand), "&Clear All Entries...\tCtrl+L");
    EXPECT_STREQ(LoadMenuItemText(RefreshCommand), "&Refresh\tF5");
    EXPECT_STREQ(LoadMenuItemText(InitialLoadCommand), "");
    EXPECT_STREQ(LoadNoteDialogText(NotePromptLabel), TableText(NotePromptText));
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_STREQ(LoadNoteDialogText(NoteCancelButton), "キャンセル");
    EXPECT_STREQ(LoadNoteDialogText(NotePromptLabel), TableText(NotePromptText));
    unsetenv("LC_ALL");
}

} // namespace
} // namespace kestrav
