// Texts that take rows out of the list, the same for every window: the selected rows copied as text, and an
// entry's event data as a hex dump for its details.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrav {

class CEventLogEntry;
struct LogEntry;

// One line per row, in the given order: the seven cell texts separated by tabs, each line ended by '\n'.
std::string CopyText(const std::vector<CEventLogEntry*>& rows);

inline constexpr size_t HexDumpBytesPerLine = 16;

// One line per 16 bytes, each ended by '\n': the offset as four upper-case hex digits, two blanks, the bytes
// as upper-case hex pairs separated by blanks (two blanks after the eighth), two blanks, and the bytes as
// characters, '.' for every byte outside 0x20 to 0x7E. A short last line is padded so that its characters
// stand under the others'.
std::string HexDump(std::span<const uint8_t> bytes);

} // namespace kestrav
