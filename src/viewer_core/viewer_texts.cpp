// The windows' additional texts.
#include "viewer_core/viewer_texts.h"

#include <initializer_list>

#include "resources/string_table.h"

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
    {ViewerText::NoteBytesLeft, "%1 bytes left", "残り %1 バイト"},
    {ViewerText::NoteOneByteLeft, "1 byte left", "残り 1 バイト"},
};

// The text with each "%1", "%2", ... replaced by the number at that place.
std::string FillPlaces(const std::string& format, std::initializer_list<size_t> numbers) {
    std::string text;
    for (size_t at = 0; at < format.size(); ++at) {
        const size_t place =
            at + 1 < format.size() ? static_cast<size_t>(format[at + 1] - '1') : numbers.size();
        if (format[at] == '%' && place < numbers.size()) {
            text += std::to_string(numbers.begin()[place]);
            ++at;
        } else {
            text += format[at];
        }
    }
    return text;
}

} // namespace

const char* ViewerTextUtf8(ViewerText text) {
    for (const ViewerTextRow& row : ViewerTexts) {
        if (row.id == text) {
            return CurrentLanguage() == Language::Japanese ? row.japanese : row.english;
        }
    }
    return "";
}

std::string StatusCountsText(size_t entries, size_t shown, size_t selected) {
    return FillPlaces(ViewerTextUtf8(ViewerText::StatusCounts), {entries, shown, selected});
}

std::string NoteBytesLeftText(size_t bytesLeft) {
    if (bytesLeft == 1) {
        return ViewerTextUtf8(ViewerText::NoteOneByteLeft);
    }
    return FillPlaces(ViewerTextUtf8(ViewerText::NoteBytesLeft), {bytesLeft});
}

} // namespace kestrav
