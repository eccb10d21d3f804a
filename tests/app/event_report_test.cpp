// Which erased entries are forwarded to the system's event log: those the follower has not reported, and of
// them no more than it should take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_report.h"
#include "app/follow_state.h"
#include "cli/entry_support.h"

namespace kestrav {
namespace {

TEST(NewestEntries, KeepsTheHighestNumbersInTheirOrder) {
    struct Row {
        std::vector<uint32_t> numbers;
        size_t limit;
        std::vector<uint32_t> kept;
    };
    const std::vector<Row> rows = {
        {{}, 3, {}},
        {{1, 2, 3}, 3, {1, 2, 3}},
        {{1, 2, 3}, 5, {1, 2, 3}},
        {{1, 2, 3, 4, 5}, 2, {4, 5}},
        {{1, 2, 3}, 0, {}},
        // The order of the walk stays, whatever the numbers' order.
        {{9, 2, 7, 4, 8}, 3, {9, 7, 8}},
        // Numbers compare as the record holds them: above 0x7FFFFFFF is newer, not negative.
        {{5, 0x80000000u, 0xFFFFFFFEu, 6}, 2, {0x80000000u, 0xFFFFFFFEu}},
        // A dump may repeat a number: as many of the lowest kept as the limit allows, the first ones.
        {{3, 5, 5, 5, 1}, 2, {5, 5}},
        {{5, 3, 4, 4, 9}, 3, {5, 4, 9}},
    };
    for (const Row& row : rows) {
        std::vector<LogEntry> entries;
        for (size_t i = 0; i < row.numbers.size(); ++i) {
            entries.push_back(
                clitest::MakeEntry(row.numbers[i], 2, 33, 2, {}, {}, static_cast<uint32_t>(i), "note"));
        }
        std::vector<const LogEntry*> pointers;
        for (const LogEntry& entry : entries) {
            pointers.push_back(&entry);
        }
        const std::vector<const LogEntry*> kept = NewestEntries(pointers, row.limit);
        std::vector<uint32_t> numbers;
        for (const LogEntry* entry : kept) {
            numbers.push_back(entry->EventNumber());
        }
        EXPECT_EQ(numbers, row.kept) << row.numbers.size() << " entries, limit " << row.limit;
        // Each kept entry is one of the given ones, not a copy, and none is kept twice.
        for (size_t i = 1; i < kept.size(); ++i) {
            EXPECT_LT(kept[i - 1], kept[i]);
        }
    }
}

// A clear forwards what the follower's state does not record as reported with the same content.
TEST(NotReportedEntries, LeavesOutWhatTheFollowerReported) {
    auto entry = [](uint32_t number, uint32_t count = 1, uint8_t severity = 9) {
        return clitest::MakeEntry(number, severity, 41, 1, {}, {}, count, "fan");
    };
    auto reported = [](const std::vector<LogEntry>& entries) {
        return FollowSnapshot({}, entries, true).next;
    };
    const std::vector<LogEntry> log = {entry(1), entry(2), entry(5)};
    struct Row {
        const char* what;
        FollowState state;
        std::vector<LogEntry> erased;
        std::vector<uint32_t> forwarded;
    };
    const std::vector<Row> rows = {
        {"no follower state", {}, log, {1, 2, 5}},
        {"every entry reported", reported(log), log, {}},
        {"entries added since the follower's last read", reported({entry(1)}), log, {2, 5}},
        {"a count raised since", reported(log), {entry(1), entry(2, 2), entry(5)}, {2}},
        {"marked repaired since", reported(log), {entry(1), entry(2), entry(5, 1, 6)}, {5}},
        {"numbers the log no longer holds", reported({entry(3), entry(5), entry(9)}), log, {1, 2}},
        {"in the walk's order",
         reported({entry(1)}),
         {entry(0xFFFFFFFEu), entry(1), entry(0)},
         {0xFFFFFFFEu, 0}},
    };
    for (const Row& row : rows) {
        std::vector<const LogEntry*> pointers;
        for (const LogEntry& erased : row.erased) {
            pointers.push_back(&erased);
        }
        std::vector<uint32_t> numbers;
        for (const LogEntry* left : NotReportedEntries(pointers, row.state)) {
            numbers.push_back(left->EventNumber());
        }
        EXPECT_EQ(numbers, row.forwarded) << row.what;
    }
}

} // namespace
} // namespace kestrav
