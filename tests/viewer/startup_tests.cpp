// Start-up and presentation: no display, a window opened by a first argument that is no option, the Japanese
// texts, the message-box styles and the file-dialog filter.
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "resources/string_table.h"
#include "viewer_core/viewer_document.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/maintenance_dlg.h"
#include "viewer/viewer_main.h"
#include "viewer/viewer_test_support.h"

namespace kestrav::test {

namespace {

// Sets or unsets environment variables for the life of the object.
class ScopedEnvironment {
public:
    void Set(const char* name, const QByteArray& value) {
        saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->wasSet) {
                qputenv(it->name, it->value);
            } else {
                qunsetenv(it->name);
            }
        }
    }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    std::vector<Saved> saved_;
};

} // namespace

class StartupTests : public QObject {
    Q_OBJECT

private slots:
    void withoutADisplayItSaysSoAndEnds() {
        ScopedEnvironment environment;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.Set(name, QByteArray());
        }
        const RunResult result = RunProgram("kestrav", {});
        QCOMPARE(result.exitStatus, 1);
        QCOMPARE(std::count(result.err.begin(), result.err.end(), '\n'), std::ptrdiff_t{1});
        QVERIFY(result.err.find("display") != std::string::npos);
    }

    // A first argument that is no option opens the window, which loads the log and pictures itself.
    void aFirstArgumentThatIsNoOptionOpensTheWindow() {
        TestDevice device;
        QVERIFY(device.Sim("init"));
        QVERIFY(device.Sim("seed", {"--entries", "20"}));
        TempDir out;
        const std::string picture = (out / "window.png").string();
        const RunResult result =
            RunProgram("kestrav", {"status", "/clear"},
                       {"KESTRAV_SCREENSHOT=" + picture, "ZORHLTH_DEVICE=" + device.Path()});
        QCOMPARE(result.exitStatus, 0);
        const QImage image(QString::fromStdString(picture));
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > 200 && image.height() > 100);
        QVERIFY(device.Dump().find("Cleared") == std::string::npos);
    }

    void japaneseTexts() {
        ScopedEnvironment environment;
        environment.Set("LC_ALL", "ja_JP.UTF-8");
        QCOMPARE(CurrentLanguage(), Language::Japanese);
        TestDevice device;
        qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(device.Path() + ".missing"));
        ScriptedPrompts prompts;
        ScopedPrompts scope(prompts);
        CEventViewerApp app;
        app.InitInstance();
        QVERIFY(QTest::qWaitFor([&] { return app.Frame()->InitialLoadDone(); }, 10000));
        const auto japanese = [](const char* text) { return QString::fromUtf8(text); };
        QCOMPARE(app.Frame()->LogMenu()->title(), japanese(LoadMenuTitle(0)));
        QVERIFY(app.Frame()->LogMenu()->title() != QStringLiteral("&Log"));
        QCOMPARE(app.Frame()->ViewMenu()->title(), japanese(LoadMenuTitle(1)));
        QCOMPARE(app.Frame()->RefreshAction()->text(), japanese(LoadMenuItemText(RefreshCommand)));
        QCOMPARE(app.Frame()->windowTitle(), japanese(TableText(ApplicationTitle, Language::Japanese)));
        QCOMPARE(app.Frame()->GetActiveView()->ListModel().headerData(DescriptionColumn, Qt::Horizontal,
                                                                      Qt::DisplayRole),
                 QVariant(japanese(TableText(DescriptionColumnTitle, Language::Japanese))));
        QCOMPARE(prompts.Texts(), QStringList{japanese(TableText(DriverNotLoadedText, Language::Japanese))});
        QVERIFY(prompts.Texts()[0] != QString::fromUtf8(TableText(DriverNotLoadedText, Language::English)));
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        QCOMPARE(dialog.Prompt()->text(), japanese(TableText(NotePromptText, Language::Japanese)));
        QCOMPARE(dialog.CancelButton()->text(), japanese(LoadNoteDialogText(NoteCancelButton)));
        const auto box = BuildMessageBox(nullptr, QString(), QString(), MessageStyleConfirm);
        QCOMPARE(box->defaultButton()->text(), japanese(LoadNoteDialogText(NoteCancelButton)));
    }

    void messageBoxStyles_data() {
        QTest::addColumn<uint32_t>("style");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<QString>("escapeButton");
        QTest::newRow("OK, exclamation") << MessageStyleWarning << 1 << "OK"
                                         << "OK";
        QTest::newRow("OK/Cancel, exclamation, Cancel default") << MessageStyleConfirm << 2 << "Cancel"
                                                                << "Cancel";
    }

    void messageBoxStyles() {
        QFETCH(uint32_t, style);
        QFETCH(int, buttons);
        QFETCH(QString, defaultButton);
        QFETCH(QString, escapeButton);
        const auto box = BuildMessageBox(nullptr, Text(ApplicationTitle), QStringLiteral("text"), style);
        QCOMPARE(box->windowTitle(), Text(ApplicationTitle));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->buttons().size(), qsizetype{buttons});
        QCOMPARE(box->defaultButton()->text(), defaultButton);
        QCOMPARE(box->escapeButton()->text(), escapeButton);
    }

    void fileDialogFilter() {
        QCOMPARE(QtFileFilter(Text(ExportFileFilter)),
                 QStringLiteral("Comma Delimited (*.csv);;All Files (*.*)"));
        QCOMPARE(QtFileFilter(QStringLiteral("Text|*.txt||")), QStringLiteral("Text (*.txt)"));
    }
};

KESTRAV_VIEWER_TEST(StartupTests);

} // namespace kestrav::test

#include "startup_tests.moc"
