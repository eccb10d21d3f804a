// The details window of an entry.
#include "viewer/entry_details_dlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "decode/event_text.h"
#include "viewer/viewer_text.h"
#include "viewer_core/list_order.h"
#include "viewer_core/row_texts.h"

namespace kestrav {

namespace {

constexpr ViewerText FieldLabels[DetailFieldCount] = {
    ViewerText::DetailsEventNumber, ViewerText::DetailsSeverity,        ViewerText::DetailsClass,
    ViewerText::DetailsCode,        ViewerText::DetailsInitialTime,     ViewerText::DetailsUpdateTime,
    ViewerText::DetailsCount,       ViewerText::DetailsEventDataLength,
};

QString Cell(const LogEntry& entry, int column) {
    char text[DescriptionBufferSize];
    FormatCellText(entry, column, text);
    return QString::fromUtf8(text);
}

// A number with its name: "15 (Critical)".
QString Named(unsigned number, const char* name) {
    return QStringLiteral("%1 (%2)").arg(number).arg(QString::fromUtf8(name));
}

} // namespace

CEntryDetailsDlg::CEntryDetailsDlg(QWidget* parent)
    : QDialog(parent), description_(new QPlainTextEdit(this)), hex_(new QPlainTextEdit(this)) {
    setWindowTitle(LoadViewerText(ViewerText::DetailsTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    description_->setReadOnly(true);
    description_->setMaximumHeight(fontMetrics().lineSpacing() * 5);
    form->addRow(LoadViewerText(ViewerText::DetailsDescription), description_);
    for (size_t i = 0; i < DetailFieldCount; ++i) {
        fields_[i] = new QLabel(this);
        fields_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        form->addRow(LoadViewerText(FieldLabels[i]), fields_[i]);
    }
    layout->addLayout(form);
    layout->addWidget(new QLabel(LoadViewerText(ViewerText::DetailsEventData), this));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    hex_->setReadOnly(true);
    hex_->setFont(fixed);
    hex_->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFontMetrics metrics(fixed);
    // Fifteen lines of 74 characters: the 228 bytes of event data.
    hex_->setMinimumSize(metrics.horizontalAdvance(QString(76, u'0')) + 24, metrics.lineSpacing() * 16 + 12);
    layout->addWidget(hex_, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(LoadViewerText(ViewerText::DetailsClose), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
}

void CEntryDetailsDlg::SetEntry(const LogEntry& entry) {
    char name[DescriptionBufferSize];
    fields_[static_cast<size_t>(DetailField::EventNumber)]->setText(Cell(entry, EventNumberColumn));
    FormatSeverityName(entry.Severity(), name);
    fields_[static_cast<size_t>(DetailField::Severity)]->setText(Named(entry.Severity(), name));
    FormatClassName(entry.Class(), name);
    fields_[static_cast<size_t>(DetailField::Class)]->setText(Named(entry.Class(), name));
    fields_[static_cast<size_t>(DetailField::Code)]->setText(QString::number(entry.Code()));
    fields_[static_cast<size_t>(DetailField::InitialTime)]->setText(Cell(entry, InitialTimeColumn));
    fields_[static_cast<size_t>(DetailField::UpdateTime)]->setText(Cell(entry, UpdateTimeColumn));
    fields_[static_cast<size_t>(DetailField::Count)]->setText(Cell(entry, CountColumn));
    fields_[static_cast<size_t>(DetailField::EventDataLength)]->setText(
        QString::number(entry.EventDataLength()));
    description_->setPlainText(Cell(entry, DescriptionColumn));
    hex_->setPlainText(QString::fromUtf8(HexDump({entry.EventData(), EventDataSize}).c_str()));
}

void CEntryDetailsDlg::ClearEntry() {
    for (QLabel* field : fields_) {
        field->clear();
    }
    description_->clear();
    hex_->clear();
}

QString CEntryDetailsDlg::FieldText(DetailField field) const {
    return fields_[static_cast<size_t>(field)]->text();
}

QString CEntryDetailsDlg::DescriptionText() const {
    return description_->toPlainText();
}

QString CEntryDetailsDlg::HexText() const {
    return hex_->toPlainText();
}

} // namespace kestrav
