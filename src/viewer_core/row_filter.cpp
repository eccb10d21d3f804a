// The filter's matching rule and its index of row texts.
#include "viewer_core/row_filter.h"

#include <algorithm>
#include <iterator>

#include "decode/event_text.h"
#include "viewer_core/list_order.h"
#include "viewer_core/viewer_document.h"
#include "viewer_core/viewer_texts.h"

namespace kestrav {

namespace {

char FoldByte(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A first guess at the index's size, so that building it rarely moves the buffer: seven short texts and a
// description of about a hundred bytes per row.
constexpr size_t ExpectedRowBytes = 200;

} // namespace

bool FilterIsActive(const RowFilter& filter) {
    return !filter.text.empty() || filter.severity != SeverityChoice::All || filter.eventClass != AnyClass;
}

bool SeverityMatches(SeverityChoice choice, uint8_t severity) {
    return choice == SeverityChoice::All || ChoiceOf(SeverityOf(severity).reading) == choice;
}

std::vector<ChoiceItem> SeverityChoiceItems() {
    std::vector<ChoiceItem> items;
    items.push_back({ViewerTextUtf8(ViewerText::AllSeverities), static_cast<int32_t>(SeverityChoice::All)});
    char name[DescriptionBufferSize];
    for (const SeverityRow& row : KnownSeverities) {
        FormatSeverityName(row.bytes[0], name);
        items.push_back({name, static_cast<int32_t>(ChoiceOf(row.reading))});
    }
    return items;
}

std::vector<ChoiceItem> ClassChoiceItems(const std::vector<CEventLogEntry*>& rows, int32_t chosen) {
    std::vector<uint16_t> classes = ClassesPresent(rows);
    if (chosen >= 0 && chosen <= UINT16_MAX && !std::binary_search(classes.begin(), classes.end(), chosen)) {
        classes.insert(std::lower_bound(classes.begin(), classes.end(), chosen),
                       static_cast<uint16_t>(chosen));
    }
    std::vector<std::string> names;
    char name[DescriptionBufferSize];
    for (uint16_t eventClass : classes) {
        FormatClassName(eventClass, name);
        names.emplace_back(name);
    }
    std::vector<ChoiceItem> items;
    items.push_back({ViewerTextUtf8(ViewerText::AllClasses), AnyClass});
    for (size_t i = 0; i < classes.size(); ++i) {
        const bool shared = std::count(names.begin(), names.end(), names[i]) > 1;
        items.push_back({shared ? names[i] + " (" + std::to_string(classes[i]) + ")" : names[i], classes[i]});
    }
    return items;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldByte);
    return folded;
}

std::vector<uint16_t> ClassesPresent(const std::vector<CEventLogEntry*>& rows) {
    std::vector<uint16_t> classes;
    classes.reserve(rows.size());
    for (const CEventLogEntry* row : rows) {
        classes.push_back(row->m_entry.Class());
    }
    std::sort(classes.begin(), classes.end());
    classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
    return classes;
}

void RowTextIndex::Build(const std::vector<CEventLogEntry*>& rows) {
    Clear();
    texts_.reserve(rows.size() * ExpectedRowBytes);
    ends_.reserve(rows.size());
    char cell[DescriptionBufferSize];
    for (const CEventLogEntry* row : rows) {
        for (int column = 0; column < ListColumnCount; ++column) {
            FormatCellText(row->m_entry, column, cell);
            const size_t start = texts_.size();
            texts_.append(cell);
            std::transform(texts_.begin() + static_cast<std::ptrdiff_t>(start), texts_.end(),
                           texts_.begin() + static_cast<std::ptrdiff_t>(start), FoldByte);
            texts_.push_back('\0');
        }
        ends_.push_back(texts_.size());
    }
}

void RowTextIndex::Clear() {
    // Released, not only emptied: the index of a large log is many megabytes.
    std::string().swap(texts_);
    std::vector<size_t>().swap(ends_);
}

std::string_view RowTextIndex::RowTexts(size_t position) const {
    if (position >= ends_.size()) {
        return {};
    }
    const size_t start = position == 0 ? 0 : ends_[position - 1];
    return std::string_view(texts_).substr(start, ends_[position] - start);
}

std::vector<uint8_t> RowTextIndex::RowsContaining(std::string_view foldedQuery) const {
    std::vector<uint8_t> found(ends_.size(), 0);
    if (foldedQuery.find('\0') != std::string_view::npos) {
        return found;
    }
    if (foldedQuery.empty()) {
        std::fill(found.begin(), found.end(), uint8_t{1});
        return found;
    }
    // One search through the whole buffer; after a hit the rest of that row is skipped.
    const std::string_view all(texts_);
    size_t from = 0;
    while (from < all.size()) {
        const size_t hit = all.find(foldedQuery, from);
        if (hit == std::string_view::npos) {
            break;
        }
        const auto row = std::upper_bound(ends_.begin(), ends_.end(), hit);
        found[static_cast<size_t>(std::distance(ends_.begin(), row))] = 1;
        from = *row;
    }
    return found;
}

void ListFilter::SetRows(std::vector<CEventLogEntry*> rows) {
    rows_ = std::move(rows);
    index_.Clear();
    indexBuilt_ = false;
}

void ListFilter::SetFilter(RowFilter filter) {
    filter_ = std::move(filter);
    foldedText_ = FoldCase(filter_.text);
}

void ListFilter::PrepareIndex() {
    if (!indexBuilt_) {
        index_.Build(rows_);
        indexBuilt_ = true;
    }
}

std::vector<uint32_t> ListFilter::Passing(const std::vector<uint32_t>& order) {
    if (!FilterIsActive(filter_)) {
        return order;
    }
    std::vector<uint8_t> texts;
    if (!foldedText_.empty()) {
        PrepareIndex();
        texts = index_.RowsContaining(foldedText_);
    }
    std::vector<uint32_t> passing;
    passing.reserve(order.size());
    for (uint32_t position : order) {
        if (position >= rows_.size()) {
            continue;
        }
        const LogEntry& entry = rows_[position]->m_entry;
        if (!SeverityMatches(filter_.severity, entry.Severity())) {
            continue;
        }
        if (filter_.eventClass != AnyClass && entry.Class() != filter_.eventClass) {
            continue;
        }
        if (!texts.empty() && texts[position] == 0) {
            continue;
        }
        passing.push_back(position);
    }
    return passing;
}

} // namespace kestrav
