// Reading the log and saying what went wrong, once for every reader: the classic run, the query runs, the
// follower, the metrics run and the window. The reader asks whether the device keeps the log, walks it, and
// gets back what happened with the texts the administrator is told, each with its kind, so that every reader
// reports it where its administrator looks (status log and Event Log, standard error, message box).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "log/log_ops.h"
#include "record/log_entry.h"

namespace kestrav {

enum class ReadProblemKind : uint8_t {
    SupportUnknown, // the question whether the log is kept failed: nothing was read
    NotSupported,   // the device does not keep the log
    WalkFailed,     // the walk's first read failed: nothing was read
    Empty,          // the log holds no entry
    OutOfMemory,    // the entries did not fit in memory
    Incomplete,     // the walk stopped early, or the log was cleared while it was walked
    Skipped,        // event numbers whose entries could not be read
};

struct ReadProblem {
    ReadProblemKind kind = ReadProblemKind::SupportUnknown;
    // What the status log and the window say; for a failed request, the status's message.
    std::string text;
    // A failed request on a device that is there but cannot be used now (busy, or in need of recovery): why,
    // its control characters escaped. Empty otherwise.
    std::string unusableReason;
    // A support question that found no device and no such reason: where the device was looked for and how to
    // name another, escaped; empty where the platform has nothing to say.
    std::string missingHint;

    // What a query run says at once: the reason the device cannot be used, which says more than the status's
    // text, when there is one.
    const std::string& ReasonOrText() const { return unusableReason.empty() ? text : unusableReason; }
};

// How one read of the log went.
struct LogRead {
    // The support question's status, or when the log is kept that of the walk's first read.
    uint32_t status = StatusSuccess;
    bool supported = false;
    WalkReport walk;
    // In the order they are told; none for a log read whole that holds entries.
    std::vector<ReadProblem> problems;

    // The log is kept and the walk ran: walk says how far it got.
    bool Walked() const { return status == StatusSuccess && supported; }
    // Everything in the log was read (an empty log too).
    bool Whole() const { return Walked() && walk.ReadWhole(); }
};

using EntryKeep = std::function<void(const LogEntry&)>;
// Runs a walk and returns its status: here, or where a window wants it (another thread, while it keeps
// drawing itself).
using WalkRunner = std::function<uint32_t(const std::function<uint32_t()>&)>;

// Asks whether the device keeps the log and, when it does, walks it, handing each entry to keep as WalkLog
// does.
LogRead ReadLog(const EntryKeep& keep);
// The same into a list, as ReadAllEntries fills it (left empty when memory ran out).
LogRead ReadLog(std::vector<LogEntry>& entries);

// The two steps apart, for the window: it greys its commands between them, and reads a log again without
// asking once more whether it is kept. The walk of a log known to be kept runs through run.
LogRead QueryLogKept();
LogRead WalkKeptLog(const EntryKeep& keep, const WalkRunner& run);

} // namespace kestrav
