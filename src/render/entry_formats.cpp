#include "render/entry_formats.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decode/event_text.h"
#include "platform/system.h"
#include "record/stamp.h"
#include "render/civil_time.h"
#include "render/entry_fields.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

constexpr size_t ListColumns = std::size(ColumnFields);
constexpr const char* ColumnGap = "  ";
constexpr const char* HexDigits = "0123456789abcdef";

// The length of the valid UTF-8 sequence at text[at] (1 to 4) with its code point; 0 when the bytes there
// are not one (a stray continuation byte, a cut sequence, an overlong form, a surrogate, above U+10FFFF).
size_t Utf8SequenceAt(std::string_view text, size_t at, uint32_t& codePoint) {
    const unsigned char first = static_cast<unsigned char>(text[at]);
    if (first < 0x80) {
        codePoint = first;
        return 1;
    }
    size_t length = first >= 0xC2 && first <= 0xDF   ? 2
                    : first >= 0xE0 && first <= 0xEF ? 3
                    : first >= 0xF0 && first <= 0xF4 ? 4
                                                     : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    uint32_t value = first & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = value << 6 | (next & 0x3F);
    }
    static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    codePoint = value;
    return length;
}

bool IsWide(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

void AppendNumber(std::string& out, int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// Every byte's two hex digits, so that a byte costs one lookup.
struct HexPairs {
    char pairs[256][2];
    constexpr HexPairs() : pairs() {
        for (int i = 0; i < 256; ++i) {
            pairs[i][0] = HexDigits[i >> 4];
            pairs[i][1] = HexDigits[i & 0x0F];
        }
    }
};
constexpr HexPairs HexTable;

// Sixteen bytes' digits at a time where the processor has SSE2 (every x86-64 does): each nibble becomes '0'
// plus itself, plus 39 more past 9 to reach 'a'; high and low nibbles are then interleaved.
size_t HexBlocks(char* hex, const uint8_t* bytes, size_t count) {
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi8(0x0F);
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i letters = _mm_set1_epi8('a' - '0' - 10);
    auto digits = [&](__m128i nibbles) {
        const __m128i past = _mm_and_si128(_mm_cmpgt_epi8(nibbles, nine), letters);
        return _mm_add_epi8(_mm_add_epi8(nibbles, zero), past);
    };
    size_t done = 0;
    for (; done + 16 <= count; done += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done));
        const __m128i high = digits(_mm_and_si128(_mm_srli_epi16(block, 4), low));
        const __m128i lowDigits = digits(_mm_and_si128(block, low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hex + 2 * done), _mm_unpacklo_epi8(high, lowDigits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hex + 2 * done + 16), _mm_unpackhi_epi8(high, lowDigits));
    }
    return done;
#else
    (void)hex;
    (void)bytes;
    (void)count;
    return 0;
#endif
}

// Bidirectional overrides and isolates: shown raw they reorder what a terminal shows after them.
bool IsBidiControl(uint32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

void AppendShownText(std::string& out, std::string_view text) {
    auto hexByte = [&out](unsigned char byte) {
        out.append("\\x");
        out.push_back("0123456789ABCDEF"[byte >> 4]);
        out.push_back("0123456789ABCDEF"[byte & 0x0F]);
    };
    for (size_t at = 0; at < text.size();) {
        // A run of printable ASCII goes out as it is, in one piece.
        size_t run = at;
        while (run < text.size() && text[run] >= 0x20 && text[run] < 0x7F) {
            ++run;
        }
        if (run > at) {
            out.append(text.substr(at, run - at));
            at = run;
            continue;
        }
        uint32_t codePoint = 0;
        const size_t length = Utf8SequenceAt(text, at, codePoint);
        if (length == 0) {
            hexByte(static_cast<unsigned char>(text[at]));
            ++at;
            continue;
        }
        if (IsBidiControl(codePoint)) {
            out.append("\\u");
            for (int shift = 12; shift >= 0; shift -= 4) {
                out.push_back("0123456789ABCDEF"[(codePoint >> shift) & 0x0F]);
            }
            at += length;
            continue;
        }
        const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
        if (!control) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        for (size_t i = 0; i < length; ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[at + i]);
            switch (byte) {
            case '\n': out.append("\\n"); break;
            case '\r': out.append("\\r"); break;
            case '\t': out.append("\\t"); break;
            default: hexByte(byte); break;
            }
        }
        at += length;
    }
}

namespace {

bool IsPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// The columns text takes on a terminal once escaped.
size_t EscapedWidth(std::string_view text) {
    if (IsPrintableAscii(text)) {
        return text.size();
    }
    std::string escaped;
    AppendShownText(escaped, text);
    return DisplayWidth(escaped);
}

// A valid stamp as a wall-clock time of the host's zone, with the zone's offset then; offsetKnown is false
// when the system cannot tell it.
bool StampTime(const LogTime& stamp, CivilTime& local, int64_t& offset, bool& offsetKnown) {
    const std::optional<CivilTime> civil = StampCivil(stamp);
    if (!civil) {
        return false;
    }
    local = *civil;
    // Asking the zone costs a look at its file for each stamp; its rules change offsets only on a full or
    // half hour, so the answers for the half hours of the last months or so, in the same zone, are kept: a
    // log's stamps come in no order, and its update and initial times alternate.
    struct Answer {
        int64_t halfHour = INT64_MIN; // none asked yet
        int32_t offset = 0;
        bool known = false;
    };
    constexpr size_t Slots = 16384; // 341 days of half hours
    struct Cached {
        std::string zone = "\n";
        std::vector<Answer> answers = std::vector<Answer>(Slots);
    };
    thread_local std::unique_ptr<Cached> cached;
    const char* zone = std::getenv("TZ");
    const std::string_view zoneName = zone != nullptr ? zone : "\n"; // unset: the system's own zone
    if (cached == nullptr || cached->zone != zoneName) {
        cached = std::make_unique<Cached>();
        cached->zone = zoneName;
    }
    const int64_t halfHour = CivilSeconds(local) / 1800;
    Answer& answer = cached->answers[static_cast<uint64_t>(halfHour) % Slots];
    if (answer.halfHour != halfHour) {
        int64_t asked = 0;
        answer.known = HostOffsetAt(local, asked) && asked > INT32_MIN && asked < INT32_MAX;
        answer.offset = answer.known ? static_cast<int32_t>(asked) : 0;
        answer.halfHour = halfHour;
    }
    offset = answer.offset;
    offsetKnown = answer.known;
    return true;
}

// The stamp moved from the host's local time to UTC; an invalid stamp, or one whose offset the system cannot
// tell, as it is.
LogTime StampInUtc(const LogTime& stamp) {
    CivilTime local;
    int64_t offset = 0;
    bool offsetKnown = false;
    if (!StampTime(stamp, local, offset, offsetKnown) || !offsetKnown) {
        return stamp;
    }
    const CivilTime utc = CivilFromSeconds(CivilSeconds(local) - offset);
    if (utc.year < 1 || utc.year > 9999) {
        return stamp;
    }
    LogTime moved = stamp;
    moved.century = static_cast<uint8_t>(utc.year / 100);
    moved.year = static_cast<uint8_t>(utc.year % 100);
    moved.month = static_cast<uint8_t>(utc.month);
    moved.day = static_cast<uint8_t>(utc.day);
    moved.hour = static_cast<uint8_t>(utc.hour);
    moved.minute = static_cast<uint8_t>(utc.minute);
    return moved;
}

// The texts of an entry's columns; with utc its two times in UTC.
struct ListCells {
    char cells[ListColumns][DescriptionBufferSize];

    ListCells(const LogEntry& entry, bool utc) {
        for (size_t column = 0; column < ListColumns; ++column) {
            const EntryField field = ColumnFields[column];
            if (utc && FieldOf(field).kind == FieldKind::Time) {
                FormatEntryTime(StampInUtc(FieldTime(entry, field)), cells[column]);
            } else {
                FormatColumnText(entry, field, cells[column]);
            }
        }
    }
};

// Every cell escaped, as the description is: a locale's date or a name could hold what a terminal obeys.
void AppendListCells(std::string& out, const ListLayout& layout,
                     const std::string_view (&cells)[ListColumns]) {
    for (size_t column = 0; column + 1 < ListColumns; ++column) {
        const size_t start = out.size();
        AppendShownText(out, cells[column]);
        const size_t width = DisplayWidth(std::string_view(out).substr(start));
        out.append(layout.widths[column] > width ? layout.widths[column] - width : 0, ' ');
        out.append(ColumnGap);
    }
    AppendShownText(out, cells[ListColumns - 1]);
    out.push_back('\n');
}

std::string_view ListTitle(size_t column) {
    return TableText(FieldOf(ColumnFields[column]).title);
}

// A CSV field as it is, or in quotes with its quotes doubled when it holds a comma, quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view field) {
    // One pass over the field: find_first_of would search its set of four once per byte.
    const bool plain = std::none_of(field.begin(), field.end(),
                                    [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
    if (plain) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

} // namespace

// In pieces through a local buffer: growing the string first would fill it with zeros only to overwrite them.
void AppendHexBytes(std::string& out, std::span<const uint8_t> all) {
    const uint8_t* bytes = all.data();
    size_t count = all.size();
    char hex[2 * LogEntrySize];
    while (count > 0) {
        const size_t piece = std::min(count, LogEntrySize);
        for (size_t i = HexBlocks(hex, bytes, piece); i < piece; ++i) {
            std::memcpy(hex + 2 * i, HexTable.pairs[bytes[i]], 2);
        }
        out.append(hex, 2 * piece);
        bytes += piece;
        count -= piece;
    }
}

size_t DisplayWidth(std::string_view text) {
    size_t width = 0;
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++width;
            ++at;
            continue;
        }
        uint32_t codePoint = 0;
        size_t length = Utf8SequenceAt(text, at, codePoint);
        width += length != 0 && IsWide(codePoint) ? 2 : 1;
        at += std::max<size_t>(length, 1);
    }
    return width;
}

// MeasureListing measures the columns by their values below, in this order.
static_assert(ColumnFields[0] == EntryField::SeverityName && ColumnFields[1] == EntryField::EventNumber &&
              ColumnFields[2] == EntryField::ClassName && ColumnFields[3] == EntryField::Code &&
              ColumnFields[4] == EntryField::UpdateTime && ColumnFields[5] == EntryField::InitialTime &&
              ColumnFields[6] == EntryField::Count && ColumnFields[7] == EntryField::Description);

ListLayout MeasureListing(std::span<const LogEntry> entries, bool utc) {
    ListLayout layout;
    for (size_t column = 0; column + 1 < ListColumns; ++column) {
        layout.widths[column] = EscapedWidth(ListTitle(column));
    }
    // Only the two times are formatted per entry: a name's width depends on its value alone and is worked out
    // once per value, and a number's width is its digit count.
    std::vector<uint8_t> severityWidths(256, 0);
    std::vector<uint8_t> classWidths(65536, 0);
    // A known width is kept plus one, so that zero means not worked out yet.
    auto nameWidth = [](uint8_t& known, auto format) {
        if (known != 0) {
            return static_cast<size_t>(known - 1);
        }
        char text[DescriptionBufferSize];
        format(std::span<char>(text));
        const size_t width = EscapedWidth(text);
        if (width < 255) {
            known = static_cast<uint8_t>(width + 1);
        }
        return width;
    };
    auto digits = [](int64_t value) {
        char text[24];
        return static_cast<size_t>(std::to_chars(text, text + sizeof text, value).ptr - text);
    };
    // A time's width is its date's, one blank and its time of day's; each is worked out once per value.
    std::unordered_map<uint32_t, size_t> dateWidths;
    std::vector<uint8_t> clockWidths(24 * 60, 0);
    auto timeWidth = [&](const LogTime& stamp) {
        char text[64];
        const uint32_t dateKey =
            static_cast<uint32_t>(stamp.century) << 24 | stamp.year << 16 | stamp.month << 8 | stamp.day;
        auto [date, added] = dateWidths.try_emplace(dateKey, 0);
        if (added) {
            FormatEntryDate(stamp, text);
            date->second = EscapedWidth(text);
        }
        size_t clock = 0;
        if (stamp.hour < 24 && stamp.minute < 60) {
            clock = nameWidth(clockWidths[stamp.hour * 60 + stamp.minute],
                              [&](std::span<char> out) { FormatEntryClock(stamp, out); });
        } else {
            FormatEntryClock(stamp, text);
            clock = EscapedWidth(text);
        }
        return date->second + 1 + clock;
    };
    for (const LogEntry& entry : entries) {
        size_t widths[ListColumns - 1];
        widths[0] = nameWidth(severityWidths[entry.Severity()],
                              [&](std::span<char> out) { FormatSeverityName(entry.Severity(), out); });
        widths[1] = digits(static_cast<int32_t>(entry.EventNumber()));
        widths[2] = nameWidth(classWidths[entry.Class()],
                              [&](std::span<char> out) { FormatClassName(entry.Class(), out); });
        widths[3] = digits(entry.Code());
        widths[4] = timeWidth(utc ? StampInUtc(entry.UpdateTime()) : entry.UpdateTime());
        widths[5] = timeWidth(utc ? StampInUtc(entry.InitialTime()) : entry.InitialTime());
        widths[6] = digits(static_cast<int32_t>(entry.Count()));
        for (size_t column = 0; column + 1 < ListColumns; ++column) {
            layout.widths[column] = std::max(layout.widths[column], widths[column]);
        }
    }
    return layout;
}

void AppendListHeader(std::string& out, const ListLayout& layout) {
    std::string_view cells[ListColumns];
    for (size_t column = 0; column < ListColumns; ++column) {
        cells[column] = ListTitle(column);
    }
    AppendListCells(out, layout, cells);
}

void AppendListLine(std::string& out, const ListLayout& layout, const LogEntry& entry, bool utc) {
    const ListCells texts(entry, utc);
    std::string_view cells[ListColumns];
    for (size_t column = 0; column < ListColumns; ++column) {
        cells[column] = texts.cells[column];
    }
    AppendListCells(out, layout, cells);
}

bool AppendIsoTime(std::string& out, const LogTime& time) {
    std::optional<MinuteKey> minute = StampMinute(time);
    if (!minute) {
        return false;
    }
    // Written digit by digit: two stamps on every line, and printf would parse its format for each.
    const int year = time.century * 100 + time.year;
    char text[16];
    auto two = [&text](size_t at, int value) {
        text[at] = static_cast<char>('0' + value / 10 % 10);
        text[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    text[4] = '-';
    two(5, time.month);
    text[7] = '-';
    two(8, time.day);
    text[10] = 'T';
    two(11, time.hour);
    text[13] = ':';
    two(14, time.minute);
    out.append(text, 16);
    return true;
}

bool AppendRfc3339Time(std::string& out, const LogTime& time, bool utc) {
    CivilTime local;
    int64_t offset = 0;
    bool offsetKnown = false;
    if (!StampTime(time, local, offset, offsetKnown)) {
        return false;
    }
    const CivilTime shown = utc && offsetKnown ? CivilFromSeconds(CivilSeconds(local) - offset) : local;
    // Written digit by digit, as the plain stamps are: two on every line. A year of other than four digits
    // (stamps reach 25599) is written as it is.
    char text[48];
    auto two = [&text](size_t at, int value) {
        text[at] = static_cast<char>('0' + value / 10 % 10);
        text[at + 1] = static_cast<char>('0' + value % 10);
    };
    size_t length = 0;
    if (shown.year >= 0 && shown.year <= 9999) {
        two(0, shown.year / 100);
        two(2, shown.year % 100);
        length = 4;
    } else {
        length = static_cast<size_t>(std::snprintf(text, 16, "%04d", shown.year));
    }
    text[length] = '-';
    two(length + 1, shown.month);
    text[length + 3] = '-';
    two(length + 4, shown.day);
    text[length + 6] = 'T';
    two(length + 7, shown.hour);
    text[length + 9] = ':';
    two(length + 10, shown.minute);
    std::memcpy(text + length + 12, ":00", 3);
    length += 15;
    if (utc && offsetKnown) {
        text[length++] = 'Z';
    } else {
        // An offset the zone cannot tell is written -00:00, RFC 3339's way of saying it is unknown.
        const int64_t minutes = offsetKnown ? (offset < 0 ? -offset : offset) / 60 : 0;
        text[length] = offsetKnown && offset >= 0 ? '+' : '-';
        two(length + 1, static_cast<int>(minutes / 60 % 100));
        text[length + 3] = ':';
        two(length + 4, static_cast<int>(minutes % 60));
        length += 6;
    }
    out.append(text, length);
    return true;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (size_t at = 0; at < text.size();) {
        // A run of printable ASCII other than quote and backslash goes out as it is, in one piece.
        size_t run = at;
        while (run < text.size() && text[run] >= 0x20 && text[run] < 0x7F && text[run] != '"' &&
               text[run] != '\\') {
            ++run;
        }
        if (run > at) {
            out.append(text.substr(at, run - at));
            at = run;
            continue;
        }
        uint32_t codePoint = 0;
        size_t length = Utf8SequenceAt(text, at, codePoint);
        if (length == 0) {
            out.append("\\ufffd");
            ++at;
            continue;
        }
        if (codePoint == '"' || codePoint == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x20 || codePoint == 0x7F) {
            out.append("\\u00");
            out.push_back(HexDigits[codePoint >> 4]);
            out.push_back(HexDigits[codePoint & 0x0F]);
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    out.push_back('"');
}

void AppendJsonLine(std::string& out, const LogEntry& entry, bool utc) {
    char text[DescriptionBufferSize];
    char separator = '{';
    for (EntryField field : JsonFields) {
        const FieldRow& row = FieldOf(field);
        out.push_back(separator);
        separator = ',';
        out.push_back('"');
        out.append(row.key);
        out.append("\":");
        switch (row.kind) {
        case FieldKind::Number: AppendNumber(out, FieldNumber(entry, field)); break;
        case FieldKind::Text:
            FormatFieldText(entry, field, text);
            AppendJsonString(out, text);
            break;
        case FieldKind::Time:
            // An invalid stamp is null.
            out.push_back('"');
            if (AppendRfc3339Time(out, FieldTime(entry, field), utc)) {
                out.push_back('"');
            } else {
                out.back() = 'n';
                out.append("ull");
            }
            break;
        case FieldKind::Bytes:
            out.push_back('"');
            AppendHexBytes(out, FieldBytes(entry, field));
            out.push_back('"');
            break;
        }
    }
    out.append("}\n");
}

void AppendCsvHeaderRow(std::string& out) {
    for (EntryField field : CsvFields) {
        if (field != CsvFields[0]) {
            out.push_back(',');
        }
        out.append(FieldOf(field).key);
    }
    out.append("\r\n");
}

void AppendCsvRow(std::string& out, const LogEntry& entry, bool utc, bool terminal) {
    char text[DescriptionBufferSize];
    std::string escaped;
    for (EntryField field : CsvFields) {
        if (field != CsvFields[0]) {
            out.push_back(',');
        }
        switch (FieldOf(field).kind) {
        case FieldKind::Number: AppendNumber(out, FieldNumber(entry, field)); break;
        case FieldKind::Text:
            // For a terminal the texts are escaped as the listing's are; a file or a pipe gets them whole.
            FormatFieldText(entry, field, text);
            if (terminal) {
                escaped.clear();
                AppendShownText(escaped, text);
                AppendCsvField(out, escaped);
            } else {
                AppendCsvField(out, text);
            }
            break;
        case FieldKind::Time:
            // The stored local time as before; in UTC, marked as such. An invalid stamp is an empty field.
            if (utc) {
                AppendRfc3339Time(out, FieldTime(entry, field), true);
            } else {
                AppendIsoTime(out, FieldTime(entry, field));
            }
            break;
        case FieldKind::Bytes: AppendHexBytes(out, FieldBytes(entry, field)); break;
        }
    }
    out.append("\r\n");
}

} // namespace kestrav
