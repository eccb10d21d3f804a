// Loading the window module from the program's own folders, under the platform's rules for trusted modules,
// and saying in one line why the window cannot open when it cannot.
#include "launch/viewer_module.h"

#include "cli/diagnostic.h"
#include "platform/loadable_module.h"
#include "record/text_rules.h"

#ifndef KESTRAV_VIEWER_MODULE_DIR
#define KESTRAV_VIEWER_MODULE_DIR "../lib/kestrav"
#endif

namespace kestrav {

namespace {

using ViewerEntry = int (*)(int, char**);

int NotInstalled(const std::string& why) {
    WriteDiagnosticLine("kestrav: the window is not installed (" + EscapeControls(why) +
                        "); the command line runs without it, for example 'kestrav /export:log.csv' or "
                        "'kestrav --list' (see 'kestrav --help')");
    return 1;
}

} // namespace

std::vector<std::string> ViewerModuleCandidates(const std::string& programPath,
                                                const std::string& relativeDir) {
    const size_t slash = programPath.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    const std::string folder = programPath.substr(0, slash + 1);
    std::vector<std::string> candidates{folder + ViewerModuleName};
    if (!relativeDir.empty() && relativeDir != ".") {
        candidates.push_back(folder + relativeDir + "/" + ViewerModuleName);
    }
    return candidates;
}

int RunViewerModule(int argc, char** argv) {
    const std::string program = platform::ProgramPath();
    if (program.empty()) {
        return NotInstalled("the program's own path is unknown");
    }
    const std::vector<std::string> candidates = ViewerModuleCandidates(program, KESTRAV_VIEWER_MODULE_DIR);
    std::string refused;
    for (const std::string& path : candidates) {
        void* entry = nullptr;
        std::string why;
        switch (platform::LoadTrustedModule(path, ViewerEntryName, entry, why)) {
        case platform::ModuleLoad::Missing: continue;
        case platform::ModuleLoad::Refused:
            if (refused.empty()) {
                refused = why;
            }
            continue;
        case platform::ModuleLoad::Failed: return NotInstalled(path + " cannot be loaded: " + why);
        case platform::ModuleLoad::NoEntry: return NotInstalled(path + " has no " + ViewerEntryName);
        case platform::ModuleLoad::Loaded: break;
        }
        return reinterpret_cast<ViewerEntry>(entry)(argc, argv);
    }
    if (!refused.empty()) {
        return NotInstalled(refused);
    }
    std::string folders;
    for (const std::string& path : candidates) {
        folders += (folders.empty() ? "" : " or ") + path.substr(0, path.rfind('/'));
    }
    return NotInstalled(std::string("no ") + ViewerModuleName + " in " + folders);
}

int RunViewerOnDump(const std::string& path) {
    std::string program = "kestrav";
    std::string input = "--input=" + path;
    char* arguments[] = {program.data(), input.data(), nullptr};
    return RunViewerModule(2, arguments);
}

} // namespace kestrav
