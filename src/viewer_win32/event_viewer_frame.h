// The main window of the Windows viewer: menu and accelerator table 128 in the user's language, the filter
// bar above the list and the status bar below it, the first load posted from its creation, the menu greyed by
// the commands' rules and while a load runs, the entry details, and Copy from the list's keys and context
// menu. Everything measured in pixels follows the resolution of the display the window stands on.
#pragma once

#include <windows.h>

#include "viewer_core/viewer_document.h"
#include "viewer_win32/entry_details_wnd.h"
#include "viewer_win32/event_viewer_view.h"

namespace kestrav::win32 {

class Win32ViewerShell;

class CEventViewerFrame {
public:
    static constexpr const wchar_t* WindowClass = L"KestravEventViewerFrame";
    // The commands of the list's context menu, and the frame's own controls.
    static constexpr UINT CopyRowsCommand = 0x7F01;
    static constexpr UINT ShowDetailsCommand = 0x7F02;
    static constexpr int FilterTextId = 0x7F10;
    static constexpr int SeverityChoiceId = 0x7F11;
    static constexpr int ClassChoiceId = 0x7F12;
    static constexpr int StatusBarId = 0x7F13;

    CEventViewerFrame(CEventViewerDoc& document, Win32ViewerShell& shell);
    ~CEventViewerFrame();
    CEventViewerFrame(const CEventViewerFrame&) = delete;
    CEventViewerFrame& operator=(const CEventViewerFrame&) = delete;

    // Creates the window (not yet shown) with its menu, keys and list; false when any of them cannot be made.
    bool Create(HINSTANCE module);
    // Destroys the window if it still exists.
    void Destroy();

    HWND Handle() const { return window_; }
    CEventViewerDoc& GetActiveDocument() const { return *document_; }
    CEventViewerView& GetActiveView() { return view_; }
    ViewerCommands& Commands() { return commands_; }
    HACCEL Accelerators() const { return accelerators_; }
    bool InitialLoadDone() const { return commands_.InitialLoadDone(); }

    // Enables or greys every item of a menu (all of the frame's menu when none is given) by the commands'
    // rules.
    void UpdateMenuStates(HMENU menu = nullptr);

    HWND StatusBar() const { return statusBar_; }
    HWND FilterText() const { return filterText_; }
    HWND SeverityChoice() const { return severityChoice_; }
    HWND ClassChoice() const { return classChoice_; }
    CEntryDetailsWnd& Details() { return details_; }
    // A typed filter text that waits for a pause in the typing before it is applied.
    bool FilterPending() const { return filterPending_; }

    // While a load runs, every command but Exit is greyed and does nothing, the list takes no input, and a
    // request to close the window waits for the load's end.
    void SetLoading(bool loading);
    bool Loading() const { return loading_; }
    // The menu states, the status bar's counts and the class choice, after the rows or their selection
    // changed.
    void StatesChanged();

    // Puts the selected rows on the clipboard as text; opens the details of the focused row.
    void CopySelectedRows();
    void ShowDetails();

    // When the window is destroyed, end the message loop of its thread.
    void QuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    // Gives a message of the thread to the frame's keys, then to its window: what the message loop does
    // with each message.
    void DispatchThreadMessage(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int OnCreate();
    void OnCommand(uint32_t command, UINT code);
    bool CreateBars();
    void Layout(int width, int height);
    // The bars' fonts at the window's resolution; the list's follow with the view.
    void ApplyFonts();
    // The window moved to a display of another resolution: the suggested size and place, fonts, columns and
    // icons for it.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ApplyFilter();
    void UpdateStatusBar();
    void UpdateClassChoice();
    void OnListNotify(const NMHDR& header);
    void ShowContextMenu(LPARAM position);

    CEventViewerDoc* document_;
    Win32ViewerShell* shell_;
    CEventViewerView view_;
    ViewerCommands commands_;
    HINSTANCE module_ = nullptr;
    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND filterText_ = nullptr;
    HWND severityChoice_ = nullptr;
    HWND classChoice_ = nullptr;
    HFONT barFont_ = nullptr;
    HFONT statusFont_ = nullptr;
    int dpi_ = 96;
    CEntryDetailsWnd details_;
    unsigned classesOfFill_ = 0;
    bool quitOnDestroy_ = false;
    bool loading_ = false;
    bool closeAfterLoad_ = false;
    bool filterPending_ = false;
    bool listHadFocus_ = false;
};

// Runs the thread's messages through the frame until it is destroyed (WM_QUIT), or until done() returns
// true when given; returns the WM_QUIT exit code, or 0.
template <typename Done> int RunMessages(CEventViewerFrame& frame, Done done) {
    MSG message{};
    while (!done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return got == 0 ? static_cast<int>(message.wParam) : 1;
        }
        frame.DispatchThreadMessage(message);
    }
    return 0;
}

} // namespace kestrav::win32
