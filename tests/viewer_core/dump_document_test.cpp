// The document on a dump file instead of the device: the good records listed, each damaged one told, the
// commands that change the log greyed and doing nothing, Refresh reading the file again, and the device
// never asked.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "log/log_ops.h"
#include "resources/string_table.h"
#include "viewer_core/core_support.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {
namespace {

struct DumpViewer {
    CoreDevice device;
    ScratchFolder folder;
    ScriptedShell shell;
    CEventViewerDoc doc{shell};
    RecordingList list;
    ViewerCommands commands{doc, list};

    DumpViewer() { doc.AddView(list); }
    ~DumpViewer() { doc.RemoveView(list); }

    void Write(const std::string& name, const std::vector<LogEntry>& entries, size_t extraBytes = 0) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        for (const LogEntry& entry : entries) {
            out.write(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
        }
        out.write(std::string(extraBytes, '\x5A').data(), static_cast<std::streamsize>(extraBytes));
        doc.m_dumpFile = (folder / name).string();
    }
};

std::vector<LogEntry> Stored() {
    std::vector<LogEntry> entries;
    ReadAllEntries(entries);
    return entries;
}

TEST(DumpDocument, ADamagedDumpIsListedReadOnly) {
    DumpViewer viewer;
    const std::vector<LogEntry> held = {MakeEntry(30, 15, 3, 2), MakeEntry(31, 9, 33, 2)};
    ASSERT_TRUE(viewer.device.Import(held));
    LogEntry zeroed;
    viewer.Write("cvr.bin", {MakeEntry(1, 15, 3, 2), MakeEntry(4, 9, 2, 1), zeroed, MakeEntry(2, 2, 33, 2)},
                 10);
    const std::string name = viewer.doc.m_dumpFile;

    viewer.commands.OnInitialLoad();
    EXPECT_EQ(viewer.list.Order(), (std::vector<int32_t>{4, 2, 1}));
    EXPECT_TRUE(viewer.list.Enabled());
    EXPECT_EQ(
        viewer.shell.texts,
        (std::vector<std::string>{
            name + ": record 2 (offset 512): length 0 is not 28 to 256; the record is left out\n" + name +
            ": record 3 (offset 768): event number 2 comes after 4 of record 1; the entries are put in "
            "order\n" +
            name +
            ": the last 10 bytes (offset 1024) are not a whole record: the size 1034 is not a "
            "multiple of 256; they are left out"}));

    // Export stays; whatever would change the log is greyed, also with a row selected, and does nothing.
    viewer.list.Select({4});
    EXPECT_TRUE(viewer.commands.IsCommandEnabled(ExportLogCommand));
    EXPECT_TRUE(viewer.commands.IsCommandEnabled(RefreshCommand));
    viewer.shell.texts.clear();
    viewer.shell.answers = {ButtonOk, ButtonOk};
    viewer.shell.notes = {"a note"};
    for (uint32_t command : {ClearAllEntriesCommand, AddMaintenanceNoteCommand, MarkRepairedCommand}) {
        EXPECT_FALSE(viewer.commands.IsCommandEnabled(command)) << command;
        EXPECT_FALSE(viewer.commands.Execute(command)) << command;
    }
    EXPECT_TRUE(viewer.shell.texts.empty());
    const std::vector<LogEntry> stored = Stored();
    ASSERT_EQ(stored.size(), held.size());
    for (size_t i = 0; i < held.size(); ++i) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored[i].bytes), LogEntrySize),
                  std::string(reinterpret_cast<const char*>(held[i].bytes), LogEntrySize));
    }

    // Refresh reads the file again.
    viewer.Write("cvr.bin", {MakeEntry(5, 2, 33, 2), MakeEntry(6, 2, 33, 2)});
    EXPECT_TRUE(viewer.commands.Execute(RefreshCommand));
    EXPECT_EQ(viewer.doc.m_nEntryCount, 2);
    EXPECT_TRUE(viewer.shell.texts.empty());
}

TEST(DumpDocument, ADumpNeedsNoDriver) {
    if (!CoreDevice::CanBeMissing()) {
        GTEST_SKIP() << "the test driver stays loaded here";
    }
    DumpViewer viewer;
    viewer.device.MakeMissing();
    viewer.Write("cvr.bin", {MakeEntry(9, 2, 33, 2)});
    viewer.commands.OnInitialLoad();
    EXPECT_TRUE(viewer.shell.texts.empty());
    EXPECT_EQ(viewer.list.Order(), (std::vector<int32_t>{9}));
}

// A file that cannot be read, or holds no good record, is one message and an empty disabled list, followed
// by the problems found.
TEST(DumpDocument, NothingToListIsTold) {
    DumpViewer viewer;
    viewer.doc.m_dumpFile = (viewer.folder / "missing.bin").string();
    viewer.commands.OnInitialLoad();
    ASSERT_EQ(viewer.shell.texts.size(), 1u);
    EXPECT_EQ(viewer.shell.texts[0].rfind(viewer.doc.m_dumpFile + ": ", 0), 0u) << viewer.shell.texts[0];
    EXPECT_TRUE(viewer.list.Rows().empty());
    EXPECT_FALSE(viewer.list.Enabled());

    viewer.shell.texts.clear();
    viewer.Write("short.bin", {}, 100);
    EXPECT_TRUE(viewer.commands.Execute(RefreshCommand));
    EXPECT_EQ(viewer.shell.texts,
              (std::vector<std::string>{
                  TableText(LogEmptyText),
                  viewer.doc.m_dumpFile + ": the last 100 bytes (offset 0) are not a whole record: the size "
                                          "100 is not a multiple of 256; they are left out"}));
    EXPECT_TRUE(viewer.list.Rows().empty());
}

} // namespace
} // namespace kestrav::test
