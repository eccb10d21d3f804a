#include "platform/loadable_module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/output_file.h"

namespace kestrav::platform {

namespace {

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

} // namespace

std::string ProgramPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) {
        return {};
    }
    return std::string(path, static_cast<size_t>(length));
}

ModuleLoad LoadTrustedModule(const std::string& path, const char* entryName, void*& entry, std::string& why) {
    entry = nullptr;
    why.clear();
    const int fd = OpenTrustedModule(path, why);
    if (fd < 0) {
        return why.empty() ? ModuleLoad::Missing : ModuleLoad::Refused;
    }
    // Loading through the descriptor's own name loads exactly the file that was checked.
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(fd);
    void* module = dlopen(byDescriptor.c_str(), RTLD_NOW | RTLD_LOCAL);
    close(fd);
    if (module == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : "unknown error";
        // The loader names the descriptor; the administrator knows the file.
        if (why.rfind(byDescriptor + ": ", 0) == 0) {
            why.erase(0, byDescriptor.size() + 2);
        }
        return ModuleLoad::Failed;
    }
    entry = dlsym(module, entryName);
    return entry != nullptr ? ModuleLoad::Loaded : ModuleLoad::NoEntry;
}

} // namespace kestrav::platform
