#include "render/entry_fields.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "decode/event_text.h"
#include "platform/system.h"
#include "record/severity.h"

namespace kestrav {

namespace {

// The host's name, looked up once; empty when it cannot be obtained.
const std::string& HostName() {
    static const std::string name = [] {
        char text[256] = {};
        return platform::GetHostName(text) ? std::string(text) : std::string();
    }();
    return name;
}

void Copy(std::span<char> buffer, std::string_view text) {
    const size_t length = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), length);
    buffer[length] = '\0';
}

} // namespace

uint32_t FieldNumber(const LogEntry& entry, EntryField field) {
    switch (field) {
    case EntryField::EventNumber: return entry.EventNumber();
    case EntryField::Severity: return entry.Severity();
    case EntryField::Class: return entry.Class();
    case EntryField::Code: return entry.Code();
    case EntryField::Priority: return static_cast<uint32_t>(SeverityOf(entry.Severity()).priority);
    case EntryField::Count: return entry.Count();
    default: return 0;
    }
}

LogTime FieldTime(const LogEntry& entry, EntryField field) {
    switch (field) {
    case EntryField::UpdateTime: return entry.UpdateTime();
    case EntryField::InitialTime: return entry.InitialTime();
    default: return LogTime{};
    }
}

std::span<const uint8_t> FieldBytes(const LogEntry& entry, EntryField field) {
    switch (field) {
    case EntryField::Data: return {entry.EventData(), EventDataSize};
    case EntryField::Raw: return entry.bytes;
    default: return {};
    }
}

void FormatFieldText(const LogEntry& entry, EntryField field, std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    switch (field) {
    case EntryField::SeverityName: FormatSeverityName(entry.Severity(), buffer); break;
    case EntryField::ClassName: FormatClassName(entry.Class(), buffer); break;
    case EntryField::Description: FormatEntryDescription(entry, buffer); break;
    case EntryField::Host: Copy(buffer, HostName()); break;
    case EntryField::Program: Copy(buffer, "kestrav"); break;
    default: buffer[0] = '\0'; break;
    }
}

void FormatColumnText(const LogEntry& entry, EntryField field, std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    const FieldRow& row = FieldOf(field);
    switch (row.kind) {
    case FieldKind::Number: {
        const uint32_t value = FieldNumber(entry, field);
        const auto [end, error] =
            row.signedInColumns
                ? std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, static_cast<int32_t>(value))
                : std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, value);
        *(error == std::errc() ? end : buffer.data()) = '\0';
        break;
    }
    case FieldKind::Text: FormatFieldText(entry, field, buffer); break;
    case FieldKind::Time: FormatEntryTime(FieldTime(entry, field), buffer); break;
    case FieldKind::Bytes: buffer[0] = '\0'; break; // no column shows bytes
    }
}

} // namespace kestrav
