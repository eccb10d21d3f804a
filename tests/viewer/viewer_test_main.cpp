// Runs every registered QtTest class on the offscreen platform; the exit status counts the failed classes.
#include <QApplication>
#include <QtTest>

#include "viewer/viewer_test_support.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The tests check the English texts unless they choose a language themselves.
    qputenv("LC_ALL", "C");
    QApplication application(argc, argv);
    int failed = 0;
    for (const auto& factory : kestrav::test::TestClasses()) {
        const std::unique_ptr<QObject> test = factory();
        failed += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failed;
}
