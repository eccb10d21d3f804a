#include "log/log_entry.h"

#include "platform/system.h"

namespace kestrav {

void GetLogTime(LogTime& time) {
    std::tm now = platform::LocalTimeNow();
    int year = now.tm_year + 1900;
    time.century = static_cast<uint8_t>(year / 100);
    time.year = static_cast<uint8_t>(year % 100);
    time.month = static_cast<uint8_t>(now.tm_mon + 1);
    time.day = static_cast<uint8_t>(now.tm_mday);
    time.hour = static_cast<uint8_t>(now.tm_hour);
    time.minute = static_cast<uint8_t>(now.tm_min);
}

}  // namespace kestrav
