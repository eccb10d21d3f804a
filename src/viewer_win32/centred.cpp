// Centring on the owner: a direct move, and a hook that catches a message box as it is activated.
#include "viewer_win32/centred.h"

namespace kestrav::win32 {

namespace {

// The owner of the box being waited for; the hook runs on the thread that shows the box. A box opened from a
// box's own owner window nests: each level keeps the previous owner and restores it.
thread_local HWND t_centreOwner = nullptr;
thread_local HHOOK t_centreHook = nullptr;

LRESULT CALLBACK CentreOnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_centreOwner != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (window != t_centreOwner && GetWindow(window, GW_OWNER) == t_centreOwner) {
            CentreOnOwner(window, t_centreOwner);
            t_centreOwner = nullptr;
        }
    }
    return CallNextHookEx(t_centreHook, code, wParam, lParam);
}

} // namespace

void CentreOnOwner(HWND window, HWND owner) {
    if (window == nullptr || owner == nullptr) {
        return;
    }
    RECT box{};
    RECT frame{};
    if (!GetWindowRect(window, &box) || !GetWindowRect(owner, &frame)) {
        return;
    }
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    LONG left = frame.left + (frame.right - frame.left - width) / 2;
    LONG top = frame.top + (frame.bottom - frame.top - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = left + width > work.right ? work.right - width : left;
        top = top + height > work.bottom ? work.bottom - height : top;
        left = left < work.left ? work.left : left;
        top = top < work.top ? work.top : top;
    }
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CentreNextDialog::CentreNextDialog(HWND owner) : previousOwner_(t_centreOwner) {
    if (owner == nullptr) {
        return;
    }
    t_centreOwner = owner;
    if (t_centreHook == nullptr) {
        hook_ = SetWindowsHookExW(WH_CBT, &CentreOnActivate, nullptr, GetCurrentThreadId());
        t_centreHook = hook_;
    }
}

CentreNextDialog::~CentreNextDialog() {
    t_centreOwner = previousOwner_;
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
        t_centreHook = nullptr;
    }
}

} // namespace kestrav::win32
