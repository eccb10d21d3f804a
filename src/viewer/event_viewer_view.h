// The list of the viewer: seven columns, one row per entry object, every text and icon produced when the row
// is drawn. Clicking a heading sorts by that column; the sort state lives in the document.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <array>
#include <cstdint>
#include <vector>

#include "decode/event_text.h"
#include "viewer_core/list_order.h"
#include "viewer_core/viewer_document.h"

namespace kestrav {

const QIcon& SeverityIcon(int imageIndex);

// Rows refer to the document's entry objects; texts are formatted into one shared buffer when asked for.
class CEventListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetRows(std::vector<CEventLogEntry*> rows);
    void Clear();
    // Orders the rows like CompareEntries; selections and the current row follow their entries.
    void Sort(int column, bool ascending);
    // The entries' copies changed: every row is drawn anew.
    void RowsChanged();

    CEventLogEntry* EntryAt(int row) const;
    const std::vector<CEventLogEntry*>& Rows() const { return rows_; }
    // How many cell texts data() has produced, for measuring on-demand formatting.
    uint64_t TextsProduced() const { return textsProduced_; }

private:
    std::vector<CEventLogEntry*> rows_;
    mutable std::array<char, DescriptionBufferSize> text_{};
    mutable uint64_t textsProduced_ = 0;
};

class CEventViewerView : public QTreeView, public EntryList {
    Q_OBJECT

public:
    explicit CEventViewerView(CEventViewerDoc& document, QWidget* parent = nullptr);
    ~CEventViewerView() override;

    CEventViewerDoc* GetDocument() const { return document_; }
    CEventListModel& ListModel() { return model_; }

    // The list control's side of the document.
    void SetRows(const std::vector<CEventLogEntry*>& rows) override;
    void SelectOnly(size_t row) override;
    std::vector<CEventLogEntry*> SelectedEntries() const override;
    size_t SelectedCount() const override;
    void Sort(int column, bool ascending) override;
    void SetEnabled(bool enabled) override;

    // The selected rows from the top of the list to the bottom.
    std::vector<int> SelectedRows() const;

    void OnColumnClick(int section);

signals:
    void selectionCountChanged();

private:
    CEventViewerDoc* document_;
    CEventListModel model_;
};

} // namespace kestrav
