#include "cli/diagnostic.h"

#include <string>

#include "platform/standard_output.h"
#include "platform/system.h"

namespace kestrav {

void WriteDiagnosticLine(std::string_view line) {
    constexpr std::string_view LineEnd = platform::ConsoleLineEnd;
    std::string whole;
    whole.reserve(line.size() + LineEnd.size());
    whole.append(line).append(LineEnd);
    // Nowhere is left to say that standard error failed.
    (void)WriteStandardError(whole.data(), whole.size());
}

void Diagnose(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    std::string line = "kestrav: ";
    line.append(text);
    WriteDiagnosticLine(line);
}

} // namespace kestrav
