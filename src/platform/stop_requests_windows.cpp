// Ctrl+C, Ctrl+Break and the console closing set an event that ends the pause.
#include <windows.h>

#include "platform/stop_requests.h"

namespace kestrav {

namespace {

HANDLE StopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(StopEvent);
    return TRUE;
}

} // namespace

void PrepareStopRequests() {
    StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool WaitForStopRequest(unsigned seconds) {
    if (StopEvent == nullptr) {
        Sleep(seconds * 1000u);
        return false;
    }
    return WaitForSingleObject(StopEvent, seconds * 1000u) == WAIT_OBJECT_0;
}

} // namespace kestrav
