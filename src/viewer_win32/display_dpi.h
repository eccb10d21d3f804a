// The dots per inch of the display a window stands on, and the system's fonts at that resolution. The
// functions that tell a window's own resolution came with Windows 10; they are looked up when first needed,
// so that the program still starts on Windows 8.1, where the resolution of the whole screen is used.
#pragma once

#include <windows.h>

namespace kestrav::win32 {

inline constexpr int DefaultDpi = 96;

// The resolution the window is drawn at; the screen's before there is a window (nullptr).
int WindowDpi(HWND window);

// The system's fonts at the resolution: the one of messages and controls, of the status bar, and of the
// list's rows (the icon titles). False when the system gives none.
bool MessageFont(int dpi, LOGFONTW& font);
bool StatusFont(int dpi, LOGFONTW& font);
bool ListFont(int dpi, LOGFONTW& font);

// The font of the default stock font (nullptr when it has none) at the resolution; the caller owns it.
HFONT DefaultGuiFont(int dpi);

} // namespace kestrav::win32
