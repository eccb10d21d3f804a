#include "cli/options.h"

#include "cli/status_log.h"
#include "record/log_entry.h"
#include "record/text_rules.h"

namespace kestrav {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the argument holds word from position 1, letters compared without case.
bool HasWord(std::string_view argument, std::string_view word) {
    if (argument.size() < 1 + word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        if (LowerAscii(argument[1 + i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// The value of "/word:value": present only when the colon follows the word and at least one character follows
// the colon.
std::optional<std::string_view> ValueAfter(std::string_view argument, std::string_view word) {
    size_t colon = 1 + word.size();
    if (!HasWord(argument, word) || argument.size() <= colon + 1 || argument[colon] != ':') {
        return std::nullopt;
    }
    return argument.substr(colon + 1);
}

std::string WithDefaultExtension(std::string_view name, std::string_view extension) {
    std::string result(name);
    if (result.find('.') == std::string::npos) {
        result.append(extension);
    }
    return result;
}

} // namespace

bool IsHelpRequest(std::string_view argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
        return false;
    }
    const std::string_view word = argument.substr(1);
    return word == "?" || (word.size() == 1 && HasWord(argument, "h")) ||
           (word.size() == 4 && HasWord(argument, "help"));
}

std::string ArgumentProblem(std::string_view argument) {
    if (RecognizeOption(argument)) {
        return "";
    }
    if (auto note = ValueAfter(argument, "note"); note && (argument[0] == '/' || argument[0] == '-')) {
        return "the note is " + std::to_string(note->size()) + " bytes of UTF-8; a note holds at most " +
               std::to_string(MaxNoteLength) + " bytes";
    }
    return "invalid argument '" + EscapeControls(argument) + "'";
}

std::optional<Option> RecognizeOption(std::string_view argument) {
    if (argument.empty() || (argument[0] != '/' && argument[0] != '-')) {
        return std::nullopt;
    }
    if (auto value = ValueAfter(argument, "f")) {
        return Option{OptionKind::StatusLog, *value};
    }
    if (auto value = ValueAfter(argument, "export")) {
        return Option{OptionKind::Export, *value};
    }
    if (HasWord(argument, "clear")) {
        return Option{OptionKind::Clear, {}};
    }
    if (auto value = ValueAfter(argument, "note"); value && value->size() <= MaxNoteLength) {
        return Option{OptionKind::Note, *value};
    }
    return std::nullopt;
}

CommandLineOptions ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineOptions options;
    options.statusLogName = DefaultStatusLogName;
    for (std::string_view argument : arguments) {
        std::optional<Option> option = RecognizeOption(argument);
        if (!option) {
            if (options.valid) {
                options.problem = ArgumentProblem(argument);
            }
            options.valid = false;
            options.helpAsked = options.helpAsked || IsHelpRequest(argument);
            continue;
        }
        switch (option->kind) {
        case OptionKind::StatusLog:
            options.statusLogName = WithDefaultExtension(option->value, ".log");
            break;
        case OptionKind::Export:
            options.exportFiles.push_back(WithDefaultExtension(option->value, ".csv"));
            break;
        case OptionKind::Clear: ++options.clearCount; break;
        case OptionKind::Note: options.notes.emplace_back(option->value); break;
        }
    }
    return options;
}

} // namespace kestrav
