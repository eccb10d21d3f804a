// The list view and its model: on-demand texts, the severity icons, the comparator and the sort.
#include "viewer/event_viewer_view.h"

#include <QApplication>
#include <QClipboard>
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
#include "viewer_core/row_texts.h"

namespace kestrav {

namespace {

// One picture at size pixels, drawn in a 16-unit square scaled to it, so that each size is drawn at its own
// pixels rather than stretched from another.
QPixmap DrawSeverityPicture(int imageIndex, int size) {
    static constexpr QColor Discs[] = {QColor(200, 30, 30), QColor(240, 200, 20), QColor(40, 160, 60),
                                       QColor(40, 90, 200)};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
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

// The picture at every drawn size: the view takes the one that fits the display.
QIcon SeverityPictures(int imageIndex) {
    QIcon icon;
    for (int size : SeverityIconSizes) {
        icon.addPixmap(DrawSeverityPicture(imageIndex, size));
    }
    return icon;
}

} // namespace

const QIcon& SeverityIcon(int imageIndex) {
    // Drawn once, when the first row is painted, and kept for the life of the process: pixmaps need a running
    // application to be made and must not outlive it by being destroyed during static destruction.
    static const auto* icons = new std::array<QIcon, 4>{SeverityPictures(0), SeverityPictures(1),
                                                        SeverityPictures(2), SeverityPictures(3)};
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
    order_.resize(rows.size());
    std::iota(order_.begin(), order_.end(), uint32_t{0});
    filter_.SetRows(std::move(rows));
    TakeShown(filter_.Passing(order_));
    endResetModel();
}

void CEventListModel::Clear() {
    SetRows({});
}

void CEventListModel::Sort(int column, bool ascending) {
    Relayout(SortPositions(filter_.Rows(), order_, column, ascending), QAbstractItemModel::VerticalSortHint);
}

void CEventListModel::SetFilter(RowFilter filter) {
    filter_.SetFilter(std::move(filter));
    Relayout(order_, QAbstractItemModel::NoLayoutChangeHint);
}

void CEventListModel::Relayout(std::vector<uint32_t> order, QAbstractItemModel::LayoutChangeHint hint) {
    emit layoutAboutToBeChanged({}, hint);
    const std::vector<uint32_t> oldShown = shown_;
    order_ = std::move(order);
    TakeShown(filter_.Passing(order_));
    std::vector<int> newRowOf(filter_.Rows().size(), -1);
    for (size_t row = 0; row < shown_.size(); ++row) {
        newRowOf[shown_[row]] = static_cast<int>(row);
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const int row = newRowOf[oldShown[static_cast<size_t>(index.row())]];
        to << (row < 0 ? QModelIndex() : this->index(row, index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, hint);
}

void CEventListModel::TakeShown(std::vector<uint32_t> shown) {
    shown_ = std::move(shown);
    rows_.resize(shown_.size());
    for (size_t row = 0; row < shown_.size(); ++row) {
        rows_[row] = filter_.Rows()[shown_[row]];
    }
}

int CEventListModel::ShownRowOf(size_t position) const {
    const auto found = std::find(shown_.begin(), shown_.end(), static_cast<uint32_t>(position));
    return found == shown_.end() ? -1 : static_cast<int>(found - shown_.begin());
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
    : QTreeView(parent), document_(&document), model_(this),
      copy_(new QAction(LoadViewerText(ViewerText::CopyRows), this)),
      details_(new QAction(LoadViewerText(ViewerText::ShowDetails), this)) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // In the display's logical pixels: on a display of more device pixels the icon gives its larger pictures.
    setIconSize(QSize(SeverityIconSizes[0], SeverityIconSizes[0]));
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < ListColumnCount; ++column) {
        header()->resizeSection(column, ListColumns[column].width);
    }
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(document.m_nSortColumn,
                               document.m_bSortAscending != 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    connect(header(), &QHeaderView::sectionClicked, this, &CEventViewerView::OnColumnClick);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CEventViewerView::selectionCountChanged);
    // A reset drops the selection without reporting it as a selection change, and a filter changes what is
    // shown.
    connect(&model_, &QAbstractItemModel::modelReset, this, &CEventViewerView::selectionCountChanged);
    connect(&model_, &QAbstractItemModel::layoutChanged, this, &CEventViewerView::selectionCountChanged);

    // Copy and Details act on the list only, from its keys and its context menu.
    copy_->setShortcut(QKeySequence::Copy);
    copy_->setShortcutContext(Qt::WidgetShortcut);
    connect(copy_, &QAction::triggered, this, &CEventViewerView::CopySelection);
    connect(details_, &QAction::triggered, this, &CEventViewerView::detailsRequested);
    addAction(copy_);
    addAction(details_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(this, &QAbstractItemView::activated, this, &CEventViewerView::detailsRequested);
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
    header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
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
    // A row that the filter hides is not selected: the commands act on the rows the administrator sees.
    const int shown = model_.ShownRowOf(row);
    if (shown < 0) {
        selectionModel()->clear();
        return;
    }
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(model_.index(shown, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(scrolls);
}

void CEventViewerView::CopySelection() {
    const std::vector<CEventLogEntry*> entries = SelectedEntries();
    if (entries.empty()) {
        return;
    }
    QApplication::clipboard()->setText(QString::fromUtf8(CopyText(entries).c_str()));
}

CEventLogEntry* CEventViewerView::CurrentEntry() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_.EntryAt(current.row()) : nullptr;
}

void CEventViewerView::OnColumnClick(int section) {
    SortList(*document_, *this, section);
}

} // namespace kestrav
