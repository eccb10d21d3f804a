// The Windows output files' refusals, in-process: what is refused, which refusals carry the system's reason
// for the status log line, and that a refused export (one that may not replace an older file among them)
// leaves what was there as it was and nothing new.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/output_file.h"

namespace kestrav {
namespace {

namespace fs = std::filesystem;

enum class Setup { None, File, ReadOnlyFile, Folder };

struct RefusalRow {
    const char* name;
    Setup setup;
    OutputFile::Mode mode;
    bool opens;
    bool heldReason; // the refusal names its reason for the status log line
};

constexpr auto Replace = OutputFile::Mode::Replace;
constexpr auto Append = OutputFile::Mode::Append;
constexpr auto KeepOlder = OutputFile::Mode::KeepOlder;

const RefusalRow RefusalRows[] = {
    {"new.csv", Setup::None, Replace, true, false},
    {"older.csv", Setup::File, Replace, true, false},
    {"status.log", Setup::File, Append, true, false},
    {"new.log", Setup::None, Append, true, false},
    {"read-only.csv", Setup::ReadOnlyFile, Replace, false, true},
    {"read-only.log", Setup::ReadOnlyFile, Append, false, true},
    {"folder.csv", Setup::Folder, Replace, false, false},
    {"folder.log", Setup::Folder, Append, false, false},
    {"NUL", Setup::None, Replace, false, true},
    {"nul.csv", Setup::None, Append, false, true},
    {"COM1.log", Setup::None, Append, false, true},
    {"missing\\x.csv", Setup::None, Replace, false, true},
    // A stream of a file is not a file of its own.
    {"x.csv:hidden", Setup::None, Replace, false, false},
    {"x.csv::$DATA", Setup::None, Replace, false, false},
    {"x.log:hidden", Setup::None, Append, false, false},
    {"part.csv", Setup::None, KeepOlder, true, false},
    {"kept.csv", Setup::File, KeepOlder, false, false},
};

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(OutputFileRefusals, WhatIsRefusedAndWhatIsLeft) {
    for (const RefusalRow& row : RefusalRows) {
        SCOPED_TRACE(row.name);
        fs::path folder =
            fs::temp_directory_path() / ("kestrav-refusal-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::path path = folder / row.name;
        if (row.setup == Setup::File || row.setup == Setup::ReadOnlyFile) {
            std::ofstream(path, std::ios::binary) << "older\r\n";
        }
        if (row.setup == Setup::ReadOnlyFile) {
            SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
        }
        if (row.setup == Setup::Folder) {
            fs::create_directories(path);
        }
        OutputFile file;
        EXPECT_EQ(file.Open(path.string(), row.mode), row.opens) << file.OpenError();
        EXPECT_EQ(!file.HeldError().empty() || file.NotRegularFile(), row.heldReason) << file.HeldError();
        if (!row.opens) {
            EXPECT_FALSE(file.OpenError().empty());
            // Nothing new in the folder; an older file as it was.
            size_t entries = 0;
            for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
                ++entries;
            }
            EXPECT_EQ(entries, row.setup == Setup::None ? 0u : 1u);
            EXPECT_EQ(file.OlderKept(), row.mode == KeepOlder);
            if (row.setup == Setup::File || row.setup == Setup::ReadOnlyFile) {
                EXPECT_EQ(Contents(path), "older\r\n");
                SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
            }
        } else {
            file.Write("new\r\n");
            EXPECT_TRUE(file.Close());
            EXPECT_EQ(Contents(path),
                      row.mode == Append && row.setup == Setup::File ? "older\r\nnew\r\n" : "new\r\n");
        }
        fs::remove_all(folder);
    }
}

} // namespace
} // namespace kestrav
