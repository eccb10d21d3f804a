// Running the built kestrav against emulated devices made with healthsim, in a folder of its own: the
// standard two-entry device, its export, a store damaged as a failing medium would, and status logs as a run
// writes them (date lines masked).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "emulator/device/device_store.h"
#include "record/log_entry.h"
#include "support/test_support.h"

namespace kestrav::clitest {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RunProgram;
using test::RunResult;
using test::WriteFile;

inline const std::vector<std::string> UsageLines = {
    "/f:file      Specifies the file for status logging. This parameter is",
    "             optional. The default log file is kestrav.log.",
    "/export:file Exports the CVR entries to a comma-separated file.  The",
    "             extension .csv will be added if no extension is specified.",
    "/clear       Clear all entries in the CVR.  If both /clear and /export are",
    "             specified, /clear will execute after /export.",
    "/note:\"msg\"  Writes a maintenance note to the CVR.  msg must be enclosed",
    "             in double quotes and be no more than 227 characters long.",
};

inline const std::string CsvHeader =
    "Severity,Event Number,Class,Code,Update Time,Initial Time,Count,Description\r\n";

// The two entries of the standard test device and their export lines in the English locale.
inline const LogTime Dec7{20, 26, 12, 7, 14, 5};
inline const LogTime Jan2{20, 27, 1, 2, 9, 30};

inline std::string StandardRecords() {
    LogEntry note = MakeEntry(1, 2, 33, 2, Dec7, Dec7, 1, "fan 2 replaced");
    LogEntry interlock = MakeEntry(2, 15, 41, 1, Dec7, Jan2, 3, std::string("\0Fan 3", 6));
    return std::string(reinterpret_cast<const char*>(note.bytes), LogEntrySize) +
           std::string(reinterpret_cast<const char*>(interlock.bytes), LogEntrySize);
}

inline const std::string StandardCsv =
    CsvHeader +
    "Informational,1,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,Maintenance note: fan 2 replaced\r\n"
    "Critical,2,Interlock,1,1/2/2027 9:30 AM,12/7/2026 2:05 PM,3,"
    "Improperly seated or missing device (Unknown interlock type, Fan 3)\r\n";

// A line that the run header's date line must match.
inline const std::regex
    DateLine("(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day, (January|February|March|April|May|June|July|"
             "August|September|October|November|December) [0-3][0-9], [0-9]{4} at "
             "(0[1-9]|1[0-2]):[0-5][0-9] (AM|PM)\r");

// The text with every date line replaced by "<date>".
inline std::string MaskDates(const std::string& text) {
    std::string masked;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        masked += std::regex_match(line, DateLine) ? std::string("<date>\r") : line;
        if (!lines.eof()) {
            masked += "\n";
        }
    }
    return masked;
}

// Lines as a status log holds them: three blanks, the text, "\r\n".
inline std::string Indented(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "   " + line + "\r\n";
    }
    return text;
}

inline std::string Usage() {
    std::vector<std::string> lines{""};
    lines.insert(lines.end(), UsageLines.begin(), UsageLines.end());
    return Indented(lines);
}

// Overwrites the store page that holds the record of entry number with garbage, as a failing medium would.
inline void DamagePageOf(const std::string& device, uint32_t number) {
    std::string error;
    std::unique_ptr<emulator::DeviceStore> store = emulator::DeviceStore::Open(device, error);
    ASSERT_TRUE(store) << error;
    std::string record;
    store->ForEach([&](uint32_t n, const LogEntry& entry) {
        if (n == number) {
            record.assign(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
        }
    });
    store.reset();
    std::string bytes = ReadFile(device);
    size_t at = bytes.find(record);
    ASSERT_NE(at, std::string::npos);
    const size_t pageSize = 4096;
    size_t page = at / pageSize * pageSize;
    std::fstream file(device, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(page));
    file.write(std::string(pageSize, '\x5A').data(), pageSize);
}

// A folder with an emulated device in it, where kestrav runs.
class Folder {
public:
    std::string Device() const { return (dir_ / "cvr.db").string(); }
    fs::path operator/(const std::string& name) const { return dir_ / name; }

    void Sim(const std::vector<std::string>& args) const {
        RunResult result = RunProgram("healthsim", args, {}, dir_.Path());
        ASSERT_EQ(result.exitStatus, 0) << result.err;
    }

    void MakeEmptyDevice() const { Sim({"init", Device()}); }

    void MakeStandardDevice() const {
        MakeEmptyDevice();
        WriteFile(dir_ / "records.bin", StandardRecords());
        Sim({"import", Device(), (dir_ / "records.bin").string()});
    }

    RunResult Run(const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {"LC_ALL=C"}) const {
        // JSON times carry the host zone's offset: a zone of its own makes them the same on every machine.
        std::vector<std::string> all{"ZORHLTH_DEVICE=" + Device(), "TZ=UTC"};
        all.insert(all.end(), env.begin(), env.end());
        return RunProgram("kestrav", args, all, dir_.Path());
    }

    // The export of the device's current content, made by a separate run.
    std::string ExportNow() const {
        Run({"/f:check.log", "/export:check.csv"});
        std::string csv = ReadFile(dir_ / "check.csv");
        fs::remove(dir_ / "check.csv");
        fs::remove(dir_ / "check.log");
        return csv;
    }

    // A status log with its date lines masked.
    std::string Log(const std::string& name = "kestrav.log") const {
        return MaskDates(ReadFile(dir_ / name));
    }
    bool Exists(const std::string& name) const { return fs::exists(dir_ / name); }

private:
    test::TempDir dir_;
};

// The header of a run, with its date line masked.
inline std::string Header(const std::vector<std::string>& args,
                          const std::string& title = "Corvane Log Viewer",
                          const std::string& executing = "Executing: ") {
    std::string line = executing + test::ProgramPath("kestrav");
    for (const std::string& arg : args) {
        line += " " + (arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"");
    }
    return title + "\r\n<date>\r\n" + Indented({line});
}

// A whole status log of one run.
inline std::string RunLog(const std::vector<std::string>& args, const std::vector<std::string>& lines) {
    return Header(args) + Indented(lines) + "  \r\n";
}

inline std::string UsageOnStderr() {
    std::string usage;
    for (const std::string& line : UsageLines) {
        usage += line + "\n";
    }
    return usage;
}

// Each test's child processes get only the language and device that the test gives them.
class CommandLineRun : public ::testing::Test {
protected:
    void SetUp() override {
        // The child gets only the language and device that each test gives it.
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_TIME", "LANG", "ZORHLTH_DEVICE"}) {
            unsetenv(name);
        }
    }
};

// Sets the host's zone (TZ) for in-process conversions while it lives, and restores the one before.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        old_ = had_ ? old : "";
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedZone() {
        if (had_) {
            ::setenv("TZ", old_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

} // namespace kestrav::clitest
