// The frame window and the commands it serves itself (Refresh, Mark Repaired, the initial load); the document
// serves Export Log, Clear All Entries and Add Maintenance Note.
#include "viewer/event_viewer_frame.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "log/log_ops.h"
#include "viewer/event_viewer_doc.h"
#include "viewer/event_viewer_view.h"
#include "viewer/messages.h"
#include "viewer/viewer_text.h"

namespace kestrav {

CEventViewerFrame::CEventViewerFrame(CEventViewerDoc& document, QWidget* parent)
    : QMainWindow(parent), document_(&document), view_(new CEventViewerView(document, this)) {
    setCentralWidget(view_);
    setWindowTitle(LoadText(ApplicationTitle));
    CreateMenus();
    resize(1000, 600);
    if (MainWindow() == nullptr) {
        SetMainWindow(this);
    }
    connect(view_, &CEventViewerView::selectionCountChanged, this, &CEventViewerFrame::UpdateCommandStates);
    UpdateCommandStates();
    // Posted, not called: the first load runs from the event loop, once the window exists and is shown.
    QMetaObject::invokeMethod(this, &CEventViewerFrame::OnInitialLoad, Qt::QueuedConnection);
}

CEventViewerFrame::~CEventViewerFrame() {
    if (MainWindow() == this) {
        SetMainWindow(nullptr);
    }
}

void CEventViewerFrame::CreateMenus() {
    const auto addAction = [this](QMenu* menu, uint32_t command, QList<QKeySequence> keys, auto handler) {
        QAction* action = menu->addAction(MenuItemText(command));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    logMenu_ = menuBar()->addMenu(MenuTitle(0));
    exportLog_ = addAction(logMenu_, ExportLogCommand, {QKeySequence(Qt::CTRL | Qt::Key_E)},
                           [this] { document_->OnExportLog(); });
    clearAllEntries_ = addAction(logMenu_, ClearAllEntriesCommand, {QKeySequence(Qt::CTRL | Qt::Key_L)},
                                 [this] { document_->OnClearAllEntries(); });
    markRepaired_ = addAction(logMenu_, MarkRepairedCommand, {QKeySequence(Qt::CTRL | Qt::Key_R)},
                              [this] { OnMarkRepaired(); });
    addNote_ = addAction(logMenu_, AddMaintenanceNoteCommand, {QKeySequence(Qt::CTRL | Qt::Key_M)},
                         [this] { document_->OnAddMaintenanceNote(); });
    logMenu_->addSeparator();
    exit_ = addAction(logMenu_, ExitCommand, {}, [this] { close(); });
    viewMenu_ = menuBar()->addMenu(MenuTitle(1));
    refresh_ =
        addAction(viewMenu_, RefreshCommand, {QKeySequence(Qt::Key_F5), QKeySequence(Qt::ALT | Qt::Key_R)},
                  [this] { OnRefresh(); });
    connect(logMenu_, &QMenu::aboutToShow, this, &CEventViewerFrame::UpdateCommandStates);
}

void CEventViewerFrame::UpdateCommandStates() {
    exportLog_->setEnabled(m_bLogSupported);
    clearAllEntries_->setEnabled(m_bLogSupported);
    addNote_->setEnabled(m_bLogSupported);
    markRepaired_->setEnabled(view_->SelectedCount() > 0);
}

void CEventViewerFrame::RepaintNow() {
    update();
    repaint();
}

void CEventViewerFrame::OnInitialLoad() {
    document_->ClearViews();
    RepaintNow();
    ResetViews();
    setWindowTitle(LoadText(ApplicationTitle));
    const uint32_t status = QueryLogSupport(m_bLogSupported);
    // The log commands are greyed before any message box can be answered.
    UpdateCommandStates();
    if (status != StatusSuccess) {
        ShowErrorMessage(this, status);
    } else if (!m_bLogSupported) {
        ShowMessage(this, LogNotSupportedText, MessageStyleWarning);
    } else if (document_->LoadLog()) {
        for (CEventViewerView* view : document_->Views()) {
            view->setEnabled(true);
        }
    }
    UpdateCommandStates();
    view_->setFocus();
    initialLoadDone_ = true;
    emit initialLoadFinished();
}

void CEventViewerFrame::ResetViews() {
    setWindowTitle(LoadText(ApplicationTitle));
    document_->ClearViews();
    RepaintNow();
}

void CEventViewerFrame::OnRefresh() {
    setWindowTitle(LoadText(ApplicationTitle));
    if (document_->LoadLog()) {
        document_->m_bSortAscending = document_->m_bSortAscending == 0 ? 1 : 0;
        SortList(*document_, *view_, document_->m_nSortColumn);
    } else {
        ResetViews();
    }
    UpdateCommandStates();
}

void CEventViewerFrame::OnMarkRepaired() {
    document_->MarkSelectedRepaired(*view_);
    document_->FillList(*view_);
    view_->ListModel().Sort(document_->m_nSortColumn, document_->m_bSortAscending != 0);
    RepaintNow();
    UpdateCommandStates();
}

} // namespace kestrav
