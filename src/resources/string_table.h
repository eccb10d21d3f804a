// The numbered user-visible texts of the viewer and the status log, in English and Japanese under the same
// numbers, plus the texts of the viewer's menu and note dialog. The language follows the user's.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrav {

// String-table numbers.
enum StringId : uint32_t {
    DocumentTemplateTitle = 128,
    DriverNotLoadedText = 522,
    UnknownErrorText = 530, // "Unknown error: 0x%04x"
    MarkRepairedFailedText = 535,
    LogNotSupportedText = 536,
    ClearLogFailedText = 538,
    NotMarkedRepairedText = 540,
    ApplicationTitle = 57344,
    ExportDialogTitle = 61205,
    DescriptionColumnTitle = 61268,
    ClassColumnTitle = 61269,
    SeverityColumnTitle = 61270,
    CountColumnTitle = 61271,
    UpdateTimeColumnTitle = 61272,
    InitialTimeColumnTitle = 61273,
    ExportFileFilter = 61289,
    NoteNotLoggedText = 61297, // the viewer's wording
    NotePromptText = 61299,
    ExecutingText = 61303,         // "Executing: %s"
    ExportSucceededText = 61312,   // "Successfully exported CVR data to file %s"
    ExportOpenFailedText = 61314,  // "Couldn't open file '%s'."
    ExportWriteFailedText = 61315, // "Couldn't write file '%s'."
    LogClearedText = 61319,
    LogNotClearedText = 61320,
    NoteLoggedText = 61325,
    NoteNotLoggedStatusText = 61326, // the status log's wording
    DidNothingText = 61328,
    ClearRefusedText = 61329,
    FinishedText = 61330,
    LogEmptyText = 61336,
    ConfirmClearText = 61337,
    EventNumberColumnTitle = 61340,
    CodeColumnTitle = 61341,
    ReadIncompleteText = 61342,  // "... reading stopped at event number %u ..."
    ReadSkippedText = 61343,     // "%u event number(s) ... could not be read ..."
    ClearNewEntriesText = 61344, // an erase refused because entries arrived after the save
    ReadOutOfMemoryText = 61345,
    ReadClearedText = 61346, // the log was cleared during the walk
    ExportKeptText = 61347,  // "... the older file '%s' was kept."
    NotRegularFileText = 61348, // why an export was refused: a FIFO or a device
    ClearUnsavedText = 61349, // "%u ... were erased without being saved"
};

enum class Language { English, Japanese };

// The user's language (platform::UserLanguageIsJapanese): Japanese, or else English.
Language CurrentLanguage();

// The text of a string number in the current language, or in the given one; "" for a number not in the table.
const char* TableText(uint32_t id);
const char* TableText(uint32_t id, Language language);

// Commands of the viewer's menu and keys.
enum CommandId : uint32_t {
    RefreshCommand = 1027,
    InitialLoadCommand = 2006,
    ExportLogCommand = 32786,
    MarkRepairedCommand = 32789,
    AddMaintenanceNoteCommand = 32799,
    ExitCommand = 57665,
    ClearAllEntriesCommand = 61210,
};

// Menu 128: the titles of its two drop-down menus by position (0 "&Log", 1 "&View"; "" past them) and the
// label of each item by its command ("&Refresh\tF5"; "" for a command not in the menu).
inline constexpr size_t MenuCount = 2;
const char* LoadMenuTitle(size_t position);
const char* LoadMenuItemText(uint32_t command);
const char* LoadMenuTitle(size_t position, Language language);
const char* LoadMenuItemText(uint32_t command, Language language);

// Dialog 143, the maintenance note: the texts of its controls by id ("" for an id without text).
enum NoteDialogControl : uint32_t {
    NoteOkButton = 1,
    NoteCancelButton = 2,
    NotePromptLabel = 1052,
    NoteEditField = 1053,
    NoteBytesLeftLabel = 1054, // filled as the note is typed
};
const char* LoadNoteDialogText(uint32_t controlId);
const char* LoadNoteDialogText(uint32_t controlId, Language language);

} // namespace kestrav
