// The three outputs of a query run, each appended to a caller's text: the aligned listing for a terminal,
// JSON Lines and RFC 4180 CSV. The listing shows the texts of the classic export; JSON and CSV carry every
// field of the record, the decoded texts and the bytes themselves.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "record/log_entry.h"

namespace kestrav {

// The column widths of a listing: the widest cell of each of the first seven columns, header included (the
// description is last and never padded).
struct ListLayout {
    size_t widths[7] = {};
};

// With utc set (--utc), the two times of every line are written in UTC instead of the host's local time, in
// which the log's stamps are kept.
ListLayout MeasureListing(std::span<const LogEntry> entries, bool utc = false);

// The header line of column titles in the current language, and the line of one entry: cells padded with
// blanks to their column's width, two blanks between columns. What a terminal would obey is shown escaped, so
// that a note cannot break the line or steer the terminal: control characters ("\n", "\x1B", "\xC2\x9B"),
// bytes that are not valid UTF-8 ("\x9B") and the bidirectional controls ("\u202E"); widths count the
// escapes. Each line ends in "\n".
void AppendListHeader(std::string& out, const ListLayout& layout);
void AppendListLine(std::string& out, const ListLayout& layout, const LogEntry& entry, bool utc = false);

// text for a terminal, as the listing shows it: every control character, C1 ones included, as an escape
// ("\n", "\x1B", "\xC2\x9B"), each byte that is not part of a valid UTF-8 sequence as "\x9B" (an 8-bit
// terminal obeys 0x9B as CSI), and the bidirectional controls as "\u202E". What it writes is valid UTF-8.
// Every output that shows a log text to a person (the check, the HTML report) uses it too.
void AppendShownText(std::string& out, std::string_view text);

// The columns a terminal gives text: 2 for East Asian wide characters, 1 for any other character or for a
// byte that is not part of a valid UTF-8 sequence.
size_t DisplayWidth(std::string_view text);

// "YYYY-MM-DDTHH:MM" for a valid stamp; nothing for an invalid one (the caller writes null or an empty
// field).
bool AppendIsoTime(std::string& out, const LogTime& time);

// RFC 3339 for a valid stamp: "YYYY-MM-DDTHH:MM:00+HH:MM" with the host zone's offset at that time ("-00:00"
// when the system cannot tell it), or with utc the same instant as "YYYY-MM-DDTHH:MM:00Z"; nothing for an
// invalid stamp.
bool AppendRfc3339Time(std::string& out, const LogTime& time, bool utc);

// The bytes as lower-case hex digits, two per byte.
void AppendHexBytes(std::string& out, std::span<const uint8_t> bytes);

// text as a JSON string in double quotes: quote and backslash escaped, control characters as \u00xx, and
// each byte that is not part of a valid UTF-8 sequence as \ufffd, so that the line is always valid JSON.
void AppendJsonString(std::string& out, std::string_view text);

// One JSON object for the entry on one line, ending in "\n": its times in RFC 3339, and the host's name.
void AppendJsonLine(std::string& out, const LogEntry& entry, bool utc = false);

// The CSV header row and the row of one entry, each ending in "\r\n"; a field that holds a comma, a quote,
// CR or LF is quoted, with quotes doubled.
void AppendCsvHeaderRow(std::string& out);
// The times as "YYYY-MM-DDTHH:MM" in local time, or with utc in RFC 3339 UTC. With terminal set (the rows
// are shown, not stored) the texts are escaped as the listing's are.
void AppendCsvRow(std::string& out, const LogEntry& entry, bool utc = false, bool terminal = false);

} // namespace kestrav
