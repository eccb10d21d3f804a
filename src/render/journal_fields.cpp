#include "render/journal_fields.h"

#include <cstdio>

#include "decode/event_text.h"
#include "record/severity.h"
#include "render/entry_formats.h"

namespace kestrav {

int JournalPriority(uint8_t severity) {
    return SeverityOf(severity).priority;
}

std::vector<std::string> JournalFields(const LogEntry& entry) {
    char text[DescriptionBufferSize];
    std::vector<std::string> fields;
    auto add = [&fields](const char* name, std::string value) { fields.push_back(name + value); };
    auto time = [](const LogTime& stamp) {
        std::string out;
        AppendIsoTime(out, stamp);
        return out;
    };
    FormatEntryDescription(entry, text);
    add("MESSAGE=", text);
    add("PRIORITY=", std::to_string(JournalPriority(entry.Severity())));
    add("SYSLOG_IDENTIFIER=", "kestrav");
    add("CVR_EVENT_NUMBER=", std::to_string(entry.EventNumber()));
    add("CVR_CLASS=", std::to_string(entry.Class()));
    FormatClassName(entry.Class(), text);
    add("CVR_CLASS_NAME=", text);
    add("CVR_CODE=", std::to_string(entry.Code()));
    add("CVR_SEVERITY=", std::to_string(entry.Severity()));
    FormatSeverityName(entry.Severity(), text);
    add("CVR_SEVERITY_NAME=", text);
    add("CVR_COUNT=", std::to_string(entry.Count()));
    add("CVR_UPDATE_TIME=", time(entry.UpdateTime()));
    add("CVR_INITIAL_TIME=", time(entry.InitialTime()));
    std::string raw;
    raw.reserve(2 * LogEntrySize);
    for (uint8_t byte : entry.bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        raw.append(hex, 2);
    }
    add("CVR_RAW=", raw);
    return fields;
}

} // namespace kestrav
