// On Linux standard output never translates line ends.
#include "cli/standard_output.h"

namespace kestrav {

void UseBinaryStandardOutput() {}

} // namespace kestrav
