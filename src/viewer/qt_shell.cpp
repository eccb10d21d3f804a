// The Qt shell of the document.
#include "viewer/qt_shell.h"

#include <QApplication>
#include <QFile>

#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/maintenance_dlg.h"
#include "viewer/messages.h"
#include "viewer/viewer_text.h"

namespace kestrav {

int QtViewerShell::Message(const std::string& text, uint32_t style) {
    return CurrentPrompts().Message(MainWindow(), LoadText(ApplicationTitle), QString::fromUtf8(text.c_str()),
                                    style);
}

std::string QtViewerShell::SaveFileName(const std::string& title, const std::string& filter,
                                        const std::string& defaultExtension) {
    const QString name = CurrentPrompts().SaveFileName(nullptr, QString::fromUtf8(title.c_str()),
                                                       QString::fromUtf8(filter.c_str()),
                                                       QString::fromUtf8(defaultExtension.c_str()));
    return QFile::encodeName(name).toStdString();
}

bool QtViewerShell::RunNoteDialog(std::string& typed) {
    CMaintenanceDlg dialog;
    dialog.m_strNote.clear();
    if (dialog.DoModal() != QDialog::Accepted) {
        return false;
    }
    typed = dialog.m_strNote.toUtf8().toStdString();
    return true;
}

void QtViewerShell::BeginWait() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtViewerShell::EndWait() {
    QApplication::restoreOverrideCursor();
}

void QtViewerShell::SetCaption(const std::string& text) {
    if (frame_ != nullptr) {
        frame_->setWindowTitle(QString::fromUtf8(text.c_str()));
    }
}

void QtViewerShell::RepaintNow() {
    if (frame_ != nullptr) {
        frame_->update();
        frame_->repaint();
    }
}

void QtViewerShell::FocusView() {
    if (frame_ != nullptr) {
        frame_->GetActiveView()->setFocus();
    }
}

void QtViewerShell::CommandStatesChanged() {
    if (frame_ != nullptr) {
        frame_->UpdateCommandStates();
    }
}

QtViewerShell& QtShell() {
    static QtViewerShell shell;
    return shell;
}

} // namespace kestrav
