// The Windows shell of the document. The texts it shows and the file name it asks for pass through the "W"
// calls, converted from and to the program's UTF-8, so that they stay right where the manifest's UTF-8 code
// page is not honoured (Windows before version 1903).
#include "viewer_win32/win32_shell.h"

#include <commdlg.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/wide_text.h"
#include "resources/string_table.h"
#include "viewer_win32/centred.h"
#include "viewer_win32/event_viewer_frame.h"
#include "viewer_win32/maintenance_dlg.h"

namespace kestrav::win32 {

namespace {

// Room for a long path.
constexpr size_t FileNameSize = 4096;
// The read-only check box is hidden; the dialog asks nothing about an existing file.
constexpr DWORD SaveDialogFlags = 0x4;

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    platform::WideFromUtf8(text, wide);
    return wide;
}

} // namespace

HWND Win32ViewerShell::MainWindow() const {
    return frame_ != nullptr ? frame_->Handle() : nullptr;
}

int Win32ViewerShell::Message(const std::string& text, uint32_t style) {
    const CentreNextDialog centred(MainWindow());
    return MessageBoxW(MainWindow(), Wide(text).c_str(), Wide(TableText(ApplicationTitle)).c_str(), style);
}

std::string Win32ViewerShell::SaveFileName(const std::string& title, const std::string& filter,
                                           const std::string& defaultExtension) {
    // The filter's '|' separate its labels and patterns; the system's form separates them by NULs and ends
    // with two.
    std::wstring filters = Wide(filter);
    std::replace(filters.begin(), filters.end(), L'|', L'\0');
    filters.push_back(L'\0');
    filters.push_back(L'\0');
    std::vector<wchar_t> fileName(FileNameSize, L'\0');
    std::wstring wideTitle = Wide(title);
    std::wstring extension = Wide(defaultExtension);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    // The main window owns the dialog, as it owns the message boxes, so that the frame takes no command
    // while the dialog is open.
    dialog.hwndOwner = MainWindow();
    dialog.lpstrFilter = filters.data();
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    dialog.lpstrTitle = wideTitle.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = SaveDialogFlags;
    if (!GetSaveFileNameW(&dialog)) {
        return {};
    }
    fileName.back() = L'\0';
    return platform::Utf8FromWide(fileName.data());
}

bool Win32ViewerShell::RunNoteDialog(std::string& typed) {
    CMaintenanceDlg dialog(*this);
    dialog.m_strNote.clear();
    if (dialog.DoModal(module_, MainWindow()) != IDOK) {
        return false;
    }
    typed = dialog.m_strNote;
    return true;
}

void Win32ViewerShell::BeginWait() {
    if (waitDepth_++ == 0) {
        cursorBeforeWait_ = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
    }
}

void Win32ViewerShell::EndWait() {
    if (waitDepth_ > 0 && --waitDepth_ == 0) {
        SetCursor(cursorBeforeWait_);
    }
}

void Win32ViewerShell::SetCaption(const std::string& text) {
    if (HWND frame = MainWindow()) {
        SetWindowTextW(frame, Wide(text).c_str());
    }
}

void Win32ViewerShell::RepaintNow() {
    if (HWND frame = MainWindow()) {
        RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void Win32ViewerShell::FocusView() {
    if (frame_ != nullptr && frame_->GetActiveView().Handle() != nullptr) {
        SetFocus(frame_->GetActiveView().Handle());
    }
}

void Win32ViewerShell::CommandStatesChanged() {
    if (frame_ != nullptr) {
        frame_->StatesChanged();
    }
}

uint32_t Win32ViewerShell::RunWalk(const std::function<uint32_t()>& walk) {
    // The walk runs on a thread of its own while this one keeps the window drawn and its commands greyed;
    // the list is filled once the walk has ended. A WM_QUIT that arrives meanwhile is posted again after it.
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (frame_ == nullptr || done == nullptr) {
        if (done != nullptr) {
            CloseHandle(done);
        }
        return walk();
    }
    CEventViewerFrame& frame = *frame_;
    frame.SetLoading(true);
    uint32_t status = 0;
    std::thread worker([&] {
        status = walk();
        SetEvent(done);
    });
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                continue;
            }
            frame.DispatchThreadMessage(message);
        }
        if (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) {
            break;
        }
    }
    worker.join();
    CloseHandle(done);
    frame.SetLoading(false);
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
    return status;
}

} // namespace kestrav::win32
