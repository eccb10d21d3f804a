// The stop signals are blocked and taken with sigtimedwait, so that one arriving during a read is not lost
// and ends the next pause at once. A closed standard output is reported by the failed write, not by SIGPIPE.
#include <signal.h>

#include <cerrno>
#include <ctime>

#include "platform/stop_requests.h"

namespace kestrav {

namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

void PrepareStopRequests() {
    const sigset_t set = StopSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool WaitForStopRequest(unsigned seconds) {
    const sigset_t set = StopSignals();
    timespec left{static_cast<time_t>(seconds), 0};
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    end.tv_sec += static_cast<time_t>(seconds);
    for (;;) {
        if (sigtimedwait(&set, nullptr, &left) >= 0) {
            return true;
        }
        if (errno != EINTR) {
            return false; // EAGAIN: the time is up
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        long long rest = (end.tv_sec - now.tv_sec) * 1000000000LL + (end.tv_nsec - now.tv_nsec);
        if (rest <= 0) {
            return false;
        }
        left = {static_cast<time_t>(rest / 1000000000LL), static_cast<long>(rest % 1000000000LL)};
    }
}

} // namespace kestrav
