// Loading the window module: kestrav takes kestrav-viewer.so only from its own folder or the installed module
// folder beside it, and only a regular file of root or the running user that nobody else may write; it never
// looks in the current folder, in the library path or beside a link it was started through. Every refusal
// is one line on stderr and exit status 1.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cli/run_support.h"
#include "launch/viewer_module.h"

namespace kestrav {
namespace {

using namespace clitest;

constexpr uid_t NobodyId = 65534;
const std::string NotInstalled = "kestrav: the window is not installed (";
const std::string HowToRun = "'kestrav /export:log.csv'";
const std::string NoDisplay = "kestrav: no display to open the viewer on";

std::string BuiltModule() {
    return test::ProgramPath(ViewerModuleName);
}

// The path of a shared library that this test program has loaded: a real module without the entry.
std::string LoadedLibrary(const std::string& part) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash != std::string::npos && line.find(part, slash) != std::string::npos) {
            return line.substr(slash);
        }
    }
    return {};
}

// Where the built kestrav looks for an installed module, relative to its own folder (lib/kestrav or
// lib/<multiarch>/kestrav beside bin).
#ifndef KESTRAV_VIEWER_MODULE_DIR
#define KESTRAV_VIEWER_MODULE_DIR "../lib/kestrav"
#endif
constexpr const char* InstalledDir = KESTRAV_VIEWER_MODULE_DIR;

// An installed tree of its own: ROOT/bin/kestrav (a copy of the built program) and its module folder.
class ViewerModuleTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            unsetenv(name);
        }
        fs::create_directories(Bin());
        fs::create_directories(Installed());
        fs::copy_file(test::ProgramPath("kestrav"), Bin() / "kestrav");
        fs::permissions(Bin() / "kestrav", fs::perms(0755));
    }
    fs::path Bin() const { return root_ / "bin"; }
    fs::path Installed() const { return (Bin() / InstalledDir).lexically_normal(); }
    bool HaveModule() const { return fs::exists(BuiltModule()); }
    void PlantModule(const fs::path& where, fs::perms mode = fs::perms(0644)) const {
        fs::copy_file(BuiltModule(), where, fs::copy_options::overwrite_existing);
        fs::permissions(where, mode);
    }
    RunResult Run(const std::vector<std::string>& env = {}, const fs::path& cwd = {},
                  const fs::path& program = {}) const {
        return RunProgram((program.empty() ? Bin() / "kestrav" : program).string(), {}, env, cwd);
    }
    test::TempDir root_;
};

void ExpectRefusal(const RunResult& result, const std::string& why) {
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.err.rfind(NotInstalled, 0), 0u) << result.err;
    EXPECT_NE(result.err.find(why), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(HowToRun), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST(ViewerModuleCandidates, BesideTheProgramThenTheInstalledFolder) {
    struct Case {
        std::string program, relative;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/kestrav",
         "../lib/kestrav",
         {"/usr/bin/kestrav-viewer.so", "/usr/bin/../lib/kestrav/kestrav-viewer.so"}},
        {"/opt/k/bin/kestrav",
         "../lib/x86_64-linux-gnu/kestrav",
         {"/opt/k/bin/kestrav-viewer.so", "/opt/k/bin/../lib/x86_64-linux-gnu/kestrav/kestrav-viewer.so"}},
        {"/build/bin/kestrav", ".", {"/build/bin/kestrav-viewer.so"}},
        {"/kestrav", "", {"/kestrav-viewer.so"}},
        {"kestrav", "../lib/kestrav", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ViewerModuleCandidates(c.program, c.relative), c.expected) << c.program;
    }
}

TEST_F(ViewerModuleTest, MissingOrUnloadableModulesAreRefusedInOneLine) {
    ExpectRefusal(Run(),
                  "no kestrav-viewer.so in " + Bin().string() + " or " + Bin().string() + "/" + InstalledDir);

    WriteFile(Bin() / ViewerModuleName, "not a shared object\n");
    fs::permissions(Bin() / ViewerModuleName, fs::perms(0644));
    RunResult result = Run();
    ExpectRefusal(result, (Bin() / ViewerModuleName).string() + " cannot be loaded: ");
    EXPECT_EQ(result.err.find("/proc/self/fd"), std::string::npos) << result.err;

    const std::string library = LoadedLibrary("libstdc++.so");
    ASSERT_FALSE(library.empty());
    fs::copy_file(library, Bin() / ViewerModuleName, fs::copy_options::overwrite_existing);
    ExpectRefusal(Run(), "has no kestrav_viewer_main");

    fs::remove(Bin() / ViewerModuleName);
    fs::create_directory(Bin() / ViewerModuleName);
    ExpectRefusal(Run(), "is not a regular file");
}

// Modules that another user could have written are not loaded, also when a link points at them, nor what
// another user's link points at.
TEST_F(ViewerModuleTest, ModulesOthersMayWriteAreRefused) {
    if (!HaveModule()) {
        GTEST_SKIP() << "built without the window";
    }
    const fs::path beside = Bin() / ViewerModuleName;
    for (const fs::perms mode : {fs::perms(0666), fs::perms(0646), fs::perms(0664)}) {
        PlantModule(beside, mode);
        ExpectRefusal(Run(), beside.string() + " may be written by other users");
    }
    if (geteuid() != 0) {
        GTEST_SKIP() << "changing a file's owner needs root";
    }
    PlantModule(beside);
    ASSERT_EQ(chown(beside.c_str(), NobodyId, NobodyId), 0);
    ExpectRefusal(Run(), beside.string() + " belongs to neither root nor the running user");

    const fs::path foreign = root_ / "foreign.so";
    fs::rename(beside, foreign);
    fs::create_symlink(foreign, beside);
    ExpectRefusal(Run(), beside.string() + " belongs to neither root nor the running user");

    // Another user's link is not followed, even to a library that root owns.
    ASSERT_EQ(chown(foreign.c_str(), 0, 0), 0);
    ASSERT_EQ(lchown(beside.c_str(), NobodyId, NobodyId), 0);
    ExpectRefusal(Run(), beside.string() + ": a symbolic link owned by another user");
}

// A module in the current folder, on LD_LIBRARY_PATH or beside a link to the program is never loaded: had
// it been, the window would have answered that there is no display.
TEST_F(ViewerModuleTest, ModulesOutsideTheProgramsFoldersAreIgnored) {
    if (!HaveModule()) {
        GTEST_SKIP() << "built without the window";
    }
    const fs::path elsewhere = root_ / "elsewhere";
    fs::create_directory(elsewhere);
    PlantModule(elsewhere / ViewerModuleName);
    fs::create_directories((elsewhere / "bin" / InstalledDir).lexically_normal());
    PlantModule((elsewhere / "bin" / InstalledDir).lexically_normal() / ViewerModuleName);
    fs::create_directory(elsewhere / "bin");
    fs::create_symlink(Bin() / "kestrav", elsewhere / "bin" / "kestrav");
    PlantModule(elsewhere / "bin" / ViewerModuleName);

    ExpectRefusal(Run({"LD_LIBRARY_PATH=" + elsewhere.string()}, elsewhere), "no kestrav-viewer.so in");
    ExpectRefusal(Run({}, elsewhere, elsewhere / "bin" / "kestrav"),
                  "no kestrav-viewer.so in " + Bin().string());
}

// The installed folder is used when nothing is beside the program, and when what is beside it is refused.
TEST_F(ViewerModuleTest, TheInstalledModuleOpensTheWindow) {
    if (!HaveModule()) {
        GTEST_SKIP() << "built without the window";
    }
    PlantModule(Installed() / ViewerModuleName);
    RunResult result = Run();
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err.rfind(NoDisplay, 0), 0u) << result.err;

    PlantModule(Bin() / ViewerModuleName, fs::perms(0666));
    result = Run();
    EXPECT_EQ(result.err.rfind(NoDisplay, 0), 0u) << result.err;

    // With a display the loaded window reads the log and pictures itself.
    test::TempDir device;
    ASSERT_EQ(RunProgram("healthsim", {"init", (device / "cvr.db").string()}).exitStatus, 0);
    ASSERT_EQ(RunProgram("healthsim", {"seed", (device / "cvr.db").string(), "--entries", "5"}).exitStatus,
              0);
    const fs::path picture = device / "window.png";
    result = Run({"QT_QPA_PLATFORM=offscreen", "ZORHLTH_DEVICE=" + (device / "cvr.db").string(),
                  "KESTRAV_SCREENSHOT=" + picture.string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_GT(fs::exists(picture) ? fs::file_size(picture) : 0, 0u);
}

} // namespace
} // namespace kestrav
