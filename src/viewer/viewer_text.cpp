// The viewer's texts from the string table.
#include "viewer/viewer_text.h"

#include <cstdio>

namespace kestrav {

namespace {

struct ViewerTextRow {
    ViewerText id;
    const char* english;
    const char* japanese;
};

const ViewerTextRow ViewerTexts[] = {
    {ViewerText::FilterPlaceholder, "Show only rows containing...", "次を含む行だけを表示..."},
    {ViewerText::AllSeverities, "All severities", "すべての重要度"},
    {ViewerText::AllClasses, "All classes", "すべてのクラス"},
    {ViewerText::StatusCounts, "Entries: %1    Shown: %2    Selected: %3",
     "エントリ: %1    表示: %2    選択: %3"},
    {ViewerText::CopyRows, "&Copy", "コピー(&C)"},
    {ViewerText::ShowDetails, "&Details...", "詳細(&D)..."},
    {ViewerText::DetailsTitle, "Entry Details", "エントリの詳細"},
    {ViewerText::DetailsDescription, "Description", "説明"},
    {ViewerText::DetailsEventNumber, "Event number", "イベント番号"},
    {ViewerText::DetailsSeverity, "Severity", "重要度"},
    {ViewerText::DetailsClass, "Class", "クラス"},
    {ViewerText::DetailsCode, "Code", "コード"},
    {ViewerText::DetailsInitialTime, "Initial time", "初回日時"},
    {ViewerText::DetailsUpdateTime, "Update time", "更新日時"},
    {ViewerText::DetailsCount, "Count", "回数"},
    {ViewerText::DetailsEventDataLength, "Event-data length", "イベント データ長"},
    {ViewerText::DetailsEventData, "Event data", "イベント データ"},
    {ViewerText::DetailsClose, "Close", "閉じる"},
    {ViewerText::MarkingProgress, "Marking the selected entries repaired...",
     "選択したエントリを修復済みにしています..."},
};

} // namespace

QString LoadViewerText(ViewerText text) {
    for (const ViewerTextRow& row : ViewerTexts) {
        if (row.id == text) {
            return QString::fromUtf8(CurrentLanguage() == Language::Japanese ? row.japanese : row.english);
        }
    }
    return {};
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
