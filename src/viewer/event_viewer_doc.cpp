// The document: loading the log into entry objects, the sort state, and the log commands that belong to it
// (Export Log, Clear All Entries, Add Maintenance Note, and marking the selection repaired).
#include "viewer/event_viewer_doc.h"

#include <QApplication>
#include <QFile>
#include <string>

#include "cli/command_line.h"
#include "cli/csv_export.h"
#include "cli/output_file.h"
#include "log/log_ops.h"
#include "platform/system.h"
#include "viewer/event_viewer_view.h"
#include "viewer/maintenance_dlg.h"
#include "viewer/messages.h"
#include "viewer/viewer_text.h"

namespace kestrav {

namespace {

constexpr uint8_t HighestUnmarkableSeverity = 6; // informational, repaired and the unknown values below
constexpr size_t AccountNameSize = 32;

// The busy cursor for the time a driver call blocks the window.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Restore() {
        if (active_) {
            QApplication::restoreOverrideCursor();
            active_ = false;
        }
    }

private:
    bool active_ = true;
};

} // namespace

CEventViewerDoc::CEventViewerDoc(QObject* parent) : QObject(parent) {}

CEventViewerDoc::~CEventViewerDoc() {
    DeleteContents();
}

bool CEventViewerDoc::LoadLog() {
    WaitCursor cursor;
    DeleteContents();
    UpdateAllViews();

    WalkReport walk;
    const uint32_t status = WalkLog(
        [this](const LogEntry& entry) {
            m_entries.push_back(std::make_unique<CEventLogEntry>(entry));
            ++m_nEntryCount;
        },
        walk);
    if (status != StatusSuccess || walk.empty) {
        cursor.Restore();
        ClearViews();
        DeleteContents();
        UpdateAllViews();
        if (status != StatusSuccess) {
            ShowErrorMessage(MainWindow(), status);
        } else {
            ShowMessage(MainWindow(), LogEmptyText, MessageStyleWarning);
        }
        return false;
    }

    UpdateAllViews();
    // A successful load always leaves a usable list, also when an earlier failed load had disabled it.
    for (CEventViewerView* view : Views()) {
        view->setEnabled(true);
    }
    cursor.Restore();
    // The list shows what was read; the administrator learns that it is not the whole log.
    for (const std::string& text : WalkProblemTexts(walk)) {
        CurrentPrompts().Message(MainWindow(), LoadText(ApplicationTitle), QString::fromUtf8(text.c_str()),
                                 MessageStyleWarning);
    }
    return true;
}

void CEventViewerDoc::DeleteContents() {
    emit contentsDeleting();
    m_entries.clear();
    m_nEntryCount = 0;
}

bool CEventViewerDoc::ClearViews() {
    emit viewsCleared();
    return true;
}

void CEventViewerDoc::UpdateAllViews() {
    emit updated();
}

void CEventViewerDoc::AddView(CEventViewerView* view) {
    views_.emplace_back(view);
    CEventListModel* model = &view->ListModel();
    connect(this, &CEventViewerDoc::contentsDeleting, model, &CEventListModel::Clear);
    connect(this, &CEventViewerDoc::viewsCleared, view, &CEventViewerView::ClearList);
    connect(this, &CEventViewerDoc::updated, view, &CEventViewerView::OnUpdate);
}

std::vector<CEventViewerView*> CEventViewerDoc::Views() const {
    std::vector<CEventViewerView*> views;
    for (const QPointer<CEventViewerView>& view : views_) {
        if (view) {
            views.push_back(view);
        }
    }
    return views;
}

void CEventViewerDoc::FillList(CEventViewerView& view) {
    std::vector<CEventLogEntry*> rows;
    rows.reserve(m_entries.size());
    for (const auto& entry : m_entries) {
        rows.push_back(entry.get());
    }
    view.ListModel().SetRows(std::move(rows));
    if (!m_entries.empty()) {
        view.SelectOnly(static_cast<int>(m_entries.size()) - 1);
    }
}

bool CEventViewerDoc::MarkSelectedRepaired(CEventViewerView& view) {
    bool notEligible = false;
    bool failed = false;
    {
        WaitCursor cursor;
        for (int row : view.SelectedRows()) {
            CEventLogEntry* item = view.ListModel().EntryAt(row);
            if (item == nullptr) {
                continue;
            }
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
    }
    if (notEligible) {
        ShowMessage(MainWindow(), NotMarkedRepairedText, MessageStyleWarning);
    }
    if (failed) {
        ShowMessage(MainWindow(), MarkRepairedFailedText, MessageStyleWarning);
    }
    return true;
}

CEventViewerDoc::ExportResult CEventViewerDoc::WriteExport(const QString& fileName) const {
    OutputFile file;
    if (!file.Open(QFile::encodeName(fileName).toStdString(), OutputFile::Mode::Replace)) {
        return ExportResult::OpenFailed;
    }
    file.Write(CsvHeaderLine());
    std::string line;
    for (const auto& entry : m_entries) {
        line.clear();
        AppendCsvLine(line, entry->m_entry);
        file.Write(line);
    }
    return file.Close() ? ExportResult::Written : ExportResult::WriteFailed;
}

void CEventViewerDoc::OnExportLog() {
    const QString fileName = CurrentPrompts().SaveFileName(nullptr, LoadText(ExportDialogTitle),
                                                           LoadText(ExportFileFilter), QStringLiteral("csv"));
    if (fileName.isEmpty()) {
        return;
    }
    // A file that could not be opened or written is reported: the administrator would otherwise believe the
    // log saved.
    const ExportResult result = WriteExport(fileName);
    if (result != ExportResult::Written) {
        const uint32_t message =
            result == ExportResult::OpenFailed ? ExportOpenFailedText : ExportWriteFailedText;
        CurrentPrompts().Message(MainWindow(), LoadText(ApplicationTitle),
                                 FormatText(message, QFile::encodeName(fileName).constData()),
                                 MessageStyleWarning);
    }
}

bool CEventViewerDoc::ClearLogAsUser() {
    char userName[AccountNameSize] = "<UNKNOWN USER>";
    platform::GetAccountName(userName);
    bool cleared = false;
    uint32_t status = 0;
    {
        WaitCursor cursor;
        status = ClearLog(userName, cleared);
    }
    if (status != StatusSuccess) {
        ShowErrorMessage(MainWindow(), status);
        return false;
    }
    return cleared;
}

void CEventViewerDoc::OnClearAllEntries() {
    if (ShowMessage(MainWindow(), ConfirmClearText, MessageStyleConfirm) != ButtonOk) {
        return;
    }
    if (ClearLogAsUser()) {
        LoadLog();
    } else {
        ShowMessage(MainWindow(), ClearLogFailedText, MessageStyleWarning);
    }
}

void CEventViewerDoc::OnAddMaintenanceNote() {
    CMaintenanceDlg dialog;
    dialog.m_strNote.clear();
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    dialog.PrepareNote();
    uint8_t driverStatus = 0;
    const uint32_t status = WriteMaintenanceNote(dialog.m_szNote, driverStatus);
    if (status != StatusSuccess) {
        ShowErrorMessage(MainWindow(), status);
        return;
    }
    if (driverStatus != DriverStatusDone) {
        ShowMessage(MainWindow(), NoteNotLoggedText, MessageStyleWarning);
    }
    LoadLog();
}

} // namespace kestrav
