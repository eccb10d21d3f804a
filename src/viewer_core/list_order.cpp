// The columns' texts and the comparator behind every sort of the list.
#include "viewer_core/list_order.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>

#include "decode/event_text.h"
#include "record/severity.h"
#include "render/entry_fields.h"
#include "resources/string_table.h"
#include "viewer_core/viewer_document.h"

namespace kestrav {

namespace {

// Event numbers and counts are signed 32-bit values; comparing them never subtracts, so no value pair can
// overflow into the wrong sign.
int CompareSigned(uint32_t a, uint32_t b) {
    const auto sa = static_cast<int32_t>(a);
    const auto sb = static_cast<int32_t>(b);
    return (sa > sb) - (sa < sb);
}

int CompareEventNumbers(const LogEntry& a, const LogEntry& b) {
    return CompareSigned(a.EventNumber(), b.EventNumber());
}

int CompareTimes(const LogTime& a, const LogTime& b) {
    const uint8_t ta[] = {a.century, a.year, a.month, a.day, a.hour, a.minute};
    const uint8_t tb[] = {b.century, b.year, b.month, b.day, b.hour, b.minute};
    for (size_t i = 0; i < sizeof ta; ++i) {
        if (ta[i] != tb[i]) {
            return ta[i] - tb[i];
        }
    }
    return 0;
}

bool IsTextColumn(int column) {
    return column == ClassColumn || column == DescriptionColumn;
}

// The text a text column sorts by.
void FormatSortText(const LogEntry& entry, int column, std::span<char> buffer) {
    if (column == ClassColumn) {
        FormatClassName(entry.Class(), buffer);
    } else {
        FormatEntryDescription(entry, buffer);
    }
}

} // namespace

namespace {

// The comparisons above read each column as the field it shows.
static_assert(std::size(WindowFields) == ListColumnCount &&
              WindowFields[SeverityColumn] == EntryField::SeverityName &&
              WindowFields[EventNumberColumn] == EntryField::EventNumber &&
              WindowFields[ClassColumn] == EntryField::ClassName &&
              WindowFields[UpdateTimeColumn] == EntryField::UpdateTime &&
              WindowFields[InitialTimeColumn] == EntryField::InitialTime &&
              WindowFields[CountColumn] == EntryField::Count &&
              WindowFields[DescriptionColumn] == EntryField::Description);

// A column's heading is its field's title.
constexpr ColumnLayout Column(ListColumn column, int width) {
    return {FieldOf(WindowFields[column]).title, width};
}

} // namespace

const ColumnLayout ListColumns[ListColumnCount] = {
    Column(SeverityColumn, 80),     Column(EventNumberColumn, 90),  Column(ClassColumn, 115),
    Column(UpdateTimeColumn, 140),  Column(InitialTimeColumn, 140), Column(CountColumn, 45),
    Column(DescriptionColumn, 800),
};

int SeverityImageIndex(uint8_t severity) {
    return SeverityOf(severity).icon;
}

int SeverityIconSize(int dpi) {
    int chosen = SeverityIconSizes[0];
    for (int size : SeverityIconSizes) {
        if (size * 96 <= SeverityIconSizes[0] * int64_t{dpi}) {
            chosen = size;
        }
    }
    return chosen;
}

int ScaleToDpi(int pixels, int dpi) {
    const int64_t scaled = int64_t{pixels} * dpi;
    const int64_t rounded = scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
    return static_cast<int>(std::clamp<int64_t>(rounded, INT32_MIN, INT32_MAX));
}

bool FormatCellText(const LogEntry& entry, int column, std::span<char> out) {
    if (out.empty()) {
        return false;
    }
    out[0] = '\0';
    if (column < 0 || column >= ListColumnCount) {
        return false;
    }
    FormatColumnText(entry, WindowFields[column], out);
    return true;
}

int CompareTexts(const char* a, const char* b) {
    if (a[0] == '\0') {
        return b[0] == '\0' ? 0 : 1;
    }
    if (b[0] == '\0') {
        return -1;
    }
    const int r = std::strcmp(a, b); // strcmp compares as unsigned bytes
    return (r > 0) - (r < 0);
}

int CompareAscending(const LogEntry& a, const LogEntry& b, int column, const char* textA, const char* textB) {
    int r = 0;
    switch (column) {
    case SeverityColumn: r = a.Severity() - b.Severity(); break;
    case EventNumberColumn: return CompareEventNumbers(a, b);
    case ClassColumn:
    case DescriptionColumn: r = CompareTexts(textA, textB); break;
    case UpdateTimeColumn: r = CompareTimes(a.UpdateTime(), b.UpdateTime()); break;
    case InitialTimeColumn: r = CompareTimes(a.InitialTime(), b.InitialTime()); break;
    case CountColumn: r = CompareSigned(a.Count(), b.Count()); break;
    default: return 0;
    }
    return r != 0 ? r : CompareEventNumbers(a, b);
}

int CompareEntries(const CEventLogEntry& a, const CEventLogEntry& b, int column, bool ascending) {
    char textA[DescriptionBufferSize] = {};
    char textB[DescriptionBufferSize] = {};
    if (IsTextColumn(column)) {
        FormatSortText(a.m_entry, column, textA);
        FormatSortText(b.m_entry, column, textB);
    }
    const int r = CompareAscending(a.m_entry, b.m_entry, column, textA, textB);
    return ascending ? r : -r;
}

std::vector<size_t> SortOrder(const std::vector<CEventLogEntry*>& rows, int column, bool ascending) {
    const size_t count = rows.size();
    std::vector<std::string> texts;
    if (IsTextColumn(column)) {
        texts.resize(count);
        char buffer[DescriptionBufferSize];
        for (size_t i = 0; i < count; ++i) {
            FormatSortText(rows[i]->m_entry, column, buffer);
            texts[i] = buffer;
        }
    }
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t{0});
    const auto textOf = [&](size_t row) { return texts.empty() ? "" : texts[row].c_str(); };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int r = CompareAscending(rows[a]->m_entry, rows[b]->m_entry, column, textOf(a), textOf(b));
        return (ascending ? r : -r) < 0;
    });
    return order;
}

std::vector<uint32_t> SortPositions(const std::vector<CEventLogEntry*>& rows,
                                    const std::vector<uint32_t>& order, int column, bool ascending) {
    std::vector<CEventLogEntry*> inOrder;
    inOrder.reserve(order.size());
    for (uint32_t position : order) {
        inOrder.push_back(rows[position]);
    }
    const std::vector<size_t> sorted = SortOrder(inOrder, column, ascending);
    std::vector<uint32_t> positions(order.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        positions[i] = order[sorted[i]];
    }
    return positions;
}

void SortRows(std::vector<CEventLogEntry*>& rows, int column, bool ascending) {
    const std::vector<size_t> order = SortOrder(rows, column, ascending);
    const size_t count = rows.size();
    std::vector<CEventLogEntry*> sorted(count);
    for (size_t i = 0; i < count; ++i) {
        sorted[i] = rows[order[i]];
    }
    rows = std::move(sorted);
}

} // namespace kestrav
