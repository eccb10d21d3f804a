// Helpers for the viewer core's tests, on Linux and on Windows: the health device of a test (an emulated
// store on Linux, the test driver on Windows), a list and a shell that record what the document does to them
// and answer its questions from a script, and entries made in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "record/log_entry.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {

// An empty device that keeps the log and has no faults, named for this process while the object lives.
class CoreDevice {
public:
    CoreDevice();
    ~CoreDevice();
    CoreDevice(const CoreDevice&) = delete;
    CoreDevice& operator=(const CoreDevice&) = delete;

    // Stores whole records under the numbers in their own headers.
    bool Import(const std::vector<LogEntry>& entries);
    bool SetSupported(bool supported);
    // A read for event number answers status and no entry.
    bool FaultReadStatus(uint32_t eventNumber, uint8_t status);
    bool FaultEraseRefuse();
    // The next write takes a number count higher than it would have.
    bool SkipNumbers(uint32_t count);
    // Writes and rewrites answer status and store nothing.
    bool FaultWriteStatus(uint8_t status);
    bool FaultFailRequests();
    // Whether a device can be made missing here (the test driver stays loaded under Wine).
    static bool CanBeMissing();
    // The device can no longer be opened.
    void MakeMissing();

private:
    std::filesystem::path folder_;
};

// A list control in memory: rows in order, a set of selected rows, the enabled state, and how often each
// request came.
class RecordingList final : public EntryList {
public:
    void SetRows(const std::vector<CEventLogEntry*>& rows) override;
    void SelectOnly(size_t row) override;
    std::vector<CEventLogEntry*> SelectedEntries() const override;
    size_t SelectedCount() const override;
    void Sort(int column, bool ascending) override;
    void SetEnabled(bool enabled) override { enabled_ = enabled; }

    void Select(const std::vector<uint32_t>& eventNumbers);
    std::vector<int32_t> Order() const;
    std::vector<int32_t> SelectedNumbers() const;
    bool Enabled() const { return enabled_; }
    const std::vector<CEventLogEntry*>& Rows() const { return rows_; }

private:
    std::vector<CEventLogEntry*> rows_;
    std::vector<bool> selected_;
    bool enabled_ = true;
};

// Answers message boxes from a queue (when it runs dry: OK, or Cancel where Cancel is the default), the save
// dialog and the note dialog from lists (when they run dry: cancelled), and records what was asked.
class ScriptedShell final : public ViewerShell {
public:
    int Message(const std::string& text, uint32_t style) override;
    std::string SaveFileName(const std::string& title, const std::string& filter,
                             const std::string& defaultExtension) override;
    bool RunNoteDialog(std::string& typed) override;
    void BeginWait() override { ++waitDepth; }
    void EndWait() override { --waitDepth; }
    void SetCaption(const std::string& text) override { caption = text; }
    void RepaintNow() override { ++repaints; }
    void FocusView() override { ++focusRequests; }
    void CommandStatesChanged() override {}
    // The walk runs on a thread of its own, as a window runs it; the rows of the watched list are counted
    // at its start.
    uint32_t RunWalk(const std::function<uint32_t()>& walk) override;

    RecordingList* watched = nullptr;
    std::vector<size_t> rowsDuringWalks;
    std::deque<int> answers;
    std::deque<std::string> saveNames;
    std::deque<std::string> notes;
    std::vector<std::string> texts;
    std::vector<uint32_t> styles;
    int waitDepth = 0;
    int repaints = 0;
    int focusRequests = 0;
    std::string caption;
};

LogEntry MakeEntry(uint32_t eventNumber, uint8_t severity, uint16_t eventClass, uint16_t code,
                   uint32_t count = 1, const LogTime& update = {20, 26, 12, 7, 14, 5},
                   const LogTime& initial = {20, 26, 12, 7, 14, 5}, const std::string& text = {});

// A fresh folder under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);

} // namespace kestrav::test
