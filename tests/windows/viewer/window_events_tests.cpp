// What the window's log commands hand to ReportEventW: the events and texts of the command line's same
// outcomes. Wine's event log debug channel shows each call; the test run (windows_viewer_events) sends it
// to the file that KESTRAV_EVENT_TRACE names, which the test reads after each command.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_test_support.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::wintest {
namespace {

constexpr LogTime Noon{20, 26, 12, 7, 14, 5};

// Wine's debugstr quoting undone for what these texts hold.
std::string Unquoted(const std::string& quoted) {
    std::string text;
    for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) {
            ++i;
        }
        text.push_back(quoted[i]);
    }
    return text;
}

// The events reported since the last Take, each as "number type text | text ..." (type 1 error, 2
// warning, 4 information).
class EventTrace {
public:
    EventTrace() {
        const char* path = std::getenv("KESTRAV_EVENT_TRACE");
        if (path != nullptr && path[0] == '/') {
            path_ = std::string("Z:") + path;
        }
        offset_ = Bytes().size();
    }
    bool Available() const { return !path_.empty(); }

    std::vector<std::string> Take() {
        const std::string bytes = Bytes();
        const size_t end = bytes.rfind('\n');
        std::vector<std::string> events;
        if (end == std::string::npos || end < offset_) {
            return events;
        }
        std::istringstream lines(bytes.substr(offset_, end + 1 - offset_));
        offset_ = end + 1;
        const std::string call = "ReportEventW (";
        const std::string text = ":eventlog:ReportEventW L\"";
        std::string separator;
        for (std::string line; std::getline(lines, line);) {
            if (size_t at = line.find(call); at != std::string::npos) {
                unsigned long fields[4] = {};
                std::istringstream values(line.substr(at + call.size()));
                std::string field;
                for (unsigned long& value : fields) {
                    std::getline(values, field, ',');
                    value = std::strtoul(field.c_str(), nullptr, 16);
                }
                events.push_back(std::to_string(fields[3]) + " " + std::to_string(fields[1]));
                separator = " ";
            } else if (size_t at = line.find(text); at != std::string::npos && !events.empty()) {
                const size_t start = at + text.size();
                const size_t close = line.rfind('"');
                events.back() += separator + Unquoted(line.substr(start, close > start ? close - start : 0));
                separator = " | ";
            }
        }
        return events;
    }

private:
    std::string Bytes() const {
        std::ifstream file(path_, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    std::string path_;
    size_t offset_ = 0;
};

// Six entries of every severity: Critical, Caution, Repaired, Informational (2 and 3) and one of none.
const Record SampleRecords[] = {
    {3, 15, 33, 2, 1, Noon, Noon, "critical"}, {5, 2, 33, 2, 40, {20, 26, 1, 2, 3, 4}, Noon, "beta note"},
    {8, 9, 33, 2, 1, Noon, Noon, "caution"},   {10, 6, 33, 2, 1, Noon, Noon, "repaired"},
    {12, 4, 33, 2, 1, Noon, Noon, "unknown"},  {13, 3, 33, 2, 1, Noon, Noon, "informational"},
};

void PrepareSampleLog() {
    std::vector<LogEntry> entries;
    for (const Record& record : SampleRecords) {
        entries.push_back(BuildRecord(record));
    }
    ASSERT_TRUE(DriverReset());
    ASSERT_TRUE(DriverImport(entries));
}

void Command(OpenViewer& viewer, uint32_t command) {
    SendMessageA(viewer.Window(), WM_COMMAND, command, 0);
}

// Types the file name into the export dialog and presses OK.
void SaveAs(DialogScript& script, const std::string& path) {
    HWND dialog = script.WaitFileDialog();
    HWND name = GetDlgItem(dialog, 0x480);
    SetWindowTextA(name != nullptr ? name : GetDlgItem(dialog, 0x47C), path.c_str());
    script.PressAndWaitGone(dialog, IDOK);
}

void TypeNote(DialogScript& script, const char* text) {
    HWND dialog = script.WaitNoteDialog();
    SendMessageA(GetDlgItem(dialog, 1053), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    script.PressAndWaitGone(dialog, IDOK);
}

class WindowEventLog : public ::testing::Test {
protected:
    void SetUp() override {
        if (!trace.Available()) {
            GTEST_SKIP() << "KESTRAV_EVENT_TRACE names no trace of the event log channel";
        }
        DriverClearFaults();
        PrepareSampleLog();
        RunWithAnswers([&] { viewer = std::make_unique<OpenViewer>(); }, [](DialogScript&) {});
        // Opening the log reports nothing.
        EXPECT_EQ(trace.Take(), std::vector<std::string>{});
    }
    void TearDown() override {
        viewer.reset();
        DriverClearFaults();
    }
    EventTrace trace;
    std::unique_ptr<OpenViewer> viewer;
};

TEST_F(WindowEventLog, ExportReportsTheFileWrittenOrWhyNot) {
    const std::string folder = TempFolder();
    const std::string path = folder + "\\viewer.csv";
    RunWithAnswers([&] { Command(*viewer, ExportLogCommand); },
                   [&](DialogScript& script) { SaveAs(script, folder + "\\viewer"); });
    EXPECT_EQ(trace.Take(), std::vector<std::string>{"100 4 Successfully exported CVR data to file " + path});

    // Held by another program that lets nobody write it: the system's reason, as the command line gives it.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunWithAnswers([&] { Command(*viewer, ExportLogCommand); },
                   [&](DialogScript& script) {
                       SaveAs(script, path);
                       AnswerMessages(script, 1);
                   });
    CloseHandle(held);
    EXPECT_EQ(trace.Take(),
              std::vector<std::string>{"101 1 Couldn't open file '" + path + "'. Sharing violation."});

    // Cancelled: nothing to report.
    RunWithAnswers([&] { Command(*viewer, ExportLogCommand); },
                   [](DialogScript& script) { script.PressAndWaitGone(script.WaitFileDialog(), IDCANCEL); });
    EXPECT_EQ(trace.Take(), std::vector<std::string>{});
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(WindowEventLog, ClearReportsItsOutcomeAndForwardsTheEntriesItErased) {
    RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                   [](DialogScript& script) { AnswerMessages(script, 1, IDCANCEL); });
    EXPECT_EQ(trace.Take(), std::vector<std::string>{});

    ASSERT_TRUE(DriverFaultEraseRefuse());
    RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                   [](DialogScript& script) { AnswerMessages(script, 2); });
    EXPECT_EQ(trace.Take(),
              std::vector<std::string>{"103 2 Unable to clear the entries from the Corvane Log."});
    ASSERT_TRUE(DriverClearFaults());

    RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                   [](DialogScript& script) { AnswerMessages(script, 1); });
    const std::vector<std::string> events = trace.Take();
    const std::string forwarded = " | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: ";
    const std::string erased = " | , erased from the log";
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "102 4 Successfully cleared all entries from the Corvane Log.",
                  "200 1 3" + forwarded + "critical" + erased,
                  "203 4 5 | Maintenance | 2 | 1/2/2026 3:04 AM | 40 | Maintenance note: beta note" + erased,
                  "201 2 8" + forwarded + "caution" + erased,
                  "202 4 10" + forwarded + "repaired" + erased,
                  "204 4 12" + forwarded + "unknown" + erased,
                  "203 4 13" + forwarded + "informational" + erased,
              }));
}

TEST_F(WindowEventLog, NoteReportsWhetherItWasWritten) {
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [](DialogScript& script) { TypeNote(script, "Replaced fan 3"); });
    EXPECT_EQ(trace.Take(),
              std::vector<std::string>{"104 4 Successfully logged maintenance note to the Corvane Log."});

    ASSERT_TRUE(DriverFaultWriteStatus(136));
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [](DialogScript& script) {
                       TypeNote(script, "refused");
                       AnswerMessages(script, 1);
                   });
    EXPECT_EQ(trace.Take(),
              std::vector<std::string>{"105 1 Unable to log maintenance note to the Corvane Log."});

    // Mark Repaired rewrites entries; the command line reports no such outcome, so neither does the window.
    ASSERT_TRUE(DriverClearFaults());
    HWND list = viewer->List();
    SelectRows(list, {RowOfEvent(list, 3)});
    RunWithAnswers([&] { Command(*viewer, MarkRepairedCommand); }, [](DialogScript&) {});
    EXPECT_EQ(CellText(list, RowOfEvent(list, 3), SeverityColumn), "Repaired");
    EXPECT_EQ(trace.Take(), std::vector<std::string>{});
}

} // namespace
} // namespace kestrav::wintest
