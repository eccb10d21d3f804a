// The details of one entry, opened from the list by Enter, a double click or the context menu: the whole
// description, every field of the record's header and the event data as a hex dump. The window stays open
// beside the list and follows its current row.
#pragma once

#include <QDialog>
#include <array>

#include "record/log_entry.h"

class QLabel;
class QPlainTextEdit;

namespace kestrav {

enum class DetailField {
    EventNumber,
    Severity,
    Class,
    Code,
    InitialTime,
    UpdateTime,
    Count,
    EventDataLength,
};
inline constexpr size_t DetailFieldCount = 8;

class CEntryDetailsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CEntryDetailsDlg(QWidget* parent = nullptr);

    // Shows a copy of the entry; the window keeps no reference to the document's objects.
    void SetEntry(const LogEntry& entry);
    // Empties every field, for a list without a current row.
    void ClearEntry();

    QString FieldText(DetailField field) const;
    QString DescriptionText() const;
    QString HexText() const;

private:
    std::array<QLabel*, DetailFieldCount> fields_{};
    QPlainTextEdit* description_;
    QPlainTextEdit* hex_;
};

} // namespace kestrav
