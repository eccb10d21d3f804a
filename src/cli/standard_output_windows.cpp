// On Windows the C runtime opens standard output in text mode, which would write every "\n" as "\r\n".
#include <io.h>

#include <fcntl.h>

#include <cstdio>

#include "cli/standard_output.h"

namespace kestrav {

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace kestrav
