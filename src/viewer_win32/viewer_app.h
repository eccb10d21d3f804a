// The Windows viewer's application object and the entry point that main() calls when no command-line
// option was given.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "viewer_win32/win32_shell.h"

namespace kestrav {
class CEventViewerDoc;
}

namespace kestrav::win32 {

class CEventViewerFrame;

// Creates the document, the frame and its list, and shows the frame; the frame loads the log from the
// message loop.
class CEventViewerApp {
public:
    CEventViewerApp();
    ~CEventViewerApp();
    CEventViewerApp(const CEventViewerApp&) = delete;
    CEventViewerApp& operator=(const CEventViewerApp&) = delete;

    // Opens the frame on the device, or on a dump file read-only when dumpFile is given; false when the
    // window cannot be made.
    bool InitInstance(HINSTANCE module, int show, const std::string& dumpFile = {});
    // The message loop until Exit; the exit status.
    int Run();

    CEventViewerDoc* Document() const { return document_.get(); }
    CEventViewerFrame* Frame() const { return frame_.get(); }
    Win32ViewerShell& Shell() { return shell_; }

private:
    Win32ViewerShell shell_;
    std::unique_ptr<CEventViewerDoc> document_;
    std::unique_ptr<CEventViewerFrame> frame_;
};

// Runs the window until Exit; returns the process's exit status.
int RunViewer(int argc, char** argv);

// The window on a dump file instead of the device, read-only (kestrav --input=FILE --window), until Exit.
int RunViewerOnDump(const std::string& path);

} // namespace kestrav::win32
