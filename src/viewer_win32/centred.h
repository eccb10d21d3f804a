// Dialogs and message boxes placed over the middle of the window that owns them, kept on its screen.
#pragma once

#include <windows.h>

namespace kestrav::win32 {

// Moves a top-level window so that its centre is the owner's centre, inside the owner's monitor's work
// area; nothing happens without an owner.
void CentreOnOwner(HWND window, HWND owner);

// While it lives, the next window that the thread activates, a message box or a system dialog, is centred
// on owner when it first shows.
class CentreNextDialog {
public:
    explicit CentreNextDialog(HWND owner);
    ~CentreNextDialog();
    CentreNextDialog(const CentreNextDialog&) = delete;
    CentreNextDialog& operator=(const CentreNextDialog&) = delete;

private:
    HHOOK hook_ = nullptr;
    HWND previousOwner_ = nullptr;
};

} // namespace kestrav::win32
