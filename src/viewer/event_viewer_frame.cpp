// The frame window and the commands it serves itself (Refresh, Mark Repaired, the initial load); the document
// serves Export Log, Clear All Entries and Add Maintenance Note.
#include "viewer/event_viewer_frame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "decode/event_text.h"
#include "log/log_ops.h"
#include "viewer/entry_details_dlg.h"
#include "viewer/event_viewer_view.h"
#include "viewer/messages.h"
#include "viewer/qt_shell.h"
#include "viewer/viewer_text.h"
#include "viewer_core/row_filter.h"

namespace kestrav {

CEventViewerFrame::CEventViewerFrame(CEventViewerDoc& document, QWidget* parent)
    : QMainWindow(parent), document_(&document), view_(new CEventViewerView(document, this)),
      commands_(document, *view_) {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CreateFilterBar());
    layout->addWidget(view_, 1);
    setCentralWidget(central);
    counts_ = new QLabel(this);
    statusBar()->addWidget(counts_);
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
    connect(view_, &CEventViewerView::selectionCountChanged, this, &CEventViewerFrame::UpdateStatusBar);
    connect(&view_->ListModel(), &QAbstractItemModel::modelReset, this,
            &CEventViewerFrame::UpdateClassChoice);
    connect(view_, &CEventViewerView::detailsRequested, this, &CEventViewerFrame::ShowDetails);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CEventViewerFrame::FollowCurrentRow);
    UpdateCommandStates();
    UpdateStatusBar();
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

QWidget* CEventViewerFrame::CreateFilterBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(4, 4, 4, 4);
    filterText_ = new QLineEdit(bar);
    filterText_->setPlaceholderText(LoadViewerText(ViewerText::FilterPlaceholder));
    filterText_->setClearButtonEnabled(true);
    severityChoice_ = new QComboBox(bar);
    for (const ChoiceItem& item : SeverityChoiceItems()) {
        severityChoice_->addItem(QString::fromStdString(item.label), item.value);
    }
    classChoice_ = new QComboBox(bar);
    classChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    classChoice_->addItem(LoadViewerText(ViewerText::AllClasses), AnyClass);
    layout->addWidget(filterText_, 1);
    layout->addWidget(severityChoice_);
    layout->addWidget(classChoice_);
    filterText_->installEventFilter(this);
    connect(filterText_, &QLineEdit::textChanged, this, &CEventViewerFrame::ApplyFilter);
    connect(severityChoice_, &QComboBox::currentIndexChanged, this, &CEventViewerFrame::ApplyFilter);
    connect(classChoice_, &QComboBox::currentIndexChanged, this, &CEventViewerFrame::ApplyFilter);
    return bar;
}

bool CEventViewerFrame::eventFilter(QObject* watched, QEvent* event) {
    // The texts are indexed when the field takes the focus, before the first keystroke waits for it.
    if (watched == filterText_ && event->type() == QEvent::FocusIn) {
        view_->ListModel().PrepareTextFilter();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CEventViewerFrame::ApplyFilter() {
    RowFilter filter;
    filter.text = filterText_->text().toUtf8().toStdString();
    filter.severity = static_cast<SeverityChoice>(severityChoice_->currentData().toInt());
    filter.eventClass = classChoice_->currentData().toInt();
    view_->ListModel().SetFilter(std::move(filter));
}

void CEventViewerFrame::UpdateClassChoice() {
    const int32_t chosen = classChoice_->currentData().toInt();
    const std::vector<ChoiceItem> items = ClassChoiceItems(view_->ListModel().AllRows(), chosen);
    const QSignalBlocker blocker(classChoice_);
    classChoice_->clear();
    for (const ChoiceItem& item : items) {
        classChoice_->addItem(QString::fromStdString(item.label), item.value);
    }
    classChoice_->setCurrentIndex(std::max(0, classChoice_->findData(chosen)));
}

void CEventViewerFrame::UpdateStatusBar() {
    const CEventListModel& model = view_->ListModel();
    counts_->setText(LoadViewerText(ViewerText::StatusCounts)
                         .arg(model.AllRows().size())
                         .arg(model.rowCount())
                         .arg(view_->SelectedCount()));
}

void CEventViewerFrame::ShowDetails() {
    const CEventLogEntry* entry = view_->CurrentEntry();
    if (entry == nullptr) {
        return;
    }
    if (details_ == nullptr) {
        details_ = new CEntryDetailsDlg(this);
    }
    details_->SetEntry(entry->m_entry);
    details_->show();
    details_->raise();
    details_->activateWindow();
}

void CEventViewerFrame::FollowCurrentRow() {
    if (details_ == nullptr || !details_->isVisible()) {
        return;
    }
    if (const CEventLogEntry* entry = view_->CurrentEntry()) {
        details_->SetEntry(entry->m_entry);
    } else {
        details_->ClearEntry();
    }
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
