// The windows' additional texts: every one present in both languages, and the status bar's counts.
#include "viewer_core/viewer_texts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "resources/string_table.h"

namespace kestrav::test {
namespace {

TEST(ViewerTexts, StatusCountsFillTheirPlacesInOrder) {
    const struct {
        size_t entries, shown, selected;
        const char* text;
    } cases[] = {
        {0, 0, 0, "Entries: 0    Shown: 0    Selected: 0"},
        {100000, 3, 1, "Entries: 100000    Shown: 3    Selected: 1"},
        {7, 7, 12, "Entries: 7    Shown: 7    Selected: 12"},
    };
    if (CurrentLanguage() != Language::English) {
        GTEST_SKIP() << "the texts are English only here";
    }
    for (const auto& c : cases) {
        EXPECT_EQ(StatusCountsText(c.entries, c.shown, c.selected), c.text);
    }
}

TEST(ViewerTexts, NoteBytesLeft) {
    const struct {
        size_t left;
        const char* text;
    } cases[] = {{227, "227 bytes left"}, {2, "2 bytes left"}, {1, "1 byte left"}, {0, "0 bytes left"}};
    if (CurrentLanguage() != Language::English) {
        GTEST_SKIP() << "the texts are English only here";
    }
    for (const auto& c : cases) {
        EXPECT_EQ(NoteBytesLeftText(c.left), c.text);
    }
}

TEST(ViewerTexts, EveryTextIsPresent) {
    for (int text = 0; text <= static_cast<int>(ViewerText::NoteOneByteLeft); ++text) {
        EXPECT_GT(std::strlen(ViewerTextUtf8(static_cast<ViewerText>(text))), 0u) << text;
    }
}

} // namespace
} // namespace kestrav::test
