// The viewer's texts from the string table, as Qt strings: numbered texts, the menu's labels and the note
// dialog's controls, in the language the string table follows.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

#include "resources/string_table.h"
#include "viewer_core/viewer_texts.h"

namespace kestrav {

QString LoadText(uint32_t id);

// A string-table text used as a printf format with one argument.
QString FormatText(uint32_t id, const char* argument);
QString FormatText(uint32_t id, uint32_t argument);

QString MenuTitle(size_t position);
QString MenuItemText(uint32_t command);
QString NoteDialogText(uint32_t controlId);

// The windows' additional texts (viewer_core/viewer_texts.h) as Qt strings.
QString LoadViewerText(ViewerText text);

} // namespace kestrav
