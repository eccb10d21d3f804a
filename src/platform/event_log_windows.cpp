// The Application log through ReportEventW. The source is registered once per process, on the first event,
// and stays open until the process ends.
#include <windows.h>

#include <string>

#include "platform/event_log.h"

namespace kestrav::platform {

namespace {

constexpr size_t MaxTexts = 8;

HANDLE EventSource() {
    static HANDLE source = RegisterEventSourceW(nullptr, L"Kestrav");
    return source;
}

std::wstring Wide(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    }
    return wide;
}

WORD EventType(EventKind kind) {
    switch (kind) {
    case EventKind::Warning: return EVENTLOG_WARNING_TYPE;
    case EventKind::Error: return EVENTLOG_ERROR_TYPE;
    case EventKind::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

} // namespace

bool SystemEventsReported() {
    return true;
}

void ReportSystemEvent(uint32_t eventId, EventKind kind, std::span<const std::string_view> texts) {
    HANDLE source = EventSource();
    if (source == nullptr) {
        return;
    }
    std::wstring wide[MaxTexts];
    LPCWSTR strings[MaxTexts] = {};
    const size_t count = texts.size() < MaxTexts ? texts.size() : MaxTexts;
    for (size_t i = 0; i < count; ++i) {
        wide[i] = Wide(texts[i]);
        strings[i] = wide[i].c_str();
    }
    ReportEventW(source, EventType(kind), 0, eventId, nullptr, static_cast<WORD>(count), 0, strings, nullptr);
}

} // namespace kestrav::platform
