#include "log/log_entry.h"

#include "platform/system.h"

namespace kestrav {

void GetLogTime(LogTime& time) {
    time = MakeLogTime(platform::LocalTimeNow());
}

} // namespace kestrav
