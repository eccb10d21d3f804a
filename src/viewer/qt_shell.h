// The Qt window's side of the document: message boxes and the save dialog through the prompts, the note
// dialog, the busy cursor, and the frame's caption, repaint, focus and command states.
#pragma once

#include <memory>

#include "viewer_core/viewer_document.h"

class QProgressDialog;

namespace kestrav {

class CEventViewerFrame;

class QtViewerShell final : public ViewerShell {
public:
    QtViewerShell();
    ~QtViewerShell() override;
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
    // A progress window over the frame, shown only once the work has taken longer than the delay; its
    // Cancel stops the work before the next entry.
    bool Progress(size_t done, size_t total) override;

    // How long work runs before its progress shows, in milliseconds.
    void SetProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
    // The progress window while work runs; nullptr otherwise.
    QProgressDialog* ProgressDialog() const { return progress_.get(); }

    // The frame that the frame's requests go to; none while no frame exists.
    void SetFrame(CEventViewerFrame* frame) { frame_ = frame; }
    CEventViewerFrame* Frame() const { return frame_; }

private:
    CEventViewerFrame* frame_ = nullptr;
    std::unique_ptr<QProgressDialog> progress_;
    int progressDelay_ = 400;
};

// The process's one Qt shell.
QtViewerShell& QtShell();

} // namespace kestrav
