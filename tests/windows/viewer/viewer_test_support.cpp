// The window tests' helpers.
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/windows/driver/setup_request.h"
#include "tests/windows/viewer/window_picture.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::wintest {

namespace {

using namespace kestrav::testdriver;

constexpr int MessageTextId = 0xFFFF;  // the text of a message box
constexpr int FileNameEditId = 0x480;  // edt1
constexpr int FileNameComboId = 0x47C; // cmb13

bool SendSetup(SetupBlock& block) {
    HANDLE device = CreateFileA("\\\\.\\ZorHlth", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open the test driver (error " << GetLastError() << ")";
        return false;
    }
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(device, SetupIoControlCode, &block, sizeof block, &block, sizeof block,
                                      &returned, nullptr);
    CloseHandle(device);
    if (!done || returned != sizeof block) {
        ADD_FAILURE() << "the setup request failed (error " << GetLastError() << ")";
        return false;
    }
    return true;
}

bool SendOperation(uint32_t operation, uint32_t number = 0, uint32_t value = 0) {
    SetupBlock block{};
    block.operation = operation;
    block.number = number;
    block.value = value;
    return SendSetup(block);
}

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct ThreadDialogs {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
    if (IsWindowVisible(window) && ClassName(window) == "#32770") {
        reinterpret_cast<ThreadDialogs*>(lParam)->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleDialogs(DWORD thread) {
    ThreadDialogs dialogs;
    EnumThreadWindows(thread, &CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs.found;
}

bool IsMessageBox(HWND dialog) {
    return GetDlgItem(dialog, MessageTextId) != nullptr && GetDlgItem(dialog, 1053) == nullptr;
}

bool IsNoteDialog(HWND dialog) {
    return GetDlgItem(dialog, 1053) != nullptr;
}

bool IsFileDialog(HWND dialog) {
    return GetDlgItem(dialog, FileNameEditId) != nullptr || GetDlgItem(dialog, FileNameComboId) != nullptr;
}

} // namespace

LogEntry BuildRecord(const Record& record) {
    LogEntry entry{};
    const size_t textLength = std::min(record.text.size(), MaxNoteLength);
    const auto length = static_cast<uint16_t>(EntryHeaderSize + textLength + 1);
    entry.bytes[0] = static_cast<uint8_t>(length);
    entry.bytes[1] = static_cast<uint8_t>(length >> 8);
    entry.SetEventNumber(record.number);
    entry.bytes[6] = 1;
    entry.bytes[7] = record.severity;
    entry.bytes[8] = static_cast<uint8_t>(record.eventClass);
    entry.bytes[9] = static_cast<uint8_t>(record.eventClass >> 8);
    entry.bytes[10] = static_cast<uint8_t>(record.code);
    entry.bytes[11] = static_cast<uint8_t>(record.code >> 8);
    entry.SetInitialTime(record.initial);
    entry.SetUpdateTime(record.update);
    entry.SetCount(record.count);
    std::memcpy(entry.EventData(), record.text.data(), textLength);
    return entry;
}

bool DriverReset() {
    return SendOperation(ResetDevice);
}

bool DriverImport(const std::vector<LogEntry>& entries) {
    for (const LogEntry& entry : entries) {
        SetupBlock block{};
        block.operation = ImportEntry;
        std::memcpy(block.entry, entry.bytes, sizeof block.entry);
        if (!SendSetup(block)) {
            return false;
        }
    }
    return true;
}

bool DriverSupported(bool kept) {
    return SendOperation(SetSupported, 0, kept ? 1 : 0);
}

bool DriverFaultEraseRefuse() {
    return SendOperation(FaultEraseRefuse);
}

bool DriverFaultWriteStatus(uint8_t status) {
    return SendOperation(FaultWriteStatus, 0, status);
}

bool DriverClearFaults() {
    return SendOperation(ClearFaults);
}

uint32_t DriverCount() {
    SetupBlock block{};
    block.operation = CountEntries;
    return SendSetup(block) ? block.value : 0xFFFFFFFF;
}

bool DriverService(bool running) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager != nullptr ? OpenServiceA(manager, "ZorHlth", SERVICE_ALL_ACCESS) : nullptr;
    bool done = false;
    if (service != nullptr) {
        SERVICE_STATUS status{};
        done = running ? StartServiceA(service, 0, nullptr) != 0
                       : ControlService(service, SERVICE_CONTROL_STOP, &status) != 0;
        // The service reaches its new state on its own: wait for it.
        const DWORD wanted = running ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int attempt = 0; done && attempt < 200; ++attempt) {
            if (QueryServiceStatus(service, &status) && status.dwCurrentState == wanted) {
                break;
            }
            Sleep(50);
        }
        CloseServiceHandle(service);
    }
    if (manager != nullptr) {
        CloseServiceHandle(manager);
    }
    EXPECT_TRUE(done) << "the driver's service did not " << (running ? "start" : "stop");
    return done;
}

std::vector<std::string> ClippedTexts(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM found) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> clipped;
    for (HWND child : children) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        const bool isStatic = _wcsicmp(className, L"Static") == 0;
        const bool isButton = _wcsicmp(className, L"Button") == 0;
        const std::string text = WindowTextUtf8(child);
        if ((!isStatic && !isButton) || text.empty() || !IsWindowVisible(child)) {
            continue;
        }
        const std::wstring wide = win32::Widen(text);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        RECT client{};
        GetClientRect(child, &client);
        // A button's face is drawn inside its frame and the focus rectangle; its one line is centred in
        // height.
        const LONG margin = isButton ? 2 * GetSystemMetrics(SM_CXEDGE) + 2 : 0;
        UINT flags = DT_CALCRECT | DT_EXPANDTABS;
        if (isButton || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) {
            flags |= DT_SINGLELINE;
        } else {
            flags |= DT_WORDBREAK;
        }
        if (isStatic && (style & SS_NOPREFIX) != 0) {
            flags |= DT_NOPREFIX;
        }
        HDC dc = GetDC(child);
        HGDIOBJ before = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT needed{0, 0, client.right - 2 * margin, 0};
        DrawTextW(dc, wide.c_str(), -1, &needed, flags);
        SelectObject(dc, before);
        ReleaseDC(child, dc);
        if (needed.right > client.right - 2 * margin || needed.bottom > client.bottom) {
            clipped.push_back(std::to_string(GetDlgCtrlID(child)) + " '" + text + "': needs " +
                              std::to_string(needed.right + 2 * margin) + "x" +
                              std::to_string(needed.bottom) + ", has " + std::to_string(client.right) + "x" +
                              std::to_string(client.bottom));
        }
    }
    return clipped;
}

void Picture(HWND window, const std::string& name) {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KESTRAV_PICTURE_DIR", folder, MAX_PATH) == 0) {
        return;
    }
    const std::string path = std::string(folder) + "\\" + name + ".bmp";
    EXPECT_TRUE(SaveWindowPicture(window, path.c_str())) << path;
}

OpenViewer::OpenViewer(const std::string& dumpFile) : app_(std::make_unique<win32::CEventViewerApp>()) {
    if (!app_->InitInstance(GetModuleHandleA(nullptr), SW_SHOW, dumpFile)) {
        ADD_FAILURE() << "the window could not be made";
        return;
    }
    win32::RunMessages(Frame(), [this] { return Frame().InitialLoadDone(); });
    PumpWaiting(Frame());
}

OpenViewer::~OpenViewer() {
    app_.reset();
    // A window that ended leaves nothing in the queue for the next test.
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void PumpWaiting(win32::CEventViewerFrame& frame) {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            break;
        }
        frame.DispatchThreadMessage(message);
    }
}

void PressKey(win32::CEventViewerFrame& frame, HWND target, UINT key, bool control, bool alt) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE held[256];
    std::memcpy(held, keys, sizeof held);
    held[VK_CONTROL] = held[VK_LCONTROL] = control ? 0x80 : 0;
    held[VK_MENU] = held[VK_LMENU] = alt ? 0x80 : 0;
    held[VK_SHIFT] = held[VK_LSHIFT] = 0;
    SetKeyboardState(held);
    // Alt turns a key into a system key; bit 29 says that Alt is held.
    const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const LPARAM context = 1 | (alt ? (1 << 29) : 0);
    PostMessageA(target, down, key, context);
    PumpWaiting(frame);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key,
                 static_cast<LPARAM>(context | (1u << 30) | (1u << 31)));
    PumpWaiting(frame);
    SetKeyboardState(keys);
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string CellText(HWND list, int row, int column) {
    char text[2048] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::string> ColumnTexts(HWND list, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < RowCount(list); ++row) {
        texts.push_back(CellText(list, row, column));
    }
    return texts;
}

int RowImage(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
        rows.push_back(row);
    }
    return rows;
}

void SelectRows(HWND list, const std::vector<int>& rows) {
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int row : rows) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

int RowOfEvent(HWND list, uint32_t number) {
    const std::string wanted = std::to_string(static_cast<int32_t>(number));
    for (int row = 0; row < RowCount(list); ++row) {
        if (CellText(list, row, 1) == wanted) {
            return row;
        }
    }
    return -1;
}

void ClickHeading(HWND frame, HWND list, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(frame, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

void ClickCell(win32::CEventViewerFrame& frame, HWND list, int row, int column, bool twice) {
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) {
        ADD_FAILURE() << "no cell " << row << ", " << column;
        return;
    }
    const LPARAM at = MAKELPARAM(cell.left + 20, (cell.top + cell.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    PumpWaiting(frame);
    if (twice) {
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        PumpWaiting(frame);
    }
}

int SortArrow(HWND list, int column) {
    HWND heading = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(heading, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item))) {
        ADD_FAILURE() << "no heading " << column;
    }
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

std::string WindowTextUtf8(HWND window) {
    wchar_t text[8192] = {};
    GetWindowTextW(window, text, 8192);
    return win32::Narrow(text);
}

std::string StatusText(HWND statusBar) {
    wchar_t text[512] = {};
    if (LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, 0, 0)) >= 512) {
        return "(too long)";
    }
    SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return win32::Narrow(text);
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) {
        ADD_FAILURE() << "the clipboard cannot be opened";
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = win32::Narrow(units);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

int CentreDistance(HWND a, HWND b) {
    RECT ra{};
    RECT rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    const int dx = std::abs((ra.left + ra.right) - (rb.left + rb.right)) / 2;
    const int dy = std::abs((ra.top + ra.bottom) - (rb.top + rb.bottom)) / 2;
    return std::max(dx, dy);
}

bool MenuItemEnabled(HWND frame, uint32_t command) {
    HMENU menu = GetMenu(frame);
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        HMENU popup = GetSubMenu(menu, position);
        if (GetMenuState(popup, command, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
            SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), position);
            return (GetMenuState(popup, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
        }
    }
    ADD_FAILURE() << "no menu item " << command;
    return false;
}

DialogScript::DialogScript(std::function<void(DialogScript&)> script)
    : uiThread_(GetCurrentThreadId()), thread_([this, script] { Run(script); }) {}

DialogScript::~DialogScript() {
    Finish();
}

std::vector<std::string> DialogScript::Finish() {
    finished_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    return failures_;
}

void DialogScript::Run(const std::function<void(DialogScript&)>& script) {
    try {
        script(*this);
    } catch (const Failure& failure) {
        failures_.push_back(failure.what);
    }
    // Whatever else comes up until the command returns is closed, so that the command can end.
    while (!finished_) {
        for (HWND dialog : VisibleDialogs(uiThread_)) {
            failures_.push_back("an unexpected dialog: " +
                                (IsMessageBox(dialog) ? MessageText(dialog) : Caption(dialog)));
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            WaitGone(dialog);
        }
        Sleep(20);
    }
}

void DialogScript::Fail(const std::string& what) {
    throw Failure{what};
}

HWND DialogScript::WaitFor(const std::function<bool(HWND)>& matches) {
    // The command returning means that nothing more will come: the wait ends there.
    for (;;) {
        const bool last = finished_;
        for (HWND dialog : VisibleDialogs(uiThread_)) {
            if (matches(dialog)) {
                return dialog;
            }
        }
        if (last) {
            return nullptr;
        }
        Sleep(20);
    }
}

HWND DialogScript::WaitMessageBox() {
    HWND box = WaitFor(IsMessageBox);
    if (box == nullptr) {
        Fail("no message box came");
    }
    return box;
}

HWND DialogScript::WaitNoteDialog() {
    HWND dialog = WaitFor([](HWND window) { return IsNoteDialog(window) && IsWindowEnabled(window); });
    if (dialog == nullptr) {
        Fail("no note dialog came");
    }
    return dialog;
}

HWND DialogScript::WaitPopupMenu() {
    struct Found {
        HWND menu = nullptr;
    } found;
    for (int tries = 0; tries < 250 && found.menu == nullptr && !finished_; ++tries) {
        EnumThreadWindows(
            uiThread_,
            [](HWND window, LPARAM lParam) -> BOOL {
                if (IsWindowVisible(window) && ClassName(window) == "#32768") {
                    reinterpret_cast<Found*>(lParam)->menu = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        Sleep(20);
    }
    if (found.menu == nullptr) {
        Fail("no context menu came");
    }
    return found.menu;
}

HWND DialogScript::WaitFileDialog() {
    HWND dialog = WaitFor(IsFileDialog);
    if (dialog == nullptr) {
        Fail("no file dialog came");
    }
    return dialog;
}

std::string DialogScript::Text(HWND dialog, int control) const {
    char text[4096] = {};
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

std::string DialogScript::Caption(HWND window) const {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string DialogScript::MessageText(HWND box) const {
    return Text(box, MessageTextId);
}

void DialogScript::Press(HWND dialog, int button) {
    HWND control = GetDlgItem(dialog, button);
    if (control == nullptr) {
        Fail("no button " + std::to_string(button));
    }
    PostMessageA(control, BM_CLICK, 0, 0);
}

void DialogScript::PressAndWaitGone(HWND dialog, int button) {
    Press(dialog, button);
    WaitGone(dialog);
}

void DialogScript::WaitGone(HWND dialog) {
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        Sleep(20);
    }
}

std::vector<std::string> RunWithAnswers(const std::function<void()>& command,
                                        const std::function<void(DialogScript&)>& script) {
    DialogScript answers(script);
    command();
    for (const std::string& failure : answers.Finish()) {
        ADD_FAILURE() << failure;
    }
    return answers.messages;
}

void AnswerMessages(DialogScript& script, int count, int button) {
    for (int i = 0; i < count; ++i) {
        HWND box = script.WaitMessageBox();
        script.messages.push_back(script.MessageText(box));
        script.PressAndWaitGone(box, button);
    }
}

DWORD RunKestrav(const std::string& folder, const std::string& arguments) {
    std::string program = std::string("Z:") + KESTRAV_BIN_DIR + "/kestrav.exe";
    for (char& c : program) {
        if (c == '/') {
            c = '\\';
        }
    }
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string TempFolder() {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    const std::string folder = std::string(base) + "kestrav-viewer-" + std::to_string(GetCurrentProcessId()) +
                               "-" + std::to_string(counter++);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

} // namespace kestrav::wintest
