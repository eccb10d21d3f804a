// The resolution of the display and the fonts at it, through the newer functions when the system has them.
#include "viewer_win32/display_dpi.h"

#include <initializer_list>

namespace kestrav::win32 {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SystemParametersForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// A function of user32, or nullptr on a system without it.
template <typename Function> Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    // The address is that of the named function, whose type the caller gives.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : DefaultDpi;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : DefaultDpi;
}

// The non-client metrics at the resolution: asked for it where the system can, else those of the screen
// with their fonts grown from the screen's resolution.
bool Metrics(int dpi, NONCLIENTMETRICSW& metrics) {
    static const auto forDpi = User32Function<SystemParametersForDpiFunction>("SystemParametersInfoForDpi");
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof metrics;
    if (forDpi != nullptr) {
        return forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)) != 0;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return false;
    }
    const int screen = ScreenDpi();
    for (LOGFONTW* font : {&metrics.lfMessageFont, &metrics.lfStatusFont}) {
        font->lfHeight = MulDiv(font->lfHeight, dpi, screen);
    }
    return true;
}

} // namespace

int WindowDpi(HWND window) {
    static const auto forWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (window != nullptr && forWindow != nullptr) {
        const UINT dpi = forWindow(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

bool MessageFont(int dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics;
    if (!Metrics(dpi, metrics)) {
        return false;
    }
    font = metrics.lfMessageFont;
    return true;
}

bool StatusFont(int dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics;
    if (!Metrics(dpi, metrics)) {
        return false;
    }
    font = metrics.lfStatusFont;
    return true;
}

bool ListFont(int dpi, LOGFONTW& font) {
    static const auto forDpi = User32Function<SystemParametersForDpiFunction>("SystemParametersInfoForDpi");
    font = LOGFONTW{};
    if (forDpi != nullptr) {
        return forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, static_cast<UINT>(dpi)) != 0;
    }
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0)) {
        return false;
    }
    font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
    return true;
}

HFONT DefaultGuiFont(int dpi) {
    LOGFONTW font{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) != sizeof font) {
        return nullptr;
    }
    // The stock font is made for the screen's resolution.
    font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
    return CreateFontIndirectW(&font);
}

} // namespace kestrav::win32
