// The metrics run: the log read once and its figures written for node_exporter's textfile collector.
#include <string>
#include <vector>

#include "app/read_log.h"
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
    std::vector<LogEntry> entries;
    const LogRead read = ReadLog(entries);
    for (const ReadProblem& problem : read.problems) {
        // An empty log is read whole: its figures are zero.
        if (problem.kind != ReadProblemKind::Empty) {
            Diagnose(problem.text);
        }
    }
    const bool readAny = read.Walked() && !read.walk.outOfMemory;

    OutputFile file;
    if (!file.Open(path, OutputFile::Mode::Replace)) {
        Diagnose("--metrics: cannot write '" + EscapeControls(path) + "': " + file.OpenError());
        return ExitFailure;
    }
    file.Write(FormatMetrics({readAny, read.Whole(), entries}));
    if (!file.Close()) {
        Diagnose("--metrics: cannot write '" + EscapeControls(path) + "'");
        return ExitFailure;
    }
    return read.Whole() ? ExitSuccess : ExitFailure;
}

} // namespace kestrav
