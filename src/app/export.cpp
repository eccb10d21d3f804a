#include "app/export.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/output_file.h"
#include "record/text_rules.h"
#include "render/export_line.h"
#include "resources/string_table.h"

namespace kestrav {

std::string WithDateTime(const std::string& name, const std::tm& time) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d%02d%02d", time.tm_year + 1900, time.tm_mon + 1,
                  time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    const std::string_view field = DateTimeField;
    std::string result;
    size_t from = 0;
    for (size_t at = name.find(field); at != std::string::npos; at = name.find(field, from)) {
        result.append(name, from, at - from).append(stamp);
        from = at + field.size();
    }
    return result.append(name, from);
}

std::string ExportOutcomeLine(ExportResult result, const std::string& fileName,
                              const std::string& heldError) {
    const std::string shownName = EscapeControls(fileName);
    if (result != ExportResult::OpenFailed && result != ExportResult::OlderKept) {
        // Whole: the status line cuts it.
        const char* format =
            TableText(result == ExportResult::Written ? ExportSucceededText : ExportWriteFailedText);
        std::vector<char> whole(std::strlen(format) + shownName.size() + 1);
        std::snprintf(whole.data(), whole.size(), format, shownName.c_str());
        return whole.data();
    }
    char line[StatusLineBufferSize];
    if (result == ExportResult::OlderKept) {
        std::snprintf(line, sizeof line, TableText(ExportKeptText), shownName.c_str());
        return line;
    }
    // A file that another program holds, or that may not be written, says so: the administrator can act.
    std::snprintf(line, sizeof line, TableText(ExportOpenFailedText), shownName.c_str());
    if (heldError.empty()) {
        return line;
    }
    return std::string(line) + " " + heldError + ".";
}

ExportResult WriteExportFile(const std::string& fileName, size_t count,
                             const std::function<const LogEntry&(size_t)>& entryAt, bool readWhole,
                             std::string& heldError) {
    heldError.clear();
    OutputFile file;
    if (!file.Open(fileName, readWhole ? OutputFile::Mode::Replace : OutputFile::Mode::KeepOlder)) {
        heldError = file.NotRegularFile() ? TableText(NotRegularFileText) : file.HeldError();
        return file.OlderKept() ? ExportResult::OlderKept : ExportResult::OpenFailed;
    }
    file.Write(CsvHeaderLine());
    std::string line;
    for (size_t i = 0; i < count; ++i) {
        line.clear();
        AppendCsvLine(line, entryAt(i));
        file.Write(line);
    }
    return file.Close() ? ExportResult::Written : ExportResult::WriteFailed;
}

} // namespace kestrav
