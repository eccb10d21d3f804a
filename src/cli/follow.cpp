#include "cli/follow.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "app/event_report.h"
#include "app/follow_state.h"
#include "app/outcome_texts.h"
#include "app/read_log.h"
#include "cli/command_line.h"
#include "cli/diagnostic.h"
#include "cli/status_log.h"
#include "log/log_ops.h"
#include "platform/health_device_change.h"
#include "platform/journal.h"
#include "platform/output_file.h"
#include "platform/standard_output.h"
#include "platform/stop_requests.h"
#include "record/text_rules.h"
#include "render/entry_formats.h"
#include "render/journal_fields.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

bool SaveState(const std::string& path, const FollowState& state);

// A missing file is a first run. Whatever is there is then written back at once, so that a file that cannot
// be replaced (its folder not writable, say) stops the follower before it emits anything. Anything that
// cannot be read or parsed stops it too, since starting over would repeat the whole log.
bool LoadState(const std::string& path, FollowState& state) {
    std::string text;
    std::string error;
    const OwnFileRead read = ReadOwnFile(path, static_cast<size_t>(MaxFollowStateSize), text, error);
    if (read == OwnFileRead::Refused ||
        (read == OwnFileRead::Read && !ParseFollowState(text, state, error))) {
        Diagnose("--state: cannot use '" + EscapeControls(path) + "': " + error +
                 "; remove it to start over (every entry is then emitted again)");
        return false;
    }
    return SaveState(path, state);
}

bool SaveState(const std::string& path, const FollowState& state) {
    OutputFile file;
    if (!file.Open(path, OutputFile::Mode::Replace)) {
        Diagnose("--state: cannot write '" + EscapeControls(path) + "': " + file.OpenError());
        return false;
    }
    file.Write(FormatFollowState(state));
    if (!file.Close()) {
        Diagnose("--state: cannot write '" + EscapeControls(path) + "'");
        return false;
    }
    return true;
}

class Follower {
public:
    explicit Follower(const QueryOptions& options) : options_(options) {}

    int Run() {
        if (!options_.statePath.empty() && !LoadState(options_.statePath, state_)) {
            return ExitFailure;
        }
        PrepareStopRequests();
        UseBinaryStandardOutput();
        for (bool first = true;; first = false) {
            // Taken before the read, so that a write during the read shows at the next poll.
            std::optional<std::string> token = platform::HealthDeviceChangeToken();
            if (first || !token || token != token_) {
                std::optional<int> stop = Poll(first, token);
                if (stop) {
                    return *stop;
                }
            }
            if (WaitForStopRequest(options_.interval)) {
                return ExitSuccess;
            }
        }
    }

private:
    // Reads and emits; an exit status when the follower must stop.
    std::optional<int> Poll(bool first, const std::optional<std::string>& token) {
        std::vector<LogEntry> entries;
        const LogRead read = ReadLog(entries);
        token_.reset();
        if (!read.Walked()) {
            Report(read.problems.front().ReasonOrText());
            if (first) {
                return ExitFailure;
            }
            return std::nullopt;
        }
        std::string walkProblems;
        for (const ReadProblem& problem : read.problems) {
            // An empty log is read whole: there is nothing to emit yet.
            if (problem.kind != ReadProblemKind::Empty) {
                walkProblems += walkProblems.empty() ? problem.text : "; " + problem.text;
            }
        }
        Report(walkProblems);
        // Entries that did not fit are not read: a first read gives nothing to go on, as when it fails.
        if (first && read.walk.outOfMemory) {
            return ExitFailure;
        }
        const bool whole = read.Whole();

        FollowStep step = FollowSnapshot(state_, entries, whole);
        if (step.gone > 0) {
            Diagnose("the log was cleared: " + std::to_string(step.gone) +
                     " entries seen before are no longer in it");
        }
        if (options_.output == QueryOutput::List && !options_.journal && !options_.eventLog && !headerDone_) {
            layout_ = MeasureListing(entries, options_.utc);
            std::string header;
            AppendListHeader(header, layout_);
            if (!WriteOut(header)) {
                return ExitFailure;
            }
            headerDone_ = true;
        }
        for (const FollowEmit& emit : step.emit) {
            const LogEntry& entry = entries[emit.index];
            if (EntryMatches(options_.filter, entry) && !Emit(entry)) {
                return ExitFailure;
            }
        }
        if (!options_.statePath.empty() && step.next != state_ && !SaveState(options_.statePath, step.next)) {
            return ExitFailure;
        }
        state_ = std::move(step.next);
        if (whole) {
            token_ = token;
        }
        return std::nullopt;
    }

    bool Emit(const LogEntry& entry) {
        if (options_.journal) {
            int error = SendToJournal(JournalFields(entry));
            if (error != 0) {
                Diagnose(std::string("cannot write to the journal: ") + std::strerror(error));
                return false;
            }
            return true;
        }
        if (options_.eventLog) {
            const uint32_t error = ReportFollowedEntry(entry);
            if (error != 0) {
                Diagnose("cannot write to the Event Log: " + StatusErrorText(error));
                return false;
            }
            return true;
        }
        std::string line;
        if (options_.output == QueryOutput::Json) {
            AppendJsonLine(line, entry, options_.utc);
        } else {
            AppendListLine(line, layout_, entry, options_.utc);
        }
        return WriteOut(line);
    }

    // Through the query outputs' writer: on a Windows console the lines are shown in UTF-16.
    bool WriteOut(const std::string& text) {
        const int error = WriteStandardOutput(text.data(), text.size());
        if (error != 0) {
            Diagnose(std::string("cannot write the output: ") + std::strerror(error));
            return false;
        }
        return true;
    }

    // A problem is told once, when it appears, not at every poll while it lasts.
    void Report(const std::string& problem) {
        if (!problem.empty() && problem != lastProblem_) {
            Diagnose(problem);
        }
        lastProblem_ = problem;
    }

    const QueryOptions& options_;
    FollowState state_;
    std::optional<std::string> token_; // of the last whole read
    ListLayout layout_;
    bool headerDone_ = false;
    std::string lastProblem_;
};

} // namespace

int RunFollow(const QueryOptions& options) {
    Follower follower(options);
    return follower.Run();
}

} // namespace kestrav
