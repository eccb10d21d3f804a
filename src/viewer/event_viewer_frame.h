// The main window: the menu and keys of the log commands, the first load once the window is up, and which
// commands are available when; above the list a filter bar, below it a status bar with the counts of rows.
#pragma once

#include <QMainWindow>

#include "viewer_core/viewer_document.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace kestrav {

class CEntryDetailsDlg;
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

    // Shows only the rows that the filter bar's text, severity and class let through.
    void ApplyFilter();
    // The counts of entries, shown rows and selected rows in the status bar.
    void UpdateStatusBar();
    // Opens the details window on the list's current row.
    void ShowDetails();

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
    QLineEdit* FilterTextField() const { return filterText_; }
    QComboBox* SeverityChoiceBox() const { return severityChoice_; }
    QComboBox* ClassChoiceBox() const { return classChoice_; }
    QLabel* CountsLabel() const { return counts_; }
    // The details window, once it has been opened.
    CEntryDetailsDlg* DetailsDialog() const { return details_; }

signals:
    void initialLoadFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    QWidget* CreateFilterBar();
    // The class choice offers the classes of the rows now in the list, and keeps the one chosen.
    void UpdateClassChoice();
    void FollowCurrentRow();

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
    QLineEdit* filterText_ = nullptr;
    QComboBox* severityChoice_ = nullptr;
    QComboBox* classChoice_ = nullptr;
    QLabel* counts_ = nullptr;
    CEntryDetailsDlg* details_ = nullptr;
    ViewerCommands commands_;
};

} // namespace kestrav
