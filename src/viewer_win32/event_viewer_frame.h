// The main window of the Windows viewer: menu and accelerator table 128 in the user's language, the list as
// its only child, the first load posted from its creation, and the menu greyed by the commands' rules.
#pragma once

#include <windows.h>

#include "viewer_core/viewer_document.h"
#include "viewer_win32/event_viewer_view.h"

namespace kestrav::win32 {

class Win32ViewerShell;

class CEventViewerFrame {
public:
    static constexpr const char* WindowClass = "KestravEventViewerFrame";

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

    // When the window is destroyed, end the message loop of its thread.
    void QuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    // Gives a message of the thread to the frame's keys, then to its window: what the message loop does
    // with each message.
    void DispatchThreadMessage(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int OnCreate();
    void OnCommand(uint32_t command);

    CEventViewerDoc* document_;
    Win32ViewerShell* shell_;
    CEventViewerView view_;
    ViewerCommands commands_;
    HINSTANCE module_ = nullptr;
    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
    bool quitOnDestroy_ = false;
};

// Runs the thread's messages through the frame until it is destroyed (WM_QUIT), or until done() returns
// true when given; returns the WM_QUIT exit code, or 0.
template <typename Done> int RunMessages(CEventViewerFrame& frame, Done done) {
    MSG message{};
    while (!done()) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return got == 0 ? static_cast<int>(message.wParam) : 1;
        }
        frame.DispatchThreadMessage(message);
    }
    return 0;
}

} // namespace kestrav::win32
