// Mark Repaired's progress against a real health device: the shell hears of every entry before it is handled
// and once at the end, and a stop falls between two entries, so that the log and the document's copies agree
// on exactly which entries were marked.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "log/log_ops.h"
#include "resources/string_table.h"
#include "viewer_core/core_support.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {
namespace {

// A shell that records the progress it is told and asks to stop once a number of entries is done.
class ProgressShell final : public ViewerShell {
public:
    int Message(const std::string& text, uint32_t) override {
        texts.push_back(text);
        return ButtonOk;
    }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    bool RunNoteDialog(std::string&) override { return false; }
    void BeginWait() override {}
    void EndWait() override {}
    void SetCaption(const std::string&) override {}
    void RepaintNow() override {}
    void FocusView() override {}
    void CommandStatesChanged() override {}
    bool Progress(size_t done, size_t total) override {
        calls.emplace_back(done, total);
        return done < stopAt;
    }

    size_t stopAt = SIZE_MAX;
    std::vector<std::pair<size_t, size_t>> calls;
    std::vector<std::string> texts;
};

TEST(MarkRepairedProgress, ReportsEachEntryAndStopsBetweenEntries) {
    const struct {
        const char* name;
        size_t stopAt;
        uint8_t writeFault;
        std::vector<std::pair<size_t, size_t>> calls;
        std::vector<int> severities; // of entries 1 to 5 afterwards, on the device and in the copies
        std::vector<uint32_t> messages;
    } cases[] = {
        {"runs to the end",
         SIZE_MAX,
         0,
         {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}},
         {6, 6, 2, 6, 6},
         {NotMarkedRepairedText}},
        // The rows are walked from the top, newest first: 5 and 4 are marked, the informational 3 is not
        // reached, so nothing is reported about it.
        {"stopped after two", 2, 0, {{0, 5}, {1, 5}, {2, 5}, {5, 5}}, {15, 9, 2, 6, 6}, {}},
        {"stopped before the first", 0, 0, {{0, 5}, {5, 5}}, {15, 9, 2, 9, 15}, {}},
        {"stopped after failures",
         2,
         0x20,
         {{0, 5}, {1, 5}, {2, 5}, {5, 5}},
         {15, 9, 2, 9, 15},
         {MarkRepairedFailedText}},
    };
    for (const auto& c : cases) {
        CoreDevice device;
        ASSERT_TRUE(device.Import({MakeEntry(1, 15, 3, 2), MakeEntry(2, 9, 2, 1), MakeEntry(3, 2, 33, 2),
                                   MakeEntry(4, 9, 2, 1), MakeEntry(5, 15, 3, 2)}));
        ProgressShell shell;
        shell.stopAt = c.stopAt;
        CEventViewerDoc doc(shell);
        RecordingList list;
        doc.AddView(list);
        ASSERT_TRUE(doc.LoadLog()) << c.name;
        if (c.writeFault != 0) {
            ASSERT_TRUE(device.FaultWriteStatus(c.writeFault));
        }
        list.Select({1, 2, 3, 4, 5});
        EXPECT_TRUE(doc.MarkSelectedRepaired(list));
        EXPECT_EQ(shell.calls, c.calls) << c.name;
        std::vector<std::string> expected;
        for (uint32_t id : c.messages) {
            expected.push_back(TableText(id));
        }
        EXPECT_EQ(shell.texts, expected) << c.name;
        std::vector<int> copies;
        for (const auto& entry : doc.m_entries) {
            copies.push_back(entry->m_entry.Severity());
        }
        EXPECT_EQ(copies, c.severities) << c.name;
        std::vector<LogEntry> stored;
        ASSERT_EQ(ReadAllEntries(stored), 0u);
        std::vector<int> onDevice;
        for (const LogEntry& entry : stored) {
            onDevice.push_back(entry.Severity());
        }
        EXPECT_EQ(onDevice, c.severities) << c.name;
        doc.RemoveView(list);
    }
}

// A shell that does not report progress runs the work to the end.
TEST(MarkRepairedProgress, ByDefaultNothingStops) {
    class Quiet final : public ViewerShell {
    public:
        int Message(const std::string&, uint32_t) override { return ButtonOk; }
        std::string SaveFileName(const std::string&, const std::string&, const std::string&) override {
            return {};
        }
        bool RunNoteDialog(std::string&) override { return false; }
        void BeginWait() override {}
        void EndWait() override {}
        void SetCaption(const std::string&) override {}
        void RepaintNow() override {}
        void FocusView() override {}
        void CommandStatesChanged() override {}
    } shell;
    EXPECT_TRUE(shell.Progress(0, 3));
    EXPECT_TRUE(shell.Progress(3, 3));
}

} // namespace
} // namespace kestrav::test
