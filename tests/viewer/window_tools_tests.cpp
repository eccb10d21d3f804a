// The window's additions around the list against real emulated devices: the filter bar and the counts in the
// status bar, the filter across Refresh and a lost device, Mark Repaired on the shown rows only and stopped
// between entries, copied rows, the details of a known record, the sort indicator, Qt's Japanese texts and
// message boxes centred on the window.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>

#include "resources/string_table.h"
#include "viewer/entry_details_dlg.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/qt_shell.h"
#include "viewer/viewer_main.h"
#include "viewer/viewer_test_support.h"
#include "viewer/viewer_text.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {

namespace {

struct Window {
    ScriptedPrompts prompts;
    ScopedPrompts scope{prompts};
    CEventViewerApp app;

    bool Start() {
        app.InitInstance();
        QApplication::setActiveWindow(&Frame());
        return QTest::qWaitFor([this] { return Frame().InitialLoadDone(); }, 10000) &&
               QTest::qWaitForWindowActive(&Frame());
    }
    // Without asking for the keyboard focus, which a display without a window manager may not give.
    bool StartExposed() {
        app.InitInstance();
        return QTest::qWaitFor([this] { return Frame().InitialLoadDone(); }, 10000) &&
               QTest::qWaitForWindowExposed(&Frame());
    }
    CEventViewerFrame& Frame() { return *app.Frame(); }
    CEventViewerDoc& Doc() { return *app.Document(); }
    CEventViewerView& View() { return *Frame().GetActiveView(); }
    CEventListModel& Model() { return View().ListModel(); }

    std::vector<int32_t> Rows() {
        std::vector<int32_t> numbers;
        for (const CEventLogEntry* row : Model().Rows()) {
            numbers.push_back(static_cast<int32_t>(row->m_entry.EventNumber()));
        }
        return numbers;
    }
    // The document's severities by event number, ascending.
    std::vector<int> Severities() {
        std::vector<int> severities;
        for (const auto& entry : Doc().m_entries) {
            severities.push_back(entry->m_entry.Severity());
        }
        return severities;
    }
    QString Counts() { return Frame().CountsLabel()->text(); }
    void Filter(const QString& text) {
        Frame().FilterTextField()->clear();
        QTest::keyClicks(Frame().FilterTextField(), text);
    }
    void ChooseSeverity(SeverityChoice choice) {
        QComboBox* box = Frame().SeverityChoiceBox();
        box->setCurrentIndex(box->findData(static_cast<int>(choice)));
    }
    void ChooseClass(int eventClass) {
        QComboBox* box = Frame().ClassChoiceBox();
        box->setCurrentIndex(box->findData(eventClass));
    }
    void Key(QKeyCombination key) { QTest::keyClick(&Frame(), key.key(), key.keyboardModifiers()); }
};

QString Counts(int entries, int shown, int selected) {
    return LoadViewerText(ViewerText::StatusCounts).arg(entries).arg(shown).arg(selected);
}

// Runs act on the first visible top-level widget of type W as soon as one shows, from the event loop that a
// modal window runs.
template <typename W> void WhenShown(std::function<void(W&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* found = qobject_cast<W*>(widget);
            if (found != nullptr && found->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(*found);
                return;
            }
        }
    });
    timer->start();
}

// Presses Cancel of the first progress window that shows, from its own event processing; records the value
// it showed at first.
class CancelWhenShown : public QObject {
public:
    explicit CancelWhenShown(int& shownAt) : shownAt_(&shownAt) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* progress = qobject_cast<QProgressDialog*>(watched);
        if (event->type() == QEvent::Show && progress != nullptr && *shownAt_ < 0) {
            *shownAt_ = progress->value();
            QTimer::singleShot(0, progress, [progress] {
                if (progress->isModal()) {
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                }
            });
        }
        return false;
    }

private:
    int* shownAt_;
};

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)), wasSet_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedVariable() {
        if (wasSet_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    QByteArray old_;
    bool wasSet_;
};

} // namespace

class WindowToolsTests : public QObject {
    Q_OBJECT

private slots:
    void filterHidesAndShowsRowsAndTheCountsFollow() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));                    // 1 critical memory error
        QVERIFY(device.Add(2, 1, 9));                     // 2 caution
        QVERIFY(device.Add(33, 2, 2, "Replaced DIMM 3")); // 3 note
        QVERIFY(device.Add(33, 2, 2, "fan checked"));     // 4 note
        QVERIFY(device.Add(3, 2, 6));                     // 5 repaired memory error
        Window window;
        QVERIFY(window.Start());
        QCOMPARE(window.Counts(), Counts(5, 5, 1));
        // The classes present, by name, after "all".
        QComboBox* classes = window.Frame().ClassChoiceBox();
        QCOMPARE(classes->count(), 4);
        QCOMPARE(classes->itemData(1).toInt(), 2);
        QCOMPARE(classes->itemText(3), QStringLiteral("Maintenance"));

        // The texts are indexed once the field has the focus, and only then.
        QVERIFY(!window.Model().RowsFilter().IndexBuilt());
        window.Frame().FilterTextField()->setFocus();
        QVERIFY(window.Model().RowsFilter().IndexBuilt());
        window.Filter(QStringLiteral("dimm"));
        QCOMPARE(window.Rows(), std::vector<int32_t>{3});
        // The selected row (the last entry read, 5) is hidden and no longer selected.
        QCOMPARE(window.Counts(), Counts(5, 1, 0));
        QVERIFY(!window.Frame().MarkRepairedAction()->isEnabled());

        window.Filter(QStringLiteral("MAINTENANCE NOTE"));
        QCOMPARE(window.Rows(), (std::vector<int32_t>{4, 3}));
        window.View().selectAll();
        QCOMPARE(window.Counts(), Counts(5, 2, 2));

        window.Filter(QString());
        window.ChooseSeverity(SeverityChoice::Critical);
        QCOMPARE(window.Rows(), std::vector<int32_t>{1});
        window.ChooseSeverity(SeverityChoice::All);
        window.ChooseClass(3);
        QCOMPARE(window.Rows(), (std::vector<int32_t>{5, 1}));
        window.ChooseSeverity(SeverityChoice::Repaired);
        QCOMPARE(window.Rows(), std::vector<int32_t>{5});
        window.Filter(QStringLiteral("no such text"));
        QCOMPARE(window.Counts(), Counts(5, 0, 0));

        window.Filter(QString());
        window.ChooseSeverity(SeverityChoice::All);
        window.ChooseClass(AnyClass);
        QCOMPARE(window.Rows(), (std::vector<int32_t>{5, 4, 3, 2, 1}));
        // Rows that were selected while shown stay selected; those hidden meanwhile do not come back
        // selected.
        QCOMPARE(window.Counts(), Counts(5, 5, 0));
        // The document keeps every entry all along.
        QCOMPARE(window.Doc().m_nEntryCount, int64_t{5});
    }

    void filterSurvivesRefreshAndALostDevice() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        QVERIFY(device.Add(33, 2, 2, "first visit"));
        Window window;
        QVERIFY(window.Start());
        window.View().OnColumnClick(EventNumberColumn);
        window.Filter(QStringLiteral("visit"));
        window.ChooseClass(33);
        QCOMPARE(window.Rows(), std::vector<int32_t>{2});

        QVERIFY(device.Add(33, 2, 2, "second VISIT"));
        QVERIFY(device.Add(33, 2, 2, "other"));
        window.Key(Qt::Key_F5);
        QCOMPARE(window.Frame().FilterTextField()->text(), QStringLiteral("visit"));
        QCOMPARE(window.Frame().ClassChoiceBox()->currentData().toInt(), 33);
        QCOMPARE(window.Rows(), (std::vector<int32_t>{2, 3}));
        QCOMPARE(window.Counts(), Counts(4, 2, 0));

        // A Refresh that loses the device empties the list; the chosen class stays offered and chosen.
        qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".gone"));
        window.Key(Qt::Key_F5);
        QCOMPARE(window.Counts(), Counts(0, 0, 0));
        QCOMPARE(window.Frame().ClassChoiceBox()->currentData().toInt(), 33);
        qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path()));
        window.Key(Qt::Key_F5);
        QCOMPARE(window.Rows(), (std::vector<int32_t>{2, 3}));
        // The last entry read, 4, is hidden: nothing is selected.
        QCOMPARE(window.Counts(), Counts(4, 2, 0));
    }

    void markRepairedActsOnTheShownSelectedRowsOnly() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        QVERIFY(device.Add(2, 1, 15));
        QVERIFY(device.Add(3, 2, 9));
        QVERIFY(device.Add(2, 1, 9));
        Window window;
        QVERIFY(window.Start());
        window.View().selectAll();
        window.ChooseClass(3);
        QCOMPARE(window.Counts(), Counts(4, 2, 2));
        window.Key(Qt::CTRL | Qt::Key_R);
        QCOMPARE(window.prompts.Texts(), QStringList{});
        QCOMPARE(window.Severities(), (std::vector<int>{6, 15, 6, 9}));
        // The device agrees with the copies: a Refresh reads the same.
        window.ChooseClass(AnyClass);
        window.Key(Qt::Key_F5);
        QCOMPARE(window.Severities(), (std::vector<int>{6, 15, 6, 9}));
        QCOMPARE(window.Counts(), Counts(4, 4, 1));
    }

    // Cancel in the progress window stops between two entries: every entry is marked on the device exactly
    // when its copy says so, and the list is rebuilt from the copies.
    void markRepairedStopsBetweenEntriesWhenCancelled() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        constexpr int Count = 60;
        for (int i = 0; i < Count; ++i) {
            QVERIFY(device.Add(3, 2, 15));
        }
        Window window;
        QVERIFY(window.Start());
        QtShell().SetProgressDelay(0);
        // Cancel is pressed from the event processing of the progress window itself, as soon as it shows,
        // however fast the device marks.
        int shownAt = -1;
        CancelWhenShown cancel(shownAt);
        qApp->installEventFilter(&cancel);
        window.View().selectAll();
        window.Key(Qt::CTRL | Qt::Key_R);
        qApp->removeEventFilter(&cancel);
        QtShell().SetProgressDelay(400);
        QVERIFY(shownAt >= 0);
        QCOMPARE(QtShell().ProgressDialog(), nullptr);
        const std::vector<int> copies = window.Severities();
        const auto marked = std::count(copies.begin(), copies.end(), 6);
        QVERIFY2(marked > 0 && marked < Count, qPrintable(QString::number(marked)));
        // The rows are walked from the top, newest first: the highest numbers were marked, the lowest not.
        QVERIFY(std::is_sorted(copies.begin(), copies.end(), std::greater<int>()));
        QCOMPARE(window.View().SelectedCount(), size_t{1});
        QCOMPARE(window.prompts.Texts(), QStringList{});
        window.Key(Qt::Key_F5);
        QCOMPARE(window.Severities(), copies);
    }

    void copyPutsTheShownTextsOnTheClipboard() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        QVERIFY(device.Add(33, 2, 2, "tab\there"));
        QVERIFY(device.Add(2, 1, 9));
        Window window;
        QVERIFY(window.Start());
        window.View().OnColumnClick(EventNumberColumn); // ascending: 1, 2, 3
        QApplication::clipboard()->setText(QStringLiteral("before"));
        window.View().selectAll();
        window.View().setFocus();
        QTest::keyClick(&window.View(), Qt::Key_C, Qt::ControlModifier);
        QString expected;
        for (int row = 0; row < 3; ++row) {
            QStringList cells;
            for (int column = 0; column < ListColumnCount; ++column) {
                cells << window.Model().data(window.Model().index(row, column), Qt::DisplayRole).toString();
            }
            expected += cells.join(u'\t') + u'\n';
        }
        QCOMPARE(QApplication::clipboard()->text(), expected);
        QVERIFY(expected.startsWith(QStringLiteral("Critical\t1\tMain Memory\t")));
        QVERIFY(expected.contains(QStringLiteral("\tMaintenance note: tab\there\n")));

        // The context menu's Copy takes the shown selected rows only; with nothing selected the clipboard
        // keeps what it had.
        window.Filter(QStringLiteral("note"));
        window.View().selectAll();
        window.View().CopyAction()->trigger();
        QCOMPARE(QApplication::clipboard()->text(), expected.section(u'\n', 1, 1) + u'\n');
        QVERIFY(window.View().actions().contains(window.View().CopyAction()));
        QCOMPARE(window.View().contextMenuPolicy(), Qt::ActionsContextMenu);
        window.View().clearSelection();
        window.View().CopyAction()->trigger();
        QCOMPARE(QApplication::clipboard()->text(), expected.section(u'\n', 1, 1) + u'\n');
    }

    void detailsShowEveryFieldAndTheHexOfAKnownRecord() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        LogEntry known = MakeEntry(0x80000001u, 9, 3, 0x102, 7, {20, 26, 12, 7, 14, 5}, {20, 25, 1, 2, 3, 4});
        const uint8_t data[] = {0x00, 0x41, 0x7E, 0x7F, 0xFF, 0x20, 0x0A, 0x30};
        std::memcpy(known.EventData(), data, sizeof data);
        known.EventData()[EventDataSize - 1] = 0x5A;
        known.SetLength(20); // an event-data length that wraps: (20 - 28) modulo 256
        QVERIFY(device.Import({known, MakeEntry(0x80000002u, 2, 33, 2, 1, {20, 26, 1, 1, 0, 0},
                                                {20, 26, 1, 1, 0, 0}, "later")}));
        Window window;
        QVERIFY(window.Start());
        // The list is newest first; the known record is the second row.
        window.View().setCurrentIndex(window.Model().index(1, 0));
        window.View().setFocus();
        QTest::keyClick(&window.View(), Qt::Key_Return);
        CEntryDetailsDlg* details = window.Frame().DetailsDialog();
        QVERIFY(details != nullptr && details->isVisible());
        QCOMPARE(details->FieldText(DetailField::EventNumber), QStringLiteral("-2147483647"));
        QCOMPARE(details->FieldText(DetailField::Severity), QStringLiteral("9 (Caution)"));
        QCOMPARE(details->FieldText(DetailField::Class), QStringLiteral("3 (Main Memory)"));
        QCOMPARE(details->FieldText(DetailField::Code), QStringLiteral("258"));
        QCOMPARE(details->FieldText(DetailField::Count), QStringLiteral("7"));
        QCOMPARE(details->FieldText(DetailField::EventDataLength), QStringLiteral("248"));
        QCOMPARE(details->FieldText(DetailField::UpdateTime),
                 window.Model().data(window.Model().index(1, UpdateTimeColumn), Qt::DisplayRole).toString());
        QCOMPARE(details->FieldText(DetailField::InitialTime),
                 window.Model().data(window.Model().index(1, InitialTimeColumn), Qt::DisplayRole).toString());
        QCOMPARE(details->DescriptionText(),
                 window.Model().data(window.Model().index(1, DescriptionColumn), Qt::DisplayRole).toString());
        const QStringList hex = details->HexText().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(hex.size(), 15);
        QCOMPARE(hex[0],
                 QStringLiteral("0000  00 41 7E 7F FF 20 0A 30  00 00 00 00 00 00 00 00  .A~.. .0........"));
        QCOMPARE(hex[1],
                 QStringLiteral("0010  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  ................"));
        QCOMPARE(hex[14], QStringLiteral("00E0  00 00 00 5A") + QString(39, u' ') + QStringLiteral("...Z"));

        // The open window follows the current row; a double click opens it too.
        window.View().setCurrentIndex(window.Model().index(0, 0));
        QCOMPARE(details->FieldText(DetailField::EventNumber), QStringLiteral("-2147483646"));
        QCOMPARE(details->DescriptionText(), QStringLiteral("Maintenance note: later"));
        details->close();
        const QRect second = window.View().visualRect(window.Model().index(1, 1));
        // A person's double click begins with a click of its own.
        QTest::mouseClick(window.View().viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(window.View().viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(details->isVisible());
        QCOMPARE(details->FieldText(DetailField::EventNumber), QStringLiteral("-2147483647"));
        // A reload destroys the entries; the window holds its own copy and follows the new current row.
        window.Key(Qt::Key_F5);
        QCOMPARE(details->FieldText(DetailField::EventNumber), QStringLiteral("-2147483646"));
        details->close();
    }

    void sortIndicatorFollowsTheDocument() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "12"}));
        Window window;
        QVERIFY(window.Start());
        QHeaderView* header = window.View().header();
        QVERIFY(header->isSortIndicatorShown());
        const auto indicator = [header] {
            return std::make_pair(header->sortIndicatorSection(), header->sortIndicatorOrder());
        };
        QCOMPARE(indicator(), std::make_pair(int{EventNumberColumn}, Qt::DescendingOrder));
        const QPoint count(header->sectionViewportPosition(CountColumn) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, count);
        QCOMPARE(indicator(), std::make_pair(int{CountColumn}, Qt::AscendingOrder));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, count);
        QCOMPARE(indicator(), std::make_pair(int{CountColumn}, Qt::DescendingOrder));
        SortList(window.Doc(), window.View(), ClassColumn);
        QCOMPARE(indicator(), std::make_pair(int{ClassColumn}, Qt::AscendingOrder));
        window.Key(Qt::Key_F5);
        window.Key(Qt::Key_F5);
        QCOMPARE(indicator(), std::make_pair(int{ClassColumn}, Qt::AscendingOrder));
        QCOMPARE(window.Doc().m_nSortColumn, int32_t{ClassColumn});
    }

    void japaneseQtTextsWhenTheLanguageIsJapanese() {
        {
            ScopedVariable language("LC_ALL", "C");
            QCOMPARE(InstallQtTranslations(), nullptr);
        }
        ScopedVariable language("LC_ALL", "ja_JP.UTF-8");
        const QString file =
            QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm");
        if (!QFile::exists(file)) {
            QSKIP("Qt's Japanese translations are not installed");
        }
        const QString english = QCoreApplication::translate("QFileDialog", "&Choose");
        QTranslator* translator = InstallQtTranslations();
        QVERIFY(translator != nullptr);
        const QString japanese = QCoreApplication::translate("QLineEdit", "&Copy");
        QVERIFY2(japanese != QStringLiteral("&Copy"), qPrintable(japanese));
        QVERIFY(QCoreApplication::translate("QFileDialog", "&Choose") != english);
        QCoreApplication::removeTranslator(translator);
        delete translator;
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
    }

    void theAdditionsSpeakTheViewersLanguage() {
        ScopedVariable language("LC_ALL", "ja_JP.UTF-8");
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        Window window;
        QVERIFY(window.Start());
        QCOMPARE(window.Frame().FilterTextField()->placeholderText(),
                 QStringLiteral("次を含む行だけを表示..."));
        QCOMPARE(window.Frame().SeverityChoiceBox()->itemText(0), QStringLiteral("すべての重要度"));
        QCOMPARE(window.Frame().ClassChoiceBox()->itemText(0), QStringLiteral("すべてのクラス"));
        QCOMPARE(window.Counts(), QStringLiteral("エントリ: 1    表示: 1    選択: 1"));
        QCOMPARE(window.View().CopyAction()->text(), QStringLiteral("コピー(&C)"));
    }

    void messageBoxesAreCentredOnTheWindow() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        Window window;
        QVERIFY(window.StartExposed());
        // Away from the screen's centre, so that a box centred on the screen would not pass.
        window.Frame().setGeometry(40, 60, 700, 500);
        QTest::qWait(20);
        DialogPrompts real;
        ScopedPrompts scope(real);
        for (uint32_t style : {MessageStyleWarning, MessageStyleConfirm}) {
            QRect box;
            QWidget* owner = nullptr;
            WhenShown<QMessageBox>([&box, &owner](QMessageBox& shown) {
                QTest::qWait(20);
                box = shown.frameGeometry();
                owner = shown.parentWidget();
                shown.escapeButton()->click();
            });
            QtShell().Message("A message", style);
            QCOMPARE(owner, static_cast<QWidget*>(&window.Frame()));
            const QPoint centre = window.Frame().frameGeometry().center();
            QVERIFY2((box.center() - centre).manhattanLength() <= 4,
                     qPrintable(QStringLiteral("box %1,%2 %3x%4, window centre %5,%6")
                                    .arg(box.x())
                                    .arg(box.y())
                                    .arg(box.width())
                                    .arg(box.height())
                                    .arg(centre.x())
                                    .arg(centre.y())));
        }
    }
};

KESTRAV_VIEWER_TEST(WindowToolsTests);

} // namespace kestrav::test

#include "window_tools_tests.moc"
