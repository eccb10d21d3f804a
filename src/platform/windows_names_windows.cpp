#include "platform/windows_names.h"

#include <array>

namespace kestrav {

namespace {

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        wchar_t a = text[i] == L'/' ? L'\\' : Upper(text[i]);
        if (a != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool EqualsNoCase(std::wstring_view text, std::wstring_view word) {
    return text.size() == word.size() && StartsWithNoCase(text, word);
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The names that are devices whatever follows them; the numbered ones also with the superscript digits the
// system counts as digits there.
bool IsReservedBase(std::wstring_view base) {
    static constexpr std::array<std::wstring_view, 6> Plain = {L"CON", L"PRN",    L"AUX",
                                                               L"NUL", L"CONIN$", L"CONOUT$"};
    for (std::wstring_view name : Plain) {
        if (EqualsNoCase(base, name)) {
            return true;
        }
    }
    if (base.size() != 4 || !(StartsWithNoCase(base, L"COM") || StartsWithNoCase(base, L"LPT"))) {
        return false;
    }
    wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

} // namespace

bool IsDeviceFileName(std::wstring_view name) {
    // "\\.\X", "\\?\GLOBALROOT\..." and the native "\??\" reach the object namespace; "\\?\" is a disk path
    // only before a drive letter, "UNC\" or a volume name.
    if (StartsWithNoCase(name, L"\\\\.\\") || StartsWithNoCase(name, L"\\??\\")) {
        return true;
    }
    if (StartsWithNoCase(name, L"\\\\?\\")) {
        std::wstring_view rest = name.substr(4);
        bool drive =
            rest.size() >= 2 && rest[1] == L':' && ((Upper(rest[0]) >= L'A' && Upper(rest[0]) <= L'Z'));
        if (!drive && !StartsWithNoCase(rest, L"UNC\\") && !StartsWithNoCase(rest, L"VOLUME{")) {
            return true;
        }
    }
    size_t start = name.size();
    while (start > 0 && !IsSeparator(name[start - 1])) {
        --start;
    }
    std::wstring_view last = name.substr(start);
    // "C:NUL" is NUL on drive C.
    if (start == 0 && last.size() >= 2 && last[1] == L':') {
        last.remove_prefix(2);
    }
    // The base name ends at the first dot or colon (an extension or a stream); blanks before it and trailing
    // dots and blanks do not count.
    size_t end = last.find_first_of(L".:");
    std::wstring_view base = last.substr(0, end == std::wstring_view::npos ? last.size() : end);
    while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) {
        base.remove_suffix(1);
    }
    return IsReservedBase(base);
}

bool IsStreamName(std::wstring_view name) {
    if (StartsWithNoCase(name, L"\\\\?\\") || StartsWithNoCase(name, L"\\\\.\\")) {
        name.remove_prefix(4);
    }
    if (name.size() >= 2 && name[1] == L':' && Upper(name[0]) >= L'A' && Upper(name[0]) <= L'Z') {
        name.remove_prefix(2);
    }
    return name.find(L':') != std::wstring_view::npos;
}

} // namespace kestrav
