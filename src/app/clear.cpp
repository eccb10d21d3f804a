#include "app/clear.h"

#include <cstdio>

#include "platform/system.h"

namespace kestrav {

namespace {

constexpr size_t AccountNameSize = 32;

} // namespace

uint32_t ClearAsAccount(std::optional<uint32_t> savedEnd, ClearReport& report) {
    char userName[AccountNameSize] = {};
    std::snprintf(userName, sizeof userName, "%s", UnknownUser);
    if (!platform::GetAccountName(userName)) {
        std::snprintf(userName, sizeof userName, "%s", UnknownUser);
    }
    return ClearSavedLog(userName, savedEnd, report);
}

} // namespace kestrav
