#include "app/follow_state.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace kestrav {

namespace {

constexpr std::string_view StateHeader = "kestrav follow state 1\n";
constexpr std::string_view LastPrefix = "last ";

// The next line without its "\n"; false at the end of the text or when the last line has no "\n".
bool NextLine(std::string_view& text, std::string_view& line) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        return false;
    }
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

template <typename T> bool ParseWhole(std::string_view text, T& value, int base) {
    if (text.empty() || text[0] == '+' || text[0] == '-') {
        return false;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

uint64_t EntryFingerprint(const LogEntry& entry) {
    uint64_t hash = 0xcbf29ce484222325u; // FNV-1a
    for (uint8_t byte : entry.bytes) {
        hash = (hash ^ byte) * 0x100000001b3u;
    }
    return hash;
}

FollowStep FollowSnapshot(const FollowState& state, std::span<const LogEntry> snapshot, bool whole) {
    FollowStep step;
    step.next.lastNumber = state.lastNumber;
    step.next.seen.reserve(std::max(snapshot.size(), state.seen.size()));
    size_t old = 0;
    for (size_t i = 0; i < snapshot.size(); ++i) {
        const LogEntry& entry = snapshot[i];
        const SeenEntry now{entry.EventNumber(), EntryFingerprint(entry)};
        for (; old < state.seen.size() && state.seen[old].number < now.number; ++old) {
            if (whole) {
                ++step.gone;
            } else {
                step.next.seen.push_back(state.seen[old]);
            }
        }
        if (old < state.seen.size() && state.seen[old].number == now.number) {
            if (state.seen[old].fingerprint != now.fingerprint) {
                step.emit.push_back({i, EntryChange::Changed});
            }
            ++old;
        } else {
            step.emit.push_back({i, EntryChange::New});
        }
        step.next.seen.push_back(now);
        step.next.lastNumber = std::max(step.next.lastNumber, now.number);
    }
    for (; old < state.seen.size(); ++old) {
        if (whole) {
            ++step.gone;
        } else {
            step.next.seen.push_back(state.seen[old]);
        }
    }
    return step;
}

std::string FormatFollowState(const FollowState& state) {
    std::string text(StateHeader);
    text.reserve(text.size() + 16 + state.seen.size() * 28);
    char line[48];
    std::snprintf(line, sizeof line, "last %" PRIu32 "\n", state.lastNumber);
    text.append(line);
    for (const SeenEntry& seen : state.seen) {
        std::snprintf(line, sizeof line, "%" PRIu32 " %016" PRIx64 "\n", seen.number, seen.fingerprint);
        text.append(line);
    }
    return text;
}

bool ParseFollowState(std::string_view text, FollowState& state, std::string& error) {
    FollowState parsed;
    std::string_view line;
    if (!text.starts_with(StateHeader)) {
        error = "line 1 is not \"" + std::string(StateHeader.substr(0, StateHeader.size() - 1)) + "\"";
        return false;
    }
    text.remove_prefix(StateHeader.size());
    if (!NextLine(text, line) || !line.starts_with(LastPrefix) ||
        !ParseWhole(line.substr(LastPrefix.size()), parsed.lastNumber, 10)) {
        error = "line 2 is not \"last NUMBER\"";
        return false;
    }
    for (size_t lineNumber = 3; !text.empty(); ++lineNumber) {
        SeenEntry seen;
        size_t blank = std::string_view::npos;
        const bool ok = NextLine(text, line) && (blank = line.find(' ')) != std::string_view::npos &&
                        line.size() - blank - 1 == 16 && ParseWhole(line.substr(0, blank), seen.number, 10) &&
                        ParseWhole(line.substr(blank + 1), seen.fingerprint, 16);
        if (!ok || (!parsed.seen.empty() && seen.number <= parsed.seen.back().number) ||
            seen.number > parsed.lastNumber) {
            error = "line " + std::to_string(lineNumber) + " is not an entry in order (NUMBER FINGERPRINT)";
            return false;
        }
        parsed.seen.push_back(seen);
    }
    state = std::move(parsed);
    return true;
}

} // namespace kestrav
