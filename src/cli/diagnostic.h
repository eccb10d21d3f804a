// The command line's diagnostics on standard error. They leave as standard output does: a Windows console
// is written in UTF-16, so that a Japanese file name in an error line shows whatever the console's code
// page; a pipe or file, and Linux, get the UTF-8 bytes.
#pragma once

#include <string_view>

namespace kestrav {

// The line and a line end ("\r\n" on Windows, as the C runtime's text mode wrote it, "\n" on Linux), in
// one write.
void WriteDiagnosticLine(std::string_view line);

// "kestrav: text" as one line; line breaks and spaces at the end of the text (a system message may end in
// a line break of its own) are dropped.
void Diagnose(std::string_view text);

} // namespace kestrav
