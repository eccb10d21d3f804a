// The main window: the menu and keys of the log commands, the first load once the window is up, and which
// commands are available when.
#pragma once

#include <QMainWindow>

#include "viewer_core/viewer_document.h"

class QAction;
class QMenu;

namespace kestrav {

class CEventViewerView;

class CEventViewerFrame : public QMainWindow {
    Q_OBJECT

public:
    // Creates the view as the central widget and posts the initial load to the event loop.
    explicit CEventViewerFrame(CEventViewerDoc& document, QWidget* parent = nullptr);
    ~CEventViewerFrame() override;

    CEventViewerDoc* GetActiveDocument() const { return document_; }
    CEventViewerView* GetActiveView() const { return view_; }

    void OnInitialLoad();
    void ResetViews();
    void OnRefresh();
    void OnMarkRepaired();
    // Enables or greys every command by its rule; run whenever one of the rules' inputs may have changed.
    void UpdateCommandStates();

    bool InitialLoadDone() const { return commands_.InitialLoadDone(); }
    ViewerCommands& Commands() { return commands_; }

    QAction* ExportLogAction() const { return exportLog_; }
    QAction* ClearAllEntriesAction() const { return clearAllEntries_; }
    QAction* MarkRepairedAction() const { return markRepaired_; }
    QAction* AddMaintenanceNoteAction() const { return addNote_; }
    QAction* ExitAction() const { return exit_; }
    QAction* RefreshAction() const { return refresh_; }
    QMenu* LogMenu() const { return logMenu_; }
    QMenu* ViewMenu() const { return viewMenu_; }

signals:
    void initialLoadFinished();

private:
    void CreateMenus();

    CEventViewerDoc* document_;
    CEventViewerView* view_;
    QMenu* logMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QAction* exportLog_ = nullptr;
    QAction* clearAllEntries_ = nullptr;
    QAction* markRepaired_ = nullptr;
    QAction* addNote_ = nullptr;
    QAction* exit_ = nullptr;
    QAction* refresh_ = nullptr;
    ViewerCommands commands_;
};

} // namespace kestrav
