// Linux implementations of the operating-system services: the C library for the clock, the account and error
// texts, ICU for the locale's date and time texts.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include "platform/system.h"

namespace kestrav::platform {

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool LocalTimeToInstant(std::tm local, int64_t& instant) {
    // Whether daylight saving is in force then is the zone's to decide.
    local.tm_isdst = -1;
    // -1 is also one second before 1970; the day of the week is set only when the call succeeded.
    local.tm_wday = -1;
    std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1) && local.tm_wday < 0) {
        return false;
    }
    instant = static_cast<int64_t>(t);
    return true;
}

bool InstantToLocalTime(int64_t instant, std::tm& local) {
    std::time_t t = static_cast<std::time_t>(instant);
    return localtime_r(&t, &local) != nullptr;
}

bool GetHostName(std::span<char> out) {
    if (out.size() < 2 || gethostname(out.data(), out.size()) != 0) {
        return false;
    }
    out[out.size() - 1] = '\0';
    return out[0] != '\0';
}

bool GetAccountName(std::span<char> out) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    char storage[4096];
    if (getpwuid_r(geteuid(), &entry, storage, sizeof storage, &found) != 0 || found == nullptr ||
        found->pw_name == nullptr) {
        return false;
    }
    size_t length = std::strlen(found->pw_name);
    if (length == 0 || length + 1 > out.size()) {
        return false;
    }
    std::memcpy(out.data(), found->pw_name, length + 1);
    return true;
}

bool GetErrorText(uint32_t code, std::span<char> out) {
    if (out.empty() || code == 0 || code > 4095) {
        return false;
    }
    char text[256];
    const char* message = strerror_r(static_cast<int>(code), text, sizeof text);
    if (message == nullptr || std::strncmp(message, "Unknown error", 13) == 0) {
        return false;
    }
    std::strncpy(out.data(), message, out.size() - 1);
    out[out.size() - 1] = '\0';
    return true;
}

namespace {

// The user's locale for dates and times: LC_ALL, else LC_TIME, else LANG; unset, C or POSIX count as en_US.
// Written into a fixed buffer without its encoding or modifier, so that the check on every call allocates
// nothing.
void TimeLocaleName(char (&name)[64]) {
    const char* value = nullptr;
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            break;
        }
    }
    size_t length = value == nullptr ? 0 : std::strcspn(value, ".@");
    if (length == 0 || length >= sizeof name || (length == 1 && value[0] == 'C') ||
        (length == 5 && std::strncmp(value, "POSIX", 5) == 0)) {
        std::strcpy(name, "en_US");
        return;
    }
    std::memcpy(name, value, length);
    name[length] = '\0';
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// ICU formatters for one locale, made once and kept until the locale changes, with caches of finished texts:
// every time of day, and the most recent dates by a small direct-mapped table.
class LocaleTexts {
public:
    static LocaleTexts& Current() {
        static thread_local LocaleTexts texts;
        char name[64];
        TimeLocaleName(name);
        if (std::strcmp(name, texts.name_) != 0) {
            texts.Build(name);
        }
        return texts;
    }

    bool Date(int year, int month, int day, std::span<char> out) {
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
            return false;
        }
        uint32_t key =
            static_cast<uint32_t>(year) << 9 | static_cast<uint32_t>(month) << 5 | static_cast<uint32_t>(day);
        DateSlot& slot = dates_[(key * 2654435761u) >> (32 - kDateBits)];
        if (slot.key != key) {
            calendar_->clear();
            calendar_->set(year, month - 1, day, 12, 0, 0);
            Render(*dateFormat_, slot.text, sizeof slot.text);
            slot.key = key;
        }
        return Copy(slot.text, out);
    }

    bool Time(int hour, int minute, std::span<char> out) {
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
            return false;
        }
        TimeSlot& slot = times_[hour * 60 + minute];
        if (!slot.ready) {
            calendar_->clear();
            calendar_->set(2000, 0, 1, hour, minute, 0);
            Render(*timeFormat_, slot.text, sizeof slot.text);
            slot.ready = true;
        }
        return Copy(slot.text, out);
    }

private:
    static constexpr int kDateBits = 10;
    struct DateSlot {
        uint32_t key = 0;
        char text[64] = {};
    };
    struct TimeSlot {
        bool ready = false;
        char text[64] = {};
    };

    // Whether ICU has date formats for the locale's language; one it has none for would be served by ICU's
    // neutral root forms (2026-12-7 16:12), which no user of any locale writes.
    static bool HasDateData(const icu::Locale& locale) {
        int32_t count = 0;
        const icu::Locale* available = icu::DateFormat::getAvailableLocales(count);
        for (int32_t i = 0; i < count; ++i) {
            if (std::strcmp(available[i].getLanguage(), locale.getLanguage()) == 0) {
                return true;
            }
        }
        return false;
    }

    void Build(const char* name) {
        std::strcpy(name_, name);
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale locale(name);
        std::unique_ptr<icu::DateTimePatternGenerator> generator;
        if (HasDateData(locale)) {
            generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
        }
        if (U_FAILURE(status) || generator == nullptr) {
            // A locale that ICU cannot serve renders as the default one, as C and POSIX do.
            status = U_ZERO_ERROR;
            locale = icu::Locale("en_US");
            generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
        }
        icu::UnicodeString datePattern = generator->getBestPattern(icu::UnicodeString("yMd"), status);
        icu::UnicodeString timePattern = generator->getBestPattern(icu::UnicodeString("jmm"), status);
        dateFormat_ = std::make_unique<icu::SimpleDateFormat>(datePattern, locale, status);
        timeFormat_ = std::make_unique<icu::SimpleDateFormat>(timePattern, locale, status);
        calendar_ =
            std::make_unique<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(), locale, status);
        dateFormat_->setTimeZone(*icu::TimeZone::getGMT());
        timeFormat_->setTimeZone(*icu::TimeZone::getGMT());
        std::fill(std::begin(dates_), std::end(dates_), DateSlot{});
        std::fill(std::begin(times_), std::end(times_), TimeSlot{});
    }

    // Formats the calendar's moment; the no-break and narrow blanks that some locales use become plain
    // blanks.
    void Render(icu::SimpleDateFormat& format, char* text, size_t size) {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString result;
        format.format(calendar_->getTime(status), result);
        result.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x00A0)), icu::UnicodeString(" "));
        result.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x202F)), icu::UnicodeString(" "));
        result.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x2009)), icu::UnicodeString(" "));
        std::string utf8;
        result.toUTF8String(utf8);
        std::strncpy(text, utf8.c_str(), size - 1);
        text[size - 1] = '\0';
    }

    static bool Copy(const char* text, std::span<char> out) {
        if (out.empty()) {
            return false;
        }
        const size_t length = std::min(std::strlen(text), out.size() - 1);
        std::memcpy(out.data(), text, length);
        out[length] = '\0';
        return true;
    }

    char name_[64] = {};
    std::unique_ptr<icu::SimpleDateFormat> dateFormat_;
    std::unique_ptr<icu::SimpleDateFormat> timeFormat_;
    std::unique_ptr<icu::GregorianCalendar> calendar_;
    DateSlot dates_[1 << kDateBits];
    TimeSlot times_[24 * 60];
};

} // namespace

bool FormatLocaleDate(int year, int month, int day, std::span<char> out) {
    return LocaleTexts::Current().Date(year, month, day, out);
}

bool FormatLocaleTime(int hour, int minute, std::span<char> out) {
    return LocaleTexts::Current().Time(hour, minute, out);
}

bool UserLanguageIsJapanese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return std::strncmp(value, "ja", 2) == 0;
        }
    }
    return false;
}

const char* ProcessCommandLine() {
    return nullptr;
}

} // namespace kestrav::platform
