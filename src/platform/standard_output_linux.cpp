// On Linux standard output never translates line ends.
#include "platform/standard_output.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace kestrav {

void UseBinaryStandardOutput() {}

int WriteStandardOutput(const char* data, size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, stdout) != size) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

int WriteStandardError(const char* data, size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, stderr) != size || std::fflush(stderr) != 0) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

} // namespace kestrav
