// The viewer's texts from the string table.
#include "viewer/viewer_text.h"

#include <cstdio>

namespace kestrav {

QString LoadViewerText(ViewerText text) {
    return QString::fromUtf8(ViewerTextUtf8(text));
}

QString LoadText(uint32_t id) {
    return QString::fromUtf8(TableText(id));
}

QString FormatText(uint32_t id, const char* argument) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, TableText(id), argument);
    return QString::fromUtf8(buffer);
}

QString FormatText(uint32_t id, uint32_t argument) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, TableText(id), static_cast<unsigned>(argument));
    return QString::fromUtf8(buffer);
}

QString MenuTitle(size_t position) {
    return QString::fromUtf8(LoadMenuTitle(position));
}

QString MenuItemText(uint32_t command) {
    return QString::fromUtf8(LoadMenuItemText(command));
}

QString NoteDialogText(uint32_t controlId) {
    return QString::fromUtf8(LoadNoteDialogText(controlId));
}

} // namespace kestrav
