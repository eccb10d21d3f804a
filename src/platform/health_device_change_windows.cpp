// The kernel driver keeps its log in the firmware and says nothing about changes.
#include "platform/health_device_change.h"

namespace kestrav::platform {

std::optional<std::string> HealthDeviceChangeToken() {
    return std::nullopt;
}

} // namespace kestrav::platform
