// The details window of an entry.
#include "viewer_win32/entry_details_wnd.h"

#include <cstdio>
#include <initializer_list>

#include "decode/event_text.h"
#include "viewer_core/list_order.h"
#include "viewer_core/row_texts.h"
#include "viewer_core/viewer_texts.h"
#include "viewer_win32/centred.h"
#include "viewer_win32/display_dpi.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::win32 {

namespace {

// In pixels at 96 dots per inch; scaled to the display's resolution.
constexpr int DetailsWidth = 640;
constexpr int DetailsHeight = 520;
constexpr int Margin = 8;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 26;
constexpr int TextFontHeight = -13;
constexpr UINT DpiChangedMessage = 0x02E0;

std::string Cell(const LogEntry& entry, int column) {
    char text[DescriptionBufferSize];
    FormatCellText(entry, column, text);
    return text;
}

// A number with its name: "15 (Critical)".
std::string Named(unsigned number, void (*format)(uint16_t, std::span<char>)) {
    char name[DescriptionBufferSize];
    format(static_cast<uint16_t>(number), std::span<char>(name, sizeof name));
    return std::to_string(number) + " (" + name + ")";
}

void SeverityName(uint16_t severity, std::span<char> out) {
    FormatSeverityName(static_cast<uint8_t>(severity), out);
}

// Line feeds as the edit control shows line breaks.
std::string WithCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

} // namespace

std::string DetailsText(const LogEntry& entry) {
    const struct {
        ViewerText label;
        std::string value;
    } fields[] = {
        {ViewerText::DetailsEventNumber, Cell(entry, EventNumberColumn)},
        {ViewerText::DetailsSeverity, Named(entry.Severity(), &SeverityName)},
        {ViewerText::DetailsClass, Named(entry.Class(), &FormatClassName)},
        {ViewerText::DetailsCode, std::to_string(entry.Code())},
        {ViewerText::DetailsInitialTime, Cell(entry, InitialTimeColumn)},
        {ViewerText::DetailsUpdateTime, Cell(entry, UpdateTimeColumn)},
        {ViewerText::DetailsCount, Cell(entry, CountColumn)},
        {ViewerText::DetailsEventDataLength, std::to_string(entry.EventDataLength())},
    };
    std::string text = ViewerTextUtf8(ViewerText::DetailsDescription);
    text += "\n" + Cell(entry, DescriptionColumn) + "\n\n";
    for (const auto& field : fields) {
        text += std::string(ViewerTextUtf8(field.label)) + ": " + field.value + "\n";
    }
    text += std::string("\n") + ViewerTextUtf8(ViewerText::DetailsEventData) + "\n";
    text += HexDump({entry.EventData(), EventDataSize});
    return WithCarriageReturns(text);
}

CEntryDetailsWnd::~CEntryDetailsWnd() {
    Destroy();
}

void CEntryDetailsWnd::Destroy() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    window_ = text_ = close_ = nullptr;
    for (HFONT* font : {&font_, &buttonFont_}) {
        if (*font != nullptr) {
            DeleteObject(*font);
            *font = nullptr;
        }
    }
}

bool CEntryDetailsWnd::Create(HINSTANCE module, HWND owner) {
    WNDCLASSEXW details{};
    details.cbSize = sizeof details;
    details.lpfnWndProc = &CEntryDetailsWnd::WindowProc;
    details.hInstance = module;
    details.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    details.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    details.lpszClassName = WindowClass;
    if (RegisterClassExW(&details) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    dpi_ = WindowDpi(owner);
    window_ = CreateWindowExW(
        WS_EX_DLGMODALFRAME, WindowClass, Widen(ViewerTextUtf8(ViewerText::DetailsTitle)).c_str(),
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT,
        ScaleToDpi(DetailsWidth, dpi_), ScaleToDpi(DetailsHeight, dpi_), owner, nullptr, module, this);
    if (window_ == nullptr) {
        return false;
    }
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(TextId)),
                            module, nullptr);
    close_ = CreateWindowExW(0, L"BUTTON", Widen(ViewerTextUtf8(ViewerText::DetailsClose)).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), module, nullptr);
    if (text_ == nullptr || close_ == nullptr) {
        Destroy();
        return false;
    }
    dpi_ = WindowDpi(window_);
    ApplyFonts();
    Layout();
    CentreOnOwner(window_, owner);
    return true;
}

void CEntryDetailsWnd::ApplyFonts() {
    HFONT oldText = font_;
    HFONT oldButton = buttonFont_;
    font_ = CreateFontW(ScaleToDpi(TextFontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        FIXED_PITCH | FF_MODERN, L"Courier New");
    buttonFont_ = DefaultGuiFont(dpi_);
    SendMessageW(text_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(font_ != nullptr ? font_ : GetStockObject(ANSI_FIXED_FONT)), TRUE);
    SendMessageW(
        close_, WM_SETFONT,
        reinterpret_cast<WPARAM>(buttonFont_ != nullptr ? buttonFont_ : GetStockObject(DEFAULT_GUI_FONT)),
        TRUE);
    // The controls let go of the old fonts above.
    for (HFONT old : {oldText, oldButton}) {
        if (old != nullptr) {
            DeleteObject(old);
        }
    }
}

void CEntryDetailsWnd::Layout() {
    RECT area{};
    GetClientRect(window_, &area);
    const int margin = ScaleToDpi(Margin, dpi_);
    const int buttonWidth = ScaleToDpi(ButtonWidth, dpi_);
    const int buttonHeight = ScaleToDpi(ButtonHeight, dpi_);
    MoveWindow(text_, margin, margin, area.right - 2 * margin, area.bottom - 3 * margin - buttonHeight, TRUE);
    MoveWindow(close_, area.right - margin - buttonWidth, area.bottom - margin - buttonHeight, buttonWidth,
               buttonHeight, TRUE);
}

void CEntryDetailsWnd::Show(HINSTANCE module, HWND owner, const LogEntry& entry) {
    if (window_ == nullptr && !Create(module, owner)) {
        return;
    }
    SetWindowTextW(text_, Widen(DetailsText(entry)).c_str());
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void CEntryDetailsWnd::Follow(const LogEntry* entry) {
    if (!IsOpen()) {
        return;
    }
    SetWindowTextW(text_, entry != nullptr ? Widen(DetailsText(*entry)).c_str() : L"");
}

LRESULT CALLBACK CEntryDetailsWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<CEntryDetailsWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_SIZE:
        if (self != nullptr && self->text_ != nullptr) {
            self->Layout();
        }
        return 0;
    case DpiChangedMessage:
        if (self != nullptr && self->text_ != nullptr && LOWORD(wParam) != 0) {
            self->dpi_ = LOWORD(wParam);
            self->ApplyFonts();
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                         suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            self->Layout();
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            ShowWindow(window, SW_HIDE);
        }
        return 0;
    case WM_CLOSE:
        // Closing only hides it: the next details open where this one was.
        ShowWindow(window, SW_HIDE);
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace kestrav::win32
