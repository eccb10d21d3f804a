// The texts of the windows' own additions to the list (filter bar, status bar, copy, details, progress), in
// English and Japanese, as UTF-8; they are not part of the numbered string table.
#pragma once

#include <cstddef>
#include <string>

namespace kestrav {

enum class ViewerText {
    FilterPlaceholder,
    AllSeverities,
    AllClasses,
    StatusCounts, // %1 entries in the log, %2 shown, %3 selected
    CopyRows,
    ShowDetails,
    DetailsTitle,
    DetailsDescription,
    DetailsEventNumber,
    DetailsSeverity,
    DetailsClass,
    DetailsCode,
    DetailsInitialTime,
    DetailsUpdateTime,
    DetailsCount,
    DetailsEventDataLength,
    DetailsEventData,
    DetailsClose,
    MarkingProgress,
};

// The text in the language the string table follows; "" for a number that has none.
const char* ViewerTextUtf8(ViewerText text);

// The status bar's counts: the StatusCounts text with its three places filled.
std::string StatusCountsText(size_t entries, size_t shown, size_t selected);

} // namespace kestrav
