// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window: the Win32
// window on Windows, the separately loaded Qt window module elsewhere.
#include "cli/command_line.h"
#ifdef _WIN32
#include "viewer_win32/viewer_app.h"
#else
#include "cli/viewer_module.h"
#endif

int main(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
        return kestrav::RunCommandLineMode(argc, argv);
    }
#ifdef _WIN32
    return kestrav::win32::RunViewer(argc, argv);
#else
    return kestrav::RunViewerModule(argc, argv);
#endif
}
