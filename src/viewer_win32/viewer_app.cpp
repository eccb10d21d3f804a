// The application object and the viewer's entry point.
#include "viewer_win32/viewer_app.h"

#include <commctrl.h>

#include "viewer_core/viewer_document.h"
#include "viewer_win32/event_viewer_frame.h"

namespace kestrav::win32 {

namespace {

// kestrav.exe is a console program, so that the command line's callers read its output and wait for its
// exit status. Started for the window from the desktop it gets a console of its own, which would stand
// empty beside the window: that one is let go. A console shared with a caller stays.
void ReleaseOwnConsole() {
    DWORD processes[2] = {};
    if (GetConsoleProcessList(processes, 2) == 1) {
        FreeConsole();
    }
}

// The window on the device, or on a dump file when one is named, until Exit.
int RunWindow(const std::string& dumpFile) {
    ReleaseOwnConsole();
    CEventViewerApp application;
    if (!application.InitInstance(GetModuleHandleW(nullptr), SW_SHOWDEFAULT, dumpFile)) {
        return 1;
    }
    return application.Run();
}

} // namespace

CEventViewerApp::CEventViewerApp() = default;

CEventViewerApp::~CEventViewerApp() {
    frame_.reset();
    document_.reset();
}

bool CEventViewerApp::InitInstance(HINSTANCE module, int show, const std::string& dumpFile) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    shell_.SetModule(module);
    document_ = std::make_unique<CEventViewerDoc>(shell_);
    document_->m_dumpFile = dumpFile;
    frame_ = std::make_unique<CEventViewerFrame>(*document_, shell_);
    shell_.SetFrame(frame_.get());
    if (!frame_->Create(module)) {
        shell_.SetFrame(nullptr);
        return false;
    }
    ShowWindow(frame_->Handle(), show);
    UpdateWindow(frame_->Handle());
    return true;
}

int CEventViewerApp::Run() {
    frame_->QuitOnDestroy(true);
    return RunMessages(*frame_, [] { return false; });
}

int RunViewer(int, char**) {
    return RunWindow({});
}

int RunViewerOnDump(const std::string& path) {
    return RunWindow(path);
}

} // namespace kestrav::win32
