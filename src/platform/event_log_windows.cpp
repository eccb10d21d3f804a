// The Application log through ReportEventW. The source is registered once per process, on the first event,
// and stays open until the process ends.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/wide_text.h"

namespace kestrav::platform {

namespace {

// The handle, or nullptr with the reason of the one attempt in error.
HANDLE EventSource(DWORD& error) {
    static DWORD failure = 0;
    static HANDLE source = [] {
        HANDLE handle = RegisterEventSourceW(nullptr, L"Kestrav");
        failure = handle == nullptr ? GetLastError() : 0;
        return handle;
    }();
    error = failure;
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

uint32_t ReportSystemEvent(uint32_t eventId, EventKind kind, std::span<const std::string_view> texts) {
    DWORD error = 0;
    HANDLE source = EventSource(error);
    if (source == nullptr) {
        return error;
    }
    const size_t count = texts.size() < MaxEventTexts ? texts.size() : MaxEventTexts;
    std::vector<std::wstring> wide(count);
    std::vector<LPCWSTR> strings(count);
    for (size_t i = 0; i < count; ++i) {
        wide[i] = Wide(texts[i]);
        strings[i] = wide[i].c_str();
    }
    if (!ReportEventW(source, EventType(kind), 0, eventId, nullptr, static_cast<WORD>(count), 0,
                      strings.data(), nullptr)) {
        return GetLastError();
    }
    return 0;
}

std::optional<std::string> EventLogFollowerStatePath() {
    // The variable that the boot task's own command line names its state by.
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"ProgramData", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return Utf8FromWide(std::wstring_view(folder, length)) + "\\Kestrav\\follow.state";
}

} // namespace kestrav::platform
