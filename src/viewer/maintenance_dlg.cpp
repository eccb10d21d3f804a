// The maintenance-note dialog and the preparation of the stored note.
#include "viewer/maintenance_dlg.h"

#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "viewer/messages.h"
#include "viewer/viewer_text.h"
#include "viewer_core/note_rules.h"
#include "viewer_core/viewer_texts.h"

namespace kestrav {

namespace {

// Pasted text may carry any of the three line-break forms; the field holds line feeds only.
QString NormaliseLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

qsizetype NoteFieldLength(const QString& plainText) {
    return plainText.toUtf8().size() + plainText.count(u'\n');
}

CNoteEdit::CNoteEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

QString CNoteEdit::FitToLimit(const QString& text) const {
    const QString kept = toPlainText().remove(textCursor().selectionStart(),
                                              textCursor().selectionEnd() - textCursor().selectionStart());
    qsizetype room = limit_ - NoteFieldLength(kept);
    qsizetype taken = 0;
    while (taken < text.size()) {
        // A surrogate pair is one character and is taken whole or not at all.
        const qsizetype width = text[taken].isHighSurrogate() && taken + 1 < text.size() ? 2 : 1;
        const qsizetype cost = NoteFieldLength(text.mid(taken, width));
        if (cost > room) {
            break;
        }
        room -= cost;
        taken += width;
    }
    return text.left(taken);
}

void CNoteEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ControlModifier) {
            if (!FitToLimit(QStringLiteral("\n")).isEmpty()) {
                insertPlainText(QStringLiteral("\n"));
            }
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed[0].isPrint() && FitToLimit(typed) != typed) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CNoteEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        const QString fitting = FitToLimit(commit);
        if (fitting != commit) {
            QInputMethodEvent trimmed(event->preeditString(), event->attributes());
            trimmed.setCommitString(fitting, event->replacementStart(), event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&trimmed);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CNoteEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        return;
    }
    const QString fitting = FitToLimit(NormaliseLineBreaks(source->text()));
    if (!fitting.isEmpty()) {
        insertPlainText(fitting);
    }
}

CMaintenanceDlg::CMaintenanceDlg(QWidget* parent)
    : QDialog(parent), m_editNote(new CNoteEdit(this)), prompt_(new QLabel(this)),
      bytesLeft_(new QLabel(this)), ok_(new QPushButton(NoteDialogText(NoteOkButton), this)),
      cancel_(new QPushButton(NoteDialogText(NoteCancelButton), this)) {
    prompt_->setText(LoadText(NotePromptText));
    prompt_->setWordWrap(true);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(m_editNote, 1);
    bytesLeft_->setAlignment(Qt::AlignRight);
    layout->addWidget(bytesLeft_);
    layout->addLayout(buttons);
    setTabOrder(m_editNote, ok_);
    setTabOrder(ok_, cancel_);
    resize(320, 180);

    connect(ok_, &QPushButton::clicked, this, &CMaintenanceDlg::OnOkClicked);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_editNote, &QPlainTextEdit::textChanged, this, &CMaintenanceDlg::ShowBytesLeft);
    ShowBytesLeft();
}

void CMaintenanceDlg::ShowBytesLeft() {
    const qsizetype left = m_editNote->LimitText() - NoteFieldLength(m_editNote->toPlainText());
    bytesLeft_->setText(
        QString::fromStdString(NoteBytesLeftText(static_cast<size_t>(std::max<qsizetype>(left, 0)))));
}

int CMaintenanceDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CMaintenanceDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strNote = m_editNote->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
    } else {
        m_editNote->setPlainText(NormaliseLineBreaks(m_strNote));
    }
}

bool CMaintenanceDlg::OnInitDialog() {
    DoDataExchange(false);
    m_editNote->SetLimitText(MaxNoteLength);
    ShowBytesLeft();
    setWindowTitle(LoadText(ApplicationTitle));
    prompt_->setText(LoadText(NotePromptText));
    m_editNote->setFocus();
    return true;
}

void CMaintenanceDlg::OnOkClicked() {
    DoDataExchange(true);
    if (NoteIsBlank(m_strNote.toUtf8().toStdString())) {
        ShowMessage(MainWindow(), NotePromptText, MessageStyleWarning);
        m_editNote->setFocus();
        return;
    }
    DoDataExchange(true);
    accept();
}

void CMaintenanceDlg::PrepareNote() {
    kestrav::PrepareNote(m_strNote.toUtf8().toStdString(), m_szNote);
}

} // namespace kestrav
