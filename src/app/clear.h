// Clearing the log in the name of the account that runs the program, for the command line's /clear and the
// window's Clear command alike.
#pragma once

#include <cstdint>
#include <optional>

#include "log/log_ops.h"

namespace kestrav {

// The name that the entry recording the clear carries when the account's cannot be had.
inline constexpr const char* UnknownUser = "<UNKNOWN USER>";

// Erases the log as ClearSavedLog does, the entry that records it naming the effective user's account (or
// UnknownUser); savedEnd is where a save's walk found the end of the log, when a save came first.
uint32_t ClearAsAccount(std::optional<uint32_t> savedEnd, ClearReport& report);

} // namespace kestrav
