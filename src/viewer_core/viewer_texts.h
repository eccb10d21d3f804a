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
    NoteBytesLeft, // %1 bytes that the note field still takes
    NoteOneByteLeft,
};

// The text in the language the string table follows; "" for a number that has none.
const char* ViewerTextUtf8(ViewerText text);

// The status bar's counts: the StatusCounts text with its three places filled.
std::string StatusCountsText(size_t entries, size_t shown, size_t selected);

// The note dialog's count of the bytes its field still takes: "227 bytes left", "1 byte left".
std::string NoteBytesLeftText(size_t bytesLeft);

} // namespace kestrav
