// The rules of the maintenance note, the same for every window: what counts as white space, when a typed
// text is refused as empty, and the single line that is stored.
#pragma once

#include <span>
#include <string_view>

namespace kestrav {

// Blank, tab, carriage return, line feed, vertical tab and form feed.
bool IsNoteSpace(char c);

// The text without white space at either end.
std::string_view TrimNoteSpace(std::string_view text);

// A typed note that OK must refuse: empty once trimmed.
bool NoteIsBlank(std::string_view typed);

// Folds the typed text (line breaks as carriage return and line feed) into one line: each carriage return
// becomes a blank unless a blank precedes it, line feeds vanish, and the result is trimmed. It is copied into
// out, cut to fit and always terminated; folding never lengthens a text.
void PrepareNote(std::string_view typed, std::span<char> out);

} // namespace kestrav
