// The list's filter, the same for every window: which rows pass a filter bar (a text found in one of the
// row's seven cell texts, a severity choice, a class), and the index of case-folded row texts that lets a
// text be found among a large log's rows at once although the list itself formats its texts on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/severity.h"

namespace kestrav {

class CEventLogEntry;

// The severity choice of a filter: every severity, or one reading of the severity table and the bytes it
// covers (Informational is severities 2 and 3, the bytes named "Informational"); a reading's choice is its
// place in the table plus one.
enum class SeverityChoice : int {
    All = 0,
    Critical = 1 + static_cast<int>(SeverityReading::Critical),
    Caution = 1 + static_cast<int>(SeverityReading::Caution),
    Repaired = 1 + static_cast<int>(SeverityReading::Repaired),
    Informational = 1 + static_cast<int>(SeverityReading::Informational),
};

// The choice of a reading.
constexpr SeverityChoice ChoiceOf(SeverityReading reading) {
    return static_cast<SeverityChoice>(1 + static_cast<int>(reading));
}

inline constexpr int32_t AnyClass = -1;

struct RowFilter {
    std::string text; // UTF-8 as typed; empty passes every row
    SeverityChoice severity = SeverityChoice::All;
    int32_t eventClass = AnyClass; // a class number, or AnyClass
};

// Whether the filter can hide a row at all.
bool FilterIsActive(const RowFilter& filter);

bool SeverityMatches(SeverityChoice choice, uint8_t severity);

// One item of a filter bar's choice box: its text (UTF-8) and the value it stands for.
struct ChoiceItem {
    std::string label;
    int32_t value;
};

// The severity box's items in order: every severity, then each reading with bytes of its own by its name;
// the values are SeverityChoice values.
std::vector<ChoiceItem> SeverityChoiceItems();

// The class box's items in order: every class (AnyClass), then the classes of the rows and the chosen one
// even when no row has it now, ascending, each by its name; classes without a name of their own share
// "Unknown", and their numbers tell them apart.
std::vector<ChoiceItem> ClassChoiceItems(const std::vector<CEventLogEntry*>& rows, int32_t chosen);

// The text with ASCII letters lower-cased and every other byte unchanged: the texts compare without regard to
// the case of ASCII letters, and a multi-byte character matches only itself.
std::string FoldCase(std::string_view text);

// The class numbers of the rows, each once, ascending.
std::vector<uint16_t> ClassesPresent(const std::vector<CEventLogEntry*>& rows);

// The case-folded cell texts of a set of rows, by the rows' positions: each row's seven texts, each ended by
// a NUL, one row after another in one buffer. A cell text holds no NUL, so no match spans two cells.
class RowTextIndex {
public:
    void Build(const std::vector<CEventLogEntry*>& rows);
    void Clear();
    size_t Rows() const { return ends_.size(); }
    size_t Bytes() const { return texts_.size(); }
    // The seven texts of the row at position, NUL-separated.
    std::string_view RowTexts(size_t position) const;
    // One flag per row: whether foldedQuery occurs in one of its texts. A query with a NUL occurs nowhere.
    std::vector<uint8_t> RowsContaining(std::string_view foldedQuery) const;

private:
    std::string texts_;
    std::vector<size_t> ends_; // where each row's texts end in texts_
};

// A filter over the rows of one fill of a list. The rows are those the list was given, by position; the text
// index is made when a text is first searched after a fill, and dropped with the rows.
class ListFilter {
public:
    void SetRows(std::vector<CEventLogEntry*> rows);
    const std::vector<CEventLogEntry*>& Rows() const { return rows_; }
    void SetFilter(RowFilter filter);
    const RowFilter& Filter() const { return filter_; }

    // The positions in order (positions of Rows()) whose rows pass the filter, in the same order.
    std::vector<uint32_t> Passing(const std::vector<uint32_t>& order);

    // Makes the text index now, if this fill has none yet: a window can do it before the first keystroke.
    void PrepareIndex();
    bool IndexBuilt() const { return indexBuilt_; }
    const RowTextIndex& Index() const { return index_; }

private:
    std::vector<CEventLogEntry*> rows_;
    RowFilter filter_;
    std::string foldedText_;
    RowTextIndex index_;
    bool indexBuilt_ = false;
};

} // namespace kestrav
