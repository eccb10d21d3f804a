// Standard output of a query run: bytes leave exactly as written, so that the CSV keeps its "\r\n" line ends
// and no "\n" gains a carriage return on the way.
#pragma once

#include <cstddef>

namespace kestrav {

void UseBinaryStandardOutput();

// Writes the bytes to standard output: 0 when all left, else an errno value, EPIPE when the reader has gone.
// On Windows a console is written in UTF-16 (the UTF-8 texts shown right whatever the console's code page);
// a pipe or file gets the UTF-8 bytes as they are.
int WriteStandardOutput(const char* data, size_t size);

// Whether standard output is a terminal (a Windows console), where texts are shown rather than stored.
bool StandardOutputIsTerminal();

// The same for standard error, which keeps its own incomplete sequence between writes.
int WriteStandardError(const char* data, size_t size);

} // namespace kestrav
