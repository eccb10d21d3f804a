// Loading a module of the program at run time (Linux: the window module). The module runs with the rights of
// the program, often root, so a file is loaded only when it is a regular file that belongs to root or the
// running user and that nobody else may write, reached through no symbolic link of another user. The file is
// checked and loaded through one descriptor, so it cannot be swapped between the check and the load.
#pragma once

#include <string>

namespace kestrav::platform {

// The running program's own path (/proc/self/exe, never the current folder or the environment); empty when
// it cannot be told.
std::string ProgramPath();

enum class ModuleLoad {
    Loaded,  // entry is the named function of the module
    Missing, // there is no file at the path
    Refused, // the file may not be trusted: why says why, naming the path
    Failed,  // the loader refused the file: why is the loader's reason
    NoEntry, // the module has no function of that name
};

ModuleLoad LoadTrustedModule(const std::string& path, const char* entryName, void*& entry, std::string& why);

} // namespace kestrav::platform
