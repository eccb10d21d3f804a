// The list view and its model: on-demand texts, the severity icons, the comparator and the sort.
#include "viewer/event_viewer_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>

#include "viewer/viewer_text.h"

namespace kestrav {

namespace {

constexpr int IconSize = 16;

QPixmap DrawSeverityPicture(int imageIndex) {
    static constexpr QColor Discs[] = {QColor(200, 30, 30), QColor(240, 200, 20), QColor(40, 160, 60),
                                       QColor(40, 90, 200)};
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Discs[imageIndex]);
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    const QColor mark = imageIndex == 1 ? QColor(40, 30, 0) : QColor(Qt::white);
    painter.setPen(QPen(mark, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (imageIndex) {
    case 0:
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case 1:
        painter.drawLine(QPointF(8, 3.5), QPointF(8, 9));
        painter.drawPoint(QPointF(8, 12.5));
        break;
    case 2: {
        QPainterPath check;
        check.moveTo(4, 8.5);
        check.lineTo(7, 11.5);
        check.lineTo(12, 4.5);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(check);
        break;
    }
    default:
        painter.drawPoint(QPointF(8, 4));
        painter.drawLine(QPointF(8, 7), QPointF(8, 12));
        break;
    }
    return pixmap;
}

} // namespace

const QIcon& SeverityIcon(int imageIndex) {
    // Drawn once, when the first row is painted, and kept for the life of the process: pixmaps need a running
    // application to be made and must not outlive it by being destroyed during static destruction.
    static const auto* icons =
        new std::array<QIcon, 4>{QIcon(DrawSeverityPicture(0)), QIcon(DrawSeverityPicture(1)),
                                 QIcon(DrawSeverityPicture(2)), QIcon(DrawSeverityPicture(3))};
    return (*icons)[static_cast<size_t>(std::clamp(imageIndex, 0, 3))];
}

int CEventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CEventListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ListColumnCount;
}

QVariant CEventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const LogEntry& entry = rows_[static_cast<size_t>(index.row())]->m_entry;
    if (role == Qt::DecorationRole) {
        return index.column() == SeverityColumn ? QVariant(SeverityIcon(SeverityImageIndex(entry.Severity())))
                                                : QVariant();
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (!FormatCellText(entry, index.column(), text_)) {
        return {};
    }
    ++textsProduced_;
    return QString::fromUtf8(text_.data());
}

QVariant CEventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ListColumnCount) {
        return {};
    }
    return LoadText(ListColumns[section].heading);
}

void CEventListModel::SetRows(std::vector<CEventLogEntry*> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void CEventListModel::Clear() {
    SetRows({});
}

void CEventListModel::Sort(int column, bool ascending) {
    const size_t count = rows_.size();
    const std::vector<size_t> order = SortOrder(rows_, column, ascending);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CEventLogEntry*> sorted(count);
    std::vector<int> newRowOf(count);
    for (size_t i = 0; i < count; ++i) {
        sorted[i] = rows_[order[i]];
        newRowOf[order[i]] = static_cast<int>(i);
    }
    rows_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        to << this->index(newRowOf[static_cast<size_t>(index.row())], index.column());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CEventListModel::RowsChanged() {
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, ListColumnCount - 1));
    }
}

CEventLogEntry* CEventListModel::EntryAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)] : nullptr;
}

CEventViewerView::CEventViewerView(CEventViewerDoc& document, QWidget* parent)
    : QTreeView(parent), document_(&document), model_(this) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(IconSize, IconSize));
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < ListColumnCount; ++column) {
        header()->resizeSection(column, ListColumns[column].width);
    }
    connect(header(), &QHeaderView::sectionClicked, this, &CEventViewerView::OnColumnClick);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CEventViewerView::selectionCountChanged);
    // A reset drops the selection without reporting it as a selection change.
    connect(&model_, &QAbstractItemModel::modelReset, this, &CEventViewerView::selectionCountChanged);
    document.AddView(*this);
}

CEventViewerView::~CEventViewerView() {
    document_->RemoveView(*this);
}

void CEventViewerView::SetRows(const std::vector<CEventLogEntry*>& rows) {
    model_.SetRows(rows);
}

std::vector<CEventLogEntry*> CEventViewerView::SelectedEntries() const {
    std::vector<CEventLogEntry*> entries;
    for (int row : SelectedRows()) {
        if (CEventLogEntry* entry = model_.EntryAt(row)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

size_t CEventViewerView::SelectedCount() const {
    return static_cast<size_t>(selectionModel()->selectedRows().size());
}

void CEventViewerView::Sort(int column, bool ascending) {
    model_.Sort(column, ascending);
}

void CEventViewerView::SetEnabled(bool enabled) {
    setEnabled(enabled);
}

std::vector<int> CEventViewerView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CEventViewerView::SelectOnly(size_t row) {
    // The row is selected and focused where it is; the list is not scrolled to it.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(model_.index(static_cast<int>(row), 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(scrolls);
}

void CEventViewerView::OnColumnClick(int section) {
    SortList(*document_, *this, section);
}

} // namespace kestrav
