// Message boxes, the save-file dialog and the prompts that tests replace.
#include "viewer/messages.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QVariant>

#include "viewer/viewer_text.h"

namespace kestrav {

namespace {

constexpr uint32_t StyleButtonsMask = 0xF;
constexpr uint32_t StyleOkCancel = 0x1;
constexpr uint32_t StyleDefaultMask = 0xF00;
constexpr uint32_t StyleSecondDefault = 0x100;
constexpr char ButtonProperty[] = "kestravButton";

DialogPrompts dialogPrompts;
UserPrompts* currentPrompts = &dialogPrompts;
QWidget* mainWindow = nullptr;

QPushButton* AddButton(QMessageBox& box, uint32_t label, QMessageBox::ButtonRole role, int number) {
    QPushButton* button = box.addButton(NoteDialogText(label), role);
    button->setProperty(ButtonProperty, number);
    return button;
}

} // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                             uint32_t style) {
    auto box = std::make_unique<QMessageBox>(owner);
    box->setWindowTitle(caption);
    box->setText(text);
    box->setIcon(QMessageBox::Warning);
    QPushButton* ok = AddButton(*box, NoteOkButton, QMessageBox::AcceptRole, ButtonOk);
    QPushButton* cancel = nullptr;
    if ((style & StyleButtonsMask) == StyleOkCancel) {
        cancel = AddButton(*box, NoteCancelButton, QMessageBox::RejectRole, ButtonCancel);
    }
    box->setDefaultButton(cancel && (style & StyleDefaultMask) == StyleSecondDefault ? cancel : ok);
    box->setEscapeButton(cancel ? cancel : ok);
    return box;
}

int DialogPrompts::Message(QWidget* owner, const QString& caption, const QString& text, uint32_t style) {
    std::unique_ptr<QMessageBox> box = BuildMessageBox(owner, caption, text, style);
    box->exec();
    QAbstractButton* pressed = box->clickedButton() ? box->clickedButton() : box->escapeButton();
    return pressed ? pressed->property(ButtonProperty).toInt() : ButtonCancel;
}

QString DialogPrompts::SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) {
    QFileDialog dialog(owner, title, QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString label = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        // Qt reads the patterns from the parentheses at the end of the label; a label that already shows them
        // is used as it stands.
        if (label.endsWith(u'(' + pattern + u')')) {
            filters << label;
        } else {
            filters << label + QStringLiteral(" (") + pattern + u')';
        }
    }
    return filters.join(u";;");
}

UserPrompts& CurrentPrompts() {
    return *currentPrompts;
}

ScopedPrompts::ScopedPrompts(UserPrompts& prompts) : previous_(currentPrompts) {
    currentPrompts = &prompts;
}

ScopedPrompts::~ScopedPrompts() {
    currentPrompts = previous_;
}

QWidget* MainWindow() {
    return mainWindow;
}

void SetMainWindow(QWidget* window) {
    mainWindow = window;
}

int ShowMessage(QWidget* owner, uint32_t stringId, uint32_t style) {
    return CurrentPrompts().Message(owner, LoadText(ApplicationTitle), LoadText(stringId), style);
}

int ShowErrorMessage(QWidget* owner, uint32_t status) {
    return CurrentPrompts().Message(owner, LoadText(ApplicationTitle),
                                    QString::fromUtf8(StatusCodeMessage(status).c_str()),
                                    MessageStyleWarning);
}

} // namespace kestrav
