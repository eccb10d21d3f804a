// The frame window and the commands it serves itself (Refresh, Mark Repaired, the initial load); the document
// serves Export Log, Clear All Entries and Add Maintenance Note.
#include "viewer/event_viewer_frame.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "log/log_ops.h"
#include "viewer/event_viewer_view.h"
#include "viewer/messages.h"
#include "viewer/qt_shell.h"
#include "viewer/viewer_text.h"

namespace kestrav {

CEventViewerFrame::CEventViewerFrame(CEventViewerDoc& document, QWidget* parent)
    : QMainWindow(parent), document_(&document), view_(new CEventViewerView(document, this)),
      commands_(document, *view_) {
    setCentralWidget(view_);
    setWindowTitle(LoadText(ApplicationTitle));
    CreateMenus();
    resize(1000, 600);
    if (MainWindow() == nullptr) {
        SetMainWindow(this);
    }
    if (QtShell().Frame() == nullptr) {
        QtShell().SetFrame(this);
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
    if (QtShell().Frame() == this) {
        QtShell().SetFrame(nullptr);
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
    exportLog_->setEnabled(commands_.IsCommandEnabled(ExportLogCommand));
    clearAllEntries_->setEnabled(commands_.IsCommandEnabled(ClearAllEntriesCommand));
    addNote_->setEnabled(commands_.IsCommandEnabled(AddMaintenanceNoteCommand));
    markRepaired_->setEnabled(commands_.IsCommandEnabled(MarkRepairedCommand));
}

void CEventViewerFrame::OnInitialLoad() {
    commands_.OnInitialLoad();
    emit initialLoadFinished();
}

void CEventViewerFrame::ResetViews() {
    commands_.ResetViews();
}

void CEventViewerFrame::OnRefresh() {
    commands_.OnRefresh();
}

void CEventViewerFrame::OnMarkRepaired() {
    commands_.OnMarkRepaired();
}

} // namespace kestrav
