// Any argument vector (the input split at NUL bytes) must be parsed without fault into options that agree
// with the recognition of each argument; and the "Executing:" status line for it must hold at most 511
// characters, a prefix of the whole text, in English and in Japanese.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/options.h"
#include "cli/status_log.h"
#include "record/text_rules.h"
#include "fuzz/fuzz_support.h"
#include "record/log_entry.h"
#include "resources/string_table.h"

using namespace kestrav;
using kestrav::fuzz::Check;

namespace {

constexpr size_t MaxArguments = 64;

std::string WithExtension(std::string_view name, std::string_view extension) {
    std::string result(name);
    if (result.find('.') == std::string::npos) {
        result.append(extension);
    }
    return result;
}

void CheckParse(const std::vector<std::string_view>& arguments) {
    CommandLineOptions options = ParseCommandLine(arguments);
    bool allOptions = true;
    std::string statusLogName = DefaultStatusLogName;
    size_t exports = 0;
    size_t clears = 0;
    size_t notes = 0;
    for (std::string_view argument : arguments) {
        std::optional<Option> option = RecognizeOption(argument);
        if (!option) {
            allOptions = false;
            continue;
        }
        Check(argument[0] == '/' || argument[0] == '-', "an option starts with / or -");
        switch (option->kind) {
        case OptionKind::StatusLog:
            Check(!option->value.empty(), "a status log name is never empty");
            statusLogName = WithExtension(option->value, ".log");
            break;
        case OptionKind::Export:
            Check(!option->value.empty(), "an export name is never empty");
            Check(options.exportFiles.at(exports++) == WithExtension(option->value, ".csv"),
                  "export names follow the arguments");
            break;
        case OptionKind::Clear:
            Check(option->value.empty(), "clear carries no value");
            ++clears;
            break;
        case OptionKind::Note:
            Check(!option->value.empty() && option->value.size() <= MaxNoteLength, "a note holds 1 to 227");
            Check(options.notes.at(notes++) == option->value, "notes follow the arguments");
            break;
        }
        // The value is a view into the argument itself, never past its end.
        Check(option->value.empty() ||
                  (option->value.data() >= argument.data() &&
                   option->value.data() + option->value.size() == argument.data() + argument.size()),
              "the value is the argument's tail");
    }
    Check(options.valid == allOptions, "valid means every argument is an option");
    Check(options.statusLogName == statusLogName, "the last /f: names the status log");
    Check(options.exportFiles.size() == exports && options.notes.size() == notes &&
              options.clearCount == clears,
          "every recognised option is counted once");
}

// Writes the run's "Executing:" line for argv into a fresh status log and checks what reached the file.
void CheckExecutingLine(std::vector<std::string>& storage) {
    std::vector<char*> argv;
    for (std::string& argument : storage) {
        argv.push_back(argument.data());
    }
    std::string text = CommandLineText(argv);
    const char* format = TableText(ExecutingText);
    std::string whole = std::string(format, std::string_view(format).find("%s")) + text;

    std::string path = (kestrav::fuzz::ScratchDir() / "status.log").string();
    std::remove(path.c_str());
    StatusLog log;
    Check(OpenStatusLog(log, path), "the status log opens");
    WriteStatusLine(log, format, text.c_str());
    log.file.Close();
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Check(bytes.size() >= 5 && bytes.compare(0, 3, "   ") == 0 &&
              bytes.compare(bytes.size() - 2, 2, "\r\n") == 0,
          "one indented line ending in CR LF");
    // Undo the CR put before every line feed of the text.
    std::string line;
    for (size_t i = 3; i + 2 < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() - 2 && bytes[i + 1] == '\n') {
            continue;
        }
        line.push_back(bytes[i]);
    }
    Check(line.size() <= StatusLineBufferSize - 1, "at most 511 characters of text");
    // The line holds the whole text as a status line holds it: control characters escaped, cut to fit.
    auto joined = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            out.push_back(text[i]);
        }
        return out;
    };
    Check(joined(line) == joined(CutStatusLine(whole)), "the line is the text as a status line holds it");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Inputs of odd length run in Japanese, whose "Executing:" text is multi-byte.
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    if (size % 2 != 0) {
        setenv("LANG", "ja_JP.UTF-8", 1);
    } else {
        unsetenv("LANG");
    }
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> storage;
    storage.emplace_back("kestrav");
    while (storage.size() <= MaxArguments) {
        size_t end = input.find('\0');
        storage.emplace_back(input.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        input.remove_prefix(end + 1);
    }
    std::vector<std::string_view> arguments(storage.begin() + 1, storage.end());
    CheckParse(arguments);
    CheckExecutingLine(storage);
    return 0;
}
