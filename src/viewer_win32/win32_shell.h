// The Windows window's side of the document: message boxes, the save dialog, the note dialog, the busy
// cursor, the frame's caption, repaint, focus and menu states, and the walk of a load beside the window.
#pragma once

#include <windows.h>

#include "viewer_core/viewer_document.h"

namespace kestrav::win32 {

class CEventViewerFrame;

class Win32ViewerShell final : public ViewerShell {
public:
    int Message(const std::string& text, uint32_t style) override;
    std::string SaveFileName(const std::string& title, const std::string& filter,
                             const std::string& defaultExtension) override;
    bool RunNoteDialog(std::string& typed) override;
    void BeginWait() override;
    void EndWait() override;
    void SetCaption(const std::string& text) override;
    void RepaintNow() override;
    void FocusView() override;
    void CommandStatesChanged() override;
    uint32_t RunWalk(const std::function<uint32_t()>& walk) override;

    // The frame the requests go to, and the module whose resources the dialogs use.
    void SetFrame(CEventViewerFrame* frame) { frame_ = frame; }
    void SetModule(HINSTANCE module) { module_ = module; }
    // The main window, owner of every message box and dialog; nullptr while there is none.
    HWND MainWindow() const;

private:
    CEventViewerFrame* frame_ = nullptr;
    HINSTANCE module_ = nullptr;
    int waitDepth_ = 0;
    HCURSOR cursorBeforeWait_ = nullptr;
};

} // namespace kestrav::win32
