// The English and Japanese texts. The English ones are the product's wording, reproduced exactly (doubled
// blanks included); each Japanese one keeps the same printf directives in the same order.
#include "resources/string_table.h"

#include "platform/system.h"

namespace kestrav {

namespace {

struct TextRow {
    uint32_t id;
    const char* english;
    const char* japanese;
};

const TextRow StringTable[] = {
    {DocumentTemplateTitle, "Corvane Log Viewer", "Corvane ログ ビューアー"},
    {DriverNotLoadedText, "No System Management driver is loaded.",
     "System Management ドライバーが読み込まれていません。"},
    {UnknownErrorText, "Unknown error: 0x%04x", "不明なエラー: 0x%04x"},
    {MarkRepairedFailedText, "Failed to mark one or more of the selected entries as repaired.",
     "選択したエントリのうち 1 つ以上を修復済みにできませんでした。"},
    {LogNotSupportedText, "This system does not support the Corvane Log.",
     "このシステムでは Corvane Log はサポートされていません。"},
    {ClearLogFailedText, "The clear log command failed.", "ログの消去に失敗しました。"},
    {NotMarkedRepairedText,
     "One or more entries were not marked as repaired because they were already tagged as repaired, or were "
     "informational entries that did not need to be marked as repaired.",
     "修復済みにしなかったエントリがあります。既に修復済みのエントリと、修復済みにする必要のない情報エントリ"
     "は"
     "対象外です。"},
    {ApplicationTitle, "Corvane Log Viewer", "Corvane ログ ビューアー"},
    {ExportDialogTitle, "Export", "エクスポート"},
    {DescriptionColumnTitle, "Description", "説明"},
    {ClassColumnTitle, "Class", "クラス"},
    {SeverityColumnTitle, "Severity", "重要度"},
    {CountColumnTitle, "Count", "回数"},
    {UpdateTimeColumnTitle, "Update Time", "更新日時"},
    {InitialTimeColumnTitle, "Initial Time", "初回日時"},
    {ExportFileFilter, "Comma Delimited (*.csv) |*.csv|All Files (*.*) |*.*||",
     "コンマ区切り (*.csv) |*.csv|すべてのファイル (*.*) |*.*||"},
    {NoteNotLoggedText, "Unable to log the maintenance note to the Corvane Log.",
     "Corvane Log に保守メモを記録できませんでした。"},
    {NotePromptText,
     "Enter the text for the maintenance note. The text must be between 1 and 227 characters in length.",
     "保守メモを入力してください。長さは 1 ～ 227 バイトです (全角文字なら 75 文字まで)。"},
    {ExecutingText, "Executing: %s", "実行中: %s"},
    {ExportSucceededText, "Successfully exported CVR data to file %s",
     "CVR データをファイル %s にエクスポートしました。"},
    {ExportOpenFailedText, "Couldn't open file '%s'.", "ファイル '%s' を開けませんでした。"},
    {ExportWriteFailedText, "Couldn't write file '%s'.", "ファイル '%s' に書き込めませんでした。"},
    {LogClearedText, "Successfully cleared all entries from the Corvane Log.",
     "Corvane Log のすべてのエントリを消去しました。"},
    {LogNotClearedText, "Unable to clear the entries from the Corvane Log.",
     "Corvane Log のエントリを消去できませんでした。"},
    {NoteLoggedText, "Successfully logged maintenance note to the Corvane Log.",
     "Corvane Log に保守メモを記録しました。"},
    {NoteNotLoggedStatusText, "Unable to log maintenance note to the Corvane Log.",
     "Corvane Log に保守メモを記録できませんでした。"},
    {DidNothingText, "Did nothing!", "何も実行しませんでした。"},
    {ClearRefusedText, "Unable to clear the log - attempt(s) to save the log first have failed.",
     "ログを消去できません - 先に行ったログの保存に失敗しました。"},
    {FinishedText, "Finished!", "完了しました。"},
    {LogEmptyText, "The Corvane Log is empty.", "Corvane Log は空です。"},
    {ConfirmClearText,
     "You have chosen to clear the Corvane Log.  This will permanently remove all entries from the CVR.",
     "Corvane Log を消去します。CVR のすべてのエントリが完全に削除されます。よろしいですか?"},
    {EventNumberColumnTitle, "Event Number", "イベント番号"},
    {CodeColumnTitle, "Code", "コード"},
    {ReadIncompleteText, "The Corvane Log could not be read completely: reading stopped at event number %u.",
     "Corvane Log を最後まで読み取れませんでした。イベント番号 %u で読み取りが停止しました。"},
    {ReadSkippedText, "%u event number(s) of the Corvane Log could not be read; their entries were skipped.",
     "Corvane Log のイベント番号 %u 個を読み取れなかったため、そのエントリをスキップしました。"},
    {ClearNewEntriesText, "Unable to clear the log - new entries were added to it after it was saved.",
     "ログを消去できません - 保存した後に新しいエントリが追加されました。"},
    {ReadOutOfMemoryText, "Not enough memory to read the Corvane Log.",
     "メモリが不足しているため、Corvane Log を読み取れません。"},
    {ReadClearedText,
     "The Corvane Log was cleared while it was being read; the entries read are not the whole log.",
     "読み取り中に Corvane Log が消去されたため、読み取ったエントリはログの一部だけです。"},
    {ExportKeptText, "The Corvane Log was not read whole; the older file '%s' was kept.",
     "Corvane Log 全体を読み取れなかったため、以前のファイル '%s' をそのまま残しました。"},
    {NotRegularFileText, "Not a regular file", "通常のファイルではありません"},
    {ClearUnsavedText,
     "%u entry(ies) added to the Corvane Log after it was saved were cleared without being saved.",
     "保存した後に Corvane Log に追加された %u 個のエントリが、保存されないまま消去されました。"},
};

const TextRow MenuTitles[MenuCount] = {
    {0, "&Log", "ログ(&L)"},
    {1, "&View", "表示(&V)"},
};

const TextRow MenuItems[] = {
    {ExportLogCommand, "&Export Log...\tCtrl+E", "ログのエクスポート(&E)...\tCtrl+E"},
    {ClearAllEntriesCommand, "&Clear All Entries...\tCtrl+L", "すべてのエントリを消去(&C)...\tCtrl+L"},
    {MarkRepairedCommand, "&Mark Repaired\tCtrl+R", "修復済みにする(&M)\tCtrl+R"},
    {AddMaintenanceNoteCommand, "Add Maintenance &Note...\tCtrl+M", "保守メモを追加(&N)...\tCtrl+M"},
    {ExitCommand, "E&xit", "終了(&X)"},
    {RefreshCommand, "&Refresh\tF5", "最新の情報に更新(&R)\tF5"},
};

const TextRow NoteDialogTexts[] = {
    {NoteOkButton, "OK", "OK"},
    {NoteCancelButton, "Cancel", "キャンセル"},
    {NotePromptLabel,
     "Enter the text for the maintenance note. The text must be between 1 and 227 characters in length.",
     "保守メモを入力してください。長さは 1 ～ 227 バイトです (全角文字なら 75 文字まで)。"},
};

template <size_t N> const char* Find(const TextRow (&rows)[N], uint32_t id, Language language) {
    for (const TextRow& row : rows) {
        if (row.id == id) {
            return language == Language::Japanese ? row.japanese : row.english;
        }
    }
    return "";
}

} // namespace

Language CurrentLanguage() {
    return platform::UserLanguageIsJapanese() ? Language::Japanese : Language::English;
}

const char* TableText(uint32_t id, Language language) {
    return Find(StringTable, id, language);
}

const char* TableText(uint32_t id) {
    return TableText(id, CurrentLanguage());
}

const char* LoadMenuTitle(size_t position, Language language) {
    return position < MenuCount ? Find(MenuTitles, static_cast<uint32_t>(position), language) : "";
}

const char* LoadMenuItemText(uint32_t command, Language language) {
    return Find(MenuItems, command, language);
}

const char* LoadNoteDialogText(uint32_t controlId, Language language) {
    return Find(NoteDialogTexts, controlId, language);
}

const char* LoadMenuTitle(size_t position) {
    return LoadMenuTitle(position, CurrentLanguage());
}

const char* LoadMenuItemText(uint32_t command) {
    return LoadMenuItemText(command, CurrentLanguage());
}

const char* LoadNoteDialogText(uint32_t controlId) {
    return LoadNoteDialogText(controlId, CurrentLanguage());
}

} // namespace kestrav
