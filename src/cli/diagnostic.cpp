#include "cli/diagnostic.h"

#include <string>

#include "platform/standard_output.h"

namespace kestrav {

void WriteDiagnosticLine(std::string_view line) {
#ifdef _WIN32
    constexpr std::string_view LineEnd = "\r\n";
#else
    constexpr std::string_view LineEnd = "\n";
#endif
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
