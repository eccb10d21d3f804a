// Loading the window module. The module runs with the rights of the program, often root, so it is taken only
// from the program's own folders and only when it is a regular file that belongs to root or the running user
// and that nobody else may write, reached through no symbolic link of another user. The file is checked and
// loaded through one descriptor, so it cannot be swapped between the check and the load.
#include "launch/viewer_module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/diagnostic.h"
#include "platform/output_file.h"
#include "cli/status_log.h"
#include "record/text_rules.h"

#ifndef KESTRAV_VIEWER_MODULE_DIR
#define KESTRAV_VIEWER_MODULE_DIR "../lib/kestrav"
#endif

namespace kestrav {

namespace {

using ViewerEntry = int (*)(int, char**);

std::string ProgramPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) {
        return {};
    }
    return std::string(path, static_cast<size_t>(length));
}

// Opens the module at path when it may be loaded; otherwise returns -1 with the reason in why (empty when
// the file does not exist).
int OpenTrustedModule(const std::string& path, std::string& why) {
    // A link that another user planted could lead to a library of theirs, whose constructor would run with
    // this program's rights.
    std::string error;
    const int fd = OpenForReadingWithoutOthersLinks(path, 0, error);
    if (fd < 0) {
        why = errno == ENOENT ? std::string() : path + ": " + error;
        return -1;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        why = path + ": " + std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
        why = path + " is not a regular file";
    } else if (status.st_uid != 0 && status.st_uid != geteuid()) {
        why = path + " belongs to neither root nor the running user";
    } else if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        why = path + " may be written by other users";
    } else {
        return fd;
    }
    close(fd);
    return -1;
}

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
    const std::string program = ProgramPath();
    if (program.empty()) {
        return NotInstalled("the program's own path is unknown");
    }
    const std::vector<std::string> candidates = ViewerModuleCandidates(program, KESTRAV_VIEWER_MODULE_DIR);
    std::string refused;
    for (const std::string& path : candidates) {
        std::string why;
        const int fd = OpenTrustedModule(path, why);
        if (fd < 0) {
            if (refused.empty()) {
                refused = why;
            }
            continue;
        }
        // Loading through the descriptor's own name loads exactly the file that was checked.
        const std::string byDescriptor = "/proc/self/fd/" + std::to_string(fd);
        void* module = dlopen(byDescriptor.c_str(), RTLD_NOW | RTLD_LOCAL);
        close(fd);
        if (module == nullptr) {
            const char* error = dlerror();
            std::string reason = error != nullptr ? error : "unknown error";
            // The loader names the descriptor; the administrator knows the file.
            if (reason.rfind(byDescriptor + ": ", 0) == 0) {
                reason.erase(0, byDescriptor.size() + 2);
            }
            return NotInstalled(path + " cannot be loaded: " + reason);
        }
        auto entry = reinterpret_cast<ViewerEntry>(dlsym(module, ViewerEntryName));
        if (entry == nullptr) {
            return NotInstalled(path + " has no " + ViewerEntryName);
        }
        return entry(argc, argv);
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
