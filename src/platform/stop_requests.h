// The follower's pause between two reads, ended early by a request to stop (SIGTERM, SIGINT or SIGHUP on
// Linux, Ctrl+C or the console closing on Windows), so that it can save its state and exit cleanly.
#pragma once

namespace kestrav {

// Called once before the first read: from then on a stop request is held until the next wait.
void PrepareStopRequests();

// Waits up to seconds; true when a stop was requested (before or during the wait).
bool WaitForStopRequest(unsigned seconds);

} // namespace kestrav
