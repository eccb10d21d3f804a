// Finding the window's resources in a language and converting texts.
#include "viewer_win32/win32_resources.h"

#include <vector>

#include "resources/string_table.h"

namespace kestrav::win32 {

namespace {

// One entry of an accelerator table as the resource compiler stores it; the last one has the end flag.
struct StoredAccelerator {
    WORD flags;
    WORD key;
    WORD command;
    WORD padding;
};
constexpr WORD LastAcceleratorFlag = 0x80;

} // namespace

LANGID ResourceLanguage() {
    return CurrentLanguage() == Language::Japanese ? JapaneseResources : EnglishResources;
}

const void* FindLanguageResource(HINSTANCE module, LPCWSTR type, WORD id, LANGID language, DWORD& size) {
    size = 0;
    HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    if (found == nullptr && language != EnglishResources) {
        found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), EnglishResources);
    }
    if (found == nullptr) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data != nullptr) {
        size = SizeofResource(module, found);
    }
    return data;
}

HMENU LoadFrameMenu(HINSTANCE module, LANGID language) {
    DWORD size = 0;
    const void* data = FindLanguageResource(module, MAKEINTRESOURCEW(4), FrameResource, language, size);
    return data != nullptr ? LoadMenuIndirectW(data) : nullptr;
}

HACCEL LoadFrameAccelerators(HINSTANCE module, LANGID language) {
    DWORD size = 0;
    const auto* stored = static_cast<const StoredAccelerator*>(
        FindLanguageResource(module, MAKEINTRESOURCEW(9), FrameResource, language, size));
    if (stored == nullptr) {
        return nullptr;
    }
    std::vector<ACCEL> keys;
    const size_t count = size / sizeof(StoredAccelerator);
    for (size_t i = 0; i < count; ++i) {
        keys.push_back(ACCEL{static_cast<BYTE>(stored[i].flags & 0x7F), stored[i].key, stored[i].command});
        if ((stored[i].flags & LastAcceleratorFlag) != 0) {
            break;
        }
    }
    return keys.empty() ? nullptr : CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

const DLGTEMPLATE* NoteDialogTemplate(HINSTANCE module, LANGID language) {
    DWORD size = 0;
    return static_cast<const DLGTEMPLATE*>(
        FindLanguageResource(module, MAKEINTRESOURCEW(5), NoteDialogResource, language, size));
}

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    }
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                            nullptr, nullptr);
    }
    return utf8;
}

size_t Utf8Bytes(wchar_t unit) {
    if (unit < 0x80) {
        return 1;
    }
    if (unit < 0x800) {
        return 2;
    }
    if (unit >= 0xD800 && unit < 0xDC00) {
        return 4;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
        return 0;
    }
    return 3;
}

} // namespace kestrav::win32
