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

namespace kestrav {

class CEventLogEntry;
class CEventViewerDoc;

inline constexpr int ListColumnCount = 7;

enum ListColumn : int {
    SeverityColumn = 0,
    EventNumberColumn = 1,
    ClassColumn = 2,
    UpdateTimeColumn = 3,
    InitialTimeColumn = 4,
    CountColumn = 5,
    DescriptionColumn = 6,
};

// The icon of a row: 0 critical, 1 caution, 2 repaired, 3 everything else.
int SeverityImageIndex(uint8_t severity);
const QIcon& SeverityIcon(int imageIndex);

// Byte-wise comparison of two texts in which an empty text comes after every other: -1, 0 or 1.
int CompareTexts(const char* a, const char* b);

// The ascending order of two entries by a column, ties broken by event number. textA and textB are the two
// entries' texts for the Class and Description columns; the other columns compare stored fields and ignore
// them.
int CompareAscending(const CEventLogEntry& a, const CEventLogEntry& b, int column, const char* textA,
                     const char* textB);

// Negative when a comes first in the list's order by column and direction.
int CompareEntries(const CEventLogEntry& a, const CEventLogEntry& b, int column, bool ascending);

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

class CEventViewerView : public QTreeView {
    Q_OBJECT

public:
    explicit CEventViewerView(CEventViewerDoc& document, QWidget* parent = nullptr);

    CEventViewerDoc* GetDocument() const { return document_; }
    CEventListModel& ListModel() { return model_; }

    int SelectedCount() const;
    // The selected rows from the top of the list to the bottom.
    std::vector<int> SelectedRows() const;
    void SelectOnly(int row);

    void OnUpdate();
    void OnColumnClick(int section);
    // Disables the list and deletes every row.
    void ClearList();

signals:
    void selectionCountChanged();

private:
    CEventViewerDoc* document_;
    CEventListModel model_;
};

// First click on a column sorts ascending; another click on the same column reverses the direction.
void SortList(CEventViewerDoc& document, CEventViewerView& view, int column);

} // namespace kestrav
