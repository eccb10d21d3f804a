// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window.
#include <cstdio>

#include "cli/command_line.h"
#ifndef _WIN32
#include "cli/viewer_module.h"
#endif

int main(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
        return kestrav::RunCommandLineMode(argc, argv);
    }
#ifndef _WIN32
    return kestrav::RunViewerModule(argc, argv);
#else
    std::fprintf(
        stderr, "kestrav: this build has no window; run it with command-line options such as /export:file\n");
    return 1;
#endif
}
