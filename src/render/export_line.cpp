#include "render/export_line.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "decode/event_text.h"
#include "record/text_rules.h"
#include "render/entry_fields.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

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
    for (EntryField field : ColumnFields) {
        if (field != ColumnFields[0]) {
            line.push_back(',');
        }
        line.append(TableText(FieldOf(field).title));
    }
    line.append("\r\n");
    return line;
}

void AppendCsvLine(std::string& out, const LogEntry& entry) {
    char field[DescriptionBufferSize];
    std::string line;
    for (EntryField column : ColumnFields) {
        if (column != ColumnFields[0]) {
            line.push_back(',');
        }
        FormatColumnText(entry, column, field);
        AppendField(line, field);
    }
    line.append("\r\n");
    out.append(line);
}

} // namespace kestrav
