// The Windows window is linked into kestrav.exe, above the command line: the program hands over the entry
// that opens it on a dump.
#include "launch/viewer_module.h"

#include "cli/diagnostic.h"

namespace kestrav {

namespace {

DumpWindowEntry DumpWindow = nullptr;

} // namespace

void SetDumpWindowEntry(DumpWindowEntry entry) {
    DumpWindow = entry;
}

int RunViewerOnDump(const std::string& path) {
    if (DumpWindow == nullptr) {
        WriteDiagnosticLine("kestrav: --window: this program has no window; use --input=FILE with --list, "
                            "--json or --csv");
        return 1;
    }
    return DumpWindow(path);
}

} // namespace kestrav
