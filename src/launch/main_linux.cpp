// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window, the separately
// loaded Qt window module.
#include "cli/command_line.h"
#include "cli/query.h"
#include "launch/viewer_module.h"

int main(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
        kestrav::SetDumpWindowEntry(kestrav::RunViewerOnDump);
        return kestrav::RunCommandLineMode(argc, argv);
    }
    return kestrav::RunViewerModule(argc, argv);
}
