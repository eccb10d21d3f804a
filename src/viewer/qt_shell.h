// The Qt window's side of the document: message boxes and the save dialog through the prompts, the note
// dialog, the busy cursor, and the frame's caption, repaint, focus and command states.
#pragma once

#include "viewer_core/viewer_document.h"

namespace kestrav {

class CEventViewerFrame;

class QtViewerShell final : public ViewerShell {
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

    // The frame that the frame's requests go to; none while no frame exists.
    void SetFrame(CEventViewerFrame* frame) { frame_ = frame; }
    CEventViewerFrame* Frame() const { return frame_; }

private:
    CEventViewerFrame* frame_ = nullptr;
};

// The process's one Qt shell.
QtViewerShell& QtShell();

} // namespace kestrav
