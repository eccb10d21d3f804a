// The list's filter: which severities each choice lets through, case folding, the text found in any one cell
// but never across two, the index made anew for every fill, and the texts of copied rows and the hex dump.
#include "viewer_core/row_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "decode/event_text.h"
#include "viewer_core/row_texts.h"
#include "viewer_core/viewer_document.h"

namespace kestrav {
namespace {

LogEntry Entry(uint32_t number, uint8_t severity, uint16_t eventClass, uint16_t code, const char* text = "") {
    LogEntry entry;
    entry.SetEventNumber(number);
    entry.SetSeverity(severity);
    entry.SetClass(eventClass);
    entry.SetCode(code);
    entry.SetCount(1);
    entry.SetUpdateTime({20, 26, 12, 7, 14, 5});
    entry.SetInitialTime({20, 26, 12, 7, 14, 5});
    const size_t length = std::strlen(text);
    std::memcpy(entry.EventData(), text, length);
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + length + 1));
    return entry;
}

// Entries held like the document holds them, and the rows a list is given.
struct Rows {
    std::vector<std::unique_ptr<CEventLogEntry>> entries;
    std::vector<CEventLogEntry*> rows;

    explicit Rows(const std::vector<LogEntry>& list) {
        for (const LogEntry& entry : list) {
            entries.push_back(std::make_unique<CEventLogEntry>(entry));
            rows.push_back(entries.back().get());
        }
    }
};

std::vector<uint32_t> Identity(size_t count) {
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) {
        order[i] = static_cast<uint32_t>(i);
    }
    return order;
}

TEST(SeverityChoice, LetsThroughExactlyItsBytes) {
    const struct {
        SeverityChoice choice;
        std::vector<int> bytes;
    } cases[] = {
        {SeverityChoice::Critical, {15}},
        {SeverityChoice::Caution, {9}},
        {SeverityChoice::Repaired, {6}},
        {SeverityChoice::Informational, {2, 3}},
    };
    for (const auto& c : cases) {
        for (int severity = 0; severity < 256; ++severity) {
            const bool expected = std::find(c.bytes.begin(), c.bytes.end(), severity) != c.bytes.end();
            EXPECT_EQ(SeverityMatches(c.choice, static_cast<uint8_t>(severity)), expected)
                << "choice " << static_cast<int>(c.choice) << ", severity " << severity;
        }
    }
    for (int severity = 0; severity < 256; ++severity) {
        EXPECT_TRUE(SeverityMatches(SeverityChoice::All, static_cast<uint8_t>(severity)));
    }
}

TEST(FoldCase, LowersOnlyAsciiLetters) {
    EXPECT_EQ(FoldCase("Main MEMORY 0xAB [Z@`]"), "main memory 0xab [z@`]");
    // The UTF-8 bytes of "ÄÖ" and a stray byte above 0x7F stay as they are.
    EXPECT_EQ(FoldCase("\xC3\x84\xC3\x96\xC1"), "\xC3\x84\xC3\x96\xC1");
    EXPECT_EQ(FoldCase(""), "");
}

// Five rows: a critical memory error, a caution fan event, two notes (one repaired-looking text), a repaired
// entry of a class without a name.
std::vector<LogEntry> Sample() {
    return {
        Entry(12, 15, 3, 2),
        Entry(13, 9, 2, 1),
        Entry(14, 2, 33, 2, "Replaced DIMM 3 on Board 1"),
        Entry(15, 3, 33, 2, "cooling OK"),
        Entry(16, 6, 999, 7),
    };
}

TEST(ListFilter, PassesTheRowsThatMatchEveryPart) {
    const struct {
        const char* name;
        RowFilter filter;
        std::vector<uint32_t> numbers;
    } cases[] = {
        {"no filter", {}, {12, 13, 14, 15, 16}},
        {"a note's text in another case", {"dimm 3 ON board"}, {14}},
        {"the severity name", {"CRITICAL"}, {12}},
        {"the class name", {"main memory"}, {12}},
        {"the event number", {"15"}, {15}},
        {"a class number is not a text of the list", {"999"}, {}},
        {"but the description's hex class number is", {"0x3e7"}, {16}},
        {"a word of several descriptions", {"maintenance note"}, {14, 15}},
        {"the end of one cell and the start of the next", {"critical12"}, {}},
        {"a NUL never matches", {std::string("critical\0", 9)}, {}},
        {"nothing matches", {"no such text"}, {}},
        {"informational is 2 and 3", {"", SeverityChoice::Informational}, {14, 15}},
        {"repaired", {"", SeverityChoice::Repaired}, {16}},
        {"a class", {"", SeverityChoice::All, 33}, {14, 15}},
        {"a class without a name", {"", SeverityChoice::All, 999}, {16}},
        {"a class not in the log", {"", SeverityChoice::All, 4}, {}},
        {"all three parts", {"ok", SeverityChoice::Informational, 33}, {15}},
        {"parts that exclude each other", {"dimm", SeverityChoice::Critical}, {}},
    };
    for (const auto& c : cases) {
        Rows rows(Sample());
        ListFilter filter;
        filter.SetRows(rows.rows);
        filter.SetFilter(c.filter);
        std::vector<uint32_t> numbers;
        for (uint32_t position : filter.Passing(Identity(rows.rows.size()))) {
            numbers.push_back(rows.rows[position]->m_entry.EventNumber());
        }
        EXPECT_EQ(numbers, c.numbers) << c.name;
    }
}

TEST(ListFilter, KeepsTheGivenOrderAndIgnoresUnknownPositions) {
    Rows rows(Sample());
    ListFilter filter;
    filter.SetRows(rows.rows);
    filter.SetFilter({"note"});
    EXPECT_EQ(filter.Passing({4, 3, 99, 2, 1, 0}), (std::vector<uint32_t>{3, 2}));
    filter.SetFilter({});
    EXPECT_EQ(filter.Passing({4, 3, 2}), (std::vector<uint32_t>{4, 3, 2}));
}

// The index is made for the texts of one fill: an entry changed in place (as Mark Repaired changes its copy)
// is searched by its new texts once the list is filled again, never by the old ones.
TEST(ListFilter, MakesTheIndexWhenATextIsSearchedAndDropsItWithTheRows) {
    Rows rows(Sample());
    ListFilter filter;
    filter.SetRows(rows.rows);
    filter.SetFilter({"", SeverityChoice::Critical});
    EXPECT_EQ(filter.Passing(Identity(5)).size(), 1u);
    EXPECT_FALSE(filter.IndexBuilt());

    filter.SetFilter({"critical"});
    EXPECT_EQ(filter.Passing(Identity(5)), std::vector<uint32_t>{0});
    EXPECT_TRUE(filter.IndexBuilt());
    EXPECT_EQ(filter.Index().Rows(), 5u);

    rows.entries[0]->m_entry.SetSeverity(6);
    filter.SetRows(rows.rows);
    EXPECT_FALSE(filter.IndexBuilt());
    EXPECT_EQ(filter.Index().Bytes(), 0u);
    EXPECT_TRUE(filter.Passing(Identity(5)).empty());
    filter.SetFilter({"repaired"});
    EXPECT_EQ(filter.Passing(Identity(5)), (std::vector<uint32_t>{0, 4}));

    filter.SetRows({});
    EXPECT_TRUE(filter.Passing({}).empty());
    EXPECT_TRUE(filter.Passing({0, 1}).empty());
}

TEST(RowTextIndex, HoldsTheSevenFoldedCellTextsOfEachRow) {
    Rows rows({Entry(7, 15, 3, 2), Entry(0x80000000u, 4, 33, 2, "Tab\tAnd UPPER")});
    RowTextIndex index;
    index.Build(rows.rows);
    ASSERT_EQ(index.Rows(), 2u);
    char time[DescriptionBufferSize];
    FormatEntryTime({20, 26, 12, 7, 14, 5}, time);
    const std::string folded = FoldCase(time);
    std::string expected;
    for (const std::string cell : {"unknown", "-2147483648", "maintenance", folded.c_str(), folded.c_str(),
                                   "1", "maintenance note: tab\tand upper"}) {
        expected += cell;
        expected.push_back('\0');
    }
    EXPECT_EQ(index.RowTexts(1), expected);
    EXPECT_EQ(index.RowTexts(2), "");
    // Several hits in one row and a hit in the last byte of the buffer's last cell.
    EXPECT_EQ(index.RowsContaining("m"), (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(index.RowsContaining("upper"), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(index.RowsContaining("critical"), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(index.RowsContaining("tab\tand"), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(index.RowsContaining(std::string(3000, 'a')), (std::vector<uint8_t>{0, 0}));
    index.Clear();
    EXPECT_EQ(index.Rows(), 0u);
    EXPECT_TRUE(index.RowsContaining("m").empty());
}

TEST(ClassesPresent, ListsEachClassOnceInOrder) {
    Rows rows(Sample());
    EXPECT_EQ(ClassesPresent(rows.rows), (std::vector<uint16_t>{2, 3, 33, 999}));
    EXPECT_TRUE(ClassesPresent({}).empty());
}

TEST(CopyText, OneTabSeparatedLinePerRowInTheGivenOrder) {
    Rows rows({Entry(12, 15, 3, 2), Entry(14, 2, 33, 2, "a\tb")});
    char time[DescriptionBufferSize];
    FormatEntryTime({20, 26, 12, 7, 14, 5}, time);
    char memory[DescriptionBufferSize];
    FormatEntryDescription(rows.rows[0]->m_entry, memory);
    const std::string t(time);
    EXPECT_EQ(CopyText({rows.rows[1], rows.rows[0]}),
              "Informational\t14\tMaintenance\t" + t + "\t" + t + "\t1\tMaintenance note: a\tb\n" +
                  "Critical\t12\tMain Memory\t" + t + "\t" + t + "\t1\t" + memory + "\n");
    EXPECT_EQ(CopyText({}), "");
}

TEST(HexDump, SixteenBytesALineWithOffsetsAndCharacters) {
    uint8_t bytes[EventDataSize];
    for (size_t i = 0; i < sizeof bytes; ++i) {
        bytes[i] = static_cast<uint8_t>(i + 0x1C);
    }
    std::vector<std::string> lines;
    const std::string dump = HexDump(bytes);
    for (size_t start = 0, end; (end = dump.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(dump.substr(start, end - start));
    }
    // 228 bytes: fourteen whole lines and one of four, padded so that its characters stand under the others'.
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(dump.back(), '\n');
    EXPECT_EQ(lines[0], "0000  1C 1D 1E 1F 20 21 22 23  24 25 26 27 28 29 2A 2B  .... !\"#$%&'()*+");
    EXPECT_EQ(lines[1], "0010  2C 2D 2E 2F 30 31 32 33  34 35 36 37 38 39 3A 3B  ,-./0123456789:;");
    EXPECT_EQ(lines[13], "00D0  EC ED EE EF F0 F1 F2 F3  F4 F5 F6 F7 F8 F9 FA FB  ................");
    EXPECT_EQ(lines[14], "00E0  FC FD FE FF" + std::string(39, ' ') + "....");
    EXPECT_EQ(lines[14].size(), lines[13].size() - 12);
    EXPECT_EQ(HexDump({bytes + 0x63, 1}), "0000  7F" + std::string(48, ' ') + ".\n");
    EXPECT_EQ(HexDump({}), "");
}

} // namespace
} // namespace kestrav
