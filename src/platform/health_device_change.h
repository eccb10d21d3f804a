// Whether the health device's log may have changed, told without a request: a token that differs whenever
// the log was written. A follower compares tokens taken before two reads and skips the read when they are
// equal. The emulated device's store carries a change counter in its header that every write raises; the
// kernel driver tells nothing of the kind, so there the token is always unknown and every poll reads.
#pragma once

#include <optional>
#include <string>

namespace kestrav::platform {

// Unset when the device cannot tell (or its files cannot be looked at): the caller must read.
std::optional<std::string> HealthDeviceChangeToken();

} // namespace kestrav::platform
