// Helpers shared by the fuzz programs: a scratch folder on a memory-backed file system where there is one, so
// that device stores cost no disk syncs, fresh empty devices, and a check that stops the run with a message
// when it fails.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "emulator/device/device_store.h"

namespace kestrav::fuzz {

// Stops the run so that libFuzzer keeps the input: a broken invariant is a finding like a crash.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) {
        Fail(what);
    }
}

// A folder of this process's own, under KESTRAV_FUZZ_SCRATCH when set (scripts/fuzz removes that whole folder
// afterwards, as libFuzzer may end a run without running exit handlers), else under /dev/shm or the temporary
// directory; removed at a normal exit.
inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        const char* given = std::getenv("KESTRAV_FUZZ_SCRATCH");
        std::filesystem::path base = given != nullptr && given[0] != '\0' ? std::filesystem::path(given)
                                     : std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path made = base / ("kestrav-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchDir(), ignored);
        });
        return made;
    }();
    return dir;
}

// Puts an empty device at path: a copy of one made once, which costs far less than making each anew.
inline void FreshDevice(const std::filesystem::path& path) {
    static const std::filesystem::path empty = [] {
        std::filesystem::path made = ScratchDir() / "empty.db";
        std::string error;
        if (!emulator::DeviceStore::Create(made.string(), true, true, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            Fail("an empty device is made");
        }
        return made;
    }();
    // Removed first, so the copy is a new file and no connection still open on the old one mistakes it.
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix);
    }
    std::filesystem::copy_file(empty, path);
}

} // namespace kestrav::fuzz
