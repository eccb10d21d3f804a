// The list: sorting sequences, the comparator's rules, the sort's agreement with the comparator, selection
// after a fill and across sorts, texts made only for the rows on screen.
#include <QHeaderView>
#include <QtTest>
#include <algorithm>
#include <random>

#include "decode/event_text.h"
#include "resources/string_table.h"
#include "viewer/event_viewer_view.h"
#include "viewer/qt_shell.h"
#include "viewer/viewer_test_support.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {

namespace {

constexpr uint32_t Min32 = 0x80000000u; // shown and sorted as -2147483648
constexpr uint32_t Max32 = 0x7FFFFFFFu;

// A document and its view, filled from entries held in memory.
struct ListFixture {
    CEventViewerDoc doc{QtShell()};
    CEventViewerView view{doc};

    void Load(const std::vector<LogEntry>& entries) {
        doc.DeleteContents();
        for (const LogEntry& entry : entries) {
            doc.m_entries.push_back(std::make_unique<CEventLogEntry>(entry));
        }
        doc.m_nEntryCount = static_cast<int64_t>(entries.size());
        doc.UpdateAllViews();
    }

    std::vector<int32_t> Order() const {
        std::vector<int32_t> numbers;
        for (const CEventLogEntry* row : const_cast<CEventViewerView&>(view).ListModel().Rows()) {
            numbers.push_back(static_cast<int32_t>(row->m_entry.EventNumber()));
        }
        return numbers;
    }

    std::vector<int32_t> SelectedNumbers() const {
        std::vector<int32_t> numbers;
        for (int row : view.SelectedRows()) {
            numbers.push_back(static_cast<int32_t>(
                const_cast<CEventViewerView&>(view).ListModel().EntryAt(row)->m_entry.EventNumber()));
        }
        return numbers;
    }

    QString Cell(int row, int column) {
        return view.ListModel().data(view.ListModel().index(row, column), Qt::DisplayRole).toString();
    }
};

// Five entries that differ in every sortable field, with the signed extremes of event number and count.
std::vector<LogEntry> SortSample() {
    return {
        MakeEntry(1, 15, 3, 2, 5, {20, 26, 1, 1, 0, 0}),
        MakeEntry(2, 3, 33, 2, 2, {20, 25, 12, 31, 0, 0}, {20, 25, 12, 31, 0, 0}, "b"),
        MakeEntry(3, 4, 2, 1, Max32, {20, 27, 1, 1, 0, 0}),
        MakeEntry(4, 6, 33, 2, Min32, {20, 26, 1, 1, 0, 0}, {20, 26, 1, 1, 0, 0}, "a"),
        MakeEntry(Min32, 9, 3, 1, 2, {20, 26, 6, 1, 0, 0}),
    };
}

std::vector<int32_t> Numbers(std::initializer_list<int64_t> values) {
    std::vector<int32_t> numbers;
    for (int64_t v : values) {
        numbers.push_back(static_cast<int32_t>(v));
    }
    return numbers;
}

} // namespace

class ListTests : public QObject {
    Q_OBJECT

private slots:
    void headingClickSorts() {
        ListFixture list;
        list.Load(SortSample());
        list.view.resize(900, 300);
        list.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list.view));
        QHeaderView* header = list.view.header();
        const QPoint countHeading(header->sectionViewportPosition(CountColumn) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, countHeading);
        QCOMPARE(list.doc.m_nSortColumn, int32_t{CountColumn});
        QCOMPARE(list.doc.m_bSortAscending, int32_t{1});
        QCOMPARE(list.Order(), Numbers({4, -2147483648LL, 2, 1, 3}));
    }

    void fillSelectsTheLastEntryReadWhereverItSorts() {
        ListFixture list;
        list.Load(SortSample());
        QCOMPARE(list.view.SelectedCount(), 1);
        QCOMPARE(list.SelectedNumbers(), Numbers({-2147483648LL}));
        QCOMPARE(list.view.currentIndex().row(), 4);
        list.view.OnColumnClick(1);
        QCOMPARE(list.SelectedNumbers(), Numbers({-2147483648LL}));
        QCOMPARE(list.view.currentIndex().row(), 0);

        list.Load({});
        QCOMPARE(list.view.SelectedCount(), 0);
        QCOMPARE(list.view.ListModel().rowCount(), 0);
    }

    void selectionSurvivesSortsUntilRebuilt() {
        ListFixture list;
        list.Load(SortSample());
        QItemSelectionModel* selection = list.view.selectionModel();
        for (int row : {0, 2, 3}) {
            selection->select(list.view.ListModel().index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        const std::vector<int32_t> before = list.SelectedNumbers();
        list.view.OnColumnClick(DescriptionColumn);
        list.view.OnColumnClick(ClassColumn);
        std::vector<int32_t> after = list.SelectedNumbers();
        std::vector<int32_t> sortedBefore = before;
        std::sort(sortedBefore.begin(), sortedBefore.end());
        std::sort(after.begin(), after.end());
        QCOMPARE(after, sortedBefore);
        QCOMPARE(list.view.SelectedCount(), 4);

        list.doc.UpdateAllViews();
        QCOMPARE(list.SelectedNumbers(), Numbers({-2147483648LL}));
    }

    void cellTexts() {
        ListFixture list;
        list.Load({MakeEntry(Min32, 15, 33, 2, Min32, {20, 26, 12, 7, 14, 5}, {20, 26, 12, 7, 14, 5},
                             "fan swapped"),
                   MakeEntry(5, 4, 33, 2, 3)});
        const int critical = list.Order()[0] == static_cast<int32_t>(Min32) ? 0 : 1;
        const int unknown = 1 - critical;
        char time[DescriptionBufferSize];
        FormatEntryTime({20, 26, 12, 7, 14, 5}, time);
        QCOMPARE(list.Cell(critical, SeverityColumn), QStringLiteral("Critical"));
        QCOMPARE(list.Cell(critical, EventNumberColumn), QStringLiteral("-2147483648"));
        QCOMPARE(list.Cell(critical, ClassColumn), QStringLiteral("Maintenance"));
        QCOMPARE(list.Cell(critical, UpdateTimeColumn), QString::fromUtf8(time));
        QCOMPARE(list.Cell(critical, InitialTimeColumn), QString::fromUtf8(time));
        QCOMPARE(list.Cell(critical, CountColumn), QStringLiteral("-2147483648"));
        QCOMPARE(list.Cell(critical, DescriptionColumn), QStringLiteral("Maintenance note: fan swapped"));
        QCOMPARE(list.Cell(unknown, SeverityColumn), QStringLiteral("Unknown"));
        QVERIFY(list.view.ListModel()
                    .data(list.view.ListModel().index(unknown, 0), Qt::DecorationRole)
                    .isValid());
        QVERIFY(!list.view.ListModel()
                     .data(list.view.ListModel().index(unknown, 1), Qt::DecorationRole)
                     .isValid());
    }

    void severityImages_data() {
        QTest::addColumn<int>("severity");
        QTest::addColumn<int>("image");
        for (const auto& [severity, image] : std::vector<std::pair<int, int>>{
                 {15, 0}, {9, 1}, {6, 2}, {2, 3}, {3, 3}, {4, 3}, {0, 3}, {255, 3}}) {
            QTest::addRow("severity %d", severity) << severity << image;
        }
    }

    void severityImages() {
        QFETCH(int, severity);
        QFETCH(int, image);
        QCOMPARE(SeverityImageIndex(static_cast<uint8_t>(severity)), image);
        QVERIFY(!SeverityIcon(image).isNull());
        // Drawn at each size, so that a display of more dots per inch gets its own, not a stretched one.
        QList<QSize> sizes;
        for (int size : SeverityIconSizes) {
            sizes.append(QSize(size, size));
        }
        QCOMPARE(SeverityIcon(image).availableSizes(), sizes);
    }

    void headingsAndWidths() {
        ListFixture list;
        const std::vector<std::pair<uint32_t, int>> columns = {
            {SeverityColumnTitle, 80},    {EventNumberColumnTitle, 90},  {ClassColumnTitle, 115},
            {UpdateTimeColumnTitle, 140}, {InitialTimeColumnTitle, 140}, {CountColumnTitle, 45},
            {DescriptionColumnTitle, 800}};
        QCOMPARE(list.view.ListModel().columnCount(), 7);
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(list.view.ListModel().headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(),
                     Text(columns[static_cast<size_t>(i)].first));
            QCOMPARE(list.view.header()->sectionSize(i), columns[static_cast<size_t>(i)].second);
        }
        QCOMPARE(list.view.selectionMode(), QAbstractItemView::ExtendedSelection);
    }

    // Only the rows on screen are asked for their texts, however long the log.
    void textsOnlyForVisibleRows() {
        std::vector<LogEntry> entries;
        for (uint32_t i = 1; i <= 5000; ++i) {
            entries.push_back(MakeEntry(i, 9, 33, 2, 1, {20, 26, 1, 1, 0, 0}, {20, 26, 1, 1, 0, 0}, "note"));
        }
        ListFixture list;
        list.view.resize(900, 300);
        list.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list.view));
        list.Load(entries);
        list.view.repaint();
        QCoreApplication::processEvents();
        const uint64_t produced = list.view.ListModel().TextsProduced();
        QVERIFY(produced > 0);
        QVERIFY2(produced < 7 * 100, qPrintable(QString::number(produced)));
    }
};

KESTRAV_VIEWER_TEST(ListTests);

} // namespace kestrav::test

#include "list_tests.moc"
