// How the viewer speaks to the user: message boxes with the application title as caption and the save-file
// dialog, all behind one small interface so that tests can answer them in place of a person.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "viewer_core/viewer_document.h"

class QMessageBox;
class QWidget;

namespace kestrav {

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // Shows a modal message box and returns the number of the button pressed.
    virtual int Message(QWidget* owner, const QString& caption, const QString& text, uint32_t style) = 0;
    // Asks for the name of a file to save; empty when the user cancelled. filter is in the
    // "label|pattern|...||" form of the string table.
    virtual QString SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& defaultSuffix) = 0;
};

// The real dialogs.
class DialogPrompts final : public UserPrompts {
public:
    int Message(QWidget* owner, const QString& caption, const QString& text, uint32_t style) override;
    QString SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& defaultSuffix) override;
};

// The message box that DialogPrompts runs for a style: buttons, icon, default and escape buttons.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                             uint32_t style);

// Turns a "label|pattern|label|pattern||" filter into Qt's "label (pattern);;label (pattern)" form.
QString QtFileFilter(const QString& filter);

// The prompts in use: DialogPrompts unless a ScopedPrompts is alive.
UserPrompts& CurrentPrompts();

class ScopedPrompts {
public:
    explicit ScopedPrompts(UserPrompts& prompts);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    UserPrompts* previous_;
};

// The application's main window, owner of every message box; nullptr while there is none.
QWidget* MainWindow();
void SetMainWindow(QWidget* window);

// A string-table text as a message box; returns the button pressed.
int ShowMessage(QWidget* owner, uint32_t stringId, uint32_t style);

// The message for a status code (StatusCodeMessage) as a message box.
int ShowErrorMessage(QWidget* owner, uint32_t status);

} // namespace kestrav
