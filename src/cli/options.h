// The command line's options: recognising each argument, and the run they ask for (status log name, exports,
// clears, notes), with the names completed by their default extensions.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrav {

enum class OptionKind { StatusLog, Export, Clear, Note };

struct Option {
    OptionKind kind;
    std::string_view value; // the text after the colon; empty for Clear
};

// An argument is an option when it starts with '/' or '-' and matches one form (letters in any case, the
// colon literal): "/f:name", "/export:name", "/clear..." (anything may follow), "/note:text" with at most 227
// characters of text. Anything else, bare "/f:", "/export:" and "/note:" included, is not an option.
std::optional<Option> RecognizeOption(std::string_view argument);

// True for the arguments an administrator types to ask for the usage: /?, /h and /help, with '/' or '-',
// letters in any case.
bool IsHelpRequest(std::string_view argument);

// Why an argument is not an option, as one line for standard error without the program's prefix: the note's
// length in bytes for a note over the limit, else "invalid argument '/exprt:x'" (control characters
// escaped). "" for an option.
std::string ArgumentProblem(std::string_view argument);

struct CommandLineOptions {
    bool valid = true;      // every argument is an option
    std::string problem;    // ArgumentProblem of the first argument that is not an option
    bool helpAsked = false; // an argument is a help request
    std::string statusLogName;
    std::vector<std::string> exportFiles; // in argument order
    size_t clearCount = 0;
    std::vector<std::string> notes; // in argument order
};

// Reads the arguments after the program name. The status log name starts as "kestrav.log"; each /f: replaces
// it (the last wins), with ".log" added to a name without '.'. Export names without '.' get ".csv". The
// status log name is taken from the recognised /f: options even when other arguments make the command line
// invalid.
CommandLineOptions ParseCommandLine(std::span<const std::string_view> arguments);

} // namespace kestrav
