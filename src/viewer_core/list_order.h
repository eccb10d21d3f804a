// The list's columns and order, the same for every window: the seven columns with their headings and widths,
// the text of each cell, the severity icon of a row, and the comparison and sort of entries by a column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "record/log_entry.h"

namespace kestrav {

class CEventLogEntry;

inline constexpr int ListColumnCount = 7;

enum ListColumn : int {
    SeverityColumn = 0,
    EventNumberColumn = 1,
    ClassColumn = 2,
    UpdateTimeColumn = 3,
    InitialTimeColumn = 4,
    CountColumn = 5,
    DescriptionColumn = 6,
};

// The columns are the fields of WindowFields, in its order.
struct ColumnLayout {
    uint32_t heading; // string number
    int width;        // pixels
};

// The columns in display order; a column's sub-item number is its position.
extern const ColumnLayout ListColumns[ListColumnCount];

// The icon of a row: 0 critical, 1 caution, 2 repaired, 3 everything else.
int SeverityImageIndex(uint8_t severity);

// The sizes in pixels the severity icons are drawn at, smallest first: each is drawn for its own size, none
// is stretched from another.
inline constexpr int SeverityIconSizes[] = {16, 20, 24, 32};

// The severity icon size for a display of dpi dots per inch: the largest drawn size that is no larger than
// 16 pixels at 96 dots per inch grown to dpi.
int SeverityIconSize(int dpi);

// A length given in pixels at 96 dots per inch, at dpi dots per inch, rounded to the nearest pixel (halves
// away from zero, so that a font's negative height scales like its positive one).
int ScaleToDpi(int pixels, int dpi);

// Writes the text of one cell into out (always terminated); false for a column that does not exist, which
// leaves out empty.
bool FormatCellText(const LogEntry& entry, int column, std::span<char> out);

// Byte-wise comparison of two texts in which an empty text comes after every other: -1, 0 or 1.
int CompareTexts(const char* a, const char* b);

// The ascending order of two entries by a column, ties broken by event number. textA and textB are the two
// entries' texts for the Class and Description columns; the other columns compare stored fields and ignore
// them.
int CompareAscending(const LogEntry& a, const LogEntry& b, int column, const char* textA, const char* textB);

// Negative when a comes first in the list's order by column and direction; formats both texts of a text
// column anew in buffers of its own.
int CompareEntries(const CEventLogEntry& a, const CEventLogEntry& b, int column, bool ascending);

// The order CompareEntries gives the rows, as the old positions in their new order; each row's text is
// formatted once instead of twice per comparison, and rows that compare equal keep their order.
std::vector<size_t> SortOrder(const std::vector<CEventLogEntry*>& rows, int column, bool ascending);

// A list's order of positions (each a position in rows) sorted as SortOrder sorts their rows: what a window
// does when a column heading is clicked.
std::vector<uint32_t> SortPositions(const std::vector<CEventLogEntry*>& rows,
                                    const std::vector<uint32_t>& order, int column, bool ascending);

// Puts rows into the order of SortOrder.
void SortRows(std::vector<CEventLogEntry*>& rows, int column, bool ascending);

} // namespace kestrav
