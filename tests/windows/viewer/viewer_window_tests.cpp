// The Windows window under Wine on a virtual display, against the test driver: the real frame, list and
// dialogs driven with real messages (commands, keys through the accelerator table, list notifications), the
// real message boxes and dialogs answered from a second thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_core/row_texts.h"
#include "viewer_test_support.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::wintest {
namespace {

constexpr LogTime Noon{20, 26, 12, 7, 14, 5};

// Six entries whose columns each give a different order; 3 and 13 share an update time and a count, 10 and
// 13 a description, 5 and 13 a severity, so that ties fall back to the event number.
const Record SampleRecords[] = {
    {3, 15, 3, 2, 5, {20, 25, 6, 1, 8, 0}, {20, 25, 1, 1, 0, 0}, ""},
    {5, 2, 33, 2, 40, {20, 26, 1, 2, 3, 4}, {20, 24, 5, 5, 5, 5}, "beta note"},
    {8, 9, 2, 1, 2, {20, 26, 1, 2, 3, 3}, {20, 26, 1, 1, 1, 1}, ""},
    {10, 6, 33, 2, 0xFFFFFFFF, {19, 99, 12, 31, 23, 59}, {20, 23, 1, 1, 0, 0}, "alpha"},
    {12, 4, 11, 1, 7, {20, 26, 11, 30, 0, 0}, {19, 99, 1, 1, 0, 0}, ""},
    {13, 2, 33, 2, 5, {20, 25, 6, 1, 8, 0}, {20, 26, 12, 7, 14, 5}, "alpha"},
};

std::vector<LogEntry> SampleLog() {
    std::vector<LogEntry> entries;
    for (const Record& record : SampleRecords) {
        entries.push_back(BuildRecord(record));
    }
    return entries;
}

std::vector<std::string> Numbers(std::initializer_list<int> numbers) {
    std::vector<std::string> texts;
    for (int n : numbers) {
        texts.push_back(std::to_string(n));
    }
    return texts;
}

std::vector<std::string> Reversed(std::vector<std::string> texts) {
    std::reverse(texts.begin(), texts.end());
    return texts;
}

void PrepareLog(const std::vector<LogEntry>& entries) {
    ASSERT_TRUE(DriverReset());
    ASSERT_TRUE(DriverImport(entries));
}

// Opens the viewer (on a dump file when one is named), answering the message boxes of the first load; their
// texts.
std::vector<std::string> OpenAnswering(std::unique_ptr<OpenViewer>& viewer, int messages,
                                       const std::string& dumpFile = {}) {
    return RunWithAnswers([&] { viewer = std::make_unique<OpenViewer>(dumpFile); },
                          [messages](DialogScript& script) { AnswerMessages(script, messages); });
}

// A dump file: the records one after another, then tail bytes that make no whole record.
void WriteDump(const std::string& path, const std::vector<LogEntry>& records, size_t tail = 0) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const LogEntry& record : records) {
        file.write(reinterpret_cast<const char*>(record.bytes), sizeof record.bytes);
    }
    file << std::string(tail, 'x');
    ASSERT_TRUE(file.good()) << path;
}

void Command(OpenViewer& viewer, uint32_t command) {
    SendMessageA(viewer.Window(), WM_COMMAND, command, 0);
}

std::string WindowCaption(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override { DriverClearFaults(); }
    void TearDown() override {
        viewer.reset();
        DriverClearFaults();
    }
    std::unique_ptr<OpenViewer> viewer;
};

TEST_F(ViewerWindow, OpensWithTheLogNewestFirstAndTheLastEntrySelected) {
    PrepareLog(SampleLog());
    EXPECT_TRUE(OpenAnswering(viewer, 0).empty());
    HWND list = viewer->List();
    EXPECT_EQ(WindowCaption(viewer->Window()), "Corvane Log Viewer");

    char className[64] = {};
    GetClassNameA(list, className, sizeof className);
    EXPECT_STREQ(className, "SysListView32");
    // The control adds its scroll bars itself.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE)) &
                  ~(WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL),
              0x50800001u | LVS_OWNERDATA);
    // Whole rows are selected and the cells ruled.
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
              LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    EXPECT_TRUE(IsWindowEnabled(list));
    EXPECT_EQ(GetFocus(), list);

    const char* headings[] = {"Severity",     "Event Number", "Class",      "Update Time",
                              "Initial Time", "Count",        "Description"};
    for (int column = 0; column < ListColumnCount; ++column) {
        char text[64] = {};
        LVCOLUMNA info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info)));
        EXPECT_STREQ(text, headings[column]);
        EXPECT_EQ(info.cx, ListColumns[column].width);
        EXPECT_EQ(info.iSubItem, column);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(icons), 4);

    EXPECT_EQ(ColumnTexts(list, 1), Numbers({13, 12, 10, 8, 5, 3}));
    EXPECT_EQ(SelectedRows(list), std::vector<int>{0});
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
    // Every cell from the entry, through the control's own request.
    const std::vector<std::string> row5 = {"Informational",
                                           "5",
                                           "Maintenance",
                                           "1/2/2026 3:04 AM",
                                           "5/5/2024 5:05 AM",
                                           "40",
                                           "Maintenance note: beta note"};
    for (int column = 0; column < ListColumnCount; ++column) {
        EXPECT_EQ(CellText(list, RowOfEvent(list, 5), column), row5[static_cast<size_t>(column)]) << column;
    }
    EXPECT_EQ(CellText(list, RowOfEvent(list, 10), 5), "-1");
    EXPECT_EQ(CellText(list, RowOfEvent(list, 12), 0), "Unknown");
    const struct {
        uint32_t number;
        int image;
    } icons_of[] = {{3, 0}, {8, 1}, {10, 2}, {5, 3}, {12, 3}};
    for (const auto& row : icons_of) {
        EXPECT_EQ(RowImage(list, RowOfEvent(list, row.number)), row.image) << row.number;
    }
    for (uint32_t command : {ExportLogCommand, ClearAllEntriesCommand, MarkRepairedCommand,
                             AddMaintenanceNoteCommand, RefreshCommand, ExitCommand}) {
        EXPECT_TRUE(MenuItemEnabled(viewer->Window(), command)) << command;
    }
}

// Each heading's first click sorts ascending and its second reverses; ties keep event-number order in the
// same direction. Refresh, by command and by both of its keys, keeps column and direction.
TEST_F(ViewerWindow, SortsByEachColumnAndRefreshKeepsTheOrder) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    const struct {
        int column;
        std::vector<std::string> ascending;
    } orders[] = {
        {SeverityColumn, Numbers({5, 13, 12, 10, 8, 3})},
        {EventNumberColumn, Numbers({3, 5, 8, 10, 12, 13})},
        {ClassColumn, Numbers({8, 3, 5, 10, 13, 12})},
        {UpdateTimeColumn, Numbers({10, 3, 13, 8, 5, 12})},
        {InitialTimeColumn, Numbers({12, 10, 5, 3, 8, 13})},
        {CountColumn, Numbers({10, 8, 3, 13, 12, 5})},
    };
    for (const auto& order : orders) {
        ClickHeading(viewer->Window(), list, order.column);
        EXPECT_EQ(ColumnTexts(list, 1), order.ascending) << order.column;
        ClickHeading(viewer->Window(), list, order.column);
        EXPECT_EQ(ColumnTexts(list, 1), Reversed(order.ascending)) << order.column;
    }
    // Descriptions: byte order, empty texts last, equal texts by event number.
    ClickHeading(viewer->Window(), list, DescriptionColumn);
    const std::vector<std::string> descriptions = ColumnTexts(list, DescriptionColumn);
    const std::vector<std::string> numbers = ColumnTexts(list, 1);
    for (size_t row = 1; row < descriptions.size(); ++row) {
        const int r = CompareTexts(descriptions[row - 1].c_str(), descriptions[row].c_str());
        EXPECT_TRUE(r < 0 || (r == 0 && std::stoi(numbers[row - 1]) < std::stoi(numbers[row]))) << row;
    }
    EXPECT_EQ(std::find(numbers.begin(), numbers.end(), "10") + 1,
              std::find(numbers.begin(), numbers.end(), "13"));
    ClickHeading(viewer->Window(), list, DescriptionColumn);
    EXPECT_EQ(ColumnTexts(list, 1), Reversed(numbers));

    ClickHeading(viewer->Window(), list, CountColumn);
    ClickHeading(viewer->Window(), list, CountColumn);
    const std::vector<std::string> countDescending = Reversed(Numbers({10, 8, 3, 13, 12, 5}));
    ASSERT_EQ(ColumnTexts(list, 1), countDescending);
    ASSERT_TRUE(DriverImport({BuildRecord({20, 9, 33, 2, 6, Noon, Noon, "later"})}));
    Command(*viewer, RefreshCommand);
    std::vector<std::string> withLater = Numbers({5, 12, 20, 13, 3, 8, 10});
    EXPECT_EQ(ColumnTexts(list, 1), withLater);
    PressKey(viewer->Frame(), list, VK_F5, false, false);
    EXPECT_EQ(ColumnTexts(list, 1), withLater);
    PressKey(viewer->Frame(), list, 'R', false, true);
    EXPECT_EQ(ColumnTexts(list, 1), withLater);
    // After every reload exactly one row is selected: the last entry read.
    EXPECT_EQ(SelectedRows(list), std::vector<int>{RowOfEvent(list, 20)});
}

TEST_F(ViewerWindow, AnEmptyLogLeavesTheListEmptyAndDisabledForTheRun) {
    PrepareLog({});
    EXPECT_EQ(OpenAnswering(viewer, 1), std::vector<std::string>{"The Corvane Log is empty."});
    HWND list = viewer->List();
    EXPECT_EQ(RowCount(list), 0);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_FALSE(MenuItemEnabled(viewer->Window(), MarkRepairedCommand));
    EXPECT_TRUE(MenuItemEnabled(viewer->Window(), ExportLogCommand));
    // Mark Repaired's key does nothing while it is greyed.
    const auto none = RunWithAnswers([&] { PressKey(viewer->Frame(), viewer->Window(), 'R', true, false); },
                                     [](DialogScript&) {});
    EXPECT_TRUE(none.empty());
    // A later Refresh shows the entries, with one row selected; the viewer's core makes a list that shows
    // entries usable again.
    ASSERT_TRUE(DriverImport(SampleLog()));
    EXPECT_TRUE(RunWithAnswers([&] { Command(*viewer, RefreshCommand); }, [](DialogScript&) {}).empty());
    EXPECT_EQ(RowCount(list), 6);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{0});
    EXPECT_TRUE(IsWindowEnabled(list));
}

TEST_F(ViewerWindow, WithoutTheDriverTheLogCommandsAreGreyed) {
    ASSERT_TRUE(DriverService(false));
    const std::vector<std::string> shown = OpenAnswering(viewer, 1);
    ASSERT_TRUE(DriverService(true));
    EXPECT_EQ(shown, std::vector<std::string>{"No System Management driver is loaded."});
    EXPECT_EQ(RowCount(viewer->List()), 0);
    EXPECT_FALSE(IsWindowEnabled(viewer->List()));
    for (uint32_t command :
         {ExportLogCommand, ClearAllEntriesCommand, AddMaintenanceNoteCommand, MarkRepairedCommand}) {
        EXPECT_FALSE(MenuItemEnabled(viewer->Window(), command)) << command;
    }
    EXPECT_TRUE(MenuItemEnabled(viewer->Window(), RefreshCommand));
    EXPECT_TRUE(MenuItemEnabled(viewer->Window(), ExitCommand));
}

// The log commands stay greyed for the run; neither their keys nor their commands do anything, while
// Refresh still reads the log.
TEST_F(ViewerWindow, ALogThatIsNotKeptGreysTheLogCommands) {
    PrepareLog(SampleLog());
    ASSERT_TRUE(DriverSupported(false));
    EXPECT_EQ(OpenAnswering(viewer, 1),
              std::vector<std::string>{"This system does not support the Corvane Log."});
    for (uint32_t command : {ExportLogCommand, ClearAllEntriesCommand, AddMaintenanceNoteCommand}) {
        EXPECT_FALSE(MenuItemEnabled(viewer->Window(), command)) << command;
    }
    const auto nothing = RunWithAnswers(
        [&] {
            PressKey(viewer->Frame(), viewer->List(), 'E', true, false);
            PressKey(viewer->Frame(), viewer->List(), 'L', true, false);
            PressKey(viewer->Frame(), viewer->List(), 'M', true, false);
            Command(*viewer, ExportLogCommand);
            Command(*viewer, ClearAllEntriesCommand);
            Command(*viewer, AddMaintenanceNoteCommand);
        },
        [](DialogScript&) {});
    EXPECT_TRUE(nothing.empty());
    EXPECT_EQ(DriverCount(), 6u);
    ASSERT_TRUE(DriverSupported(true));
    Command(*viewer, RefreshCommand);
    EXPECT_EQ(RowCount(viewer->List()), 6);
    EXPECT_FALSE(MenuItemEnabled(viewer->Window(), ExportLogCommand));
}

// A dump opens read-only beside a driver that holds another log: its good records listed, each damaged one
// told in one message after the list is filled, the commands that change the log greyed (their keys do
// nothing), and Refresh reading the file again.
TEST_F(ViewerWindow, ADumpOpensReadOnlyAndTellsOfItsDamagedRecords) {
    PrepareLog({BuildRecord({99, 15, 3, 2, 1, Noon, Noon, ""})});
    const std::string folder = TempFolder();
    const std::string dump = folder + "\\cvr.bin";
    std::vector<LogEntry> records = SampleLog();
    records.insert(records.begin() + 2, BuildRecord({0, 2, 33, 2, 1, Noon, Noon, "zero"}));
    records.push_back(BuildRecord({13, 2, 33, 2, 1, Noon, Noon, "again"}));
    WriteDump(dump, records, 10);
    EXPECT_EQ(
        OpenAnswering(viewer, 1, dump),
        (std::vector<std::string>{
            dump + ": record 2 (offset 512): event number 0; the record is left out\n" + dump +
            ": record 7 (offset 1792): event number 13 repeats that of record 6; the record is left out\n" +
            dump +
            ": the last 10 bytes (offset 2048) are not a whole record: the size 2058 is not a "
            "multiple of 256; they are left out"}));
    HWND list = viewer->List();
    EXPECT_EQ(WindowCaption(viewer->Window()), "Corvane Log Viewer");
    EXPECT_EQ(ColumnTexts(list, 1), Numbers({13, 12, 10, 8, 5, 3}));
    EXPECT_EQ(CellText(list, 0, DescriptionColumn), "Maintenance note: alpha");
    EXPECT_TRUE(IsWindowEnabled(list));
    EXPECT_EQ(StatusText(viewer->Frame().StatusBar()), "Entries: 6    Shown: 6    Selected: 1");
    const struct {
        uint32_t command;
        bool enabled;
    } states[] = {{ExportLogCommand, true},     {ClearAllEntriesCommand, false},
                  {MarkRepairedCommand, false}, {AddMaintenanceNoteCommand, false},
                  {RefreshCommand, true},       {ExitCommand, true}};
    for (const auto& state : states) {
        EXPECT_EQ(MenuItemEnabled(viewer->Window(), state.command), state.enabled) << state.command;
    }
    const auto nothing = RunWithAnswers(
        [&] {
            PressKey(viewer->Frame(), list, 'L', true, false);
            PressKey(viewer->Frame(), list, 'R', true, false);
            PressKey(viewer->Frame(), list, 'M', true, false);
            Command(*viewer, ClearAllEntriesCommand);
            Command(*viewer, MarkRepairedCommand);
            Command(*viewer, AddMaintenanceNoteCommand);
        },
        [](DialogScript&) {});
    EXPECT_TRUE(nothing.empty());
    EXPECT_EQ(DriverCount(), 1u);

    WriteDump(dump,
              {BuildRecord({4, 9, 2, 1, 1, Noon, Noon, ""}), BuildRecord({20, 2, 33, 2, 1, Noon, Noon, ""})});
    EXPECT_TRUE(RunWithAnswers([&] { Command(*viewer, RefreshCommand); }, [](DialogScript&) {}).empty());
    EXPECT_EQ(ColumnTexts(list, 1), Numbers({20, 4}));
    EXPECT_EQ(StatusText(viewer->Frame().StatusBar()), "Entries: 2    Shown: 2    Selected: 1");

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(ViewerWindow, MarkRepairedMarksTheEligibleSelectionAndTellsOfTheRest) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    SelectRows(list, {});
    EXPECT_FALSE(MenuItemEnabled(viewer->Window(), MarkRepairedCommand));
    EXPECT_TRUE(RunWithAnswers([&] { Command(*viewer, MarkRepairedCommand); }, [](DialogScript&) {}).empty());

    // A driver that refuses the rewrite: 540 for the informational entry, then 535; the copy stays.
    ASSERT_TRUE(DriverFaultWriteStatus(136));
    SelectRows(list, {RowOfEvent(list, 3), RowOfEvent(list, 5)});
    const auto failed = RunWithAnswers([&] { Command(*viewer, MarkRepairedCommand); },
                                       [](DialogScript& script) { AnswerMessages(script, 2); });
    EXPECT_EQ(failed, (std::vector<std::string>{TableText(NotMarkedRepairedText),
                                                TableText(MarkRepairedFailedText)}));
    EXPECT_EQ(CellText(list, RowOfEvent(list, 3), SeverityColumn), "Critical");
    ASSERT_TRUE(DriverClearFaults());

    // Critical 3, Caution 8 and Informational 5: the first two are marked, 540 is shown once.
    SelectRows(list, {RowOfEvent(list, 3), RowOfEvent(list, 8), RowOfEvent(list, 5)});
    EXPECT_TRUE(MenuItemEnabled(viewer->Window(), MarkRepairedCommand));
    const std::string before = CellText(list, RowOfEvent(list, 3), UpdateTimeColumn);
    const auto shown = RunWithAnswers([&] { PressKey(viewer->Frame(), list, 'R', true, false); },
                                      [](DialogScript& script) { AnswerMessages(script, 1); });
    EXPECT_EQ(shown, std::vector<std::string>{TableText(NotMarkedRepairedText)});
    for (uint32_t number : {3u, 8u}) {
        EXPECT_EQ(CellText(list, RowOfEvent(list, number), SeverityColumn), "Repaired") << number;
        EXPECT_EQ(RowImage(list, RowOfEvent(list, number)), 2) << number;
    }
    EXPECT_NE(CellText(list, RowOfEvent(list, 3), UpdateTimeColumn), before);
    EXPECT_EQ(CellText(list, RowOfEvent(list, 5), SeverityColumn), "Informational");
    EXPECT_EQ(SelectedRows(list), std::vector<int>{RowOfEvent(list, 13)});
}

TEST_F(ViewerWindow, ClearAsksFirstAndCancelOrEnterChangesNothing) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    const auto cancelled = RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                                          [](DialogScript& script) { AnswerMessages(script, 1, IDCANCEL); });
    EXPECT_EQ(cancelled, std::vector<std::string>{TableText(ConfirmClearText)});
    // Enter presses the default button, Cancel.
    RunWithAnswers([&] { PressKey(viewer->Frame(), viewer->List(), 'L', true, false); },
                   [](DialogScript& script) {
                       HWND box = script.WaitMessageBox();
                       PostMessageA(box, WM_KEYDOWN, VK_RETURN, 1);
                       script.WaitGone(box);
                   });
    EXPECT_EQ(DriverCount(), 6u);
    EXPECT_EQ(RowCount(viewer->List()), 6);

    ASSERT_TRUE(DriverFaultEraseRefuse());
    const auto refused = RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                                        [](DialogScript& script) { AnswerMessages(script, 2); });
    EXPECT_EQ(refused,
              (std::vector<std::string>{TableText(ConfirmClearText), TableText(ClearLogFailedText)}));
    EXPECT_EQ(RowCount(viewer->List()), 6);
    ASSERT_TRUE(DriverClearFaults());

    RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                   [](DialogScript& script) { AnswerMessages(script, 1); });
    EXPECT_EQ(DriverCount(), 1u);
    ASSERT_EQ(RowCount(viewer->List()), 1);
    char user[257] = {};
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    EXPECT_EQ(CellText(viewer->List(), 0, DescriptionColumn), std::string("CVR Cleared (") + user + ")");
}

// The note dialog: its texts and limit, the 227 characters it holds and the 228th it refuses, the warning
// that keeps it open on a blank text, Enter pressing OK, and the note stored as one line.
TEST_F(ViewerWindow, NoteDialogLimitsWarnsAndStoresOneLine) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    std::string caption;
    std::string prompt;
    LRESULT limit = 0;
    int heldLength = 0;
    const auto shown =
        RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                       [&](DialogScript& script) {
                           HWND dialog = script.WaitNoteDialog();
                           HWND field = GetDlgItem(dialog, 1053);
                           caption = script.Caption(dialog);
                           prompt = script.Text(dialog, 1052);
                           limit = SendMessageA(field, EM_GETLIMITTEXT, 0, 0);
                           for (int i = 0; i < 228; ++i) {
                               SendMessageA(field, WM_CHAR, 'a', 1);
                           }
                           SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("more"));
                           heldLength = GetWindowTextLengthA(field);
                           // Blanks and line breaks only: the warning, and the dialog stays.
                           SendMessageA(field, EM_SETSEL, 0, -1);
                           SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("  \r\n \t "));
                           script.Press(dialog, IDOK);
                           AnswerMessages(script, 1);
                           if (!IsWindowVisible(dialog)) {
                               script.Fail("the dialog closed on a blank text");
                           }
                           SendMessageA(field, EM_SETSEL, 0, -1);
                           SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("  abc "));
                           SendMessageA(field, WM_CHAR, '\n', 1); // Ctrl+Enter
                           SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("def  "));
                           PostMessageA(field, WM_KEYDOWN, VK_RETURN, 1);
                           script.WaitGone(dialog);
                       });
    EXPECT_EQ(caption, "Corvane Log Viewer");
    EXPECT_EQ(prompt, TableText(NotePromptText));
    EXPECT_EQ(limit, 227);
    EXPECT_EQ(heldLength, 227);
    EXPECT_EQ(shown, std::vector<std::string>{TableText(NotePromptText)});
    EXPECT_EQ(DriverCount(), 7u);
    HWND list = viewer->List();
    EXPECT_EQ(CellText(list, RowOfEvent(list, 14), DescriptionColumn), "Maintenance note: abc def");

    // Cancel writes nothing, whatever was typed.
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       SendMessageA(GetDlgItem(dialog, 1053), EM_REPLACESEL, TRUE,
                                    reinterpret_cast<LPARAM>("x"));
                       script.PressAndWaitGone(dialog, IDCANCEL);
                   });
    EXPECT_EQ(DriverCount(), 7u);

    // Exactly 227 characters are stored whole; a note the driver refuses is reported and the list reloaded.
    const std::string full(227, 'n');
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       SendMessageA(GetDlgItem(dialog, 1053), EM_REPLACESEL, TRUE,
                                    reinterpret_cast<LPARAM>(full.c_str()));
                       script.PressAndWaitGone(dialog, IDOK);
                   });
    EXPECT_EQ(CellText(list, RowOfEvent(list, 15), DescriptionColumn), "Maintenance note: " + full);
    ASSERT_TRUE(DriverFaultWriteStatus(136));
    const auto refused = RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                                        [](DialogScript& script) {
                                            HWND dialog = script.WaitNoteDialog();
                                            SendMessageA(GetDlgItem(dialog, 1053), EM_REPLACESEL, TRUE,
                                                         reinterpret_cast<LPARAM>("refused"));
                                            script.PressAndWaitGone(dialog, IDOK);
                                            AnswerMessages(script, 1);
                                        });
    EXPECT_EQ(refused, std::vector<std::string>{TableText(NoteNotLoggedText)});
    EXPECT_EQ(RowCount(list), 8);
}

// A note entry holds 227 bytes: text beyond that in UTF-8 is refused as it is typed, so that what is stored
// is what the field shows.
TEST_F(ViewerWindow, NoteFieldHoldsNoMoreThanTheEntryStores) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    std::string held;
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       HWND field = GetDlgItem(dialog, 1053);
                       std::string kana;
                       for (int i = 0; i < 80; ++i) {
                           kana += "あ";
                       }
                       SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kana.c_str()));
                       for (char c : {'z', 'y', 'x'}) {
                           SendMessageA(field, WM_CHAR, c, 1);
                       }
                       held = script.Text(dialog, 1053);
                       script.PressAndWaitGone(dialog, IDOK);
                   });
    std::string expected;
    for (int i = 0; i < 75; ++i) {
        expected += "あ";
    }
    expected += "zy";
    EXPECT_EQ(held, expected);
    HWND list = viewer->List();
    EXPECT_EQ(CellText(list, RowOfEvent(list, 14), DescriptionColumn), "Maintenance note: " + expected);
}

// The export dialog's title and filter, the default extension, and a file byte for byte the command line's
// export of the same log, in the log's order whatever the list's.
TEST_F(ViewerWindow, ExportWritesWhatTheCommandLineWrites) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    ClickHeading(viewer->Window(), viewer->List(), DescriptionColumn);
    const std::string folder = TempFolder();
    std::string title;
    std::vector<std::string> filters;
    RunWithAnswers([&] { PressKey(viewer->Frame(), viewer->List(), 'E', true, false); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitFileDialog();
                       title = script.Caption(dialog);
                       HWND types = GetDlgItem(dialog, 0x470);
                       for (LRESULT i = 0; i < SendMessageA(types, CB_GETCOUNT, 0, 0); ++i) {
                           char text[256] = {};
                           SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                           filters.push_back(text);
                       }
                       HWND name = GetDlgItem(dialog, 0x480);
                       if (name == nullptr) {
                           name = GetDlgItem(dialog, 0x47C);
                       }
                       SetWindowTextA(name, (folder + "\\viewer").c_str());
                       script.PressAndWaitGone(dialog, IDOK);
                   });
    EXPECT_EQ(title, "Export");
    EXPECT_EQ(filters, (std::vector<std::string>{"Comma Delimited (*.csv) ", "All Files (*.*) "}));
    ASSERT_EQ(RunKestrav(folder, "/export:cli.csv"), 0u);
    const std::string cli = ReadFileBytes(folder + "\\cli.csv");
    EXPECT_GT(cli.size(), 100u);
    EXPECT_EQ(ReadFileBytes(folder + "\\viewer.csv"), cli);

    // Cancelled with a name typed: nothing is written.
    ASSERT_TRUE(DeleteFileA((folder + "\\viewer.csv").c_str()));
    RunWithAnswers([&] { Command(*viewer, ExportLogCommand); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitFileDialog();
                       HWND name = GetDlgItem(dialog, 0x480);
                       SetWindowTextA(name != nullptr ? name : GetDlgItem(dialog, 0x47C),
                                      (folder + "\\viewer").c_str());
                       script.PressAndWaitGone(dialog, IDCANCEL);
                   });
    EXPECT_EQ(GetFileAttributesA((folder + "\\viewer.csv").c_str()), INVALID_FILE_ATTRIBUTES);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// Selecting the last entry read, which the sort then puts first, leaves a long list at its top.
TEST_F(ViewerWindow, ALongLogOpensAtItsTop) {
    std::vector<LogEntry> entries;
    for (uint32_t number = 1; number <= 300; ++number) {
        entries.push_back(BuildRecord({number, 2, 33, 2, 1, Noon, Noon, "note " + std::to_string(number)}));
    }
    PrepareLog(entries);
    OpenAnswering(viewer, 0);
    EXPECT_EQ(RowCount(viewer->List()), 300);
    EXPECT_EQ(CellText(viewer->List(), 0, EventNumberColumn), "300");
    EXPECT_EQ(SelectedRows(viewer->List()), std::vector<int>{0});
    EXPECT_EQ(SendMessageA(viewer->List(), LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ViewerWindow, ExitEndsTheWindow) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND window = viewer->Window();
    Command(*viewer, ExitCommand);
    EXPECT_FALSE(IsWindow(window));
}

// Whole rows: a click in the Description cell selects its row; the heading shows the document's sort,
// also after a reload; the status bar counts entries, shown and selected rows below the list.
TEST_F(ViewerWindow, RowsAreSelectedWholeAndTheHeadingAndStatusBarFollow) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    HWND status = viewer->Frame().StatusBar();
    ClickCell(viewer->Frame(), list, 3, DescriptionColumn, false);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{3});
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 6    Selected: 1");
    SelectRows(list, {1, 2, 4});
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 6    Selected: 3");
    RECT listArea{};
    RECT statusArea{};
    RECT filterArea{};
    GetWindowRect(list, &listArea);
    GetWindowRect(status, &statusArea);
    GetWindowRect(viewer->Frame().FilterText(), &filterArea);
    EXPECT_TRUE(IsWindowVisible(status));
    EXPECT_LE(listArea.bottom, statusArea.top);
    EXPECT_LE(filterArea.bottom, listArea.top);

    const auto arrows = [&] {
        std::vector<int> shown;
        for (int column = 0; column < ListColumnCount; ++column) {
            shown.push_back(SortArrow(list, column));
        }
        return shown;
    };
    const auto only = [](int column, int arrow) {
        std::vector<int> shown(ListColumnCount, 0);
        shown[static_cast<size_t>(column)] = arrow;
        return shown;
    };
    EXPECT_EQ(arrows(), only(EventNumberColumn, HDF_SORTDOWN));
    // The control keeps a row's state by its place: a sort carries the selection and the focus to the
    // entries' new places.
    const auto selectedEvents = [&] {
        std::vector<std::string> events;
        for (int row : SelectedRows(list)) {
            events.push_back(CellText(list, row, EventNumberColumn));
        }
        std::sort(events.begin(), events.end());
        return events;
    };
    const auto focusedEvent = [&] {
        const auto row = static_cast<int>(
            SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
        return row >= 0 ? CellText(list, row, EventNumberColumn) : std::string();
    };
    const std::vector<std::string> selectedBefore = selectedEvents();
    const std::string focusedBefore = focusedEvent();
    ClickHeading(viewer->Window(), list, ClassColumn);
    EXPECT_EQ(arrows(), only(ClassColumn, HDF_SORTUP));
    EXPECT_EQ(selectedEvents(), selectedBefore);
    EXPECT_EQ(focusedEvent(), focusedBefore);
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 6    Selected: 3");
    ClickHeading(viewer->Window(), list, ClassColumn);
    EXPECT_EQ(arrows(), only(ClassColumn, HDF_SORTDOWN));
    Command(*viewer, RefreshCommand);
    EXPECT_EQ(arrows(), only(ClassColumn, HDF_SORTDOWN));
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 6    Selected: 1");
}

// Whatever the display's dots per inch (a run per resolution, see CMakeLists.txt), what is measured in
// pixels grows with them and no text is cut: the columns, the icons drawn for the size, the rows that hold
// them, the filter bar's field and the status bar that hold their fonts, and the headings within their
// columns.
TEST_F(ViewerWindow, MeasuresFollowTheDisplay) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    HDC screen = GetDC(nullptr);
    const int displayDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // The run's resolution really reached the display, or every run would measure at 96.
    if (const char* wanted = std::getenv("KESTRAV_WINE_DPI")) {
        ASSERT_EQ(displayDpi, std::atoi(wanted));
    }
    const auto textHeight = [](HWND window) {
        HDC context = GetDC(window);
        HGDIOBJ old = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(context, &metrics);
        SelectObject(context, old);
        ReleaseDC(window, context);
        return static_cast<int>(metrics.tmHeight);
    };
    const auto height = [](HWND window) {
        RECT area{};
        GetWindowRect(window, &area);
        return static_cast<int>(area.bottom - area.top);
    };

    const auto measure = [&](int dpi) {
        int iconWidth = 0;
        int iconHeight = 0;
        ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), &iconWidth,
            &iconHeight);
        EXPECT_EQ(iconWidth, SeverityIconSize(dpi));
        EXPECT_EQ(iconHeight, SeverityIconSize(dpi));
        RECT row{};
        row.left = LVIR_BOUNDS;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
        EXPECT_GE(row.bottom - row.top, std::max(iconHeight, textHeight(list)));

        HWND heading = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        HDC context = GetDC(heading);
        HGDIOBJ old = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(heading, WM_GETFONT, 0, 0)));
        for (int column = 0; column < ListColumnCount; ++column) {
            const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
            EXPECT_EQ(width, ScaleToDpi(ListColumns[column].width, dpi)) << column;
            const std::wstring text = win32::Widen(TableText(ListColumns[column].heading));
            SIZE extent{};
            GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
            EXPECT_LT(extent.cx, width) << column;
        }
        SelectObject(context, old);
        ReleaseDC(heading, context);

        HWND field = viewer->Frame().FilterText();
        EXPECT_EQ(height(field), ScaleToDpi(22, dpi));
        EXPECT_LE(textHeight(field), height(field));
        HWND status = viewer->Frame().StatusBar();
        EXPECT_LE(textHeight(status), height(status));
        EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 6    Selected: 1");
    };
    measure(displayDpi);
    // Moved to a display of another resolution, the window takes the new one at once.
    const int otherDpi = displayDpi == 96 ? 192 : 96;
    RECT area{};
    GetWindowRect(viewer->Window(), &area);
    SendMessageW(viewer->Window(), WM_DPICHANGED, MAKEWPARAM(otherDpi, otherDpi),
                 reinterpret_cast<LPARAM>(&area));
    PumpWaiting(viewer->Frame());
    measure(otherDpi);
}

// Enter and a double click open the details of the focused row in a read-only fixed-width text that
// follows the focus; Ctrl+C and the context menu's Copy put the selected rows on the clipboard in the
// list's order; the message boxes, the note dialog and the details stand centred on the window.
TEST_F(ViewerWindow, DetailsCopyAndCentredDialogs) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    PressKey(viewer->Frame(), list, VK_RETURN, false, false);
    win32::CEntryDetailsWnd& details = viewer->Frame().Details();
    ASSERT_TRUE(details.IsOpen());
    HWND text = details.Text();
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    EXPECT_EQ(style & (ES_MULTILINE | ES_READONLY), ES_MULTILINE | ES_READONLY);
    HDC dc = GetDC(text);
    HGDIOBJ before = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, before);
    ReleaseDC(text, dc);
    EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "a proportional font"; // the bit is inverted
    EXPECT_LE(CentreDistance(details.Handle(), viewer->Window()), 2);

    const LogEntry thirteen = BuildRecord(SampleRecords[5]);
    std::string hex = HexDump({thirteen.EventData(), EventDataSize});
    std::string expectedHex;
    for (char c : hex) {
        expectedHex += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::string shown = WindowTextUtf8(text);
    for (const char* line : {"Description\r\nMaintenance note: alpha\r\n", "\r\nEvent number: 13\r\n",
                             "\r\nSeverity: 2 (Informational)\r\n", "\r\nClass: 33 (Maintenance)\r\n",
                             "\r\nCode: 2\r\n", "\r\nInitial time: 12/7/2026 2:05 PM\r\n", "\r\nCount: 5\r\n",
                             "\r\nEvent data\r\n0000  61 6C 70 68 61 00"}) {
        EXPECT_NE(shown.find(line), std::string::npos) << line << " in\n" << shown;
    }
    ASSERT_GE(shown.size(), expectedHex.size());
    EXPECT_EQ(shown.substr(shown.size() - expectedHex.size()), expectedHex);
    EXPECT_EQ(std::count(expectedHex.begin(), expectedHex.end(), '\n'), 15);

    const int five = RowOfEvent(list, 5);
    ClickCell(viewer->Frame(), list, five, DescriptionColumn, true);
    EXPECT_NE(WindowTextUtf8(text).find("Maintenance note: beta note\r\n"), std::string::npos);
    ClickCell(viewer->Frame(), list, RowOfEvent(list, 8), CountColumn, false);
    EXPECT_NE(WindowTextUtf8(text).find("\r\nEvent number: 8\r\n"), std::string::npos) << "follows the focus";
    SendMessageW(details.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(details.IsOpen());

    // Two rows, in the list's order whatever the order of selecting.
    const auto rowText = [&](int row) {
        std::string line;
        for (int column = 0; column < ListColumnCount; ++column) {
            line += CellText(list, row, column) + (column + 1 < ListColumnCount ? "\t" : "\r\n");
        }
        return line;
    };
    SelectRows(list, {4, 1});
    PressKey(viewer->Frame(), list, 'C', true, false);
    EXPECT_EQ(ClipboardText(), rowText(1) + rowText(4));
    SelectRows(list, {2});
    RunWithAnswers(
        [&] {
            SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(0xFFFF, 0xFFFF));
        },
        [](DialogScript& script) {
            HWND menu = script.WaitPopupMenu();
            // Copy by its mnemonic.
            PostMessageW(menu, WM_CHAR, 'c', 1);
            script.WaitGone(menu);
        });
    EXPECT_EQ(ClipboardText(), rowText(2));

    int boxDistance = -1;
    int noteDistance = -1;
    RunWithAnswers([&] { Command(*viewer, ClearAllEntriesCommand); },
                   [&](DialogScript& script) {
                       HWND box = script.WaitMessageBox();
                       boxDistance = CentreDistance(box, viewer->Window());
                       script.PressAndWaitGone(box, IDCANCEL);
                   });
    RunWithAnswers([&] { Command(*viewer, AddMaintenanceNoteCommand); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       noteDistance = CentreDistance(dialog, viewer->Window());
                       script.PressAndWaitGone(dialog, IDCANCEL);
                   });
    EXPECT_LE(boxDistance, 2);
    EXPECT_GE(boxDistance, 0);
    EXPECT_LE(noteDistance, 2);
    EXPECT_GE(noteDistance, 0);
    EXPECT_EQ(DriverCount(), 6u);
}

// The filter bar hides rows without touching the log: the text, the severity and the class combine, a
// selection that stays shown stays selected, Mark Repaired marks only the selected rows shown, and the
// filter stays across Refresh.
TEST_F(ViewerWindow, FilterBarHidesRowsAndMarkRepairedActsOnTheShownOnes) {
    PrepareLog(SampleLog());
    OpenAnswering(viewer, 0);
    HWND list = viewer->List();
    HWND status = viewer->Frame().StatusBar();
    HWND field = viewer->Frame().FilterText();
    HWND severity = viewer->Frame().SeverityChoice();
    HWND classes = viewer->Frame().ClassChoice();
    const auto choose = [&](HWND box, int index) {
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(viewer->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
    };
    const auto items = [](HWND box) {
        std::vector<std::string> texts;
        for (LRESULT i = 0; i < SendMessageW(box, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t item[256] = {};
            SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
            texts.push_back(win32::Narrow(item));
        }
        return texts;
    };
    EXPECT_EQ(items(severity), (std::vector<std::string>{"All severities", "Critical", "Caution", "Repaired",
                                                         "Informational"}));
    const std::vector<std::string> classNames = items(classes);
    ASSERT_EQ(classNames.size(), 5u);
    EXPECT_EQ(classNames[0], "All classes");
    EXPECT_EQ(classNames[4], "Maintenance");

    const struct {
        const char* text;
        int severity;
        int eventClass;
        std::vector<std::string> numbers;
    } filters[] = {
        {"ALPHA", 0, 0, Numbers({13, 10})}, {"alpha", 4, 0, Numbers({13})},
        {"", 0, 4, Numbers({13, 10, 5})},   {"", 2, 0, Numbers({8})},
        {"no such text", 0, 0, {}},         {"", 0, 0, Numbers({13, 12, 10, 8, 5, 3})},
    };
    for (const auto& filter : filters) {
        SetWindowTextW(field, win32::Widen(filter.text).c_str());
        choose(severity, filter.severity);
        choose(classes, filter.eventClass);
        EXPECT_EQ(ColumnTexts(list, EventNumberColumn), filter.numbers) << filter.text;
        EXPECT_EQ(StatusText(status).substr(0, 20), "Entries: 6    Shown:") << filter.text;
    }

    // 3 (Critical) and 8 (Caution) selected, then only Caution shown: only 8 is marked.
    SelectRows(list, {RowOfEvent(list, 3), RowOfEvent(list, 8)});
    choose(severity, 2);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{0});
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 1    Selected: 1");
    EXPECT_TRUE(RunWithAnswers([&] { Command(*viewer, MarkRepairedCommand); }, [](DialogScript&) {}).empty());
    Command(*viewer, RefreshCommand);
    EXPECT_TRUE(ColumnTexts(list, EventNumberColumn).empty()) << "8 is no longer Caution";
    choose(severity, 3);
    EXPECT_EQ(ColumnTexts(list, EventNumberColumn), Numbers({10, 8}));
    choose(severity, 1);
    EXPECT_EQ(ColumnTexts(list, EventNumberColumn), Numbers({3}));
    EXPECT_EQ(StatusText(status), "Entries: 6    Shown: 1    Selected: 0");
}

// A load walks the log beside the window: it keeps answering, its commands are greyed and its list takes no
// input until the list is filled.
TEST_F(ViewerWindow, ALoadKeepsTheWindowAnsweringWithItsCommandsGreyed) {
    std::vector<LogEntry> entries;
    for (uint32_t number = 1; number <= 1500; ++number) {
        entries.push_back(BuildRecord({number, 2, 33, 2, 1, Noon, Noon, "n"}));
    }
    PrepareLog(entries);
    OpenAnswering(viewer, 0);
    HWND window = viewer->Window();
    HWND list = viewer->List();
    bool greyed = false;
    bool listDisabled = false;
    bool exitEnabled = false;
    bool answered = false;
    RunWithAnswers([&] { Command(*viewer, RefreshCommand); },
                   [&](DialogScript& script) {
                       for (int tries = 0; tries < 1000 && !greyed; ++tries) {
                           greyed = !MenuItemEnabled(window, RefreshCommand);
                           if (!greyed) {
                               Sleep(2);
                           }
                       }
                       if (!greyed) {
                           script.Fail("the commands were never greyed");
                       }
                       listDisabled = !IsWindowEnabled(list);
                       exitEnabled = MenuItemEnabled(window, ExitCommand);
                       DWORD_PTR result = 0;
                       answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
                   });
    EXPECT_TRUE(greyed);
    EXPECT_TRUE(listDisabled);
    EXPECT_TRUE(exitEnabled);
    EXPECT_TRUE(answered);
    EXPECT_EQ(RowCount(list), 1500);
    EXPECT_TRUE(IsWindowEnabled(list));
    EXPECT_EQ(GetFocus(), list);
    EXPECT_TRUE(MenuItemEnabled(window, RefreshCommand));
    EXPECT_EQ(StatusText(viewer->Frame().StatusBar()), "Entries: 1500    Shown: 1500    Selected: 1");
}

// The program itself: no argument, or a first one that is no option, opens the window on the driver's log;
// --input=FILE --window opens it on the dump.
TEST(ViewerProgram, OpensTheWindowWithoutAnOptionAndOnADump) {
    PrepareLog(SampleLog());
    const std::string folder = TempFolder();
    const std::string dump = folder + "\\cvr.bin";
    WriteDump(dump,
              {BuildRecord({4, 9, 2, 1, 1, Noon, Noon, ""}), BuildRecord({20, 2, 33, 2, 1, Noon, Noon, ""})});
    const struct {
        std::string arguments;
        LRESULT rows;
    } runs[] = {{"", 6}, {"notes.txt", 6}, {"--input=\"" + dump + "\" --window", 2}};
    for (const auto& run : runs) {
        const std::string& arguments = run.arguments;
        std::string program = std::string("Z:") + KESTRAV_BIN_DIR + "/kestrav.exe";
        std::replace(program.begin(), program.end(), '/', '\\');
        std::string commandLine = "\"" + program + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        HWND window = nullptr;
        while (window == nullptr && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
            for (HWND w = FindWindowExW(nullptr, nullptr, win32::CEventViewerFrame::WindowClass, nullptr);
                 w != nullptr;
                 w = FindWindowExW(nullptr, w, win32::CEventViewerFrame::WindowClass, nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(w)) {
                    window = w;
                }
            }
        }
        ASSERT_NE(window, nullptr) << arguments;
        EXPECT_EQ(WindowCaption(window), "Corvane Log Viewer");
        // The rows arrive with the first load, posted once the window is shown.
        HWND list = FindWindowExA(window, nullptr, "SysListView32", nullptr);
        LRESULT rows = 0;
        for (int tries = 0; tries < 500 && rows != run.rows; ++tries) {
            Sleep(10);
            rows = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        }
        EXPECT_EQ(rows, run.rows) << arguments;
        PostMessageA(window, WM_COMMAND, ExitCommand, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// In Japanese the menu, the headings, the dialog and the messages are the Japanese texts, none of them
// clipped by its control.
TEST(JapaneseViewer, MenuDialogAndMessagesAreJapanese) {
    ASSERT_EQ(CurrentLanguage(), Language::Japanese);
    PrepareLog({});
    std::unique_ptr<OpenViewer> viewer;
    EXPECT_EQ(OpenAnswering(viewer, 1), std::vector<std::string>{"Corvane Log は空です。"});
    EXPECT_EQ(WindowCaption(viewer->Window()), "Corvane ログ ビューアー");
    EXPECT_EQ(StatusText(viewer->Frame().StatusBar()), "エントリ: 0    表示: 0    選択: 0");
    wchar_t choice[64] = {};
    SendMessageW(viewer->Frame().SeverityChoice(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(choice));
    EXPECT_EQ(win32::Narrow(choice), "すべての重要度");
    HMENU menu = viewer->Menu();
    for (size_t position = 0; position < MenuCount; ++position) {
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, LoadMenuTitle(position));
    }
    for (uint32_t command : {ExportLogCommand, ClearAllEntriesCommand, MarkRepairedCommand,
                             AddMaintenanceNoteCommand, ExitCommand, RefreshCommand}) {
        char text[256] = {};
        GetMenuStringA(menu, command, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, LoadMenuItemText(command)) << command;
    }
    char heading[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    SendMessageA(viewer->List(), LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(heading, "イベント番号");
    Picture(viewer->Window(), "window-ja");
    std::string cancel;
    std::string prompt;
    std::vector<std::string> bytesLeft;
    std::vector<std::string> clipped;
    RunWithAnswers([&] { SendMessageA(viewer->Window(), WM_COMMAND, AddMaintenanceNoteCommand, 0); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       cancel = script.Text(dialog, IDCANCEL);
                       prompt = script.Text(dialog, 1052);
                       bytesLeft.push_back(script.Text(dialog, 1054));
                       SendMessageW(GetDlgItem(dialog, 1053), EM_REPLACESEL, TRUE,
                                    reinterpret_cast<LPARAM>(L"ファン交換"));
                       bytesLeft.push_back(script.Text(dialog, 1054));
                       clipped = ClippedTexts(dialog);
                       Picture(dialog, "note-ja");
                       script.PressAndWaitGone(dialog, IDCANCEL);
                   });
    EXPECT_EQ(cancel, "キャンセル");
    EXPECT_EQ(prompt, TableText(NotePromptText));
    EXPECT_EQ(bytesLeft, (std::vector<std::string>{"残り 227 バイト", "残り 212 バイト"}));
    EXPECT_EQ(clipped, std::vector<std::string>{});

    // Every message the window shows, whole in its box.
    for (uint32_t id : {DriverNotLoadedText, MarkRepairedFailedText, LogNotSupportedText, ClearLogFailedText,
                        NotMarkedRepairedText, NoteNotLoggedText, NotePromptText, LogEmptyText,
                        ConfirmClearText, ReadIncompleteText, ReadSkippedText, ReadOutOfMemoryText}) {
        RunWithAnswers([&] { viewer->Shell().Message(TableText(id), id == ConfirmClearText ? 0x131 : 0x30); },
                       [&](DialogScript& script) {
                           HWND box = script.WaitMessageBox();
                           clipped = ClippedTexts(box);
                           Picture(box, "message-" + std::to_string(id) + "-ja");
                           script.PressAndWaitGone(box, id == ConfirmClearText ? IDCANCEL : IDOK);
                       });
        EXPECT_EQ(clipped, std::vector<std::string>{}) << id;
    }
}

} // namespace
} // namespace kestrav::wintest
