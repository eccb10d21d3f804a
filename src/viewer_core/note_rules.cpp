// Trimming and folding the maintenance note.
#include "viewer_core/note_rules.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kestrav {

bool IsNoteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimNoteSpace(std::string_view text) {
    while (!text.empty() && IsNoteSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsNoteSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool NoteIsBlank(std::string_view typed) {
    return TrimNoteSpace(typed).empty();
}

void PrepareNote(std::string_view typed, std::span<char> out) {
    if (out.empty()) {
        return;
    }
    std::string folded;
    folded.reserve(typed.size());
    char previous = typed.empty() ? '\0' : typed.front();
    for (const char c : typed) {
        if (c == '\r') {
            if (previous != ' ') {
                folded += ' ';
            }
        } else if (c != '\n') {
            folded += c;
        }
        previous = c;
    }
    const std::string_view stored = TrimNoteSpace(folded);
    const size_t length = std::min(stored.size(), out.size() - 1);
    std::memcpy(out.data(), stored.data(), length);
    out[length] = '\0';
}

} // namespace kestrav
