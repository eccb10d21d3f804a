#include "viewer/viewer_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "viewer/viewer_text.h"

namespace kestrav::test {

TestDevice::TestDevice() : path_((dir_ / "cvr.db").string()), previous_(qgetenv("ZORHLTH_DEVICE")) {
    qputenv("ZORHLTH_DEVICE", QByteArray::fromStdString(path_));
}

TestDevice::~TestDevice() {
    if (previous_.isEmpty()) {
        qunsetenv("ZORHLTH_DEVICE");
    } else {
        qputenv("ZORHLTH_DEVICE", previous_);
    }
}

bool TestDevice::Sim(const std::string& command, const std::vector<std::string>& args) const {
    std::vector<std::string> all{command, path_};
    all.insert(all.end(), args.begin(), args.end());
    const RunResult result = RunProgram("healthsim", all);
    if (result.exitStatus != 0) {
        std::fprintf(stderr, "healthsim %s failed (%d): %s%s\n", command.c_str(), result.exitStatus,
                     result.out.c_str(), result.err.c_str());
    }
    return result.exitStatus == 0;
}

bool TestDevice::Add(int eventClass, int code, int severity, const std::string& text) const {
    std::vector<std::string> args{"--class",    std::to_string(eventClass), "--code", std::to_string(code),
                                  "--severity", std::to_string(severity)};
    if (!text.empty()) {
        args.insert(args.end(), {"--text", text});
    }
    return Sim("add", args);
}

bool TestDevice::Import(const std::vector<LogEntry>& entries) const {
    std::string bytes;
    for (const LogEntry& entry : entries) {
        bytes.append(reinterpret_cast<const char*>(entry.bytes), LogEntrySize);
    }
    const std::filesystem::path file = dir_ / "import.bin";
    WriteFile(file, bytes);
    return Sim("import", {file.string()});
}

std::string TestDevice::Dump() const {
    return RunProgram("healthsim", {"dump", path_}).out;
}

int ScriptedPrompts::Message(QWidget*, const QString& caption, const QString& text, uint32_t style) {
    shown.push_back({caption, text, style});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return style == MessageStyleConfirm ? ButtonCancel : ButtonOk;
}

QString ScriptedPrompts::SaveFileName(QWidget*, const QString& title, const QString& filter, const QString&) {
    saveTitles << title;
    saveFilters << filter;
    if (saveNames.empty()) {
        return {};
    }
    QString name = saveNames.front();
    saveNames.pop_front();
    return name;
}

QStringList ScriptedPrompts::Texts() const {
    QStringList texts;
    for (const ShownMessage& message : shown) {
        texts << message.text;
    }
    return texts;
}

QString Text(uint32_t id) {
    return LoadText(id);
}

std::vector<TestFactory>& TestClasses() {
    static std::vector<TestFactory> classes;
    return classes;
}

bool RegisterTestClass(TestFactory factory) {
    TestClasses().push_back(std::move(factory));
    return true;
}

} // namespace kestrav::test
