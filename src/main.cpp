// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window.
#include <cstdio>

#include "cli/command_line.h"
#ifdef KESTRAV_WITH_VIEWER
#include "viewer/viewer_main.h"
#endif
#ifdef _WIN32
#include "viewer_win32/viewer_app.h"
#endif

int main(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
        return kestrav::RunCommandLineMode(argc, argv);
    }
#ifdef _WIN32
    return kestrav::win32::RunViewer(argc, argv);
#endif
#ifdef KESTRAV_WITH_VIEWER
    return kestrav::RunViewer(argc, argv);
#else
    std::fprintf(
        stderr, "kestrav: this build has no window; run it with command-line options such as /export:file\n");
    return 1;
#endif
}
