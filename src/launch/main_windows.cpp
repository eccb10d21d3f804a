// kestrav.exe: the first argument chooses the unattended command line ('/' or '-') or the Win32 window, which
// is linked into the program.
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/query.h"
#include "platform/wide_text.h"
#include "viewer_win32/viewer_app.h"

namespace {

int Run(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
        kestrav::SetDumpWindowEntry(kestrav::win32::RunViewerOnDump);
        return kestrav::RunCommandLineMode(argc, argv);
    }
    return kestrav::win32::RunViewer(argc, argv);
}

} // namespace

// The arguments arrive in UTF-16 and go on in UTF-8, so that a note or a file name keeps every character
// whatever the active code page.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(kestrav::platform::Utf8FromWide(wargv[i]));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return Run(argc, argv.data());
}
