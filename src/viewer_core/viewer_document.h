// The viewer's document and commands, the same for every window toolkit: a read-through copy of the whole
// Corvane Log (one entry object per log entry, rebuilt from the driver on every load), the list's sort state,
// the log commands and their enabling rules. A front end supplies its list controls (EntryList) and the ways
// of asking the person at the window (ViewerShell); nothing here knows a toolkit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/export.h"
#include "record/log_entry.h"

namespace kestrav {

// One entry as the driver returned it; every text shown, sorted by or exported is derived from it on demand.
class CEventLogEntry {
public:
    explicit CEventLogEntry(const LogEntry& entry) : m_entry(entry) {}
    LogEntry m_entry;
};

// Message-box styles: an OK button with the exclamation icon, and OK/Cancel with the exclamation icon and
// Cancel as the default button.
inline constexpr uint32_t MessageStyleWarning = 0x30;
inline constexpr uint32_t MessageStyleConfirm = 0x131;

// Button numbers a message box returns.
inline constexpr int ButtonOk = 1;
inline constexpr int ButtonCancel = 2;

// A list control of a front end, as the document fills, sorts and reads it. Its rows refer to the document's
// entry objects.
class EntryList {
public:
    virtual ~EntryList() = default;
    // Replaces every row by rows, in this order; nothing is selected afterwards.
    virtual void SetRows(const std::vector<CEventLogEntry*>& rows) = 0;
    // Selects and focuses one row, dropping every other selection, without scrolling to it.
    virtual void SelectOnly(size_t row) = 0;
    // The entries of the selected rows, from the top of the list to the bottom.
    virtual std::vector<CEventLogEntry*> SelectedEntries() const = 0;
    virtual size_t SelectedCount() const = 0;
    // Orders the rows like SortRows; selected rows stay selected.
    virtual void Sort(int column, bool ascending) = 0;
    // A disabled list takes no mouse or keyboard input.
    virtual void SetEnabled(bool enabled) = 0;
};

// What the document and the frame ask of the window and the person at it.
class ViewerShell {
public:
    virtual ~ViewerShell() = default;
    // A modal message box owned by the main window, captioned with the application title; text is UTF-8.
    // Returns the number of the button pressed.
    virtual int Message(const std::string& text, uint32_t style) = 0;
    // The save dialog; filter is in the "label|pattern|...||" form of the string table and defaultExtension
    // has no dot. Empty when cancelled.
    virtual std::string SaveFileName(const std::string& title, const std::string& filter,
                                     const std::string& defaultExtension) = 0;
    // Runs the maintenance-note dialog; true, with the text as typed (line breaks as carriage return and
    // line feed), when it ended with OK.
    virtual bool RunNoteDialog(std::string& typed) = 0;
    // The busy cursor, shown while a driver call blocks the window; calls nest.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
    // The frame: its caption, an immediate repaint, the keyboard focus to the list, and a note that the
    // inputs of the command enabling rules may have changed.
    virtual void SetCaption(const std::string& text) = 0;
    virtual void RepaintNow() = 0;
    virtual void FocusView() = 0;
    virtual void CommandStatesChanged() = 0;
    // Mark Repaired's progress: called before each selected entry with the number handled so far, and once
    // more with done equal to total when the work has ended. False asks to stop before the next entry; the
    // answer to the last call is ignored. By default nothing is shown and the work runs to the end.
    virtual bool Progress(size_t done, size_t total) {
        (void)done;
        (void)total;
        return true;
    }
    // Runs the walk through the driver for a load and returns its status. A window may run it on another
    // thread while it keeps drawing itself; the walk touches only the document's entries, which no view
    // shows until it has ended. By default it runs here.
    virtual uint32_t RunWalk(const std::function<uint32_t()>& walk) { return walk(); }
};

class CEventViewerDoc {
public:
    explicit CEventViewerDoc(ViewerShell& shell);
    ~CEventViewerDoc();
    CEventViewerDoc(const CEventViewerDoc&) = delete;
    CEventViewerDoc& operator=(const CEventViewerDoc&) = delete;

    // Reads the whole log into new entry objects and refreshes the views. False when nothing was loaded; the
    // user has then been told why.
    bool LoadLog();
    // Empties every view's rows, then destroys all entries.
    void DeleteContents();
    // Disables every view and deletes its rows.
    bool ClearViews();
    // Fills every view and sorts it by the document's column and direction.
    void UpdateAllViews();

    // A view is told of every change until it is removed; a view must be removed before it goes, since the
    // document empties its views when it is destroyed.
    void AddView(EntryList& view);
    void RemoveView(EntryList& view);
    const std::vector<EntryList*>& Views() const { return views_; }

    // Puts one row per entry, in the document's order, into the list and selects the last one.
    void FillList(EntryList& list);
    // Marks the eligible selected entries repaired and re-reads them, one at a time while the shell's
    // progress allows; tells the user about the others.
    bool MarkSelectedRepaired(EntryList& list);

    // The log commands report their outcomes to the system's event log as the command line does (a clear
    // also forwards the entries the document held); Mark Repaired, which the command line lacks, does not.
    void OnExportLog();
    void OnClearAllEntries();
    void OnAddMaintenanceNote();
    bool ClearLogAsUser();

    using ExportResult = kestrav::ExportResult;
    // Writes the CSV header and one line per entry, in the document's order (not the list's), replacing any
    // older content of the file when the last load read the whole log (OlderKept otherwise); heldError says
    // why a file that another program holds was shut out.
    ExportResult WriteExport(const std::string& fileName, std::string& heldError) const;
    // The last load read the whole log (or dump) without a problem.
    bool LoadWhole() const { return loadWhole_; }

    // A string-table text, or a status code's message, as a message box.
    int ShowMessage(uint32_t stringId, uint32_t style);
    int ShowErrorMessage(uint32_t status);

    ViewerShell& Shell() const { return *shell_; }

    std::vector<std::unique_ptr<CEventLogEntry>> m_entries;
    int32_t m_bSortAscending = 0;
    int32_t m_nSortColumn = 1;
    int64_t m_nEntryCount = 0;

    // A dump file (raw 256-byte records) that the log is read from instead of the device; empty for the
    // device. The log of a dump is read-only: the commands that change the log are greyed.
    std::string m_dumpFile;
    bool ReadOnly() const { return !m_dumpFile.empty(); }

private:
    // Read the log into new entry objects, setting loadWhole_ and (from the device) loadedEnd_; what the
    // person is to be told goes to messages. False when nothing is there to list.
    bool LoadDevice(std::vector<std::string>& messages);
    bool LoadDump(std::vector<std::string>& messages);
    // Reads m_dumpFile into new entry objects; each damaged record adds a line to problems, and a file that
    // cannot be read sets unreadable instead.
    void ReadDump(std::vector<std::string>& problems, std::string& unreadable);

    ViewerShell* shell_;
    std::vector<EntryList*> views_;
    bool loadWhole_ = false;
    // Where the last load that read the whole log found its end, and where the log ended in the copy that
    // Export Log last wrote (until a clear): a clear after an export erases only a log that still ends
    // there, and tells of entries that arrived in between all the same.
    std::optional<uint32_t> loadedEnd_;
    std::optional<uint32_t> savedEnd_;
};

// First click on a column sorts ascending; another click on the same column reverses the direction.
void SortList(CEventViewerDoc& document, EntryList& list, int column);

// The message for a status code: the missing-driver text, the system's own text, or the unknown-error text.
std::string StatusCodeMessage(uint32_t status);

// The frame's commands and their enabling rules: the initial load, Refresh, Mark Repaired, and which
// commands are available; the document serves the others.
class ViewerCommands {
public:
    ViewerCommands(CEventViewerDoc& document, EntryList& view);

    void OnInitialLoad();
    void ResetViews();
    void OnRefresh();
    void OnMarkRepaired();
    // Runs a menu or key command; false for a command that is greyed or unknown (nothing happens then). Exit
    // is the front end's own.
    bool Execute(uint32_t command);
    // Whether a command is available now: the log commands when the log is kept, Mark Repaired while a row
    // is selected, Refresh and Exit always.
    bool IsCommandEnabled(uint32_t command) const;

    bool InitialLoadDone() const { return initialLoadDone_; }

    bool m_bLogSupported = false;

private:
    CEventViewerDoc* document_;
    EntryList* view_;
    bool initialLoadDone_ = false;
};

} // namespace kestrav
