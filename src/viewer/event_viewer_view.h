// The list of the viewer: seven columns, one row per entry object, every text and icon produced when the row
// is drawn. Clicking a heading sorts by that column; the sort state lives in the document.
#pragma once

#include <QAbstractTableModel>
#include <QAction>
#include <QIcon>
#include <QTreeView>
#include <array>
#include <cstdint>
#include <vector>

#include "decode/event_text.h"
#include "viewer_core/list_order.h"
#include "viewer_core/row_filter.h"
#include "viewer_core/viewer_document.h"

namespace kestrav {

const QIcon& SeverityIcon(int imageIndex);

// Rows refer to the document's entry objects; texts are formatted into one shared buffer when asked for. The
// model is given every row of a fill and shows those that pass its filter, in the list's order.
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
    // Orders every row like CompareEntries; selections and the current row follow their entries.
    void Sort(int column, bool ascending);
    // Shows only the rows that pass; selected rows that the filter hides are no longer selected.
    void SetFilter(RowFilter filter);
    const RowFilter& Filter() const { return filter_.Filter(); }
    // The entries' copies changed: every row is drawn anew.
    void RowsChanged();

    CEventLogEntry* EntryAt(int row) const;
    // The shown rows, in the list's order.
    const std::vector<CEventLogEntry*>& Rows() const { return rows_; }
    // Every row of the fill, shown or not, in the order the list was given them.
    const std::vector<CEventLogEntry*>& AllRows() const { return filter_.Rows(); }
    // The shown row of the entry at position in the rows of the fill; -1 when the filter hides it.
    int ShownRowOf(size_t position) const;
    const ListFilter& RowsFilter() const { return filter_; }
    // Indexes the rows' texts for the text filter now rather than at the first text searched.
    void PrepareTextFilter() { filter_.PrepareIndex(); }
    // How many cell texts data() has produced, for measuring on-demand formatting.
    uint64_t TextsProduced() const { return textsProduced_; }

private:
    // Puts the rows into order and shows those that pass, keeping persistent indexes on their entries.
    void Relayout(std::vector<uint32_t> order, QAbstractItemModel::LayoutChangeHint hint);
    void TakeShown(std::vector<uint32_t> shown);

    ListFilter filter_;
    std::vector<uint32_t> order_; // every position, in the list's order
    std::vector<uint32_t> shown_; // the positions that pass, in the list's order
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
    // The selected rows as text on the clipboard; nothing happens while no row is selected.
    void CopySelection();
    // The current row's entry, or nullptr.
    CEventLogEntry* CurrentEntry() const;

    QAction* CopyAction() const { return copy_; }
    QAction* DetailsAction() const { return details_; }

signals:
    // The number of shown or selected rows may have changed.
    void selectionCountChanged();
    // Enter, a double click or the context menu asks for the current row's details.
    void detailsRequested();

private:
    CEventViewerDoc* document_;
    CEventListModel model_;
    QAction* copy_;
    QAction* details_;
};

} // namespace kestrav
