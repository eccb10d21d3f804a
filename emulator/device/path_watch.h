// Tells without a look at the file system whether a path can still lead to the file it led to: the store is
// opened anew by path for every driver request, and asking the file system each time costs more than the
// request itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestrav::emulator {

// A watch on everything that decides where an absolute path leads: the names in each folder along it
// (created, removed, moved, their rights changed), each folder itself (moved or removed) and the process's
// mounts; and on every write to a file in the path's own folder. It only tells that nothing of the kind has
// happened between two looks; whoever asks must then look at the path or the file itself.
class PathWatch {
public:
    // nullptr when the path cannot be watched exactly: relative, with "." or ".." or a symbolic link along
    // it, on a file system whose changes may come from elsewhere (a network or FUSE one), or when the system
    // refuses the watch. The caller then looks at the path for every request.
    static std::unique_ptr<PathWatch> Start(const std::string& path);
    ~PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;

    // How many looks have found that something happened: two looks that give the same count saw nothing
    // happen between them. What a look finds is forgotten by it, so the next look tells only what happens
    // after this one. Once the watch no longer follows the path (a watched folder moved or removed, events
    // lost, the system failing) every look counts.
    uint64_t Look();

    // The watch no longer follows the path: a new one must be started.
    bool Spent() const { return spent_; }

private:
    PathWatch(int notify, int mounts, int poll);
    int notify_; // inotify
    int mounts_; // /proc/self/mountinfo, which polls as changed when a mount comes or goes
    int poll_;   // epoll over both: one system call tells whether either has anything to say
    bool spent_ = false;
    uint64_t changes_ = 0;
};

} // namespace kestrav::emulator
