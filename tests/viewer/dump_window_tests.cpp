// The window on a dump file: opened in-process and by kestrav --input=FILE --window, listing the file's
// records without a driver, with the commands that change the log greyed.
#include <QImage>
#include <QtTest>

#include "resources/string_table.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/viewer_main.h"
#include "viewer/viewer_test_support.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::test {

class DumpWindowTests : public QObject {
    Q_OBJECT

private slots:
    void aDumpIsShownReadOnly() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "20"}));
        TempDir folder;
        const std::string dump = (folder / "cvr.bin").string();
        const RunResult made = RunProgram("kestrav", {"--dump=" + dump}, {"ZORHLTH_DEVICE=" + device.Path()});
        QCOMPARE(made.exitStatus, 0);

        // No driver: the dump is all there is.
        const QByteArray previous = qgetenv("ZORHLTH_DEVICE");
        qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".missing"));
        ScriptedPrompts prompts;
        ScopedPrompts scope(prompts);
        CEventViewerApp app;
        app.InitInstance(dump);
        QVERIFY(QTest::qWaitFor([&] { return app.Frame()->InitialLoadDone(); }, 10000));
        qputenv("ZORHLTH_DEVICE", previous);
        QCOMPARE(prompts.Texts(), QStringList{});
        QCOMPARE(app.Frame()->GetActiveView()->ListModel().rowCount(), 20);
        // A row is selected, yet only Export Log and Refresh are offered.
        QCOMPARE(app.Frame()->GetActiveView()->SelectedEntries().size(), size_t{1});
        QVERIFY(app.Frame()->ExportLogAction()->isEnabled());
        QVERIFY(app.Frame()->RefreshAction()->isEnabled());
        QVERIFY(!app.Frame()->ClearAllEntriesAction()->isEnabled());
        QVERIFY(!app.Frame()->AddMaintenanceNoteAction()->isEnabled());
        QVERIFY(!app.Frame()->MarkRepairedAction()->isEnabled());
    }

    void theWindowOptionOpensADump() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "20"}));
        TempDir folder;
        const std::string dump = (folder / "cvr.bin").string();
        QCOMPARE(RunProgram("kestrav", {"--dump=" + dump}, {"ZORHLTH_DEVICE=" + device.Path()}).exitStatus,
                 0);
        const std::string picture = (folder / "window.png").string();
        const RunResult result = RunProgram("kestrav", {"--input=" + dump, "--window"},
                                            {"KESTRAV_SCREENSHOT=" + picture, "ZORHLTH_DEVICE=/nonexistent"});
        QCOMPARE(result.exitStatus, 0);
        QVERIFY(!QImage(QString::fromStdString(picture)).isNull());
    }
};

KESTRAV_VIEWER_TEST(DumpWindowTests);

} // namespace kestrav::test

#include "dump_window_tests.moc"
