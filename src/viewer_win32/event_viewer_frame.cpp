// The frame window: creation, the menu and keys, the commands, the list's notifications.
#include "viewer_win32/event_viewer_frame.h"

#include "resources/string_table.h"
#include "viewer_win32/win32_resources.h"
#include "viewer_win32/win32_shell.h"

namespace kestrav::win32 {

namespace {

constexpr int FrameWidth = 1000;
constexpr int FrameHeight = 600;

bool RegisterFrameClass(HINSTANCE module, WNDPROC procedure) {
    WNDCLASSEXA frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = procedure;
    frameClass.hInstance = module;
    frameClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszClassName = CEventViewerFrame::WindowClass;
    return RegisterClassExA(&frameClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

CEventViewerFrame::CEventViewerFrame(CEventViewerDoc& document, Win32ViewerShell& shell)
    : document_(&document), shell_(&shell), view_(document), commands_(document, view_) {}

CEventViewerFrame::~CEventViewerFrame() {
    Destroy();
    if (accelerators_ != nullptr) {
        DestroyAcceleratorTable(accelerators_);
    }
}

bool CEventViewerFrame::Create(HINSTANCE module) {
    module_ = module;
    if (!RegisterFrameClass(module, &CEventViewerFrame::WindowProc)) {
        return false;
    }
    const LANGID language = ResourceLanguage();
    accelerators_ = LoadFrameAccelerators(module, language);
    HMENU menu = LoadFrameMenu(module, language);
    if (accelerators_ == nullptr || menu == nullptr) {
        if (menu != nullptr) {
            DestroyMenu(menu);
        }
        return false;
    }
    window_ = CreateWindowExA(0, WindowClass, TableText(ApplicationTitle), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, FrameWidth, FrameHeight, nullptr, menu, module, this);
    if (window_ == nullptr) {
        DestroyMenu(menu);
        return false;
    }
    return true;
}

void CEventViewerFrame::Destroy() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void CEventViewerFrame::DispatchThreadMessage(MSG& message) {
    if (window_ != nullptr && TranslateAcceleratorA(window_, accelerators_, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void CEventViewerFrame::UpdateMenuStates(HMENU menu) {
    if (menu == nullptr) {
        if (window_ == nullptr || (menu = GetMenu(window_)) == nullptr) {
            return;
        }
    }
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        if (HMENU popup = GetSubMenu(menu, position)) {
            UpdateMenuStates(popup);
            continue;
        }
        const UINT command = GetMenuItemID(menu, position);
        if (command == 0 || command == static_cast<UINT>(-1)) {
            continue;
        }
        const UINT state = commands_.IsCommandEnabled(command) ? MF_ENABLED : MF_GRAYED;
        EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | state);
    }
}

LRESULT CALLBACK CEventViewerFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* frame =
            static_cast<CEventViewerFrame*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        frame->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    auto* frame = reinterpret_cast<CEventViewerFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (frame == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return frame->OnMessage(message, wParam, lParam);
}

LRESULT CEventViewerFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_SIZE: MoveWindow(view_.Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE); return 0;
    case WM_SETFOCUS: SetFocus(view_.Handle()); return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        if (header.hwndFrom == view_.Handle() && view_.OnNotify(header, result)) {
            return result;
        }
        break;
    }
    case WM_INITMENUPOPUP: UpdateMenuStates(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_DESTROY:
        view_.Destroy();
        if (shell_->MainWindow() == window_) {
            shell_->SetFrame(nullptr);
        }
        if (quitOnDestroy_) {
            PostQuitMessage(0);
        }
        return 0;
    case WM_NCDESTROY: {
        HWND window = window_;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    default: break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

int CEventViewerFrame::OnCreate() {
    if (!view_.Create(window_, module_)) {
        return -1;
    }
    // Posted, not called: the first load runs from the message loop, once the window exists and is shown.
    PostMessageA(window_, WM_COMMAND, InitialLoadCommand, 0);
    return 0;
}

void CEventViewerFrame::OnCommand(uint32_t command) {
    if (command == ExitCommand) {
        SendMessageA(window_, WM_CLOSE, 0, 0);
        return;
    }
    // A greyed command does nothing, also when it arrives by its key.
    commands_.Execute(command);
}

} // namespace kestrav::win32
