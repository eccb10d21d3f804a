// The emulated device's store is an SQLite file. Every committed write raises the file change counter in its
// header (bytes 24 to 27, with the valid-for number at 92 to 95), and a store kept with a write-ahead log
// changes that file's header or length instead; with the files' identity, size and modification time these
// make the token. Reading them takes two stats and two short reads, and changes nothing in the store.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "emulator/device/device_store.h"
#include "platform/health_device_change.h"

namespace kestrav::platform {

namespace {

// One file's part of the token: identity, size, modification time and the header bytes at the given places.
bool AppendFileToken(const std::string& path, std::initializer_list<std::pair<off_t, size_t>> pieces,
                     bool mayBeMissing, std::string& token) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (mayBeMissing && errno == ENOENT) {
            token.append("-;");
            return true;
        }
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        char text[128];
        std::snprintf(text, sizeof text, "%ju:%ju:%jd:%jd.%09ld:", static_cast<uintmax_t>(st.st_dev),
                      static_cast<uintmax_t>(st.st_ino), static_cast<intmax_t>(st.st_size),
                      static_cast<intmax_t>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec));
        token.append(text);
        for (auto [offset, size] : pieces) {
            unsigned char bytes[32] = {};
            ssize_t got = ::pread(fd, bytes, size < sizeof bytes ? size : sizeof bytes, offset);
            for (ssize_t i = 0; i < got; ++i) {
                std::snprintf(text, sizeof text, "%02x", bytes[i]);
                token.append(text);
            }
            token.push_back(',');
        }
        token.push_back(';');
    }
    ::close(fd);
    return ok;
}

} // namespace

std::optional<std::string> HealthDeviceChangeToken() {
    const std::string store = emulator::DevicePath();
    std::string token;
    if (!AppendFileToken(store, {{24, 4}, {92, 4}}, false, token) ||
        !AppendFileToken(store + "-wal", {{0, 32}}, true, token)) {
        return std::nullopt;
    }
    return token;
}

} // namespace kestrav::platform
