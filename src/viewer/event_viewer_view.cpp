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

#include "viewer/event_viewer_doc.h"
#include "viewer/viewer_text.h"

namespace kestrav {

namespace {

struct ColumnLayout {
    uint32_t heading;
    int width;
};

constexpr ColumnLayout Columns[ListColumnCount] = {
    {SeverityColumnTitle, 80},     {EventNumberColumnTitle, 90},  {ClassColumnTitle, 115},
    {UpdateTimeColumnTitle, 140},  {InitialTimeColumnTitle, 140}, {CountColumnTitle, 45},
    {DescriptionColumnTitle, 800},
};

constexpr int IconSize = 16;

// Event numbers and counts are signed 32-bit values; comparing them never subtracts, so no value pair can
// overflow into the wrong sign.
int CompareSigned(uint32_t a, uint32_t b) {
    const auto sa = static_cast<int32_t>(a);
    const auto sb = static_cast<int32_t>(b);
    return (sa > sb) - (sa < sb);
}

int CompareEventNumbers(const LogEntry& a, const LogEntry& b) {
    return CompareSigned(a.EventNumber(), b.EventNumber());
}

int CompareTimes(const LogTime& a, const LogTime& b) {
    const uint8_t ta[] = {a.century, a.year, a.month, a.day, a.hour, a.minute};
    const uint8_t tb[] = {b.century, b.year, b.month, b.day, b.hour, b.minute};
    for (size_t i = 0; i < sizeof ta; ++i) {
        if (ta[i] != tb[i]) {
            return ta[i] - tb[i];
        }
    }
    return 0;
}

bool IsTextColumn(int column) {
    return column == ClassColumn || column == DescriptionColumn;
}

// The text a text column sorts by.
void FormatSortText(const LogEntry& entry, int column, std::span<char> buffer) {
    if (column == ClassColumn) {
        FormatClassName(entry.Class(), buffer);
    } else {
        FormatEntryDescription(entry, buffer);
    }
}

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

int SeverityImageIndex(uint8_t severity) {
    switch (severity) {
    case 15: return 0;
    case 9: return 1;
    case 6: return 2;
    default: return 3;
    }
}

const QIcon& SeverityIcon(int imageIndex) {
    // Drawn once, when the first row is painted, and kept for the life of the process: pixmaps need a running
    // application to be made and must not outlive it by being destroyed during static destruction.
    static const auto* icons =
        new std::array<QIcon, 4>{QIcon(DrawSeverityPicture(0)), QIcon(DrawSeverityPicture(1)),
                                 QIcon(DrawSeverityPicture(2)), QIcon(DrawSeverityPicture(3))};
    return (*icons)[static_cast<size_t>(std::clamp(imageIndex, 0, 3))];
}

int CompareTexts(const char* a, const char* b) {
    if (a[0] == '\0') {
        return b[0] == '\0' ? 0 : 1;
    }
    if (b[0] == '\0') {
        return -1;
    }
    const int r = std::strcmp(a, b); // strcmp compares as unsigned bytes
    return (r > 0) - (r < 0);
}

int CompareAscending(const CEventLogEntry& a, const CEventLogEntry& b, int column, const char* textA,
                     const char* textB) {
    const LogEntry& ea = a.m_entry;
    const LogEntry& eb = b.m_entry;
    int r = 0;
    switch (column) {
    case SeverityColumn: r = ea.Severity() - eb.Severity(); break;
    case EventNumberColumn: return CompareEventNumbers(ea, eb);
    case ClassColumn:
    case DescriptionColumn: r = CompareTexts(textA, textB); break;
    case UpdateTimeColumn: r = CompareTimes(ea.UpdateTime(), eb.UpdateTime()); break;
    case InitialTimeColumn: r = CompareTimes(ea.InitialTime(), eb.InitialTime()); break;
    case CountColumn: r = CompareSigned(ea.Count(), eb.Count()); break;
    default: return 0;
    }
    return r != 0 ? r : CompareEventNumbers(ea, eb);
}

int CompareEntries(const CEventLogEntry& a, const CEventLogEntry& b, int column, bool ascending) {
    char textA[DescriptionBufferSize] = {};
    char textB[DescriptionBufferSize] = {};
    if (IsTextColumn(column)) {
        FormatSortText(a.m_entry, column, textA);
        FormatSortText(b.m_entry, column, textB);
    }
    const int r = CompareAscending(a, b, column, textA, textB);
    return ascending ? r : -r;
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
    const std::span<char> text(text_);
    switch (index.column()) {
    case SeverityColumn: FormatSeverityName(entry.Severity(), text); break;
    case EventNumberColumn:
        std::snprintf(text.data(), text.size(), "%ld",
                      static_cast<long>(static_cast<int32_t>(entry.EventNumber())));
        break;
    case ClassColumn: FormatClassName(entry.Class(), text); break;
    case UpdateTimeColumn: FormatEntryTime(entry.UpdateTime(), text); break;
    case InitialTimeColumn: FormatEntryTime(entry.InitialTime(), text); break;
    case CountColumn:
        std::snprintf(text.data(), text.size(), "%ld",
                      static_cast<long>(static_cast<int32_t>(entry.Count())));
        break;
    case DescriptionColumn: FormatEntryDescription(entry, text); break;
    default: return {};
    }
    ++textsProduced_;
    return QString::fromUtf8(text.data());
}

QVariant CEventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ListColumnCount) {
        return {};
    }
    return LoadText(Columns[section].heading);
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
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    // The text columns format each row's text once per sort instead of twice per comparison; the order is the
    // one CompareEntries gives, since both use CompareAscending.
    std::vector<std::string> texts;
    if (IsTextColumn(column)) {
        texts.resize(count);
        char buffer[DescriptionBufferSize];
        for (size_t i = 0; i < count; ++i) {
            FormatSortText(rows_[i]->m_entry, column, buffer);
            texts[i] = buffer;
        }
    }
    const auto textOf = [&](int row) { return texts.empty() ? "" : texts[static_cast<size_t>(row)].c_str(); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int r = CompareAscending(*rows_[static_cast<size_t>(a)], *rows_[static_cast<size_t>(b)], column,
                                       textOf(a), textOf(b));
        return (ascending ? r : -r) < 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CEventLogEntry*> sorted(count);
    std::vector<int> newRowOf(count);
    for (size_t i = 0; i < count; ++i) {
        sorted[i] = rows_[static_cast<size_t>(order[i])];
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
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
        header()->resizeSection(column, Columns[column].width);
    }
    connect(header(), &QHeaderView::sectionClicked, this, &CEventViewerView::OnColumnClick);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CEventViewerView::selectionCountChanged);
    // A reset drops the selection without reporting it as a selection change.
    connect(&model_, &QAbstractItemModel::modelReset, this, &CEventViewerView::selectionCountChanged);
    document.AddView(this);
}

int CEventViewerView::SelectedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

std::vector<int> CEventViewerView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CEventViewerView::SelectOnly(int row) {
    // The row is selected and focused where it is; the list is not scrolled to it.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(model_.index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(scrolls);
}

void CEventViewerView::OnUpdate() {
    document_->FillList(*this);
    model_.Sort(document_->m_nSortColumn, document_->m_bSortAscending != 0);
}

void CEventViewerView::OnColumnClick(int section) {
    SortList(*document_, *this, section);
}

void CEventViewerView::ClearList() {
    setEnabled(false);
    model_.Clear();
}

void SortList(CEventViewerDoc& document, CEventViewerView& view, int column) {
    if (column != document.m_nSortColumn) {
        document.m_bSortAscending = 1;
    } else {
        document.m_bSortAscending = document.m_bSortAscending == 0 ? 1 : 0;
    }
    document.m_nSortColumn = column;
    view.ListModel().Sort(column, document.m_bSortAscending != 0);
}

} // namespace kestrav
