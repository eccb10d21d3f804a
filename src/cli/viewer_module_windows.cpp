// The Windows window is linked into the program and opens on the driver only; a dump is decoded by the query
// options.
#include <cstdio>
#include <string>

namespace kestrav {

int RunViewerOnDump(const std::string&) {
    std::fprintf(stderr,
                 "kestrav: --window: the window opens a dump file only on Linux; use --input=FILE with "
                 "--list, --json or --csv\n");
    return 1;
}

} // namespace kestrav
