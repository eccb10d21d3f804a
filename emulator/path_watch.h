// Tells without a look at the file system whether a path can still lead to the file it led to: the store is
// opened anew by path for every driver request, and asking the file system each time costs more than the
// request itself.
#pragma once

#include <memory>
#include <string>

namespace kestrav::emulator {

// A watch on everything that decides where an absolute path leads: the names in each folder along it (created,
// removed, moved, their rights changed), each folder itself (moved or removed) and the process's mounts. It
// only says that nothing of the kind has happened since the last call; whoever asks must then look at the path
// itself. The watch is armed when it is made, so the caller looks once after making it.
class PathWatch {
public:
    // nullptr when the path cannot be watched exactly: relative, with "." or ".." or a symbolic link along it,
    // on a file system whose changes may come from elsewhere (a network or FUSE one), or when the system
    // refuses the watch. The caller then looks at the path for every request.
    static std::unique_ptr<PathWatch> Start(const std::string& path);
    ~PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;

    // True when nothing has happened to the path's folders or to the mounts since the last call. False
    // otherwise, or when the system cannot tell; what had happened is then forgotten, so that the next call
    // answers for what happens after this one.
    bool Quiet();

    // Once a watched folder has been moved or removed, or events were lost, the watch no longer follows the
    // path and every later Quiet() is false: a new watch must be started.
    bool Spent() const { return spent_; }

private:
    PathWatch(int notify, int mounts, int poll);
    int notify_; // inotify
    int mounts_; // /proc/self/mountinfo, which polls as changed when a mount comes or goes
    int poll_;   // epoll over both: one system call tells whether either has anything to say
    bool spent_ = false;
};

} // namespace kestrav::emulator
