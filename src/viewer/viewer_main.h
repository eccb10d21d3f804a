// The windowed viewer: the application object and the entry point that main() calls when no command-line
// option was given.
#pragma once

#include <memory>
#include <string>

class QTranslator;

namespace kestrav {

class CEventViewerDoc;
class CEventViewerFrame;

// Creates the document, the frame and its view, and shows the frame; the frame loads the log from the event
// loop. One instance per process.
class CEventViewerApp {
public:
    CEventViewerApp();
    ~CEventViewerApp();
    CEventViewerApp(const CEventViewerApp&) = delete;
    CEventViewerApp& operator=(const CEventViewerApp&) = delete;

    // Opens the frame on the device, or on a dump file read-only when dumpFile is given.
    bool InitInstance(const std::string& dumpFile = {});

    CEventViewerDoc* Document() const { return document_.get(); }
    CEventViewerFrame* Frame() const { return frame_.get(); }

private:
    std::unique_ptr<CEventViewerDoc> document_;
    std::unique_ptr<CEventViewerFrame> frame_;
};

// True when a window can be shown: a display, a Wayland display or an explicit Qt platform is named.
bool DisplayAvailable();

// When the viewer's language is Japanese, loads Qt's own Japanese texts (the file dialog's buttons, the
// context menus of text fields) from Qt's translations folder and installs them in the running application.
// Returns the installed translator, owned by the application, or nullptr when the language is English or the
// translations are not installed.
QTranslator* InstallQtTranslations();

// Runs the window until Exit; returns the process's exit status. Without a display it says so on stderr and
// returns 1.
int RunViewer(int argc, char** argv);

} // namespace kestrav
