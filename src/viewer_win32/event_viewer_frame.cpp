// The frame window: creation, the menu and keys, the commands, the list's notifications.
#include "viewer_win32/event_viewer_frame.h"

#include <algorithm>

#include "decode/event_text.h"
#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_core/row_texts.h"
#include "viewer_core/viewer_texts.h"
#include "viewer_win32/centred.h"
#include "viewer_win32/display_dpi.h"
#include "viewer_win32/win32_resources.h"
#include "viewer_win32/win32_shell.h"

namespace kestrav::win32 {

namespace {

// In pixels at 96 dots per inch; scaled to the display's resolution.
constexpr int FrameWidth = 1000;
constexpr int FrameHeight = 600;
constexpr int BarHeight = 30;
constexpr int BarMargin = 4;
constexpr int FieldHeight = 22;
constexpr int SeverityChoiceWidth = 160;
constexpr int ClassChoiceWidth = 220;
constexpr int ChoiceDropHeight = 300;
// On a log this long a refill of the list takes long enough under a slow system that the text filter waits
// for a pause in the typing instead of following every keystroke.
constexpr size_t ImmediateFilterRows = 5000;
constexpr UINT_PTR FilterTimer = 1;
constexpr UINT TypingPause = 300; // ms
// Sent when the window's resolution changes; named here since older headers lack it.
constexpr UINT DpiChangedMessage = 0x02E0;

void DeleteFont(HFONT& font) {
    if (font != nullptr) {
        DeleteObject(font);
        font = nullptr;
    }
}

HWND MakeChild(HWND parent, HINSTANCE module, const wchar_t* windowClass, DWORD style, int id) {
    return CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
}

void AddChoice(HWND box, const std::string& label, LPARAM value) {
    const LRESULT at = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(label).c_str()));
    if (at >= 0) {
        SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(at), value);
    }
}

LPARAM ChosenValue(HWND box, LPARAM none) {
    const LRESULT at = SendMessageW(box, CB_GETCURSEL, 0, 0);
    return at < 0 ? none : static_cast<LPARAM>(SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

std::wstring WindowTextW(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// The text as the clipboard holds it: line feeds after carriage returns, ended by a NUL.
bool PutOnClipboard(HWND owner, const std::string& text) {
    std::wstring wide;
    for (wchar_t unit : Widen(text)) {
        if (unit == L'\n') {
            wide += L'\r';
        }
        wide += unit;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr) {
        return false;
    }
    if (auto* bytes = static_cast<wchar_t*>(GlobalLock(memory))) {
        std::copy(wide.begin(), wide.end(), bytes);
        bytes[wide.size()] = L'\0';
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!put) {
        GlobalFree(memory);
    }
    return put;
}

bool RegisterFrameClass(HINSTANCE module, WNDPROC procedure) {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = procedure;
    frameClass.hInstance = module;
    frameClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszClassName = CEventViewerFrame::WindowClass;
    return RegisterClassExW(&frameClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
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
    const int dpi = WindowDpi(nullptr);
    // No larger than the screen's work area, which a small screen at a high resolution could not hold.
    RECT work{0, 0, ScaleToDpi(FrameWidth, dpi), ScaleToDpi(FrameHeight, dpi)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min<int>(ScaleToDpi(FrameWidth, dpi), work.right - work.left);
    const int height = std::min<int>(ScaleToDpi(FrameHeight, dpi), work.bottom - work.top);
    window_ = CreateWindowExW(0, WindowClass, Widen(TableText(ApplicationTitle)).c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, menu, module, this);
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
    if (window_ != nullptr && TranslateAcceleratorW(window_, accelerators_, &message)) {
        return;
    }
    // The details window's keys: Escape and Enter close it, Tab moves between its controls.
    if (details_.IsOpen() && IsDialogMessageW(details_.Handle(), &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
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
        // The context menu's items have their states from the list when it opens.
        if (command == 0 || command == static_cast<UINT>(-1) || command == CopyRowsCommand ||
            command == ShowDetailsCommand) {
            continue;
        }
        const bool enabled = commands_.IsCommandEnabled(command) && (!loading_ || command == ExitCommand);
        const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
        EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | state);
    }
}

LRESULT CALLBACK CEventViewerFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* frame =
            static_cast<CEventViewerFrame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        frame->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    auto* frame = reinterpret_cast<CEventViewerFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (frame == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return frame->OnMessage(message, wParam, lParam);
}

LRESULT CEventViewerFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_SIZE: Layout(LOWORD(lParam), HIWORD(lParam)); return 0;
    case DpiChangedMessage: OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_SETFOCUS: SetFocus(view_.Handle()); return 0;
    case WM_SETCURSOR:
        if (loading_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != view_.Handle()) {
            break;
        }
        LRESULT result = 0;
        // No sort while a load runs: the document's order is being made.
        if (!(loading_ && header.code == LVN_COLUMNCLICK) && view_.OnNotify(header, result)) {
            return result;
        }
        OnListNotify(header);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == view_.Handle() && !loading_) {
            ShowContextMenu(lParam);
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == FilterTimer) {
            ApplyFilter();
            return 0;
        }
        break;
    case WM_INITMENUPOPUP: UpdateMenuStates(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_CLOSE:
        if (loading_) {
            closeAfterLoad_ = true;
            return 0;
        }
        break;
    case WM_DESTROY:
        details_.Destroy();
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
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        DeleteFont(barFont_);
        DeleteFont(statusFont_);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

int CEventViewerFrame::OnCreate() {
    dpi_ = WindowDpi(window_);
    if (!view_.Create(window_, module_, dpi_) || !CreateBars()) {
        return -1;
    }
    RECT area{};
    GetClientRect(window_, &area);
    Layout(area.right, area.bottom);
    StatesChanged();
    // Posted, not called: the first load runs from the message loop, once the window exists and is shown.
    PostMessageW(window_, WM_COMMAND, InitialLoadCommand, 0);
    return 0;
}

bool CEventViewerFrame::CreateBars() {
    statusBar_ = MakeChild(window_, module_, STATUSCLASSNAMEW, 0, StatusBarId);
    filterText_ = MakeChild(window_, module_, L"EDIT", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, FilterTextId);
    severityChoice_ = MakeChild(window_, module_, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                SeverityChoiceId);
    classChoice_ =
        MakeChild(window_, module_, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, ClassChoiceId);
    if (statusBar_ == nullptr || filterText_ == nullptr || severityChoice_ == nullptr ||
        classChoice_ == nullptr) {
        return false;
    }
    ApplyFonts();
    SendMessageW(filterText_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(Widen(ViewerTextUtf8(ViewerText::FilterPlaceholder)).c_str()));
    for (const kestrav::ChoiceItem& item : kestrav::SeverityChoiceItems()) {
        AddChoice(severityChoice_, item.label, item.value);
    }
    SendMessageW(severityChoice_, CB_SETCURSEL, 0, 0);
    AddChoice(classChoice_, ViewerTextUtf8(ViewerText::AllClasses), AnyClass);
    SendMessageW(classChoice_, CB_SETCURSEL, 0, 0);
    return true;
}

void CEventViewerFrame::ApplyFonts() {
    DeleteFont(barFont_);
    DeleteFont(statusFont_);
    LOGFONTW font{};
    if (MessageFont(dpi_, font)) {
        barFont_ = CreateFontIndirectW(&font);
    }
    if (StatusFont(dpi_, font)) {
        statusFont_ = CreateFontIndirectW(&font);
    }
    const auto bars =
        reinterpret_cast<WPARAM>(barFont_ != nullptr ? barFont_ : GetStockObject(DEFAULT_GUI_FONT));
    for (HWND control : {filterText_, severityChoice_, classChoice_}) {
        SendMessageW(control, WM_SETFONT, bars, TRUE);
    }
    if (statusFont_ != nullptr) {
        SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_), TRUE);
    }
}

void CEventViewerFrame::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    ApplyFonts();
    view_.SetDpi(dpi);
    // The new size lays the bars and the list out again at the new resolution.
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT area{};
    GetClientRect(window_, &area);
    Layout(area.right, area.bottom);
}

void CEventViewerFrame::Layout(int width, int height) {
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;
    const int margin = ScaleToDpi(BarMargin, dpi_);
    const int barHeight = ScaleToDpi(BarHeight, dpi_);
    const int fieldHeight = ScaleToDpi(FieldHeight, dpi_);
    const int severityWidth = ScaleToDpi(SeverityChoiceWidth, dpi_);
    const int classWidth = ScaleToDpi(ClassChoiceWidth, dpi_);
    const int dropHeight = ScaleToDpi(ChoiceDropHeight, dpi_);
    const int top = margin + (barHeight - 2 * margin - fieldHeight) / 2;
    const int textWidth = std::max(0, width - 4 * margin - severityWidth - classWidth);
    MoveWindow(filterText_, margin, top, textWidth, fieldHeight, TRUE);
    MoveWindow(severityChoice_, 2 * margin + textWidth, top, severityWidth, dropHeight, TRUE);
    MoveWindow(classChoice_, 3 * margin + textWidth + severityWidth, top, classWidth, dropHeight, TRUE);
    MoveWindow(view_.Handle(), 0, barHeight, width, std::max(0, height - barHeight - statusHeight), TRUE);
}

void CEventViewerFrame::ApplyFilter() {
    if (filterPending_) {
        KillTimer(window_, FilterTimer);
        filterPending_ = false;
    }
    RowFilter filter;
    filter.text = Narrow(WindowTextW(filterText_));
    filter.severity = static_cast<kestrav::SeverityChoice>(
        ChosenValue(severityChoice_, static_cast<LPARAM>(kestrav::SeverityChoice::All)));
    filter.eventClass = static_cast<int32_t>(ChosenValue(classChoice_, AnyClass));
    view_.SetFilter(std::move(filter));
    StatesChanged();
}

void CEventViewerFrame::StatesChanged() {
    UpdateMenuStates();
    UpdateClassChoice();
    UpdateStatusBar();
}

void CEventViewerFrame::UpdateStatusBar() {
    if (statusBar_ == nullptr) {
        return;
    }
    const std::wstring text =
        Widen(StatusCountsText(view_.AllRowCount(), view_.ShownRowCount(), view_.SelectedCount()));
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CEventViewerFrame::UpdateClassChoice() {
    // Once per fill: the classes of the log's rows, and the one chosen even when no row has it now.
    if (classChoice_ == nullptr || classesOfFill_ == view_.FillCount()) {
        return;
    }
    classesOfFill_ = view_.FillCount();
    const auto chosen = static_cast<int32_t>(ChosenValue(classChoice_, AnyClass));
    SendMessageW(classChoice_, CB_RESETCONTENT, 0, 0);
    int selected = 0;
    int at = 0;
    for (const kestrav::ChoiceItem& item : kestrav::ClassChoiceItems(view_.Filter().Rows(), chosen)) {
        AddChoice(classChoice_, item.label, item.value);
        if (item.value == chosen) {
            selected = at;
        }
        ++at;
    }
    SendMessageW(classChoice_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void CEventViewerFrame::OnListNotify(const NMHDR& header) {
    if (loading_) {
        return;
    }
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) == 0) {
            return;
        }
        if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
            UpdateStatusBar();
        }
        if ((change.uNewState & LVIS_FOCUSED) != 0 && (change.uOldState & LVIS_FOCUSED) == 0) {
            const CEventLogEntry* entry = view_.FocusedEntry();
            details_.Follow(entry != nullptr ? &entry->m_entry : nullptr);
        }
        return;
    }
    case LVN_ODSTATECHANGED:
        // A range of rows selected or cleared at once (Shift and a click, say).
        UpdateStatusBar();
        return;
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) {
            CopySelectedRows();
        }
        return;
    }
    case NM_RETURN:
    case NM_DBLCLK: ShowDetails(); return;
    default: return;
    }
}

void CEventViewerFrame::ShowContextMenu(LPARAM position) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    const UINT state = view_.SelectedCount() > 0 ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | state, CopyRowsCommand,
                Widen(ViewerTextUtf8(ViewerText::CopyRows)).c_str());
    const UINT details = view_.FocusedEntry() != nullptr ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | details, ShowDetailsCommand,
                Widen(ViewerTextUtf8(ViewerText::ShowDetails)).c_str());
    POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: below the focused row, or at the list's corner.
        RECT row{};
        row.left = LVIR_BOUNDS;
        const auto focused = static_cast<int>(SendMessageW(
            view_.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
        if (focused < 0 || !SendMessageW(view_.Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                                         reinterpret_cast<LPARAM>(&row))) {
            row = RECT{};
        }
        at = POINT{row.left, row.bottom};
        ClientToScreen(view_.Handle(), &at);
    }
    const auto chosen = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, window_, nullptr));
    DestroyMenu(menu);
    if (chosen != 0) {
        OnCommand(chosen, 0);
    }
}

void CEventViewerFrame::CopySelectedRows() {
    const std::vector<CEventLogEntry*> rows = view_.SelectedEntries();
    if (!rows.empty()) {
        PutOnClipboard(window_, CopyText(rows));
    }
}

void CEventViewerFrame::ShowDetails() {
    if (const CEventLogEntry* entry = view_.FocusedEntry()) {
        details_.Show(module_, window_, entry->m_entry);
    }
}

void CEventViewerFrame::SetLoading(bool loading) {
    loading_ = loading;
    if (loading) {
        listHadFocus_ = GetFocus() == view_.Handle();
        EnableWindow(view_.Handle(), FALSE);
    } else {
        EnableWindow(view_.Handle(), TRUE);
        if (listHadFocus_) {
            SetFocus(view_.Handle());
        }
    }
    UpdateMenuStates();
    if (!loading && closeAfterLoad_) {
        closeAfterLoad_ = false;
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

void CEventViewerFrame::OnCommand(uint32_t command, UINT code) {
    switch (command) {
    case FilterTextId:
        if (code == EN_CHANGE) {
            if (view_.AllRowCount() > ImmediateFilterRows) {
                filterPending_ = SetTimer(window_, FilterTimer, TypingPause, nullptr) != 0;
            }
            if (!filterPending_) {
                ApplyFilter();
            }
        } else if (code == EN_SETFOCUS) {
            // The texts are indexed when the field takes the focus, before the first keystroke waits for it.
            view_.Filter().PrepareIndex();
        }
        return;
    case SeverityChoiceId:
    case ClassChoiceId:
        if (code == CBN_SELCHANGE) {
            ApplyFilter();
        }
        return;
    default: break;
    }
    if (command == ExitCommand) {
        SendMessageW(window_, WM_CLOSE, 0, 0);
        return;
    }
    // Nothing but Exit runs while a load runs.
    if (loading_) {
        return;
    }
    switch (command) {
    case CopyRowsCommand: CopySelectedRows(); return;
    case ShowDetailsCommand: ShowDetails(); return;
    default: break;
    }
    // A greyed command does nothing, also when it arrives by its key.
    commands_.Execute(command);
}

} // namespace kestrav::win32
