// The texts of the query outputs rendered in-process: JSON strings for every kind of byte a note can hold,
// ISO times, terminal widths, and whole JSON and CSV rows of constructed entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/entry_support.h"
#include "render/entry_formats.h"
#include "cli/run_support.h"

namespace kestrav {
namespace {

using clitest::MakeEntry;

std::string Json(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string out;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        out += pair;
    }
    return out;
}

TEST(QueryOutput, JsonStringsAreAlwaysValid) {
    struct Case {
        std::string text;
        std::string json;
    };
    const std::vector<Case> cases = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
        {std::string("\x01\t\n\r\x1b[31m\x1f\x7f", 11),
         "\"\\u0001\\u0009\\u000a\\u000d\\u001b[31m\\u001f\\u007f\""},
        {"\xE4\xBF\x9D\xE5\xAE\x88 \xC3\xA9 \xF0\x9F\x94\xA7",
         "\"\xE4\xBF\x9D\xE5\xAE\x88 \xC3\xA9 \xF0\x9F\x94\xA7\""},
        {"\xC2\x9B", "\"\xC2\x9B\""}, // a C1 control is valid UTF-8 and legal in a JSON string
        // Bytes that are not UTF-8 each become U+FFFD.
        {"a\xFF"
         "b",
         "\"a\\ufffdb\""},
        {"\x80\xBF", "\"\\ufffd\\ufffd\""},
        {"\xC3", "\"\\ufffd\""}, // cut at the end
        {"\xE4\xBF"
         "x",
         "\"\\ufffd\\ufffdx\""},                                  // cut in the middle
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},                       // overlong '/'
        {"\xE0\x80\xAF", "\"\\ufffd\\ufffd\\ufffd\""},            // overlong
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},            // a surrogate
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""}, // above U+10FFFF
        {"\xF5", "\"\\ufffd\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Json(c.text), c.json) << c.json;
    }
}

TEST(QueryOutput, TerminalWidths) {
    struct Case {
        std::string text;
        size_t width;
    };
    const std::vector<Case> cases = {
        {"", 0},
        {"Severity", 8},
        {"\xE9\x87\x8D\xE8\xA6\x81\xE5\xBA\xA6", 6}, // three wide characters
        {"\xC3\xA9t\xC3\xA9", 3},                    // narrow accented letters
        {"2026/12/7 14:05", 15},
        {"2:05\xE2\x80\xAFPM", 7}, // the narrow no-break space some locales use
        {"\xEF\xBC\xA1", 2},       // a full-width letter
        {"\xFF\xFE", 2},           // bytes that are not UTF-8 count one each
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayWidth(c.text), c.width) << c.text;
    }
}

// What a terminal would obey in a note is shown escaped: control characters (C1 ones too), bytes that are not
// UTF-8 (an 8-bit terminal takes 0x9B as CSI) and the bidirectional overrides and isolates.
TEST(QueryOutput, ListingEscapesWhatATerminalObeys) {
    struct Case {
        std::string note;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain \xC3\xA9t\xC3\xA9 \xE4\xBF\x9D", "plain \xC3\xA9t\xC3\xA9 \xE4\xBF\x9D"},
        {"a\r\nb\t\x1B[2J\x07", "a\\r\\nb\\t\\x1B[2J\\x07"},
        {"\xC2\x9B"
         "1m",
         "\\xC2\\x9B1m"},
        {"\x9B"
         "1m \x9D"
         "0;t\x07",
         "\\x9B1m \\x9D0;t\\x07"},
        {"\xE4\xBF x \xFF", "\\xE4\\xBF x \\xFF"},
        {"txt.\xE2\x80\xAE"
         "fdp.exe",
         "txt.\\u202Efdp.exe"},
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD", "\\u202A\\u202B\\u202C\\u202D"},
        {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", "\\u2066\\u2067\\u2068\\u2069"},
        {"\xE2\x80\x8F \xE2\x81\xA5", "\xE2\x80\x8F \xE2\x81\xA5"}, // neighbours stay
    };
    const std::string note = "Maintenance note: ";
    for (const Case& c : cases) {
        const std::vector<LogEntry> entries = {
            MakeEntry(5, 2, 33, 2, LogTime{20, 26, 12, 7, 14, 5}, LogTime{20, 26, 12, 7, 14, 5}, 1, c.note)};
        std::string line;
        AppendListLine(line, MeasureListing(entries), entries[0]);
        const size_t at = line.find(note);
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_EQ(line.substr(at + note.size()), c.shown + "\n");
    }
}

TEST(QueryOutput, IsoTimes) {
    struct Case {
        LogTime time;
        std::string text; // "" for an invalid stamp
    };
    const std::vector<Case> cases = {
        {{20, 26, 12, 8, 14, 5}, "2026-12-08T14:05"},
        {{0, 1, 1, 1, 0, 0}, "0001-01-01T00:00"},
        {{20, 150, 1, 1, 0, 0}, "2150-01-01T00:00"},
        {{20, 26, 2, 29, 10, 5}, ""},
        {{20, 26, 12, 8, 24, 0}, ""},
        {{0, 0, 0, 0, 0, 0}, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(AppendIsoTime(out, c.time), !c.text.empty());
        EXPECT_EQ(out, c.text);
    }
}

// A note holding a quote, commas, a line break and an escape, with an invalid initial time.
LogEntry AwkwardNote() {
    LogEntry entry = MakeEntry(0x80000000u, 2, 33, 2, LogTime{20, 26, 2, 30, 9, 0},
                               LogTime{20, 26, 12, 8, 14, 5}, 0xFFFFFFFFu, "say \"hi\", then\r\nleave\x1b");
    return entry;
}

TEST(QueryOutput, JsonLineHasEveryField) {
    const LogEntry entry = AwkwardNote();
    std::string line;
    const clitest::ScopedZone zone("Asia/Tokyo");
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    AppendJsonLine(line, entry);
    EXPECT_EQ(line,
              "{\"event_number\":2147483648,\"severity\":2,\"severity_name\":\"Informational\",\"class\":33,"
              "\"class_name\":\"Maintenance\",\"code\":2,\"update_time\":\"2026-12-08T14:05:00+09:00\","
              "\"initial_time\":null,\"host\":\"" +
                  std::string(host) +
                  "\",\"count\":4294967295,"
                  "\"description\":\"Maintenance note: say \\\"hi\\\", then\\u000d\\u000aleave\\u001b\","
                  "\"data\":\"" +
                  Hex(entry.EventData(), EventDataSize) + "\",\"raw\":\"" + Hex(entry.bytes, LogEntrySize) +
                  "\"}\n");
    EXPECT_EQ(Hex(entry.EventData(), 4), "73617920");
    EXPECT_EQ(Hex(entry.EventData(), EventDataSize).size(), 456u); // trailing zero bytes kept
}

// Every byte value in the hex fields, from offsets that do and do not start a block of sixteen.
TEST(QueryOutput, HexFieldsHoldEveryByteValue) {
    LogEntry entry;
    for (size_t i = 0; i < LogEntrySize; ++i) {
        entry.bytes[i] = static_cast<uint8_t>(255 - i);
    }
    std::string line;
    AppendJsonLine(line, entry);
    EXPECT_NE(line.find("\"data\":\"" + Hex(entry.EventData(), EventDataSize) + "\""), std::string::npos);
    EXPECT_NE(line.find("\"raw\":\"" + Hex(entry.bytes, LogEntrySize) + "\""), std::string::npos);
}

TEST(QueryOutput, CsvRowsQuoteWhatNeedsIt) {
    std::string csv;
    AppendCsvHeaderRow(csv);
    const LogEntry awkward = AwkwardNote();
    AppendCsvRow(csv, awkward);
    const LogEntry plain = MakeEntry(3, 15, 39, 3, LogTime{20, 26, 12, 7, 14, 5},
                                     LogTime{20, 26, 12, 7, 14, 5}, 1, std::string("\x2C\x01", 2));
    AppendCsvRow(csv, plain);
    EXPECT_EQ(csv, "event_number,severity,severity_name,class,class_name,code,update_time,initial_time,count,"
                   "description,data,raw\r\n"
                   "2147483648,2,Informational,33,Maintenance,2,2026-12-08T14:05,,4294967295,"
                   "\"Maintenance note: say \"\"hi\"\", then\r\nleave\x1b\"," +
                       Hex(awkward.EventData(), EventDataSize) + "," + Hex(awkward.bytes, LogEntrySize) +
                       "\r\n"
                       "3,15,Critical,39,Power Capping,3,2026-12-07T14:05,2026-12-07T14:05,1,"
                       "Power Cap Cannot Be Reached With Current System Configuration (Power Cap 300W)," +
                       Hex(plain.EventData(), EventDataSize) + "," + Hex(plain.bytes, LogEntrySize) + "\r\n");

    // Shown on a terminal, the texts are escaped as the listing's are; quotes and commas still quote.
    std::string shown;
    AppendCsvRow(shown, awkward, false, true);
    EXPECT_EQ(shown, "2147483648,2,Informational,33,Maintenance,2,2026-12-08T14:05,,4294967295,"
                     "\"Maintenance note: say \"\"hi\"\", then\\r\\nleave\\x1B\"," +
                         Hex(awkward.EventData(), EventDataSize) + "," + Hex(awkward.bytes, LogEntrySize) +
                         "\r\n");
}

} // namespace
} // namespace kestrav
