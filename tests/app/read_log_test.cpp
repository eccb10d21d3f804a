// What one read of the log tells its reader: the kind of each problem and the text its administrator is
// told, against a real device whose records and faults are set before the read or changed during it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/read_log.h"
#include "log/device_fixture.h"

namespace kestrav {
namespace {

using ReadLogs = test::DeviceTest;

TEST_F(ReadLogs, EachProblemHasItsKindAndText) {
    struct Case {
        std::string name;
        bool supported;
        std::function<void()> prepare;
        std::function<void(const LogEntry&)> during; // after each entry the read hands out
        size_t entries;
        bool whole;
        std::vector<std::pair<ReadProblemKind, std::string>> problems;
    };
    auto nothing = [](const LogEntry&) {};
    const std::vector<Case> cases = {
        {"whole log", true, [] {}, nothing, 3, true, {}},
        {"not kept",
         false,
         [] {},
         nothing,
         0,
         false,
         {{ReadProblemKind::NotSupported, "This system does not support the Corvane Log."}}},
        {"empty",
         true,
         [this] {
             emulator::DeviceSettings settings;
             ASSERT_EQ(Store()->Erase(settings), emulator::StoreResult::Done);
         },
         nothing,
         0,
         true,
         {{ReadProblemKind::Empty, "The Corvane Log is empty."}}},
        {"unreadable number",
         true,
         [this] { ASSERT_EQ(Store()->SetReadFault(5, 7), emulator::StoreResult::Done); },
         nothing,
         3,
         false,
         {{ReadProblemKind::Skipped,
           "1 event number(s) of the Corvane Log could not be read; their entries were skipped."}}},
        {"cleared while read",
         true,
         [] {},
         [](const LogEntry& entry) {
             bool cleared = false;
             if (entry.EventNumber() == 4) {
                 ASSERT_EQ(ClearLog("other", cleared), StatusSuccess);
             }
         },
         3,
         false,
         {{ReadProblemKind::Incomplete,
           "The Corvane Log was cleared while it was being read; the entries read are not the whole log."}}},
        // The first entry is read again at the end to tell a clear: that read failing stops the walk there.
        {"walk cut short",
         true,
         [] {},
         [this](const LogEntry& entry) {
             if (entry.EventNumber() == 9) {
                 ASSERT_EQ(Store()->SetReadFault(3, 7), emulator::StoreResult::Done);
             }
         },
         3,
         false,
         {{ReadProblemKind::Incomplete,
           "The Corvane Log could not be read completely: reading stopped at event number 3."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitDevice(c.supported);
        if (c.supported) {
            Import({FirmwareEntry(3), FirmwareEntry(4), FirmwareEntry(9)});
        }
        c.prepare();
        size_t entries = 0;
        const LogRead read = ReadLog([&](const LogEntry& entry) {
            ++entries;
            c.during(entry);
        });
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(read.Whole(), c.whole);
        std::vector<std::pair<ReadProblemKind, std::string>> problems;
        for (const ReadProblem& problem : read.problems) {
            problems.emplace_back(problem.kind, problem.text);
        }
        EXPECT_EQ(problems, c.problems);
    }
}

} // namespace
} // namespace kestrav
