// The Windows window under Wine on a virtual display, against the test driver: the real frame, list and
// dialogs driven with real messages (commands, keys through the accelerator table, list notifications), the
// real message boxes and dialogs answered from a second thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "viewer_core/list_order.h"
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

// Opens the viewer, answering the message boxes of the first load; their texts.
std::vector<std::string> OpenAnswering(std::unique_ptr<OpenViewer>& viewer, int messages) {
    return RunWithAnswers([&] { viewer = std::make_unique<OpenViewer>(); },
                          [messages](DialogScript& script) { AnswerMessages(script, messages); });
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
              0x50800001u);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0);
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

// The program itself: no argument, or a first one that is no option, opens the window.
TEST(ViewerProgram, OpensTheWindowWithoutAnOption) {
    PrepareLog(SampleLog());
    for (const char* arguments : {"", "notes.txt"}) {
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
            for (HWND w = FindWindowExA(nullptr, nullptr, win32::CEventViewerFrame::WindowClass, nullptr);
                 w != nullptr;
                 w = FindWindowExA(nullptr, w, win32::CEventViewerFrame::WindowClass, nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(w)) {
                    window = w;
                }
            }
        }
        ASSERT_NE(window, nullptr) << arguments;
        EXPECT_EQ(WindowCaption(window), "Corvane Log Viewer");
        PostMessageA(window, WM_COMMAND, ExitCommand, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// In Japanese the menu, the headings, the dialog and the messages are the Japanese texts.
TEST(JapaneseViewer, MenuDialogAndMessagesAreJapanese) {
    ASSERT_EQ(CurrentLanguage(), Language::Japanese);
    PrepareLog({});
    std::unique_ptr<OpenViewer> viewer;
    EXPECT_EQ(OpenAnswering(viewer, 1), std::vector<std::string>{"Corvane Log は空です。"});
    EXPECT_EQ(WindowCaption(viewer->Window()), "Corvane ログ ビューア");
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
    std::string cancel;
    std::string prompt;
    RunWithAnswers([&] { SendMessageA(viewer->Window(), WM_COMMAND, AddMaintenanceNoteCommand, 0); },
                   [&](DialogScript& script) {
                       HWND dialog = script.WaitNoteDialog();
                       cancel = script.Text(dialog, IDCANCEL);
                       prompt = script.Text(dialog, 1052);
                       script.PressAndWaitGone(dialog, IDCANCEL);
                   });
    EXPECT_EQ(cancel, "キャンセル");
    EXPECT_EQ(prompt, TableText(NotePromptText));
}

} // namespace
} // namespace kestrav::wintest
