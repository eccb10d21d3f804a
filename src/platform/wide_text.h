// Windows only: conversion between this program's UTF-8 texts and the system's UTF-16, so that nothing
// depends on the active code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestrav::platform {

// False for bytes that are not UTF-8 (out is then empty).
inline bool WideFromUtf8(std::string_view text, std::wstring& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    if (text.size() > 0x7FFFFFFF) {
        return false;
    }
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    out.resize(static_cast<size_t>(length));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), length) ==
           length;
}

// An unpaired surrogate becomes U+FFFD.
inline std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    if (text.empty() || text.size() > 0x7FFFFFFF) {
        return out;
    }
    int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return out;
    }
    out.resize(static_cast<size_t>(length));
    int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

} // namespace kestrav::platform
