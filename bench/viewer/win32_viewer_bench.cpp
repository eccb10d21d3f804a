// The Windows window on a large log, under Wine on a virtual display with the test driver: the time from
// creating the window until the whole log is listed and drawn, and the time of sorting by a column through a
// heading click. With --grab FILE it pictures the window instead (a 24-bit bitmap copied from the display).
//
//   win32_viewer_bench.exe RECORDS [--grab FILE]
//
// RECORDS holds raw 256-byte records, imported into the test driver first. Prints figures; asserts nothing.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "log/log_ops.h"
#include "tests/windows/driver/setup_request.h"
#include "tests/windows/viewer/window_picture.h"
#include "viewer_core/list_order.h"
#include "viewer_win32/event_viewer_frame.h"
#include "viewer_win32/viewer_app.h"

namespace {

using namespace kestrav;
using namespace kestrav::testdriver;
using Clock = std::chrono::steady_clock;

bool Setup(SetupBlock& block) {
    HANDLE device = CreateFileA("\\\\.\\ZorHlth", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(device, SetupIoControlCode, &block, sizeof block, &block, sizeof block,
                                      &returned, nullptr);
    CloseHandle(device);
    return done && returned == sizeof block;
}

// Empties the driver and stores every record of the file; the number stored, or -1.
long ImportRecords(const char* path) {
    SetupBlock block{};
    block.operation = ResetDevice;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr || !Setup(block)) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return -1;
    }
    long count = 0;
    while (std::fread(block.entry, 1, sizeof block.entry, file) == sizeof block.entry) {
        block.operation = ImportEntry;
        if (!Setup(block)) {
            count = -1;
            break;
        }
        ++count;
    }
    std::fclose(file);
    return count;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

void Pump(win32::CEventViewerFrame& frame) {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        frame.DispatchThreadMessage(message);
    }
}

void ClickHeading(win32::CEventViewerFrame& frame, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = frame.GetActiveView().Handle();
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(frame.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    UpdateWindow(frame.GetActiveView().Handle());
}

bool Grab(HWND window, const char* path) {
    SetForegroundWindow(window);
    return wintest::SaveWindowPicture(window, path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--grab") == 0)) {
        std::fprintf(stderr, "usage: win32_viewer_bench RECORDS [--grab FILE]\n");
        return 2;
    }
    const long imported = ImportRecords(argv[1]);
    if (imported < 0) {
        std::fprintf(stderr, "win32_viewer_bench: cannot import %s into the test driver\n", argv[1]);
        return 1;
    }

    const Clock::time_point start = Clock::now();
    win32::CEventViewerApp app;
    if (!app.InitInstance(GetModuleHandleA(nullptr), SW_SHOW)) {
        std::fprintf(stderr, "win32_viewer_bench: the window could not be made\n");
        return 1;
    }
    win32::CEventViewerFrame& frame = *app.Frame();
    win32::RunMessages(frame, [&] { return frame.InitialLoadDone(); });
    Pump(frame);
    UpdateWindow(frame.GetActiveView().Handle());
    const double opened = Seconds(start);
    HWND list = frame.GetActiveView().Handle();
    const auto rows = static_cast<long>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));

    if (argc == 4) {
        // The list as the administrator first sees it, once everything is drawn.
        for (int i = 0; i < 20; ++i) {
            Pump(frame);
            Sleep(50);
        }
        if (!Grab(frame.Handle(), argv[3])) {
            std::fprintf(stderr, "win32_viewer_bench: could not picture the window into %s\n", argv[3]);
            return 1;
        }
        std::printf("grabbed %ld rows into %s\n", rows, argv[3]);
        return 0;
    }

    std::printf("entries imported: %ld, rows listed: %ld\n", imported, rows);
    std::printf("start until the list is drawn: %.2f s\n", opened);
    const struct {
        int column;
        const char* name;
    } columns[] = {{DescriptionColumn, "Description"},
                   {ClassColumn, "Class"},
                   {EventNumberColumn, "Event Number"},
                   {UpdateTimeColumn, "Update Time"}};
    for (const auto& column : columns) {
        // The first click sorts ascending, the second reverses: two full sorts.
        for (int click = 0; click < 2; ++click) {
            const Clock::time_point from = Clock::now();
            ClickHeading(frame, column.column);
            std::printf("sort by %s (%s): %.2f s\n", column.name, click == 0 ? "ascending" : "descending",
                        Seconds(from));
        }
    }
    // Where a sort's time goes: the order worked out alone, without the window.
    {
        std::vector<CEventLogEntry*> rows;
        for (const auto& entry : app.Document()->m_entries) {
            rows.push_back(entry.get());
        }
        std::vector<uint32_t> order(rows.size());
        for (uint32_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        for (const auto& column : columns) {
            const Clock::time_point from = Clock::now();
            const std::vector<uint32_t> sorted = SortPositions(rows, order, column.column, true);
            std::printf("sort order alone by %s: %.2f s (%zu rows)\n", column.name, Seconds(from),
                        sorted.size());
        }
    }
    // Where the start's time goes: the driver walk alone, and filling the list alone.
    const Clock::time_point walkStart = Clock::now();
    WalkReport walk;
    long walked = 0;
    WalkLog([&](const LogEntry&) { ++walked; }, walk);
    std::printf("walk of the log through the driver alone: %.2f s (%ld entries)\n", Seconds(walkStart),
                walked);
    std::vector<CEventLogEntry*> entries;
    for (const auto& entry : app.Document()->m_entries) {
        entries.push_back(entry.get());
    }
    const Clock::time_point fillStart = Clock::now();
    frame.GetActiveView().SetRows(entries);
    UpdateWindow(list);
    std::printf("filling the list alone (%zu callback rows): %.2f s\n", entries.size(), Seconds(fillStart));
    // While the refresh runs, another thread asks the window every 50 ms for an answer: the longest wait
    // says how long the window stood still.
    std::atomic<bool> refreshing{true};
    std::atomic<bool> askerDone{false};
    double longestWait = 0;
    long asked = 0;
    std::thread asker([&] {
        while (refreshing) {
            const Clock::time_point sent = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(frame.Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
            longestWait = std::max(longestWait, Seconds(sent));
            ++asked;
            Sleep(50);
        }
        askerDone = true;
    });
    const Clock::time_point refresh = Clock::now();
    SendMessageA(frame.Handle(), WM_COMMAND, 1027, 0);
    UpdateWindow(list);
    std::printf("refresh (read, fill, sort, draw): %.2f s\n", Seconds(refresh));
    // The last question may be waiting: this thread answers until the asker has stopped.
    refreshing = false;
    while (!askerDone) {
        Pump(frame);
        Sleep(5);
    }
    asker.join();
    std::printf("longest wait for an answer of the window during the refresh: %.3f s (%ld asked)\n",
                longestWait, asked);
    // A filter text typed, and taken away again: each shows the rows that pass, after the pause in the
    // typing that a long log waits for. The first also indexes the rows' texts, as the window does when the
    // field first takes the focus. Each is timed twice: from the keystroke, the pause included, and the
    // filtering alone, the pause's timer fired at once.
    for (const bool waitForPause : {true, false}) {
        for (const wchar_t* text : {L"memory", L""}) {
            const Clock::time_point typed = Clock::now();
            SetWindowTextW(frame.FilterText(), text);
            if (!waitForPause && frame.FilterPending()) {
                SendMessageW(frame.Handle(), WM_TIMER, 1, 0);
            }
            while (frame.FilterPending()) {
                Pump(frame);
                Sleep(5);
            }
            UpdateWindow(list);
            std::printf("filter text \"%ls\"%s: %.2f s (%ld rows shown)\n", text,
                        waitForPause ? ", the typing pause included" : ", the filtering alone",
                        Seconds(typed), static_cast<long>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
        }
    }
    return 0;
}
