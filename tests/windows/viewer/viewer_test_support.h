// What the Windows window tests share: the test driver set up in-process (the same private request that
// zorhlth_ctl sends), log records as the firmware stores them, the real window opened and its list and menu
// read back, keys delivered through the message loop, and a second thread that answers the real message
// boxes and dialogs as a person would.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "record/log_entry.h"
#include "viewer_win32/event_viewer_frame.h"
#include "viewer_win32/viewer_app.h"

namespace kestrav::wintest {

// One record: number, severity, class, code, count, update and initial times, event-data text.
struct Record {
    uint32_t number;
    uint8_t severity;
    uint16_t eventClass;
    uint16_t code;
    uint32_t count;
    LogTime update;
    LogTime initial;
    std::string text;
};
LogEntry BuildRecord(const Record& record);

// The test driver: false (with a test failure) when a request does not go through.
bool DriverReset();
bool DriverImport(const std::vector<LogEntry>& entries);
bool DriverSupported(bool kept);
bool DriverFaultEraseRefuse();
bool DriverFaultWriteStatus(uint8_t status);
bool DriverClearFaults();
uint32_t DriverCount();
// Stops or starts the driver's service, so that the device is gone or back.
bool DriverService(bool running);

// The viewer, opened as the program opens it, on the driver or on a dump file; the constructor returns once
// the first load has run.
class OpenViewer {
public:
    explicit OpenViewer(const std::string& dumpFile = {});
    ~OpenViewer();
    win32::CEventViewerFrame& Frame() { return *app_->Frame(); }
    HWND Window() { return Frame().Handle(); }
    HWND List() { return Frame().GetActiveView().Handle(); }
    HMENU Menu() { return GetMenu(Window()); }
    win32::Win32ViewerShell& Shell() { return app_->Shell(); }

private:
    std::unique_ptr<win32::CEventViewerApp> app_;
};

// Runs the window's messages until none is waiting.
void PumpWaiting(win32::CEventViewerFrame& frame);

// A key pressed with the modifiers held, delivered to the list through the frame's message loop.
void PressKey(win32::CEventViewerFrame& frame, HWND target, UINT key, bool control, bool alt);

// The list read back through the control's own requests.
int RowCount(HWND list);
std::string CellText(HWND list, int row, int column);
std::vector<std::string> ColumnTexts(HWND list, int column);
int RowImage(HWND list, int row);
std::vector<int> SelectedRows(HWND list);
void SelectRows(HWND list, const std::vector<int>& rows);
int RowOfEvent(HWND list, uint32_t number);
// A click on a heading, as the control reports it.
void ClickHeading(HWND frame, HWND list, int column);

// A left click (or a double click) in a cell, at the middle of its first 40 pixels, as the mouse gives it.
void ClickCell(win32::CEventViewerFrame& frame, HWND list, int row, int column, bool twice);
// The sort arrow a heading shows: HDF_SORTUP, HDF_SORTDOWN or 0.
int SortArrow(HWND list, int column);
// The window's text in UTF-8, read as UTF-16; the status bar's first part; the clipboard's Unicode text.
std::string WindowTextUtf8(HWND window);
std::string StatusText(HWND statusBar);
std::string ClipboardText();
// How far the centres of two windows lie apart, in pixels along either axis.
int CentreDistance(HWND a, HWND b);

// The texts of a window's visible static controls and buttons that do not fit in their control, measured with
// the control's own font and wrapped as the control wraps them: "1052 '...': needs 312x39, has 324x26".
std::vector<std::string> ClippedTexts(HWND window);

// The window as the display shows it, saved as KESTRAV_PICTURE_DIR\name.bmp when that folder is given, so
// that a person can look at it.
void Picture(HWND window, const std::string& name);

// A menu item's state as the menu shows it once opened: the frame is told the menu opens first.
bool MenuItemEnabled(HWND frame, uint32_t command);

// Runs a script on a second thread that finds the windowing thread's dialogs and answers them, while the
// calling thread runs a command. Every wait ends once the command has returned (Finish), so a dialog that
// never comes fails the script instead of hanging it; dialogs that the script does not expect are closed and
// reported.
class DialogScript {
public:
    struct Failure {
        std::string what;
    };

    explicit DialogScript(std::function<void(DialogScript&)> script);
    ~DialogScript();
    // Tells the script that the command has returned and waits for it; the failures it met.
    std::vector<std::string> Finish();

    // Waits for a message box; its text.
    HWND WaitMessageBox();
    HWND WaitNoteDialog();
    HWND WaitFileDialog();
    // Waits for a shown context menu of the windowing thread.
    HWND WaitPopupMenu();
    std::string Text(HWND dialog, int control) const;
    std::string Caption(HWND window) const;
    std::string MessageText(HWND box) const;
    // Clicks a button (the click is posted: the button's dialog may open another before it returns).
    void Press(HWND dialog, int button);
    // Clicks a button and waits until the dialog is gone.
    void PressAndWaitGone(HWND dialog, int button);
    void WaitGone(HWND dialog);
    void Fail(const std::string& what);

    // The texts of every message box answered, in order.
    std::vector<std::string> messages;

private:
    HWND WaitFor(const std::function<bool(HWND)>& matches);
    void Run(const std::function<void(DialogScript&)>& script);

    DWORD uiThread_;
    std::atomic<bool> finished_{false};
    std::vector<std::string> failures_;
    std::thread thread_;
};

// Runs the command (a WM_COMMAND sent to the frame, or anything else) with the script answering; the
// script's failures are test failures. The texts of the message boxes answered.
std::vector<std::string> RunWithAnswers(const std::function<void()>& command,
                                        const std::function<void(DialogScript&)>& script);

// The message box's answer that a script gives to every box it expects: OK.
void AnswerMessages(DialogScript& script, int count, int button = IDOK);

// Runs kestrav.exe with the arguments in a folder; its exit code.
DWORD RunKestrav(const std::string& folder, const std::string& arguments);
std::string ReadFileBytes(const std::string& path);
std::string TempFolder();

} // namespace kestrav::wintest
