// The maintenance-note dialog of the Windows window: dialog 143 in the user's language, a multi-line field
// of at most 227 bytes whose Enter key presses OK, the count of the bytes it still takes, and a warning that
// keeps the dialog open while the text is blank.
#pragma once

#include <windows.h>

#include <string>

namespace kestrav::win32 {

class Win32ViewerShell;

class CMaintenanceDlg {
public:
    static constexpr int NoteFieldId = 1053;
    static constexpr int PromptId = 1052;
    static constexpr int BytesLeftId = 1054;

    explicit CMaintenanceDlg(Win32ViewerShell& shell) : shell_(&shell) {}

    // Runs the dialog modally over owner; IDOK or IDCANCEL (-1 when the dialog cannot be made).
    INT_PTR DoModal(HINSTANCE module, HWND owner);

    // The text exchanged with the field, in UTF-8 with line breaks as carriage return and line feed.
    std::string m_strNote;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnInitDialog();
    void OnOkClicked();
    void DoDataExchange(bool saveAndValidate);
    // A note entry holds 227 bytes: input that would make the text longer in UTF-8 is taken back.
    void KeepWithinStoredLength();
    void ShowBytesLeft();

    Win32ViewerShell* shell_;
    HWND dialog_ = nullptr;
    HWND m_editNote = nullptr;
};

} // namespace kestrav::win32
