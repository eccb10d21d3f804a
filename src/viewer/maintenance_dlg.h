// The maintenance-note dialog: a multi-line field of at most 227 bytes with a count of the bytes left, OK as
// the default button, a warning for an empty text, and PrepareNote, which folds the typed text into the
// single line that is stored.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <cstddef>

#include "record/log_entry.h"

class QLabel;
class QPushButton;

namespace kestrav {

// The length a note field's text counts against the limit: its bytes as stored, each line break as the two
// characters (carriage return, line feed) it becomes.
qsizetype NoteFieldLength(const QString& plainText);

// The note field: refuses input past its limit (typing, pasting, dropping, input methods) and leaves the
// Enter key to the dialog, so that Enter presses OK; Ctrl+Enter enters a line break.
class CNoteEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CNoteEdit(QWidget* parent = nullptr);
    void SetLimitText(qsizetype limit) { limit_ = limit; }
    qsizetype LimitText() const { return limit_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // The longest beginning of text that fits in place of the current selection.
    QString FitToLimit(const QString& text) const;

    qsizetype limit_ = MaxNoteLength;
};

class CMaintenanceDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMaintenanceDlg(QWidget* parent = nullptr);

    // Initialises the dialog and runs it modally; QDialog::Accepted when it ended with OK.
    int DoModal();
    // Moves the note between m_strNote and the field (saveAndValidate: from the field). Line breaks are
    // carriage return and line feed in m_strNote.
    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog();
    void OnOkClicked();
    // Folds m_strNote's line breaks into blanks, trims it and copies it into m_szNote.
    void PrepareNote();

    CNoteEdit* m_editNote;
    QString m_strNote;
    char m_szNote[MaxNoteLength + 1] = {};

    QLabel* Prompt() const { return prompt_; }
    QLabel* BytesLeft() const { return bytesLeft_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    // Shows how many bytes the field still takes.
    void ShowBytesLeft();

    QLabel* prompt_;
    QLabel* bytesLeft_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace kestrav
