// The application object and the viewer's entry point.
#include "viewer/viewer_main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "resources/string_table.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/qt_shell.h"

namespace kestrav {

namespace {

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// KESTRAV_SCREENSHOT=file makes the viewer save a picture of its window once the first load is done, then
// end.
void ArrangeScreenshot(CEventViewerFrame& frame, const QString& fileName) {
    QObject::connect(&frame, &CEventViewerFrame::initialLoadFinished, &frame, [&frame, fileName] {
        QTimer::singleShot(500, &frame, [&frame, fileName] {
            const bool saved = frame.grab().save(fileName, "PNG");
            if (!saved) {
                std::fprintf(stderr, "kestrav: could not save the screenshot to %s\n", qPrintable(fileName));
            }
            QCoreApplication::exit(saved ? 0 : 1);
        });
    });
}

} // namespace

CEventViewerApp::CEventViewerApp() = default;

CEventViewerApp::~CEventViewerApp() {
    frame_.reset();
    document_.reset();
}

bool CEventViewerApp::InitInstance(const std::string& dumpFile) {
    document_ = std::make_unique<CEventViewerDoc>(QtShell());
    document_->m_dumpFile = dumpFile;
    frame_ = std::make_unique<CEventViewerFrame>(*document_);
    frame_->show();
    return true;
}

bool DisplayAvailable() {
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") ||
           EnvironmentSet("QT_QPA_PLATFORM");
}

QTranslator* InstallQtTranslations() {
    if (CurrentLanguage() != Language::Japanese || QCoreApplication::instance() == nullptr) {
        return nullptr;
    }
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

int RunViewer(int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "kestrav: no display to open the viewer on (DISPLAY, WAYLAND_DISPLAY and "
                     "QT_QPA_PLATFORM are unset); use the command-line options to run without a window\n");
        return 1;
    }
    QApplication application(argc, argv);
    InstallQtTranslations();
    CEventViewerApp viewer;
    // kestrav --input=FILE --window hands the module the dump as "--input=FILE"; any other argument is
    // ignored, as it always was.
    const std::string_view inputOption = "--input=";
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (!viewer.InitInstance(first.starts_with(inputOption) ? std::string(first.substr(inputOption.size()))
                                                            : std::string())) {
        return 0;
    }
    if (EnvironmentSet("KESTRAV_SCREENSHOT")) {
        ArrangeScreenshot(*viewer.Frame(), QString::fromLocal8Bit(std::getenv("KESTRAV_SCREENSHOT")));
    }
    return QApplication::exec();
}

} // namespace kestrav
