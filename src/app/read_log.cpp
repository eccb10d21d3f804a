#include "app/read_log.h"

#include <cstdio>
#include <utility>

#include "app/outcome_texts.h"
#include "platform/health_device.h"
#include "record/text_rules.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

ReadProblem Problem(ReadProblemKind kind, std::string text) {
    ReadProblem problem;
    problem.kind = kind;
    problem.text = std::move(text);
    return problem;
}

// A request that failed with status. Why a device that is there cannot be used, or where one that is not
// was looked for, is asked at once: both describe the last attempt to open it.
ReadProblem FailedRequest(ReadProblemKind kind, uint32_t status) {
    ReadProblem problem = Problem(kind, StatusErrorText(status));
    if (status != DeviceNotAvailable) {
        return problem;
    }
    problem.unusableReason = EscapeControls(platform::UnusableDeviceReason());
    if (kind == ReadProblemKind::SupportUnknown && problem.unusableReason.empty()) {
        problem.missingHint = EscapeControls(platform::MissingDeviceHint());
    }
    return problem;
}

// What the walk leaves to be told: one problem when nothing was read or nothing was there; otherwise one for
// a walk that stopped early (or ran out of memory) and one for numbers that could not be read.
void NoteWalk(LogRead& read) {
    const WalkReport& walk = read.walk;
    if (read.status != StatusSuccess) {
        read.problems.push_back(FailedRequest(ReadProblemKind::WalkFailed, read.status));
        return;
    }
    if (walk.empty) {
        read.problems.push_back(Problem(ReadProblemKind::Empty, TableText(LogEmptyText)));
        return;
    }
    char text[StatusLineBufferSize];
    if (walk.outOfMemory) {
        read.problems.push_back(Problem(ReadProblemKind::OutOfMemory, TableText(ReadOutOfMemoryText)));
    } else if (!walk.complete) {
        std::snprintf(text, sizeof text, TableText(ReadIncompleteText),
                      static_cast<unsigned>(walk.stoppedAt));
        read.problems.push_back(Problem(ReadProblemKind::Incomplete, text));
    } else if (walk.cleared) {
        read.problems.push_back(Problem(ReadProblemKind::Incomplete, TableText(ReadClearedText)));
    }
    if (walk.skipped > 0) {
        std::snprintf(text, sizeof text, TableText(ReadSkippedText), static_cast<unsigned>(walk.skipped));
        read.problems.push_back(Problem(ReadProblemKind::Skipped, text));
    }
}

} // namespace

LogRead QueryLogKept() {
    LogRead read;
    read.status = QueryLogSupport(read.supported);
    if (read.status != StatusSuccess) {
        read.supported = false;
        read.problems.push_back(FailedRequest(ReadProblemKind::SupportUnknown, read.status));
    } else if (!read.supported) {
        read.problems.push_back(Problem(ReadProblemKind::NotSupported, TableText(LogNotSupportedText)));
    }
    return read;
}

LogRead WalkKeptLog(const EntryKeep& keep, const WalkRunner& run) {
    LogRead read;
    read.supported = true;
    read.status = run([&keep, &read] { return WalkLog(keep, read.walk); });
    NoteWalk(read);
    return read;
}

LogRead ReadLog(const EntryKeep& keep) {
    LogRead read = QueryLogKept();
    if (read.supported) {
        read.status = WalkLog(keep, read.walk);
        NoteWalk(read);
    }
    return read;
}

LogRead ReadLog(std::vector<LogEntry>& entries) {
    LogRead read = QueryLogKept();
    if (read.supported) {
        read.status = ReadAllEntries(entries, read.walk);
        NoteWalk(read);
    }
    return read;
}

} // namespace kestrav
