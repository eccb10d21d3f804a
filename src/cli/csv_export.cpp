#include "cli/csv_export.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cli/event_report.h"
#include "cli/output_file.h"
#include "cli/status_log.h"
#include "decode/event_text.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

void AppendNumber(std::string& out, long value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// A field as it is, or with its control characters escaped as the status log shows them: a note's CR LF must
// not start a line of its own (a forged entry), nor its ESC or BEL reach whoever shows the file.
void AppendField(std::string& line, const char* field) {
    const char* end = field + std::strlen(field);
    const bool plain =
        std::all_of(field, end, [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; });
    if (plain) {
        line.append(field, end);
    } else {
        line.append(EscapeControls(std::string_view(field, static_cast<size_t>(end - field))));
    }
}

} // namespace

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

std::string CsvHeaderLine() {
    std::string line;
    const StringId titles[] = {SeverityColumnTitle, EventNumberColumnTitle, ClassColumnTitle,
                               CodeColumnTitle,     UpdateTimeColumnTitle,  InitialTimeColumnTitle,
                               CountColumnTitle,    DescriptionColumnTitle};
    for (StringId title : titles) {
        if (!line.empty()) {
            line.push_back(',');
        }
        line.append(TableText(title));
    }
    line.append("\r\n");
    return line;
}

void AppendCsvLine(std::string& out, const LogEntry& entry) {
    char field[DescriptionBufferSize];
    std::string line;
    FormatSeverityName(entry.Severity(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, static_cast<int32_t>(entry.EventNumber()));
    line.push_back(',');
    FormatClassName(entry.Class(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, entry.Code());
    line.push_back(',');
    FormatEntryTime(entry.UpdateTime(), field);
    AppendField(line, field);
    line.push_back(',');
    FormatEntryTime(entry.InitialTime(), field);
    AppendField(line, field);
    line.push_back(',');
    AppendNumber(line, static_cast<int32_t>(entry.Count()));
    line.push_back(',');
    FormatEntryDescription(entry, field);
    AppendField(line, field);
    line.append("\r\n");
    out.append(line);
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

bool ExportCsv(StatusLog& log, const std::string& fileName, const std::vector<LogEntry>& entries,
               bool readWhole) {
    OutputFile file;
    if (!file.Open(fileName, readWhole ? OutputFile::Mode::Replace : OutputFile::Mode::KeepOlder)) {
        const ExportResult result = file.OlderKept() ? ExportResult::OlderKept : ExportResult::OpenFailed;
        WriteStatusLine(log, "%s", ExportOutcomeLine(result, fileName, file.HeldError()).c_str());
        ReportOutcome(log, Outcome::ExportFailed);
        return false;
    }
    file.Write(CsvHeaderLine());
    std::string line;
    for (const LogEntry& entry : entries) {
        line.clear();
        AppendCsvLine(line, entry);
        file.Write(line);
    }
    const ExportResult result = file.Close() ? ExportResult::Written : ExportResult::WriteFailed;
    WriteStatusLine(log, "%s", ExportOutcomeLine(result, fileName, {}).c_str());
    ReportOutcome(log, result == ExportResult::Written ? Outcome::ExportDone : Outcome::ExportFailed);
    return result == ExportResult::Written;
}

} // namespace kestrav
