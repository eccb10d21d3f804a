#include "app/outcome_texts.h"

#include <cstdio>

#include "platform/system.h"
#include "record/health_protocol.h"
#include "record/text_rules.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

// The system's message texts hold at most 260 characters.
constexpr size_t ErrorTextSize = 261;

} // namespace

std::string StatusErrorText(uint32_t code) {
    if (code == DeviceNotAvailable) {
        return TableText(DriverNotLoadedText);
    }
    char text[ErrorTextSize] = {};
    if (platform::GetErrorText(code, text) && text[0] != '\0') {
        return text;
    }
    char unknown[StatusLineBufferSize];
    std::snprintf(unknown, sizeof unknown, TableText(UnknownErrorText), code);
    return unknown;
}

std::string ClearUnsavedLine(uint32_t unsaved) {
    char text[StatusLineBufferSize];
    std::snprintf(text, sizeof text, TableText(ClearUnsavedText), static_cast<unsigned>(unsaved));
    return text;
}

std::string ClearOutcomeLine(uint32_t status, bool cleared) {
    if (status != StatusSuccess) {
        return StatusErrorText(status);
    }
    return TableText(cleared ? LogClearedText : LogNotClearedText);
}

std::string NoteOutcomeLine(uint32_t status, uint8_t driverStatus) {
    if (status != StatusSuccess) {
        return StatusErrorText(status);
    }
    return TableText(driverStatus == DriverStatusDone ? NoteLoggedText : NoteNotLoggedStatusText);
}

} // namespace kestrav
