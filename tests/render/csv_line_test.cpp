// The export's header and entry lines, rendered in-process from constructed entries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/export_line.h"

namespace kestrav {
namespace {

struct EntryFields {
    uint32_t number;
    uint8_t severity;
    uint16_t eventClass;
    uint16_t code;
    LogTime initial;
    LogTime update;
    uint32_t count;
    std::string data; // event data bytes
};

LogEntry MakeEntry(const EntryFields& fields) {
    LogEntry entry;
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + fields.data.size() + 1));
    entry.SetEventNumber(fields.number);
    entry.SetHeaderByte6(1);
    entry.SetSeverity(fields.severity);
    entry.SetClass(fields.eventClass);
    entry.SetCode(fields.code);
    entry.SetInitialTime(fields.initial);
    entry.SetUpdateTime(fields.update);
    entry.SetCount(fields.count);
    std::memcpy(entry.EventData(), fields.data.data(), std::min(fields.data.size(), EventDataSize));
    return entry;
}

class CsvLines : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_MESSAGES");
        unsetenv("LC_TIME");
        unsetenv("LANG");
        setenv("LC_ALL", "C", 1);
    }
    void TearDown() override { unsetenv("LC_ALL"); }
};

TEST_F(CsvLines, HeaderInBothLanguages) {
    EXPECT_EQ(CsvHeaderLine(),
              "Severity,Event Number,Class,Code,Update Time,Initial Time,Count,Description\r\n");
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(CsvHeaderLine(), "重要度,イベント番号,クラス,コード,更新日時,初回日時,回数,説明\r\n");
}

TEST_F(CsvLines, EntryLines) {
    const LogTime dec7{20, 26, 12, 7, 14, 5};
    const LogTime jan2{20, 27, 1, 2, 9, 30};
    const LogTime zero{};
    const std::vector<std::pair<EntryFields, std::string>> rows = {
        {{5, 2, 33, 2, dec7, dec7, 1, "disk replaced"},
         "Informational,5,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Maintenance note: disk "
         "replaced"},
        {{6, 15, 41, 1, dec7, jan2, 3, std::string("\0Fan 3", 6)},
         "Critical,6,Interlock,1,1/2/2027 9:30 AM,12/7/2026 2:05 PM,3,"
         "Improperly seated or missing device (Unknown interlock type, Fan 3)"},
        {{0x80000000u, 7, 300, 65535, zero, zero, 0xFFFFFFFFu, ""},
         "Unknown,-2147483648,Unknown,65535,Invalid: 0/0/0 12:00 AM,Invalid: 0/0/0 12:00 AM,-1,"
         "Unknown Event (Class 0x12C, Code 0xFFFF)"},
        {{7, 6, 33, 1, dec7, LogTime{20, 26, 2, 29, 24, 0}, 1, "<UNKNOWN USER>"},
         "Repaired,7,Maintenance,1,Invalid: 2/29/2026 Invalid: 24:0,12/7/2026 2:05 PM,1,CVR Cleared "
         "(<UNKNOWN USER>)"},
        // Control characters are escaped as the status log shows them: every entry is one line, and a note's
        // CR LF cannot add a row of its own, nor its ESC and BEL reach whoever shows the file.
        {{8, 9, 33, 2, dec7, dec7, 1, "line one\nline two"},
         "Caution,8,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Maintenance note: line one\\nline "
         "two"},
        {{9, 2, 33, 2, dec7, dec7, 1,
          "ok\r\nCritical,4242,Power,1,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Fake\x1B]0;x\x07\t\x7F"},
         "Informational,9,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Maintenance note: ok\\r\\n"
         "Critical,4242,Power,1,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Fake\\x1B]0;x\\x07\\t\\x7F"},
        // Other bytes stay as they are.
        {{10, 2, 33, 2, dec7, dec7, 1, "caf\xC3\xA9 \xE9 \\x1B"},
         "Informational,10,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Maintenance note: caf\xC3\xA9 "
         "\xE9 \\x1B"},
    };
    for (const auto& [fields, line] : rows) {
        std::string out = "previous\r\n";
        AppendCsvLine(out, MakeEntry(fields));
        EXPECT_EQ(out, "previous\r\n" + line + "\r\n");
    }
}

} // namespace
} // namespace kestrav
