// The list's rules: cell texts, severity icons, the comparator and the sort, by column and direction.
#include "viewer_core/list_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "decode/event_text.h"
#include "resources/string_table.h"
#include "viewer_core/core_support.h"

namespace kestrav::test {
namespace {

constexpr uint32_t Min32 = 0x80000000u;
constexpr uint32_t Max32 = 0x7FFFFFFFu;

// Five entries that differ in every sortable field, with the signed extremes of event number and count.
std::vector<LogEntry> SortSample() {
    return {
        MakeEntry(1, 15, 3, 2, 5, {20, 26, 1, 1, 0, 0}),
        MakeEntry(2, 3, 33, 2, 2, {20, 25, 12, 31, 0, 0}, {20, 25, 12, 31, 0, 0}, "b"),
        MakeEntry(3, 4, 2, 1, Max32, {20, 27, 1, 1, 0, 0}),
        MakeEntry(4, 6, 33, 2, Min32, {20, 26, 1, 1, 0, 0}, {20, 26, 1, 1, 0, 0}, "a"),
        MakeEntry(Min32, 9, 3, 1, 2, {20, 26, 6, 1, 0, 0}),
    };
}

// A document holding entries in memory, with one list.
struct Loaded {
    ScriptedShell shell;
    RecordingList list; // outlives the document, which empties it when it goes
    CEventViewerDoc doc{shell};

    explicit Loaded(const std::vector<LogEntry>& entries) {
        doc.AddView(list);
        for (const LogEntry& entry : entries) {
            doc.m_entries.push_back(std::make_unique<CEventLogEntry>(entry));
        }
        doc.m_nEntryCount = static_cast<int64_t>(entries.size());
        doc.UpdateAllViews();
    }
};

TEST(ListOrder, ClickSequencesOrderTheRows) {
    const int32_t m = static_cast<int32_t>(Min32);
    const struct {
        const char* name;
        std::vector<int> clicks;
        std::vector<int32_t> expected;
    } cases[] = {
        {"no click: event number descending", {}, {4, 3, 2, 1, m}},
        {"event number again: ascending", {1}, {m, 1, 2, 3, 4}},
        {"severity by number, unknown 4 between 3 and 6", {0}, {2, 3, 4, m, 1}},
        {"severity twice: descending", {0, 0}, {1, m, 4, 3, 2}},
        {"class by name, ties by event number", {2}, {3, m, 1, 2, 4}},
        {"class twice: ties follow the direction", {2, 2}, {4, 2, 1, m, 3}},
        {"count signed, no overflow at the extremes", {5}, {4, m, 2, 1, 3}},
        {"count, count, class", {5, 5, 2}, {3, m, 1, 2, 4}},
        {"update time by stored bytes: year before month", {3}, {2, 1, 4, m, 3}},
        {"initial time, equal times by event number", {4}, {2, 4, m, 1, 3}},
        {"another heading restarts ascending", {0, 0, 5}, {4, m, 2, 1, 3}},
        {"a column that does not exist keeps the order", {9}, {4, 3, 2, 1, m}},
    };
    for (const auto& c : cases) {
        Loaded loaded(SortSample());
        for (int column : c.clicks) {
            SortList(loaded.doc, loaded.list, column);
        }
        EXPECT_EQ(loaded.list.Order(), c.expected) << c.name;
    }
}

TEST(ListOrder, CompareTexts) {
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"", "", 0},       {"", "x", 1},  {"x", "", -1},    {"abc", "abc", 0},
        {"ab", "abc", -1}, {"a", "B", 1}, {"\xe9", "z", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareTexts(c.a, c.b), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
    }
}

TEST(ListOrder, CompareEntriesDirectionAndUnknownColumns) {
    const CEventLogEntry low(MakeEntry(Min32, 3, 33, 2, Min32));
    const CEventLogEntry high(MakeEntry(Max32, 3, 33, 2, Max32));
    EXPECT_LT(CompareEntries(low, high, EventNumberColumn, true), 0);
    EXPECT_GT(CompareEntries(low, high, EventNumberColumn, false), 0);
    EXPECT_LT(CompareEntries(low, high, CountColumn, true), 0);
    EXPECT_EQ(CompareEntries(low, high, 7, true), 0);
    EXPECT_EQ(CompareEntries(low, high, -1, false), 0);
}

// The sort formats each text once; its order must be the comparator's for every column and direction.
TEST(ListOrder, SortAgreesWithTheComparator) {
    std::mt19937 random(7);
    const uint16_t classes[] = {2, 3, 11, 19, 33, 34, 99};
    const char* notes[] = {"", "alpha", "Alpha", "beta", "alpha", "\xc3\xa9t\xc3\xa9"};
    std::vector<LogEntry> entries;
    for (uint32_t i = 0; i < 300; ++i) {
        const auto byte = [&](int bound) {
            return static_cast<uint8_t>(random() % static_cast<unsigned>(bound));
        };
        const LogTime update{20, byte(3), byte(3), 1, byte(2), 0};
        const LogTime initial{20, byte(3), 1, byte(3), 0, byte(2)};
        entries.push_back(MakeEntry(i * 7919u, byte(16), classes[random() % 7], byte(4),
                                    random() % 3 ? byte(4) : Min32, update, initial, notes[random() % 6]));
    }
    Loaded loaded(entries);
    for (int column = 0; column < ListColumnCount; ++column) {
        for (const bool ascending : {true, false}) {
            std::vector<CEventLogEntry*> rows;
            for (const auto& entry : loaded.doc.m_entries) {
                rows.push_back(entry.get());
            }
            std::vector<CEventLogEntry*> expected = rows;
            std::stable_sort(expected.begin(), expected.end(), [&](const auto* a, const auto* b) {
                return CompareEntries(*a, *b, column, ascending) < 0;
            });
            SortRows(rows, column, ascending);
            EXPECT_EQ(rows, expected) << "column " << column << " ascending " << ascending;
        }
    }
}

TEST(ListOrder, SeverityImages) {
    const struct {
        int severity;
        int image;
    } cases[] = {{15, 0}, {9, 1}, {6, 2}, {2, 3}, {3, 3}, {4, 3}, {0, 3}, {255, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(SeverityImageIndex(static_cast<uint8_t>(c.severity)), c.image) << c.severity;
    }
}

// A display's icons and lengths: each size is taken from its own dots per inch upwards, never one larger than
// the display's scale asks, and lengths round to the nearest pixel in both signs.
TEST(ListOrder, SizesForTheDisplay) {
    const struct {
        int dpi;
        int icon;
        int width;      // of an 80-pixel column
        int fontHeight; // of a -13 font
    } cases[] = {{96, 16, 80, -13},   {72, 16, 60, -10},   {119, 16, 99, -16},  {120, 20, 100, -16},
                 {144, 24, 120, -20}, {168, 24, 140, -23}, {191, 24, 159, -26}, {192, 32, 160, -26},
                 {288, 32, 240, -39}, {0, 16, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(SeverityIconSize(c.dpi), c.icon) << c.dpi;
        EXPECT_EQ(ScaleToDpi(80, c.dpi), c.width) << c.dpi;
        EXPECT_EQ(ScaleToDpi(-13, c.dpi), c.fontHeight) << c.dpi;
    }
    EXPECT_EQ(ScaleToDpi(1, 144), 2); // 1.5 rounds away from zero
    EXPECT_EQ(ScaleToDpi(-1, 144), -2);
}

TEST(ListOrder, CellTexts) {
    const LogEntry entry = MakeEntry(Max32 + 1, 9, 33, 2, 0xFFFFFFFFu, {20, 26, 12, 7, 14, 5},
                                     {20, 25, 1, 2, 3, 4}, "fan replaced");
    char expected[DescriptionBufferSize];
    const auto same = [&](int column, auto format) {
        format(std::span<char>(expected));
        char cell[DescriptionBufferSize];
        EXPECT_TRUE(FormatCellText(entry, column, cell));
        EXPECT_STREQ(cell, expected) << "column " << column;
    };
    same(SeverityColumn, [&](std::span<char> out) { FormatSeverityName(9, out); });
    same(EventNumberColumn,
         [](std::span<char> out) { std::snprintf(out.data(), out.size(), "-2147483648"); });
    same(ClassColumn, [&](std::span<char> out) { FormatClassName(33, out); });
    same(UpdateTimeColumn, [&](std::span<char> out) { FormatEntryTime(entry.UpdateTime(), out); });
    same(InitialTimeColumn, [&](std::span<char> out) { FormatEntryTime(entry.InitialTime(), out); });
    same(CountColumn, [](std::span<char> out) { std::snprintf(out.data(), out.size(), "-1"); });
    same(DescriptionColumn, [&](std::span<char> out) { FormatEntryDescription(entry, out); });

    char cell[8] = "x";
    EXPECT_FALSE(FormatCellText(entry, ListColumnCount, cell));
    EXPECT_STREQ(cell, "");
    // A short buffer is cut and terminated.
    char small[4];
    EXPECT_TRUE(FormatCellText(entry, DescriptionColumn, small));
    EXPECT_EQ(std::string(small).size(), 3u);
}

TEST(ListOrder, ColumnsHeadingsAndWidths) {
    const uint32_t headings[] = {SeverityColumnTitle,   EventNumberColumnTitle, ClassColumnTitle,
                                 UpdateTimeColumnTitle, InitialTimeColumnTitle, CountColumnTitle,
                                 DescriptionColumnTitle};
    const int widths[] = {80, 90, 115, 140, 140, 45, 800};
    for (int column = 0; column < ListColumnCount; ++column) {
        EXPECT_EQ(ListColumns[column].heading, headings[column]);
        EXPECT_EQ(ListColumns[column].width, widths[column]);
    }
}

} // namespace
} // namespace kestrav::test
