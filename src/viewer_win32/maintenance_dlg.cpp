// The note dialog. It runs as a Unicode dialog, so that the field's positions and limit count characters
// whatever the code page, and hands its text on in UTF-8.
#include "viewer_win32/maintenance_dlg.h"

#include <algorithm>

#include "record/log_entry.h"
#include "resources/string_table.h"
#include "viewer_core/note_rules.h"
#include "viewer_core/viewer_document.h"
#include "viewer_core/viewer_texts.h"
#include "viewer_win32/centred.h"
#include "viewer_win32/win32_resources.h"
#include "viewer_win32/win32_shell.h"

namespace kestrav::win32 {

namespace {

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// The bytes of the text in UTF-8, each line break's two characters counted.
size_t Utf8Length(const std::wstring& text) {
    size_t bytes = 0;
    for (const wchar_t unit : text) {
        bytes += Utf8Bytes(unit);
    }
    return bytes;
}

} // namespace

INT_PTR CMaintenanceDlg::DoModal(HINSTANCE module, HWND owner) {
    const DLGTEMPLATE* dialogTemplate = NoteDialogTemplate(module, ResourceLanguage());
    if (dialogTemplate == nullptr) {
        return -1;
    }
    return DialogBoxIndirectParamW(module, dialogTemplate, owner, &CMaintenanceDlg::DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CMaintenanceDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CMaintenanceDlg*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<CMaintenanceDlg*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDOK: self->OnOkClicked(); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case NoteFieldId:
        if (HIWORD(wParam) == EN_CHANGE) {
            self->KeepWithinStoredLength();
            self->ShowBytesLeft();
        }
        return TRUE;
    default: return FALSE;
    }
}

bool CMaintenanceDlg::OnInitDialog() {
    m_editNote = GetDlgItem(dialog_, NoteFieldId);
    DoDataExchange(false);
    // The limit counts every character, both of a line break's included.
    SendMessageW(m_editNote, EM_LIMITTEXT, MaxNoteLength, 0);
    SetWindowTextW(dialog_, Widen(TableText(ApplicationTitle)).c_str());
    SetDlgItemTextW(dialog_, PromptId, Widen(TableText(NotePromptText)).c_str());
    ShowBytesLeft();
    CentreOnOwner(dialog_, GetWindow(dialog_, GW_OWNER));
    // TRUE: the focus goes to the first control, the field.
    return true;
}

void CMaintenanceDlg::OnOkClicked() {
    DoDataExchange(true);
    if (NoteIsBlank(m_strNote)) {
        shell_->Message(TableText(NotePromptText), MessageStyleWarning);
        SetFocus(m_editNote);
        return;
    }
    DoDataExchange(true);
    EndDialog(dialog_, IDOK);
}

void CMaintenanceDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strNote = Narrow(WindowText(m_editNote));
    } else {
        SetWindowTextW(m_editNote, Widen(m_strNote).c_str());
    }
}

void CMaintenanceDlg::KeepWithinStoredLength() {
    const std::wstring text = WindowText(m_editNote);
    size_t bytes = Utf8Length(text);
    if (bytes <= MaxNoteLength) {
        return;
    }
    // What was just put in ends at the caret: as much of it is taken back, whole characters and whole line
    // breaks, as the stored note cannot hold.
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_editNote, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    size_t cut = std::min<size_t>(end, text.size());
    const size_t caret = cut;
    while (cut > 0 && bytes > MaxNoteLength) {
        size_t width = 1;
        if (cut >= 2 && ((text[cut - 1] >= 0xDC00 && text[cut - 1] < 0xE000) ||
                         (text[cut - 1] == L'\n' && text[cut - 2] == L'\r'))) {
            width = 2;
        }
        for (size_t i = cut - width; i < cut; ++i) {
            bytes -= Utf8Bytes(text[i]);
        }
        cut -= width;
    }
    SendMessageW(m_editNote, EM_SETSEL, cut, caret);
    SendMessageW(m_editNote, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void CMaintenanceDlg::ShowBytesLeft() {
    const size_t bytes = Utf8Length(WindowText(m_editNote));
    const size_t left = bytes < MaxNoteLength ? MaxNoteLength - bytes : 0;
    SetDlgItemTextW(dialog_, BytesLeftId, Widen(NoteBytesLeftText(left)).c_str());
}

} // namespace kestrav::win32
