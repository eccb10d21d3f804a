// What a follower remembers between two reads of the log: the highest event number seen and a fingerprint
// of every entry seen, so that the next read emits exactly the entries that are new or were rewritten in
// place (a repeated event raises the count, Mark Repaired changes severity and update time), and a restart
// from the saved state neither loses nor repeats an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/log_entry.h"

namespace kestrav {

struct SeenEntry {
    uint32_t number = 0;
    uint64_t fingerprint = 0;

    bool operator==(const SeenEntry&) const = default;
};

struct FollowState {
    uint32_t lastNumber = 0;     // the highest event number seen (0 before anything was seen)
    std::vector<SeenEntry> seen; // in ascending event number, each number once

    bool operator==(const FollowState&) const = default;
};

enum class EntryChange { New, Changed };

struct FollowEmit {
    size_t index = 0; // into the snapshot
    EntryChange change = EntryChange::New;

    bool operator==(const FollowEmit&) const = default;
};

struct FollowStep {
    std::vector<FollowEmit> emit; // in the snapshot's order
    size_t gone = 0;              // entries seen before that the log no longer holds: it was cleared
    FollowState next;
};

// The longest state file there can be: its two first lines and one line for each of the 2^32 event numbers.
// Anything longer is not a state file.
inline constexpr uint64_t MaxFollowStateSize = 23 + 16 + (uint64_t{1} << 32) * 28;

// A hash of the whole 256-byte record: any rewrite of an entry changes it.
uint64_t EntryFingerprint(const LogEntry& entry);

// Compares a read of the log (ascending event numbers, each once, as the walk hands them out) with what was
// seen. whole says that the read holds every entry of the log; only then are entries missing from it taken
// as gone, otherwise they are kept as seen (a skipped or unread entry is not a cleared one).
FollowStep FollowSnapshot(const FollowState& state, std::span<const LogEntry> snapshot, bool whole);

// The state as the text of its file, and back. Parsing refuses anything it did not write (error says where),
// so that a damaged file is noticed instead of starting over and repeating the whole log.
std::string FormatFollowState(const FollowState& state);
bool ParseFollowState(std::string_view text, FollowState& state, std::string& error);

} // namespace kestrav
