// On Linux the window is a separate module (kestrav-viewer.so) that kestrav loads only when it opens the
// window, so that the command line runs on a server without the windowing toolkit.
#pragma once

#include <string>
#include <vector>

namespace kestrav {

// The file name of the module and the one function it exports: int kestrav_viewer_main(int argc, char**
// argv), which runs the window and returns the process's exit status.
inline constexpr const char* ViewerModuleName = "kestrav-viewer.so";
inline constexpr const char* ViewerEntryName = "kestrav_viewer_main";

// The places the module is looked for, in order, for a program at programPath: beside the program (the build
// tree), then in the installed module folder relative to the program's folder (relativeDir, such as
// "../lib/kestrav").
std::vector<std::string> ViewerModuleCandidates(const std::string& programPath,
                                                const std::string& relativeDir);

// Loads the module from the folders of the running program (found through /proc/self/exe, never through
// the current folder or the environment) and runs the window. When the module is missing, cannot be
// trusted or fails to load, says so in one line on stderr, with how to use the command line, and returns 1.
int RunViewerModule(int argc, char** argv);

// The window on a dump file instead of the device, read-only (kestrav --input=FILE --window).
int RunViewerOnDump(const std::string& path);

} // namespace kestrav
