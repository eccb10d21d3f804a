#include "emulator/device/path_watch.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kestrav::emulator {

namespace {

// File systems whose every change passes through this machine's kernel, so that a watch sees it. Network and
// FUSE file systems (and overlays, whose lower layers change underneath) are left to a look per request.
bool LocalFileSystem(const char* folder) {
    struct statfs info {};
    if (::statfs(folder, &info) != 0) {
        return false;
    }
    constexpr int64_t local[] = {
        0xEF53,     // ext2, ext3, ext4
        0x58465342, // xfs
        0x9123683E, // btrfs
        0x01021994, // tmpfs
        0xF2F52010, // f2fs
    };
    for (int64_t type : local) {
        if (static_cast<int64_t>(info.f_type) == type) {
            return true;
        }
    }
    return false;
}

// The folders an absolute path passes through, from its own folder up to "/"; empty when the path is not one
// the watch can follow exactly (relative, "." or ".." or an empty name along it, or a symbolic link
// anywhere).
std::vector<std::string> FoldersAlong(const std::string& path) {
    std::vector<std::string> folders;
    if (path.size() < 2 || path.front() != '/' || path.back() == '/') {
        return {};
    }
    for (size_t start = 1; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string name = path.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") {
            return {};
        }
        struct stat info {};
        const std::string prefix = path.substr(0, end);
        if (::lstat(prefix.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) {
            return {};
        }
        folders.push_back(start == 1 ? "/" : path.substr(0, start - 1));
        start = end + 1;
    }
    std::reverse(folders.begin(), folders.end());
    return folders;
}

} // namespace

std::unique_ptr<PathWatch> PathWatch::Start(const std::string& path) {
    const std::vector<std::string> folders = FoldersAlong(path);
    if (folders.empty()) {
        return nullptr;
    }
    for (const std::string& folder : folders) {
        if (!LocalFileSystem(folder.c_str())) {
            return nullptr;
        }
    }
    const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const int mounts = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    const int poll = ::epoll_create1(EPOLL_CLOEXEC);
    // Owned from here on: every descriptor that was opened is closed with the watch, also on failure.
    std::unique_ptr<PathWatch> watch(new PathWatch(notify, mounts, poll));
    if (notify < 0 || mounts < 0 || poll < 0) {
        return nullptr;
    }
    constexpr uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
    for (const std::string& folder : folders) {
        // The path's own folder comes first; there every write counts too.
        const uint32_t mask = &folder == &folders.front() ? events | IN_MODIFY : events;
        if (::inotify_add_watch(notify, folder.c_str(), mask) < 0) {
            return nullptr;
        }
    }
    epoll_event notifyEvent{};
    notifyEvent.events = EPOLLIN;
    epoll_event mountsEvent{};
    mountsEvent.events = EPOLLPRI;
    if (::epoll_ctl(poll, EPOLL_CTL_ADD, notify, &notifyEvent) != 0 ||
        ::epoll_ctl(poll, EPOLL_CTL_ADD, mounts, &mountsEvent) != 0) {
        return nullptr;
    }
    return watch;
}

PathWatch::PathWatch(int notify, int mounts, int poll) : notify_(notify), mounts_(mounts), poll_(poll) {}

PathWatch::~PathWatch() {
    for (int fd : {notify_, mounts_, poll_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

uint64_t PathWatch::Look() {
    if (spent_) {
        return ++changes_;
    }
    epoll_event ready[2];
    const int count = ::epoll_wait(poll_, ready, 2, 0);
    if (count == 0) {
        return changes_;
    }
    // The mount table's news is taken by this very wait; the folders' events are read off here. A folder that
    // moved or went away takes its watch with it.
    alignas(inotify_event) char events[4096];
    for (ssize_t length; (length = ::read(notify_, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            inotify_event event;
            std::memcpy(&event, events + at, sizeof event);
            if ((event.mask & (IN_MOVE_SELF | IN_DELETE_SELF | IN_IGNORED | IN_Q_OVERFLOW)) != 0) {
                spent_ = true;
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (count < 0) {
        spent_ = true;
    }
    return ++changes_;
}

} // namespace kestrav::emulator
