// The details of one entry, opened from the list by Enter, a double click or the context menu: the whole
// description, every field of the record's header and the 228 bytes of event data as a hex dump, in one
// read-only text in a fixed-width font. The window stays open beside the list and follows its focused row.
#pragma once

#include <windows.h>

#include <string>

#include "record/log_entry.h"

namespace kestrav::win32 {

// The details as the window shows them: lines ended by carriage return and line feed.
std::string DetailsText(const LogEntry& entry);

class CEntryDetailsWnd {
public:
    static constexpr const wchar_t* WindowClass = L"KestravEntryDetails";
    static constexpr int TextId = 0x7F20;

    CEntryDetailsWnd() = default;
    ~CEntryDetailsWnd();
    CEntryDetailsWnd(const CEntryDetailsWnd&) = delete;
    CEntryDetailsWnd& operator=(const CEntryDetailsWnd&) = delete;

    // Shows a copy of the entry, making the window (owned by owner) the first time.
    void Show(HINSTANCE module, HWND owner, const LogEntry& entry);
    // Shows another entry, if the window is open; nullptr empties it.
    void Follow(const LogEntry* entry);
    void Destroy();

    HWND Handle() const { return window_; }
    HWND Text() const { return text_; }
    bool IsOpen() const { return window_ != nullptr && IsWindowVisible(window_); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Create(HINSTANCE module, HWND owner);
    void Layout();
    // The text's and the button's fonts at the window's resolution.
    void ApplyFonts();

    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HWND close_ = nullptr;
    HFONT font_ = nullptr;
    HFONT buttonFont_ = nullptr;
    int dpi_ = 96;
};

} // namespace kestrav::win32
