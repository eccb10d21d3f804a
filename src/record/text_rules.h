// The text rules that every output shares: a control character shown as an escape, so that a text from the
// log, a file name or an argument cannot start a line of its own or steer a terminal, and the status line's
// length, cut before a character that would not fit whole. The dump reader, the status log, the exports and
// the window all show texts by these rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrav {

inline constexpr size_t StatusLineBufferSize = 512;

// text as a status line holds it: control characters escaped (EscapeControls) but for the line end that
// ends a system message, at most 511 bytes, cut before a character that would not fit whole.
std::string CutStatusLine(std::string_view text);
// text with every control character written as an escape ("\n", "\r", "\t", else "\x1B"), so that a file
// name or an argument echoed to the status log cannot start a line of its own.
std::string EscapeControls(std::string_view text);

} // namespace kestrav
