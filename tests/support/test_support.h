// Helpers shared by the test programs: temporary folders, running the built programs, reading files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kestrav::test {

// A fresh folder under the system's temporary directory, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A tmpfs of the given size mounted on a fresh folder, for runs on a full file system. Mounting needs the
// right to mount (root in the machine's own namespace); Mounted() is false where it is not allowed.
class SmallFileSystem {
public:
    explicit SmallFileSystem(size_t bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool Mounted() const { return mounted_; }
    const std::filesystem::path& Path() const { return dir_.Path(); }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    // Fills the file system until no byte is left.
    void Fill() const;

private:
    TempDir dir_;
    bool mounted_ = false;
};

struct RunResult {
    int exitStatus = -1; // the exit code, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a built program (by its name in the build's bin folder, or any program by its absolute path) with the
// given arguments and extra environment entries ("NAME=value"), in the given working folder, and waits for
// it.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}, const std::filesystem::path& cwd = {});

// The full path of a built program.
std::string ProgramPath(const std::string& program);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

} // namespace kestrav::test
