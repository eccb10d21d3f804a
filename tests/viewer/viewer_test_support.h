// Helpers for the viewer tests: emulated devices made with the built healthsim, prompts that answer message
// boxes and the save dialog, in-memory entries, and the registry of QtTest classes run by one program.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "record/log_entry.h"
#include "support/test_support.h"
#include "viewer_core/core_support.h"
#include "viewer/messages.h"

namespace kestrav::test {

// A device in a fresh folder, named by ZORHLTH_DEVICE for this process while the object lives.
class TestDevice {
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    const std::string& Path() const { return path_; }
    // Runs "healthsim <command> DEVICE <args...>"; false (with the output on stderr) when it did not succeed.
    bool Sim(const std::string& command, const std::vector<std::string>& args = {}) const;
    // Adds one entry of the given class, code and severity.
    bool Add(int eventClass, int code, int severity, const std::string& text = {}) const;
    // Imports raw records.
    bool Import(const std::vector<LogEntry>& entries) const;
    std::string Dump() const;

private:
    TempDir dir_;
    std::string path_;
    QByteArray previous_;
};

struct ShownMessage {
    QString caption;
    QString text;
    uint32_t style;
};

// Answers every message box from a queue (when it runs dry: OK, or Cancel where Cancel is the default) and
// the save dialog from a list of names (when it runs dry: cancelled), and records what was shown.
class ScriptedPrompts final : public UserPrompts {
public:
    int Message(QWidget* owner, const QString& caption, const QString& text, uint32_t style) override;
    QString SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& defaultSuffix) override;

    QStringList Texts() const;

    std::deque<int> answers;
    std::deque<QString> saveNames;
    std::vector<ShownMessage> shown;
    QStringList saveTitles;
    QStringList saveFilters;
};

// MakeEntry comes from the viewer core's test support.

// The string-table text of a number, as the viewer shows it.
QString Text(uint32_t id);

using TestFactory = std::function<std::unique_ptr<QObject>()>;
bool RegisterTestClass(TestFactory factory);
std::vector<TestFactory>& TestClasses();

} // namespace kestrav::test

#define KESTRAV_VIEWER_TEST(Class)                                                                           \
    static const bool Class##Registered =                                                                    \
        ::kestrav::test::RegisterTestClass([] { return std::make_unique<Class>(); })
