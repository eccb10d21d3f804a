// Operating-system services other than the health device: the local clock, the account name, the system's
// text for an error code, date and time texts in the user's locale, the user's language, the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

namespace kestrav::platform {

// Whether this is the Windows build: the few texts and conventions that differ by system (help, where a help
// request is answered, export names) choose by it, so that no code outside this folder names a system.
#ifdef _WIN32
inline constexpr bool WindowsHost = true;
#else
inline constexpr bool WindowsHost = false;
#endif

// The line end of console output and diagnostics: "\r\n" on Windows, as its C runtime's text mode wrote it,
// "\n" elsewhere.
inline constexpr std::string_view ConsoleLineEnd = WindowsHost ? "\r\n" : "\n";

// The local date and time now.
std::tm LocalTimeNow();

// The instant (seconds since 1970-01-01 00:00 UTC) that a wall-clock time of the host's zone names, by the
// zone's rules in force then (a time that a clock change skips or repeats is resolved as the system does);
// false when the system cannot tell. Only the date, hour, minute and second of local are read.
bool LocalTimeToInstant(std::tm local, int64_t& instant);

// The host zone's wall-clock time at an instant; false when the system cannot tell.
bool InstantToLocalTime(int64_t instant, std::tm& local);

// The host's name as the network knows it; false when it cannot be obtained or does not fit in out.
bool GetHostName(std::span<char> out);

// The name of the account of the effective user; false when it cannot be obtained or does not fit in out
// (out then holds whatever it held before).
bool GetAccountName(std::span<char> out);

// The system's own text for a status code; false when the system has none.
bool GetErrorText(uint32_t code, std::span<char> out);

// The user's locale's short date (year, month, day) and time without seconds (hour, minute); false when the
// values do not form a valid date or time.
bool FormatLocaleDate(int year, int month, int day, std::span<char> out);
bool FormatLocaleTime(int hour, int minute, std::span<char> out);

// Whether the user's language for the program's texts is Japanese (otherwise they are English): on Linux
// LC_ALL, else LC_MESSAGES, else LANG (empty values count as unset) starting with "ja"; on Windows the user's
// interface language.
bool UserLanguageIsJapanese();

// The full command line exactly as the process received it, program path included; nullptr where the system
// keeps none, and the caller then rebuilds it from the argument vector.
const char* ProcessCommandLine();

} // namespace kestrav::platform
