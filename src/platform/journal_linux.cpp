// The fields go to journald's native socket, one datagram per entry, each field in the protocol's binary
// form (name, line break, the value's length as 64-bit little-endian, the value, line break), so that a
// description may hold any byte. A journal that is not there or does not take the entry is an error, never
// a silent loss: the follower then stops without counting the entry as sent.
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/journal.h"

namespace kestrav {

namespace {

constexpr const char* JournalSocket = "/run/systemd/journal/socket";
// A journal that cannot take one entry in this time is taken to be down.
constexpr time_t SendTimeoutSeconds = 60;

} // namespace

bool JournalAvailable() {
    return true;
}

std::string JournalDatagram(const std::vector<std::string>& fields) {
    std::string datagram;
    for (const std::string& field : fields) {
        const size_t equals = field.find('=');
        const std::string_view name = std::string_view(field).substr(0, equals);
        const std::string_view value =
            equals == std::string::npos ? std::string_view() : std::string_view(field).substr(equals + 1);
        datagram.append(name).push_back('\n');
        uint64_t size = value.size();
        for (int i = 0; i < 8; ++i, size >>= 8) {
            datagram.push_back(static_cast<char>(size & 0xFF));
        }
        datagram.append(value).push_back('\n');
    }
    return datagram;
}

int SendJournalDatagram(int socket, const char* path, const std::string& datagram) {
    sockaddr_un address{};
    socklen_t size = 0;
    if (path != nullptr) {
        if (std::strlen(path) >= sizeof address.sun_path) {
            return ENAMETOOLONG;
        }
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path);
        size = static_cast<socklen_t>(sizeof address);
    }
    for (;;) {
        const ssize_t sent =
            ::sendto(socket, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                     path != nullptr ? reinterpret_cast<const sockaddr*>(&address) : nullptr, size);
        if (sent >= 0) {
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

int SendToJournal(const std::vector<std::string>& fields) {
    static int socket = -1;
    if (socket < 0) {
        socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket < 0) {
            return errno;
        }
        const timeval timeout{SendTimeoutSeconds, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    }
    return SendJournalDatagram(socket, JournalSocket, JournalDatagram(fields));
}

} // namespace kestrav
