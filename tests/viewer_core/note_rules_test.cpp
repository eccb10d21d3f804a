// The note's folding into one line and the blank-text rule.
#include "viewer_core/note_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "record/log_entry.h"

namespace kestrav {
namespace {

TEST(NoteRules, PrepareNote) {
    const struct {
        const char* name;
        std::string typed;
        std::string stored;
    } cases[] = {
        {"line break becomes a blank", "abc\r\ndef", "abc def"},
        {"no doubled blank at a line end", "abc \r\ndef", "abc def"},
        {"two line breaks, two blanks", "abc\r\n\r\ndef", "abc  def"},
        {"trimmed on both sides", "  \t abc  \r\n", "abc"},
        {"tabs inside stay", "a\tb", "a\tb"},
        {"leading line break", "\r\nabc", "abc"},
        {"bare line feed adds nothing", "abc\ndef", "abcdef"},
        {"vertical tab and form feed trimmed", "\v\fabc\f", "abc"},
        {"empty", "", ""},
        {"only white space", " \r\n\t ", ""},
        {"non-ASCII kept as UTF-8",
         "L\xc3\xbc"
         "fter getauscht",
         "L\xc3\xbc"
         "fter getauscht"},
        {"the longest note whole", std::string(MaxNoteLength, 'n'), std::string(MaxNoteLength, 'n')},
    };
    for (const auto& c : cases) {
        char stored[MaxNoteLength + 1];
        std::memset(stored, 'x', sizeof stored);
        PrepareNote(c.typed, stored);
        EXPECT_EQ(std::string(stored), c.stored) << c.name;
    }
}

TEST(NoteRules, PrepareNoteNeverOverrunsItsBuffer) {
    char guarded[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    PrepareNote("a long note that does not fit", std::span<char>(guarded, 4));
    EXPECT_EQ(std::string(guarded), "a l");
    EXPECT_EQ(guarded[4], 'x');
    PrepareNote("anything", std::span<char>(guarded, 0));
    EXPECT_EQ(guarded[0], 'a');
}

TEST(NoteRules, BlankNotes) {
    const struct {
        const char* typed;
        bool blank;
    } cases[] = {{"", true},   {" ", true},      {"\r\n\r\n", true},  {" \t\v\f\r\n", true},
                 {"a", false}, {"  a  ", false}, {"\r\nx\r\n", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(NoteIsBlank(c.typed), c.blank) << '"' << c.typed << '"';
    }
}

} // namespace
} // namespace kestrav
