// The document and the frame's commands against a real health device: loading, the failure messages, Mark
// Repaired, Clear All Entries, Add Maintenance Note, Export Log, Refresh and the enabling rules.
#include "viewer_core/viewer_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "render/export_line.h"
#include "decode/event_text.h"
#include "log/log_ops.h"
#include "platform/system.h"
#include "resources/string_table.h"
#include "viewer_core/core_support.h"
#include "viewer_core/list_order.h"

namespace kestrav::test {
namespace {

std::string Text(uint32_t id) {
    return TableText(id);
}

// A device, a document with one list, and the frame's commands over them.
struct Viewer {
    CoreDevice device;
    ScriptedShell shell;
    CEventViewerDoc doc{shell};
    RecordingList list;
    ViewerCommands commands{doc, list};

    Viewer() { doc.AddView(list); }
    ~Viewer() { doc.RemoveView(list); }

    std::vector<LogEntry> Stored() const {
        std::vector<LogEntry> entries;
        ReadAllEntries(entries);
        return entries;
    }
    const LogEntry* Row(uint32_t eventNumber) const {
        for (const CEventLogEntry* row : list.Rows()) {
            if (row->m_entry.EventNumber() == eventNumber) {
                return &row->m_entry;
            }
        }
        return nullptr;
    }
};

std::vector<LogEntry> Sample() {
    return {MakeEntry(3, 15, 3, 2, 1, {20, 26, 1, 1, 0, 0}),
            MakeEntry(7, 2, 33, 2, 1, {20, 26, 1, 2, 0, 0}, {}, "z"),
            MakeEntry(8, 9, 33, 2, 1, {20, 26, 1, 3, 0, 0}, {}, "a")};
}

TEST(Document, InitialLoadShowsTheLogSortedByEventNumberDescending) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    EXPECT_TRUE(viewer.shell.texts.empty());
    EXPECT_EQ(viewer.doc.m_nEntryCount, 3);
    EXPECT_EQ(viewer.list.Order(), (std::vector<int32_t>{8, 7, 3}));
    // The last entry read is selected, wherever the sort puts it.
    EXPECT_EQ(viewer.list.SelectedNumbers(), (std::vector<int32_t>{8}));
    EXPECT_TRUE(viewer.list.Enabled());
    EXPECT_EQ(viewer.shell.caption, Text(ApplicationTitle));
    EXPECT_EQ(viewer.shell.waitDepth, 0);
    EXPECT_GE(viewer.shell.focusRequests, 1);
    EXPECT_TRUE(viewer.commands.InitialLoadDone());
}

// Each load's walk is handed to the shell, which may run it on another thread: no list shows an entry
// object while the walk makes new ones.
TEST(Document, EveryLoadWalksThroughTheShellWhileNoRowIsShown) {
    Viewer viewer;
    viewer.shell.watched = &viewer.list;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    viewer.commands.OnRefresh();
    EXPECT_EQ(viewer.shell.rowsDuringWalks, (std::vector<size_t>{0, 0}));
    EXPECT_EQ(viewer.list.Order(), (std::vector<int32_t>{8, 7, 3}));
    EXPECT_EQ(viewer.doc.m_nEntryCount, 3);
}

TEST(Document, InitialLoadFailuresLeaveAnEmptyDisabledListAndSayWhy) {
    enum Damage { None, NotKept, Failing, Missing };
    const struct {
        const char* name;
        bool withEntries;
        Damage damage;
        uint32_t message; // 0: the text of a failed request's code
        bool logCommands;
    } cases[] = {
        {"empty log", false, None, LogEmptyText, true},
        {"log not kept", true, NotKept, LogNotSupportedText, false},
        {"failing driver", true, Failing, 0, false},
        {"no driver", true, Missing, DriverNotLoadedText, false},
    };
    for (const auto& c : cases) {
        if (c.damage == Missing && !CoreDevice::CanBeMissing()) {
            continue;
        }
        Viewer viewer;
        if (c.withEntries) {
            ASSERT_TRUE(viewer.device.Import(Sample()));
        }
        switch (c.damage) {
        case None: break;
        case NotKept: ASSERT_TRUE(viewer.device.SetSupported(false)); break;
        case Failing: ASSERT_TRUE(viewer.device.FaultFailRequests()); break;
        case Missing: viewer.device.MakeMissing(); break;
        }
        viewer.commands.OnInitialLoad();
        ASSERT_EQ(viewer.shell.texts.size(), 1u) << c.name;
        if (c.message != 0) {
            EXPECT_EQ(viewer.shell.texts[0], Text(c.message)) << c.name;
        } else {
            EXPECT_FALSE(viewer.shell.texts[0].empty()) << c.name;
        }
        EXPECT_EQ(viewer.shell.styles[0], MessageStyleWarning) << c.name;
        EXPECT_TRUE(viewer.list.Rows().empty()) << c.name;
        EXPECT_FALSE(viewer.list.Enabled()) << c.name;
        EXPECT_EQ(viewer.doc.m_nEntryCount, 0) << c.name;
        for (uint32_t command : {ExportLogCommand, ClearAllEntriesCommand, AddMaintenanceNoteCommand}) {
            EXPECT_EQ(viewer.commands.IsCommandEnabled(command), c.logCommands) << c.name << ' ' << command;
        }
        EXPECT_TRUE(viewer.commands.IsCommandEnabled(RefreshCommand)) << c.name;
        EXPECT_TRUE(viewer.commands.IsCommandEnabled(ExitCommand)) << c.name;
        EXPECT_FALSE(viewer.commands.IsCommandEnabled(MarkRepairedCommand)) << c.name;
    }
}

TEST(Document, AGreyedCommandDoesNothing) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.SetSupported(false));
    viewer.commands.OnInitialLoad();
    viewer.shell.texts.clear();
    viewer.shell.answers = {ButtonOk};
    EXPECT_FALSE(viewer.commands.Execute(ClearAllEntriesCommand));
    EXPECT_FALSE(viewer.commands.Execute(MarkRepairedCommand));
    EXPECT_FALSE(viewer.commands.Execute(12345));
    EXPECT_TRUE(viewer.shell.texts.empty());
}

TEST(Document, AReadAnsweredWithAnotherStatusIsSkippedAndReported) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    ASSERT_TRUE(viewer.device.FaultReadStatus(4, 0x05));
    viewer.commands.OnInitialLoad();
    // Number 4 is answered with the fault; the walk goes on at 5, which the driver answers with entry 7.
    EXPECT_EQ(viewer.list.Order(), (std::vector<int32_t>{8, 7, 3}));
    ASSERT_EQ(viewer.shell.texts.size(), 1u);
    char expected[256];
    std::snprintf(expected, sizeof expected, TableText(ReadSkippedText), 1u);
    EXPECT_EQ(viewer.shell.texts[0], expected);

    // What was read is exported where no file is, but never over an older export.
    ScratchFolder folder;
    const std::string older = (folder / "older.csv").string();
    const std::string fresh = (folder / "new.csv").string();
    std::ofstream(older, std::ios::binary) << "older";
    viewer.shell.texts.clear();
    viewer.shell.saveNames = {older};
    viewer.commands.Execute(ExportLogCommand);
    std::snprintf(expected, sizeof expected, TableText(ExportKeptText), older.c_str());
    EXPECT_EQ(viewer.shell.texts, (std::vector<std::string>{expected}));
    EXPECT_EQ(ReadBytes(older), "older");
    viewer.shell.saveNames = {fresh};
    viewer.commands.Execute(ExportLogCommand);
    EXPECT_EQ(ReadBytes(fresh).substr(0, CsvHeaderLine().size()), CsvHeaderLine());
    EXPECT_EQ(viewer.shell.texts.size(), 1u);
}

TEST(Document, MarkRepaired) {
    const struct {
        const char* name;
        std::vector<uint32_t> selected;
        uint8_t writeFault;
        std::vector<uint32_t> messages;
        std::vector<uint32_t> repaired;
    } cases[] = {
        {"critical and informational", {3, 7}, 0, {NotMarkedRepairedText}, {3}},
        {"caution and critical", {3, 8}, 0, {}, {3, 8}},
        {"informational only", {7}, 0, {NotMarkedRepairedText}, {}},
        {"refused by the driver", {3, 7}, 0x20, {NotMarkedRepairedText, MarkRepairedFailedText}, {}},
    };
    for (const auto& c : cases) {
        Viewer viewer;
        ASSERT_TRUE(viewer.device.Import(Sample()));
        viewer.commands.OnInitialLoad();
        if (c.writeFault != 0) {
            ASSERT_TRUE(viewer.device.FaultWriteStatus(c.writeFault));
        }
        viewer.list.Select(c.selected);
        ASSERT_TRUE(viewer.commands.Execute(MarkRepairedCommand)) << c.name;
        std::vector<std::string> expected;
        for (uint32_t id : c.messages) {
            expected.push_back(Text(id));
        }
        EXPECT_EQ(viewer.shell.texts, expected) << c.name;
        for (const LogEntry& stored : viewer.Stored()) {
            const bool marked = std::count(c.repaired.begin(), c.repaired.end(), stored.EventNumber()) > 0;
            EXPECT_EQ(stored.Severity() == 6, marked) << c.name << ' ' << stored.EventNumber();
            // The list shows the driver's copy, and is rebuilt with the last entry read selected.
            ASSERT_NE(viewer.Row(stored.EventNumber()), nullptr);
            EXPECT_EQ(viewer.Row(stored.EventNumber())->Severity(), stored.Severity()) << c.name;
        }
        EXPECT_EQ(viewer.list.SelectedNumbers(), (std::vector<int32_t>{8})) << c.name;
        EXPECT_EQ(viewer.shell.waitDepth, 0);
    }
}

TEST(Document, ClearAllEntries) {
    // After an export, the clear erases only the log as exported and tells of entries that arrived between
    // the export and the erase (here numbers the device skipped).
    enum Before { Nothing, Export, ExportThenNote };
    char unsaved[512];
    std::snprintf(unsaved, sizeof unsaved, TableText(ClearUnsavedText), 3u);
    const struct {
        const char* name;
        int answer;
        bool refuse;
        Before before;
        uint32_t skipped;
        size_t entriesAfter;
        std::vector<std::string> messages;
    } cases[] = {
        {"cancelled", ButtonCancel, false, Nothing, 0, 3, {Text(ConfirmClearText)}},
        {"confirmed", ButtonOk, false, Nothing, 0, 1, {Text(ConfirmClearText)}},
        {"refused by the driver",
         ButtonOk,
         true,
         Nothing,
         0,
         3,
         {Text(ConfirmClearText), Text(ClearLogFailedText)}},
        {"exported", ButtonOk, false, Export, 0, 1, {Text(ConfirmClearText)}},
        {"numbers skipped after the export",
         ButtonOk,
         false,
         Export,
         3,
         1,
         {Text(ConfirmClearText), unsaved}},
        {"a note after the export",
         ButtonOk,
         false,
         ExportThenNote,
         0,
         4,
         {Text(ConfirmClearText), Text(ClearNewEntriesText), Text(ClearLogFailedText)}},
    };
    for (const auto& c : cases) {
        Viewer viewer;
        ASSERT_TRUE(viewer.device.Import(Sample()));
        viewer.commands.OnInitialLoad();
        if (c.refuse) {
            ASSERT_TRUE(viewer.device.FaultEraseRefuse());
        }
        ScratchFolder folder;
        if (c.before != Nothing) {
            viewer.shell.saveNames = {(folder / "cvr.csv").string()};
            viewer.commands.Execute(ExportLogCommand);
        }
        if (c.before == ExportThenNote) {
            uint8_t driverStatus = WriteFailed;
            ASSERT_EQ(WriteMaintenanceNote("late", driverStatus), StatusSuccess);
        }
        ASSERT_TRUE(viewer.device.SkipNumbers(c.skipped));
        viewer.shell.answers = {c.answer};
        viewer.commands.Execute(ClearAllEntriesCommand);
        EXPECT_EQ(viewer.shell.texts, c.messages) << c.name;
        EXPECT_EQ(viewer.shell.styles[0], MessageStyleConfirm) << c.name;
        EXPECT_EQ(viewer.Stored().size(), c.entriesAfter) << c.name;
        EXPECT_EQ(viewer.list.Rows().size(), std::min<size_t>(c.entriesAfter, 3)) << c.name;
    }
    // After a clear the list holds the entry that names who cleared the log.
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    viewer.shell.answers = {ButtonOk};
    viewer.commands.Execute(ClearAllEntriesCommand);
    ASSERT_EQ(viewer.list.Rows().size(), 1u);
    char account[32] = "<UNKNOWN USER>";
    platform::GetAccountName(account);
    char description[DescriptionBufferSize];
    FormatEntryDescription(viewer.list.Rows()[0]->m_entry, description);
    EXPECT_NE(std::string(description).find(account), std::string::npos) << description;
}

TEST(Document, AddMaintenanceNote) {
    const struct {
        const char* name;
        std::deque<std::string> typed;
        uint8_t writeFault;
        std::vector<uint32_t> messages;
        const char* stored; // nullptr: nothing stored
    } cases[] = {
        {"folded and trimmed", {"  abc\r\ndef \r\nghi  "}, 0, {}, "abc def ghi"},
        {"cancelled", {}, 0, {}, nullptr},
        {"refused by the driver", {"abc"}, 0x20, {NoteNotLoggedText}, nullptr},
    };
    for (const auto& c : cases) {
        Viewer viewer;
        ASSERT_TRUE(viewer.device.Import(Sample()));
        viewer.commands.OnInitialLoad();
        if (c.writeFault != 0) {
            ASSERT_TRUE(viewer.device.FaultWriteStatus(c.writeFault));
        }
        viewer.shell.notes = c.typed;
        viewer.commands.Execute(AddMaintenanceNoteCommand);
        std::vector<std::string> expected;
        for (uint32_t id : c.messages) {
            expected.push_back(Text(id));
        }
        EXPECT_EQ(viewer.shell.texts, expected) << c.name;
        const std::vector<LogEntry> stored = viewer.Stored();
        ASSERT_EQ(stored.size(), c.stored ? 4u : 3u) << c.name;
        if (c.stored != nullptr) {
            EXPECT_STREQ(reinterpret_cast<const char*>(stored.back().EventData()), c.stored) << c.name;
        }
        // Every path that wrote (or tried to) reloads the list from the driver.
        EXPECT_EQ(viewer.list.Rows().size(), stored.size()) << c.name;
    }
}

TEST(Document, ExportWritesTheDocumentsOrderWhateverTheListsSort) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    SortList(viewer.doc, viewer.list, DescriptionColumn);
    ScratchFolder folder;
    const std::string name = (folder / "cvr.csv").string();
    viewer.shell.saveNames = {name};
    viewer.commands.Execute(ExportLogCommand);
    EXPECT_TRUE(viewer.shell.texts.empty());
    std::string expected = CsvHeaderLine();
    for (const LogEntry& entry : Sample()) {
        AppendCsvLine(expected, entry);
    }
    EXPECT_EQ(ReadBytes(name), expected);

    // A cancelled dialog writes nothing; a file that cannot be made is reported.
    viewer.commands.Execute(ExportLogCommand);
    const std::string unmakeable = (folder / "no-such-folder" / "cvr.csv").string();
    viewer.shell.saveNames = {unmakeable};
    viewer.commands.Execute(ExportLogCommand);
    char message[1024];
    std::snprintf(message, sizeof message, TableText(ExportOpenFailedText), unmakeable.c_str());
    EXPECT_EQ(viewer.shell.texts, (std::vector<std::string>{message}));
}

TEST(Document, RefreshKeepsTheSortAndResetsOnFailure) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    SortList(viewer.doc, viewer.list, DescriptionColumn);
    const std::vector<int32_t> sorted = viewer.list.Order();
    for (int press = 0; press < 2; ++press) {
        viewer.commands.Execute(RefreshCommand);
        EXPECT_EQ(viewer.doc.m_nSortColumn, DescriptionColumn);
        EXPECT_EQ(viewer.doc.m_bSortAscending, 1);
        EXPECT_EQ(viewer.list.Order(), sorted);
    }
    ASSERT_TRUE(viewer.device.FaultFailRequests());
    viewer.commands.Execute(RefreshCommand);
    EXPECT_EQ(viewer.shell.texts.size(), 1u);
    EXPECT_TRUE(viewer.list.Rows().empty());
    EXPECT_FALSE(viewer.list.Enabled());
    EXPECT_FALSE(viewer.commands.IsCommandEnabled(MarkRepairedCommand));
}

TEST(Document, ReloadingDestroysEveryOldEntryFirst) {
    Viewer viewer;
    ASSERT_TRUE(viewer.device.Import(Sample()));
    viewer.commands.OnInitialLoad();
    viewer.doc.LoadLog();
    EXPECT_EQ(viewer.doc.m_nEntryCount, 3);
    EXPECT_EQ(viewer.doc.m_entries.size(), viewer.list.Rows().size());
    for (const CEventLogEntry* row : viewer.list.Rows()) {
        EXPECT_TRUE(std::any_of(viewer.doc.m_entries.begin(), viewer.doc.m_entries.end(),
                                [row](const auto& entry) { return entry.get() == row; }));
    }
}

} // namespace
} // namespace kestrav::test
