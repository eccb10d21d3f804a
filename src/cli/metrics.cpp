// The metrics run: the log read once and its figures written for node_exporter's textfile collector.
#include <string>
#include <vector>

#include "app/outcome_texts.h"
#include "cli/command_line.h"
#include "cli/diagnostic.h"
#include "cli/follow.h"
#include "log/log_ops.h"
#include "platform/output_file.h"
#include "record/text_rules.h"
#include "render/prometheus.h"
#include "resources/string_table.h"

namespace kestrav {

int RunMetrics(const std::string& path) {
    bool supported = false;
    std::vector<LogEntry> entries;
    WalkReport walk;
    uint32_t status = QueryLogSupport(supported);
    std::string problem;
    if (status != StatusSuccess) {
        problem = StatusErrorText(status);
    } else if (!supported) {
        problem = TableText(LogNotSupportedText);
    } else if ((status = ReadAllEntries(entries, walk)) != StatusSuccess) {
        problem = StatusErrorText(status);
    }
    const bool read = problem.empty() && !walk.outOfMemory;
    const bool complete = read && walk.ReadWhole();
    if (!problem.empty()) {
        Diagnose(problem);
    }
    for (const std::string& text : WalkProblemTexts(walk)) {
        Diagnose(text);
    }

    OutputFile file;
    if (!file.Open(path, OutputFile::Mode::Replace)) {
        Diagnose("--metrics: cannot write '" + EscapeControls(path) + "': " + file.OpenError());
        return ExitFailure;
    }
    file.Write(FormatMetrics({read, complete, entries}));
    if (!file.Close()) {
        Diagnose("--metrics: cannot write '" + EscapeControls(path) + "'");
        return ExitFailure;
    }
    return complete ? ExitSuccess : ExitFailure;
}

} // namespace kestrav
