// Standard output of a query run: bytes leave exactly as written, so that the CSV keeps its "\r\n" line ends
// and no "\n" gains a carriage return on the way.
#pragma once

namespace kestrav {

void UseBinaryStandardOutput();

} // namespace kestrav
