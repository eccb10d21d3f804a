#include "render/journal_fields.h"

#include <string>

#include "decode/event_text.h"
#include "record/severity.h"
#include "render/entry_fields.h"
#include "render/entry_formats.h"

namespace kestrav {

int JournalPriority(uint8_t severity) {
    return SeverityOf(severity).priority;
}

std::vector<std::string> JournalFields(const LogEntry& entry) {
    char text[DescriptionBufferSize];
    std::vector<std::string> fields;
    for (EntryField field : JournalFieldOrder) {
        const FieldRow& row = FieldOf(field);
        std::string value = std::string(row.journalName) + "=";
        switch (row.kind) {
        case FieldKind::Number: value += std::to_string(FieldNumber(entry, field)); break;
        case FieldKind::Text:
            FormatFieldText(entry, field, text);
            value += text;
            break;
        case FieldKind::Time: AppendIsoTime(value, FieldTime(entry, field)); break; // empty when invalid
        case FieldKind::Bytes: AppendHexBytes(value, FieldBytes(entry, field)); break;
        }
        fields.push_back(std::move(value));
    }
    return fields;
}

} // namespace kestrav
