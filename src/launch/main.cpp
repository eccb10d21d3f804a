// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window: the Win32
// window on Windows, the separately loaded Qt window module elsewhere.
#include "cli/command_line.h"
#include "launch/viewer_module.h"
#ifdef _WIN32
#include <string>
#include <vector>

#include "platform/wide_text.h"
#include "viewer_win32/viewer_app.h"
#endif

namespace {

int Run(int argc, char** argv) {
    if (argc > 1 && (argv[1][0] == '/' || argv[1][0] == '-')) {
#ifdef _WIN32
        kestrav::SetDumpWindowEntry(kestrav::win32::RunViewerOnDump);
#endif
        return kestrav::RunCommandLineMode(argc, argv);
    }
#ifdef _WIN32
    return kestrav::win32::RunViewer(argc, argv);
#else
    return kestrav::RunViewerModule(argc, argv);
#endif
}

} // namespace

#ifdef _WIN32
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
#else
int main(int argc, char** argv) {
    return Run(argc, argv);
}
#endif
