// What the command line and the window say about an operation's outcome: the texts of status codes and of a
// clear's and a note's result. The command line writes them to its status log and standard error; the window
// shows them in its message boxes.
#pragma once

#include <cstdint>
#include <string>

namespace kestrav {

// The message for a status code: the missing-driver text, else the system's text for the code, else the
// unknown-error text with the code.
std::string StatusErrorText(uint32_t code);
// The status lines of a clear's and of a note's outcome, from the status of the request and what it
// answered: the texts that the command line writes and the window reports.
std::string ClearOutcomeLine(uint32_t status, bool cleared);
std::string NoteOutcomeLine(uint32_t status, uint8_t driverStatus);
// The line of a clear that erased entries that arrived after the save.
std::string ClearUnsavedLine(uint32_t unsaved);

} // namespace kestrav
