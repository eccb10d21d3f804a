// A picture of a window as the display shows it, saved as a 24-bit BMP file: the window tests' pictures and
// the bench's picture of the window on a large log.
#pragma once

#include <windows.h>

namespace kestrav::wintest {

// Draws the window and its children at once and copies them from the display (Wine's PrintWindow leaves
// the children undrawn). False when the copy or the file failed.
bool SaveWindowPicture(HWND window, const char* path);

} // namespace kestrav::wintest
