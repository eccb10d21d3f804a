// Windows implementations of the operating-system services: the local clock, the account name, the system
// message table, and the user's locale for date and time texts and for the language of the program's texts.
// Every text is taken from the system in UTF-16 and handed on as UTF-8, whatever the active code page.
#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/system.h"
#include "platform/wide_text.h"

namespace kestrav::platform {

std::tm LocalTimeNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm local{};
    local.tm_year = now.wYear - 1900;
    local.tm_mon = now.wMonth - 1;
    local.tm_mday = now.wDay;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    local.tm_sec = now.wSecond;
    local.tm_wday = now.wDayOfWeek;
    local.tm_isdst = -1;
    return local;
}

bool LocalTimeToInstant(std::tm local, int64_t& instant) {
    // Whether daylight saving is in force then is the zone's to decide.
    local.tm_isdst = -1;
    __time64_t t = _mktime64(&local);
    if (t == -1) {
        return false;
    }
    instant = static_cast<int64_t>(t);
    return true;
}

bool InstantToLocalTime(int64_t instant, std::tm& local) {
    __time64_t t = static_cast<__time64_t>(instant);
    return _localtime64_s(&local, &t) == 0;
}

bool GetHostName(std::span<char> out) {
    DWORD size = static_cast<DWORD>(out.size() > MAXDWORD ? MAXDWORD : out.size());
    return size > 1 && GetComputerNameExA(ComputerNameDnsHostname, out.data(), &size) && out[0] != '\0';
}

bool GetAccountName(std::span<char> out) {
    // The longest account name is 256 characters.
    wchar_t name[257];
    DWORD size = 257;
    if (out.empty() || !GetUserNameW(name, &size)) {
        return false;
    }
    std::string text = Utf8FromWide(std::wstring_view(name, wcsnlen(name, 257)));
    if (text.empty() || text.size() + 1 > out.size()) {
        return false;
    }
    std::memcpy(out.data(), text.c_str(), text.size() + 1);
    return true;
}

bool GetErrorText(uint32_t code, std::span<char> out) {
    if (out.empty()) {
        return false;
    }
    // The system's message texts hold at most 260 characters.
    wchar_t wide[261];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), wide, 261, nullptr);
    if (length == 0 || length >= 261) {
        return false;
    }
    std::string text = Utf8FromWide(std::wstring_view(wide, length));
    // The messages end their lines in "\r\n"; the status log makes its own "\r\n" of every "\n", so the
    // carriage returns go here. A character is never cut in two.
    size_t written = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        if (written + 1 >= out.size()) {
            while (written > 0 && (static_cast<unsigned char>(out[written]) & 0xC0) == 0x80) {
                --written;
            }
            break;
        }
        out[written++] = text[i];
    }
    out[written] = '\0';
    return true;
}

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsCalendarDate(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 0xFFFF || month < 1 || month > 12 || day < 1) {
        return false;
    }
    return day <= (month == 2 && IsLeapYear(year) ? 29 : days[month - 1]);
}

// A formatted text in UTF-8 into out; false when it does not fit whole.
bool CopyOut(const wchar_t* text, std::span<char> out) {
    std::string utf8 = Utf8FromWide(text);
    if (utf8.empty() || utf8.size() + 1 > out.size()) {
        return false;
    }
    std::memcpy(out.data(), utf8.c_str(), utf8.size() + 1);
    return true;
}

} // namespace

bool FormatLocaleDate(int year, int month, int day, std::span<char> out) {
    // The date is checked here as well: some systems' date formatting turns 29 February of a common year
    // into 1 March instead of refusing it, which would show a date the entry never held.
    if (out.empty() || !IsCalendarDate(year, month, day)) {
        return false;
    }
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    wchar_t text[128];
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text, 128) > 0 &&
           CopyOut(text, out);
}

bool FormatLocaleTime(int hour, int minute, std::span<char> out) {
    if (out.empty() || hour < 0 || hour > 0xFFFF || minute < 0 || minute > 0xFFFF) {
        return false;
    }
    // The time is judged on its own: the date part is any valid one.
    SYSTEMTIME time{};
    time.wYear = 2000;
    time.wMonth = 1;
    time.wDay = 1;
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    wchar_t text[128];
    return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text, 128) > 0 &&
           CopyOut(text, out);
}

bool UserLanguageIsJapanese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

const char* ProcessCommandLine() {
    static const std::string received = Utf8FromWide(GetCommandLineW());
    return received.c_str();
}

} // namespace kestrav::platform
