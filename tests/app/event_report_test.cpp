// Which erased entries are forwarded to the system's event log when there are more than it should take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "app/event_report.h"

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

} // namespace
} // namespace kestrav
