// The frame and its commands against real emulated devices: the initial load and its failures, enabling,
// Refresh, Mark Repaired, Clear All Entries, Export Log and Add Maintenance Note, with faults injected.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "render/export_line.h"
#include "platform/system.h"
#include "resources/string_table.h"
#include "viewer_core/viewer_document.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/maintenance_dlg.h"
#include "viewer/viewer_main.h"
#include "viewer/viewer_test_support.h"
#include "viewer/viewer_text.h"

namespace kestrav::test {

namespace {

// The whole window on the current device, with every question answered by the script.
struct Viewer {
    ScriptedPrompts prompts;
    ScopedPrompts scope{prompts};
    CEventViewerApp app;

    bool Start() {
        app.InitInstance();
        QApplication::setActiveWindow(&Frame());
        return QTest::qWaitFor([this] { return Frame().InitialLoadDone(); }, 10000) &&
               QTest::qWaitForWindowActive(&Frame());
    }
    CEventViewerFrame& Frame() { return *app.Frame(); }
    CEventViewerDoc& Doc() { return *app.Document(); }
    CEventViewerView& View() { return *Frame().GetActiveView(); }

    std::vector<int32_t> Rows() {
        std::vector<int32_t> numbers;
        for (const CEventLogEntry* row : View().ListModel().Rows()) {
            numbers.push_back(static_cast<int32_t>(row->m_entry.EventNumber()));
        }
        return numbers;
    }
    std::vector<int> Severities() {
        std::vector<int> severities;
        for (const auto& entry : Doc().m_entries) {
            severities.push_back(entry->m_entry.Severity());
        }
        return severities;
    }
    QStringList Descriptions() {
        QStringList texts;
        for (int row = 0; row < View().ListModel().rowCount(); ++row) {
            texts << View()
                         .ListModel()
                         .data(View().ListModel().index(row, DescriptionColumn), Qt::DisplayRole)
                         .toString();
        }
        return texts;
    }
    // The enabled state of Export, Clear, Mark Repaired, Note, Refresh, Exit.
    QList<bool> Commands() {
        Frame().UpdateCommandStates();
        return {Frame().ExportLogAction()->isEnabled(),    Frame().ClearAllEntriesAction()->isEnabled(),
                Frame().MarkRepairedAction()->isEnabled(), Frame().AddMaintenanceNoteAction()->isEnabled(),
                Frame().RefreshAction()->isEnabled(),      Frame().ExitAction()->isEnabled()};
    }
    void Key(QKeyCombination key) { QTest::keyClick(&Frame(), key.key(), key.keyboardModifiers()); }
};

// Runs drive on the note dialog as soon as it is shown modally.
void WhenNoteDialogOpens(std::function<void(CMaintenanceDlg&)> drive) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, drive] {
        auto* dialog = qobject_cast<CMaintenanceDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        drive(*dialog);
    });
    timer->start();
}

void TypeNote(CMaintenanceDlg& dialog, const std::vector<QString>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            QTest::keyClick(dialog.m_editNote, Qt::Key_Return, Qt::ControlModifier);
        }
        QTest::keyClicks(dialog.m_editNote, lines[i]);
    }
}

const QList<bool> AllEnabled{true, true, true, true, true, true};

} // namespace

class CommandTests : public QObject {
    Q_OBJECT

private slots:
    void initialLoadShowsTheLog() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        QVERIFY(device.Add(33, 2, 2, "first"));
        QVERIFY(device.Add(2, 1, 9));
        Viewer viewer;
        QVERIFY(viewer.Start());
        QCOMPARE(viewer.prompts.shown.size(), size_t{0});
        QCOMPARE(viewer.Doc().m_nEntryCount, int64_t{3});
        QCOMPARE(viewer.View().ListModel().rowCount(), 3);
        const std::vector<int32_t> rows = viewer.Rows();
        QVERIFY(std::is_sorted(rows.rbegin(), rows.rend()));
        QVERIFY(viewer.View().isEnabled());
        QCOMPARE(viewer.View().SelectedRows(), std::vector<int>{0});
        QCOMPARE(viewer.Frame().windowTitle(), Text(ApplicationTitle));
        QCOMPARE(viewer.Commands(), AllEnabled);
    }

    void initialLoadFailures_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("logCommands");
        QTest::newRow("no device") << "missing" << Text(DriverNotLoadedText) << false;
        QTest::newRow("log not kept") << "unsupported" << Text(LogNotSupportedText) << false;
        QTest::newRow("capability request fails") << "fail-requests" << Text(LogNotSupportedText) << false;
        QTest::newRow("empty log") << "empty" << Text(LogEmptyText) << true;
    }

    void initialLoadFailures() {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        QFETCH(bool, logCommands);
        TestDevice device;
        if (setup == "missing") {
            qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".missing"));
        } else {
            QVERIFY(device.Sim("init", setup == "unsupported" ? std::vector<std::string>{"--unsupported"}
                                                              : std::vector<std::string>{}));
            if (setup == "fail-requests") {
                QVERIFY(device.Sim("fault", {"fail-requests"}));
            }
        }
        Viewer viewer;
        QVERIFY(viewer.Start());
        QCOMPARE(viewer.prompts.Texts(), QStringList{message});
        QCOMPARE(viewer.prompts.shown[0].caption, Text(ApplicationTitle));
        QCOMPARE(viewer.prompts.shown[0].style, MessageStyleWarning);
        QCOMPARE(viewer.View().ListModel().rowCount(), 0);
        QVERIFY(!viewer.View().isEnabled());
        QCOMPARE(viewer.Commands(), (QList<bool>{logCommands, logCommands, false, logCommands, true, true}));
        // Greyed commands do nothing from their keys either.
        viewer.Key(Qt::CTRL | Qt::Key_R);
        viewer.Key(Qt::CTRL | Qt::Key_L);
        QCOMPARE(viewer.prompts.shown.size(), logCommands ? size_t{2} : size_t{1});
    }

    // A list left empty and disabled by the first load is usable again as soon as a Refresh finds entries.
    void refreshAfterEmptyFirstLoadEnablesTheList() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        Viewer viewer;
        QVERIFY(viewer.Start());
        QCOMPARE(viewer.prompts.Texts(), QStringList{Text(LogEmptyText)});
        QVERIFY(device.Add(3, 2, 15));
        QVERIFY(device.Add(3, 2, 9));
        viewer.Key(Qt::Key_F5);
        QCOMPARE(viewer.View().ListModel().rowCount(), 2);
        QVERIFY(viewer.View().isEnabled());
        QCOMPARE(viewer.View().SelectedCount(), 1);
        QVERIFY(viewer.Frame().MarkRepairedAction()->isEnabled());
        QCOMPARE(viewer.prompts.shown.size(), size_t{1});
    }

    void refreshKeepsTheSortAndResetsOnFailure() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "40"}));
        Viewer viewer;
        QVERIFY(viewer.Start());
        viewer.View().OnColumnClick(CountColumn);
        const std::vector<int32_t> sorted = viewer.Rows();
        viewer.Key(Qt::Key_F5);
        viewer.Key(Qt::ALT | Qt::Key_R);
        QCOMPARE(viewer.Doc().m_nSortColumn, int32_t{CountColumn});
        QCOMPARE(viewer.Doc().m_bSortAscending, int32_t{1});
        QCOMPARE(viewer.Rows(), sorted);
        QCOMPARE(viewer.View().ListModel().rowCount(), static_cast<int>(viewer.Doc().m_nEntryCount));

        qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".gone"));
        viewer.Key(Qt::Key_F5);
        QCOMPARE(viewer.prompts.Texts(), QStringList{Text(DriverNotLoadedText)});
        QCOMPARE(viewer.View().ListModel().rowCount(), 0);
        QCOMPARE(viewer.Doc().m_nEntryCount, int64_t{0});
        QVERIFY(!viewer.View().isEnabled());
        QVERIFY(!viewer.Frame().MarkRepairedAction()->isEnabled());
    }

    void loadSkipsAnEntryAnsweredWithAnotherStatus() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Import({MakeEntry(3, 9, 3, 2), MakeEntry(7, 9, 3, 2), MakeEntry(8, 9, 3, 2)}));
        QVERIFY(device.Sim("fault", {"read-status", "4", "5"}));
        Viewer viewer;
        QVERIFY(viewer.Start());
        // Request 4 is answered with status 5 and skipped; request 5 finds 7, then 8. The list shows them,
        // and the administrator learns that one number could not be read.
        QCOMPARE(viewer.Rows(), (std::vector<int32_t>{8, 7, 3}));
        QCOMPARE(viewer.prompts.Texts(), QStringList{FormatText(ReadSkippedText, 1u)});
    }

    void markRepaired_data() {
        QTest::addColumn<std::vector<int>>("severities");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<std::vector<int>>("after");
        const QString notMarked = Text(NotMarkedRepairedText);
        const QString failed = Text(MarkRepairedFailedText);
        QTest::newRow("critical and informational")
            << std::vector<int>{15, 3} << QString() << QStringList{notMarked} << std::vector<int>{6, 3};
        QTest::newRow("caution and critical")
            << std::vector<int>{9, 15} << QString() << QStringList{} << std::vector<int>{6, 6};
        QTest::newRow("repaired, informational and unknown")
            << std::vector<int>{6, 2, 4} << QString() << QStringList{notMarked} << std::vector<int>{6, 2, 4};
        QTest::newRow("rewrite refused")
            << std::vector<int>{15} << QStringLiteral("136") << QStringList{failed} << std::vector<int>{15};
        QTest::newRow("both messages, 540 first")
            << std::vector<int>{3, 15} << QStringLiteral("136") << QStringList{notMarked, failed}
            << std::vector<int>{3, 15};
    }

    void markRepaired() {
        QFETCH(std::vector<int>, severities);
        QFETCH(QString, fault);
        QFETCH(QStringList, messages);
        QFETCH(std::vector<int>, after);
        TestDevice device;
        QVERIFY(device.Sim("init"));
        for (int severity : severities) {
            QVERIFY(device.Add(3, 2, severity));
        }
        if (!fault.isEmpty()) {
            QVERIFY(device.Sim("fault", {"write-status", fault.toStdString()}));
        }
        Viewer viewer;
        QVERIFY(viewer.Start());
        viewer.View().selectAll();
        QVERIFY(viewer.Frame().MarkRepairedAction()->isEnabled());
        viewer.Key(Qt::CTRL | Qt::Key_R);
        QCOMPARE(viewer.prompts.Texts(), messages);
        QCOMPARE(viewer.Severities(), after);
        // The list is rebuilt from the copies: the last entry read is the only selected row again.
        QCOMPARE(viewer.View().SelectedCount(), 1);
        // The top row is the newest entry, drawn from its fresh copy.
        char name[DescriptionBufferSize];
        FormatSeverityName(static_cast<uint8_t>(after.back()), name);
        QCOMPARE(
            viewer.View().ListModel().data(viewer.View().ListModel().index(0, 0), Qt::DisplayRole).toString(),
            QString::fromUtf8(name));
    }

    void markRepairedNeedsASelection() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(3, 2, 15));
        Viewer viewer;
        QVERIFY(viewer.Start());
        QVERIFY(viewer.Frame().MarkRepairedAction()->isEnabled());
        viewer.View().clearSelection();
        QVERIFY(!viewer.Frame().MarkRepairedAction()->isEnabled());
        viewer.Key(Qt::CTRL | Qt::Key_R);
        QCOMPARE(viewer.Severities(), std::vector<int>{15});
    }

    void clearAllEntries_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("rows");
        const QString confirm = Text(ConfirmClearText);
        QTest::newRow("cancel") << ButtonCancel << QString() << QStringList{confirm} << 3;
        QTest::newRow("enter on the default button") << 0 << QString() << QStringList{confirm} << 3;
        QTest::newRow("ok") << ButtonOk << QString() << QStringList{confirm} << 1;
        QTest::newRow("erase refused")
            << ButtonOk << "erase-refuse" << QStringList{confirm, Text(ClearLogFailedText)} << 3;
        QTest::newRow("device gone") << ButtonOk << "missing"
                                     << QStringList{confirm, Text(DriverNotLoadedText),
                                                    Text(ClearLogFailedText)}
                                     << 3;
    }

    void clearAllEntries() {
        QFETCH(int, answer);
        QFETCH(QString, setup);
        QFETCH(QStringList, after);
        QFETCH(int, rows);
        TestDevice device;
        QVERIFY(device.Sim("init"));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(device.Add(3, 2, 15));
        }
        Viewer viewer;
        QVERIFY(viewer.Start());
        if (setup == "erase-refuse") {
            QVERIFY(device.Sim("fault", {"erase-refuse"}));
        } else if (setup == "missing") {
            qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".gone"));
        }
        if (answer != 0) {
            viewer.prompts.answers.push_back(answer);
        }
        viewer.Key(Qt::CTRL | Qt::Key_L);
        QCOMPARE(viewer.prompts.Texts(), after);
        QCOMPARE(viewer.prompts.shown[0].style, MessageStyleConfirm);
        QCOMPARE(viewer.View().ListModel().rowCount(), rows);
        if (rows == 1) {
            char user[32] = "<UNKNOWN USER>";
            platform::GetAccountName(user);
            QCOMPARE(viewer.Descriptions(),
                     QStringList{QStringLiteral("CVR Cleared (%1)").arg(QString::fromUtf8(user))});
        }
    }

    void exportLog() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "25"}));
        TempDir out;
        Viewer viewer;
        QVERIFY(viewer.Start());
        viewer.View().OnColumnClick(DescriptionColumn);
        const QString file = QString::fromStdString((out / "log.csv").string());
        viewer.prompts.saveNames.push_back(file);
        viewer.Key(Qt::CTRL | Qt::Key_E);
        QCOMPARE(viewer.prompts.shown.size(), size_t{0});
        QCOMPARE(viewer.prompts.saveTitles, QStringList{Text(ExportDialogTitle)});
        QCOMPARE(viewer.prompts.saveFilters, QStringList{Text(ExportFileFilter)});
        // The document's order (ascending event numbers), not the list's.
        std::string expected = CsvHeaderLine();
        for (const auto& entry : viewer.Doc().m_entries) {
            AppendCsvLine(expected, entry->m_entry);
        }
        QCOMPARE(ReadFile(out / "log.csv"), expected);

        // A second export replaces the first; a cancelled dialog writes nothing.
        viewer.prompts.saveNames.push_back(file);
        viewer.Key(Qt::CTRL | Qt::Key_E);
        viewer.Key(Qt::CTRL | Qt::Key_E);
        QCOMPARE(ReadFile(out / "log.csv"), expected);
        QCOMPARE(viewer.prompts.shown.size(), size_t{0});
    }

    void exportFailuresAreReported_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder missing") << "missing/log.csv"
                                        << "Couldn't open file '%1'.";
        QTest::newRow("not a regular file") << "/dev/full"
                                            << "Couldn't open file '%1'.";
        QTest::newRow("file system full") << "full/log.csv"
                                          << "Couldn't write file '%1'.";
    }

    void exportFailuresAreReported() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "3"}));
        TempDir out;
        SmallFileSystem full(64 * 1024);
        if (path.startsWith(u"full/")) {
            if (!full.Mounted()) {
                QSKIP("no tmpfs can be mounted here");
            }
            full.Fill();
            std::filesystem::create_symlink(full.Path(), out / "full");
        }
        if (!path.startsWith(u'/')) {
            path = QString::fromStdString((out / path.toStdString()).string());
        }
        Viewer viewer;
        QVERIFY(viewer.Start());
        viewer.prompts.saveNames.push_back(path);
        viewer.Frame().ExportLogAction()->trigger();
        QCOMPARE(viewer.prompts.Texts(), QStringList{message.arg(path)});
        QCOMPARE(viewer.prompts.shown[0].caption, Text(ApplicationTitle));
        QCOMPARE(viewer.prompts.shown[0].style, MessageStyleWarning);
    }

    void addMaintenanceNote_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("lastDescription");
        QTest::newRow("written") << QString() << QStringList{} << 2
                                 << QStringLiteral("Maintenance note: abc def");
        QTest::newRow("refused, still reloaded") << "refuse" << QStringList{Text(NoteNotLoggedText)} << 1
                                                 << QStringLiteral("Maintenance note: old");
        QTest::newRow("device gone, not reloaded") << "missing" << QStringList{Text(DriverNotLoadedText)} << 1
                                                   << QStringLiteral("Maintenance note: old");
    }

    void addMaintenanceNote() {
        QFETCH(QString, setup);
        QFETCH(QStringList, messages);
        QFETCH(int, rows);
        QFETCH(QString, lastDescription);
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(33, 2, 2, "old"));
        Viewer viewer;
        QVERIFY(viewer.Start());
        if (setup == "refuse") {
            QVERIFY(device.Sim("fault", {"write-status", "136"}));
        } else if (setup == "missing") {
            qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".gone"));
        }
        WhenNoteDialogOpens([](CMaintenanceDlg& dialog) {
            TypeNote(dialog, {QStringLiteral("abc"), QStringLiteral("def")});
            QTest::keyClick(dialog.m_editNote, Qt::Key_Return); // Enter presses OK
        });
        viewer.Key(Qt::CTRL | Qt::Key_M);
        QCOMPARE(viewer.prompts.Texts(), messages);
        QCOMPARE(viewer.View().ListModel().rowCount(), rows);
        QCOMPARE(viewer.Descriptions().constFirst(), lastDescription);
    }

    void emptyNoteWarnsAndCancelWritesNothing() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Add(33, 2, 2, "old"));
        Viewer viewer;
        QVERIFY(viewer.Start());
        bool stayedOpen = false;
        WhenNoteDialogOpens([&stayedOpen](CMaintenanceDlg& dialog) {
            TypeNote(dialog, {QStringLiteral("  "), QString(), QStringLiteral("\t")});
            dialog.OkButton()->setFocus();
            dialog.OkButton()->click();
            // The field has the dialog's focus back, whether or not the platform has made the dialog active yet.
            stayedOpen = dialog.isVisible() && dialog.focusWidget() == dialog.m_editNote;
            QTest::keyClick(dialog.m_editNote, Qt::Key_Escape);
        });
        viewer.Key(Qt::CTRL | Qt::Key_M);
        QVERIFY(stayedOpen);
        QCOMPARE(viewer.prompts.Texts(), QStringList{Text(NotePromptText)});
        QCOMPARE(viewer.prompts.shown[0].style, MessageStyleWarning);
        QCOMPARE(viewer.Doc().m_nEntryCount, int64_t{1});
        QCOMPARE(QString::fromStdString(device.Dump()).count(QStringLiteral("Maintenance")) <= 1, true);
    }
};

KESTRAV_VIEWER_TEST(CommandTests);

} // namespace kestrav::test

#include "command_tests.moc"
