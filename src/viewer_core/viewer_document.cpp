// The document: loading the log into entry objects, the sort state, the log commands, and the frame's
// commands with their enabling rules.
#include "viewer_core/viewer_document.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/clear.h"
#include "app/event_report.h"
#include "app/export.h"
#include "app/outcome_texts.h"
#include "app/read_log.h"
#include "log/dump_file.h"
#include "log/log_ops.h"
#include "platform/event_log.h"
#include "platform/system.h"
#include "record/severity.h"
#include "record/text_rules.h"
#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_core/note_rules.h"

namespace kestrav {

namespace {

// Informational, repaired and the unknown values below repaired cannot be marked repaired.
constexpr uint8_t HighestUnmarkableSeverity = SeverityByte(SeverityReading::Repaired);

// The busy cursor for the time a driver call blocks the window.
class WaitCursor {
public:
    explicit WaitCursor(ViewerShell& shell) : shell_(&shell) { shell_->BeginWait(); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Restore() {
        if (shell_ != nullptr) {
            shell_->EndWait();
            shell_ = nullptr;
        }
    }

private:
    ViewerShell* shell_;
};

std::string FormatTableText(uint32_t id, const char* argument) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, TableText(id), argument);
    return buffer;
}

} // namespace

CEventViewerDoc::CEventViewerDoc(ViewerShell& shell) : shell_(&shell) {}

CEventViewerDoc::~CEventViewerDoc() {
    DeleteContents();
}

bool CEventViewerDoc::LoadLog() {
    WaitCursor cursor(*shell_);
    DeleteContents();
    UpdateAllViews();
    loadWhole_ = false;
    loadedEnd_.reset();

    // Told in message boxes once the list shows what was read, or nothing.
    std::vector<std::string> messages;
    const bool listed = ReadOnly() ? LoadDump(messages) : LoadDevice(messages);
    if (!listed) {
        cursor.Restore();
        ClearViews();
        DeleteContents();
        UpdateAllViews();
    } else {
        UpdateAllViews();
        // A successful load always leaves a usable list, also when an earlier failed load had disabled it.
        for (EntryList* view : views_) {
            view->SetEnabled(true);
        }
        cursor.Restore();
    }
    // Then the person learns why the list is empty, or why it is not the whole log.
    for (const std::string& text : messages) {
        shell_->Message(text, MessageStyleWarning);
    }
    return listed;
}

bool CEventViewerDoc::LoadDevice(std::vector<std::string>& messages) {
    const LogRead read = WalkKeptLog(
        [this](const LogEntry& entry) {
            m_entries.push_back(std::make_unique<CEventLogEntry>(entry));
            ++m_nEntryCount;
        },
        [this](const std::function<uint32_t()>& walk) { return shell_->RunWalk(walk); });
    for (const ReadProblem& problem : read.problems) {
        messages.push_back(problem.text);
    }
    // An empty log was read whole; a log that could not be read was not.
    loadWhole_ = read.Whole();
    if (!read.Walked() || read.walk.empty) {
        return false;
    }
    loadedEnd_ = read.walk.ReadWhole() ? read.walk.end : std::nullopt;
    return true;
}

bool CEventViewerDoc::LoadDump(std::vector<std::string>& messages) {
    std::vector<std::string> problems;
    std::string unreadable;
    ReadDump(problems, unreadable);
    loadWhole_ = unreadable.empty() && problems.empty();
    if (!unreadable.empty()) {
        messages.push_back(unreadable);
    } else if (m_entries.empty()) {
        messages.emplace_back(TableText(LogEmptyText));
    }
    messages.insert(messages.end(), problems.begin(), problems.end());
    return unreadable.empty() && !m_entries.empty();
}

void CEventViewerDoc::ReadDump(std::vector<std::string>& problems, std::string& unreadable) {
    std::vector<LogEntry> records;
    std::string why;
    try {
        std::vector<std::string> lines;
        if (!ReadDumpFile(
                m_dumpFile, [](const LogEntry&) { return true; }, records, lines, why)) {
            unreadable = EscapeControls(m_dumpFile) + ": " + why;
            return;
        }
        // A damaged file's problems in one message, not one message each.
        if (!lines.empty()) {
            std::string text;
            for (const std::string& line : lines) {
                text += text.empty() ? line : "\n" + line;
            }
            problems.push_back(std::move(text));
        }
        m_entries.reserve(records.size());
        for (const LogEntry& record : records) {
            m_entries.push_back(std::make_unique<CEventLogEntry>(record));
            ++m_nEntryCount;
        }
    } catch (const std::bad_alloc&) {
        m_entries.clear();
        m_nEntryCount = 0;
        unreadable = EscapeControls(m_dumpFile) + ": too large to read into memory";
    }
}

void CEventViewerDoc::DeleteContents() {
    // Rows refer to the entry objects: they go first.
    for (EntryList* view : views_) {
        view->SetRows({});
    }
    m_entries.clear();
    m_nEntryCount = 0;
}

bool CEventViewerDoc::ClearViews() {
    for (EntryList* view : views_) {
        view->SetEnabled(false);
        view->SetRows({});
    }
    shell_->CommandStatesChanged();
    return true;
}

void CEventViewerDoc::UpdateAllViews() {
    for (EntryList* view : views_) {
        FillList(*view);
        view->Sort(m_nSortColumn, m_bSortAscending != 0);
    }
    shell_->CommandStatesChanged();
}

void CEventViewerDoc::AddView(EntryList& view) {
    views_.push_back(&view);
}

void CEventViewerDoc::RemoveView(EntryList& view) {
    views_.erase(std::remove(views_.begin(), views_.end(), &view), views_.end());
}

void CEventViewerDoc::FillList(EntryList& list) {
    std::vector<CEventLogEntry*> rows;
    rows.reserve(m_entries.size());
    for (const auto& entry : m_entries) {
        rows.push_back(entry.get());
    }
    list.SetRows(rows);
    if (!rows.empty()) {
        list.SelectOnly(rows.size() - 1);
    }
}

bool CEventViewerDoc::MarkSelectedRepaired(EntryList& list) {
    bool notEligible = false;
    bool failed = false;
    {
        WaitCursor cursor(*shell_);
        const std::vector<CEventLogEntry*> selected = list.SelectedEntries();
        const size_t total = selected.size();
        for (size_t done = 0; done < total; ++done) {
            // A stop falls between two entries: each one handled is marked and re-read, or left as it was.
            if (!shell_->Progress(done, total)) {
                break;
            }
            CEventLogEntry* item = selected[done];
            const uint32_t eventNumber = item->m_entry.EventNumber();
            if (item->m_entry.Severity() <= HighestUnmarkableSeverity) {
                notEligible = true;
                continue;
            }
            uint8_t driverStatus = 0;
            if (MarkRepaired(eventNumber, driverStatus) != StatusSuccess ||
                driverStatus != DriverStatusDone) {
                failed = true;
                continue;
            }
            // The driver answers a read with the nearest entry at or after the number; only the same entry
            // may replace the copy.
            LogEntry fresh;
            if (ReadLogEntry(eventNumber, driverStatus, fresh) == StatusSuccess &&
                driverStatus == DriverStatusDone && fresh.EventNumber() == eventNumber) {
                item->m_entry = fresh;
            }
        }
        shell_->Progress(total, total);
    }
    if (notEligible) {
        ShowMessage(NotMarkedRepairedText, MessageStyleWarning);
    }
    if (failed) {
        ShowMessage(MarkRepairedFailedText, MessageStyleWarning);
    }
    return true;
}

CEventViewerDoc::ExportResult CEventViewerDoc::WriteExport(const std::string& fileName,
                                                           std::string& heldError) const {
    return WriteExportFile(
        fileName, m_entries.size(), [this](size_t i) -> const LogEntry& { return m_entries[i]->m_entry; },
        loadWhole_, heldError);
}

void CEventViewerDoc::OnExportLog() {
    const std::string fileName =
        shell_->SaveFileName(TableText(ExportDialogTitle), TableText(ExportFileFilter), "csv");
    if (fileName.empty()) {
        return;
    }
    // A file that could not be opened or written is reported: the administrator would otherwise believe the
    // log saved.
    std::string heldError;
    const ExportResult result = WriteExport(fileName, heldError);
    if (result == ExportResult::Written) {
        savedEnd_ = loadedEnd_;
    }
    ReportOutcome(result == ExportResult::Written ? Outcome::ExportDone : Outcome::ExportFailed,
                  ExportOutcomeLine(result, fileName, heldError));
    if (result != ExportResult::Written) {
        const uint32_t message = result == ExportResult::OlderKept    ? ExportKeptText
                                 : result == ExportResult::OpenFailed ? ExportOpenFailedText
                                                                      : ExportWriteFailedText;
        shell_->Message(FormatTableText(message, fileName.c_str()), MessageStyleWarning);
    }
}

bool CEventViewerDoc::ClearLogAsUser() {
    ClearReport report;
    uint32_t status = 0;
    {
        WaitCursor cursor(*shell_);
        status = ClearAsAccount(savedEnd_, report);
    }
    // After an export, the log is erased only while it still ends where the exported copy ends.
    if (report.tail != LogTail::Unchanged) {
        const uint32_t why = report.tail == LogTail::Grown ? ClearNewEntriesText : LogNotClearedText;
        ReportOutcome(Outcome::ClearRefused,
                      status != StatusSuccess ? StatusCodeMessage(status) : TableText(why));
        if (status != StatusSuccess) {
            ShowErrorMessage(status);
        } else if (report.tail == LogTail::Grown) {
            ShowMessage(ClearNewEntriesText, MessageStyleWarning);
        }
        return false;
    }
    const bool cleared = report.cleared && status == StatusSuccess;
    ReportOutcome(cleared ? Outcome::LogCleared : Outcome::ClearRefused, ClearOutcomeLine(status, cleared));
    if (report.cleared) {
        savedEnd_.reset();
    }
    if (report.unsaved > 0) {
        const std::string line = ClearUnsavedLine(report.unsaved);
        ReportOutcome(Outcome::ClearRefused, line);
        shell_->Message(line, MessageStyleWarning);
    }
    if (cleared && platform::SystemEventsReported()) {
        std::vector<const LogEntry*> erased;
        erased.reserve(m_entries.size());
        for (const auto& entry : m_entries) {
            erased.push_back(&entry->m_entry);
        }
        ForwardErasedEntries(erased);
    }
    if (status != StatusSuccess) {
        ShowErrorMessage(status);
        return false;
    }
    return cleared;
}

void CEventViewerDoc::OnClearAllEntries() {
    if (ShowMessage(ConfirmClearText, MessageStyleConfirm) != ButtonOk) {
        return;
    }
    if (ClearLogAsUser()) {
        LoadLog();
    } else {
        ShowMessage(ClearLogFailedText, MessageStyleWarning);
    }
}

void CEventViewerDoc::OnAddMaintenanceNote() {
    std::string typed;
    if (!shell_->RunNoteDialog(typed)) {
        return;
    }
    char note[MaxNoteLength + 1] = {};
    PrepareNote(typed, note);
    uint8_t driverStatus = 0;
    const uint32_t status = WriteMaintenanceNote(note, driverStatus);
    ReportOutcome(status == StatusSuccess && driverStatus == DriverStatusDone ? Outcome::NoteWritten
                                                                              : Outcome::NoteFailed,
                  NoteOutcomeLine(status, driverStatus));
    if (status != StatusSuccess) {
        ShowErrorMessage(status);
        return;
    }
    if (driverStatus != DriverStatusDone) {
        ShowMessage(NoteNotLoggedText, MessageStyleWarning);
    }
    LoadLog();
}

int CEventViewerDoc::ShowMessage(uint32_t stringId, uint32_t style) {
    return shell_->Message(TableText(stringId), style);
}

int CEventViewerDoc::ShowErrorMessage(uint32_t status) {
    return shell_->Message(StatusCodeMessage(status), MessageStyleWarning);
}

std::string StatusCodeMessage(uint32_t status) {
    return StatusErrorText(status);
}

void SortList(CEventViewerDoc& document, EntryList& list, int column) {
    if (column != document.m_nSortColumn) {
        document.m_bSortAscending = 1;
    } else {
        document.m_bSortAscending = document.m_bSortAscending == 0 ? 1 : 0;
    }
    document.m_nSortColumn = column;
    list.Sort(column, document.m_bSortAscending != 0);
}

ViewerCommands::ViewerCommands(CEventViewerDoc& document, EntryList& view)
    : document_(&document), view_(&view) {}

void ViewerCommands::OnInitialLoad() {
    ViewerShell& shell = document_->Shell();
    document_->ClearViews();
    shell.RepaintNow();
    ResetViews();
    shell.SetCaption(TableText(ApplicationTitle));
    // A dump needs no driver: it is there to be read and exported.
    const LogRead kept = document_->ReadOnly() ? LogRead{StatusSuccess, true, {}, {}} : QueryLogKept();
    m_bLogSupported = kept.supported;
    // The log commands are greyed before any message box can be answered.
    shell.CommandStatesChanged();
    if (!kept.problems.empty()) {
        shell.Message(kept.problems.front().text, MessageStyleWarning);
    } else if (document_->LoadLog()) {
        for (EntryList* view : document_->Views()) {
            view->SetEnabled(true);
        }
    }
    shell.CommandStatesChanged();
    shell.FocusView();
    initialLoadDone_ = true;
}

void ViewerCommands::ResetViews() {
    document_->Shell().SetCaption(TableText(ApplicationTitle));
    document_->ClearViews();
    document_->Shell().RepaintNow();
}

void ViewerCommands::OnRefresh() {
    document_->Shell().SetCaption(TableText(ApplicationTitle));
    if (document_->LoadLog()) {
        document_->m_bSortAscending = document_->m_bSortAscending == 0 ? 1 : 0;
        SortList(*document_, *view_, document_->m_nSortColumn);
    } else {
        ResetViews();
    }
    document_->Shell().CommandStatesChanged();
}

void ViewerCommands::OnMarkRepaired() {
    document_->MarkSelectedRepaired(*view_);
    document_->FillList(*view_);
    view_->Sort(document_->m_nSortColumn, document_->m_bSortAscending != 0);
    document_->Shell().RepaintNow();
    document_->Shell().CommandStatesChanged();
}

bool ViewerCommands::IsCommandEnabled(uint32_t command) const {
    switch (command) {
    case ExportLogCommand:
    case ClearAllEntriesCommand:
    case AddMaintenanceNoteCommand:
        return m_bLogSupported && (command == ExportLogCommand || !document_->ReadOnly());
    case MarkRepairedCommand: return view_->SelectedCount() > 0 && !document_->ReadOnly();
    case RefreshCommand:
    case ExitCommand:
    case InitialLoadCommand: return true;
    default: return false;
    }
}

bool ViewerCommands::Execute(uint32_t command) {
    if (!IsCommandEnabled(command)) {
        return false;
    }
    switch (command) {
    case ExportLogCommand: document_->OnExportLog(); return true;
    case ClearAllEntriesCommand: document_->OnClearAllEntries(); return true;
    case AddMaintenanceNoteCommand: document_->OnAddMaintenanceNote(); return true;
    case MarkRepairedCommand: OnMarkRepaired(); return true;
    case RefreshCommand: OnRefresh(); return true;
    case InitialLoadCommand: OnInitialLoad(); return true;
    default: return false;
    }
}

} // namespace kestrav
