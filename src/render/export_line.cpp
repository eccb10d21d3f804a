#include "render/export_line.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "decode/event_text.h"
#include "record/text_rules.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

void AppendNumber(std::string& out, long value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// A field as it is, or with its control characters escaped as the status log shows them: a note's CR LF must
// not start a line of its own (a forged entry), nor its ESC or BEL reach whoever shows the file.
void AppendField(std::string& line, const char* field) {
    const char* end = field + std::strlen(field);
    const bool plain =
        std::all_of(field, end, [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; });
    if (plain) {
        line.append(field, end);
    } else {
        line.append(EscapeControls(std::string_view(field, static_cast<size_t>(end - field))));
    }
}

} // namespace

std::string CsvHeaderLine() {
    std::string line;
    const StringId titles[] = {SeverityColumnTitle, EventNumberColumnTitle, ClassColumnTitle,
                               CodeColumnTitle,     UpdateTimeColumnTitle,  InitialTimeColumnTitle,
                               CountColumnTitle,    DescriptionColumnTitle};
    for (StringId title : titles) {
        if (!line.empty()) {
            line.push_back(',');
        }
        line.append(TableText(title));
    }
    line.append("\r\n");
    return line;
}

void AppendCsvLine(std::string& out, const LogEntry& entry) {
    char field[DescriptionBufferSize];
    std::string line;
    FormatSeverityName(entry.Severity(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, static_cast<int32_t>(entry.EventNumber()));
    line.push_back(',');
    FormatClassName(entry.Class(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, entry.Code());
    line.push_back(',');
    FormatEntryTime(entry.UpdateTime(), field);
    AppendField(line, field);
    line.push_back(',');
    FormatEntryTime(entry.InitialTime(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, static_cast<int32_t>(entry.Count()));
    line.push_back(',');
    FormatEntryDescription(entry, field);
    AppendField(line, field);
    line.append("\r\n");
    out.append(line);
}

} // namespace kestrav
