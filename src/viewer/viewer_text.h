// The viewer's texts from the string table, as Qt strings: numbered texts, the menu's labels and the note
// dialog's controls, in the language the string table follows.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

#include "resources/string_table.h"

namespace kestrav {

QString LoadText(uint32_t id);

// A string-table text used as a printf format with one argument.
QString FormatText(uint32_t id, const char* argument);
QString FormatText(uint32_t id, uint32_t argument);

QString MenuTitle(size_t position);
QString MenuItemText(uint32_t command);
QString NoteDialogText(uint32_t controlId);

// The texts of the window's own additions to the list (filter bar, status bar, copy, details, progress), in
// English and Japanese; they are not part of the numbered string table.
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

QString LoadViewerText(ViewerText text);

} // namespace kestrav
