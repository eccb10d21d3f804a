// healthsim: creates, fills and inspects emulated health devices.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/device/device_store.h"
#include "emulator/healthsim/seed.h"

namespace {

using namespace kestrav;
using namespace kestrav::emulator;

// A printf format: the one value is the number of entries seed writes by default.
constexpr const char* Usage =
    "Usage: healthsim COMMAND DEVICE [ARGUMENTS]\n"
    "Creates, fills and inspects emulated health devices. Kestrav finds its device through the environment\n"
    "variable ZORHLTH_DEVICE (default /var/lib/zorhlth/cvr.db).\n"
    "\n"
    "Commands:\n"
    "  init DEVICE [--unsupported] [--force] [--mode MODE]\n"
    "                                         create an empty device in an existing folder: mode MODE\n"
    "                                         (octal), or 0640 less the umask and no more than a file\n"
    "                                         it replaces had; the folder's group when that is not\n"
    "                                         your own; --force replaces an existing file\n"
    "  import DEVICE FILE                     store each 256-byte record of FILE under its own event number\n"
    "  add DEVICE --class C --code K [--severity S] [--count N] [--data HEX | --text TEXT]\n"
    "                                         append one event as the firmware would: the next\n"
    "                                         event number, the current time, event data HEX (up to\n"
    "                                         228 bytes) or TEXT and its NUL (up to 227 characters);\n"
    "                                         severity 2 and count 1 unless given\n"
    "  seed DEVICE [--entries N]              append N sample entries covering every class (default:\n"
    "                                         every sample once, %llu entries)\n"
    "  dump DEVICE                            print every entry: event number, then the record in hex\n"
    "  set DEVICE supported|unsupported       whether the device says that it keeps the log\n"
    "  fault DEVICE read-status N S           a read for event number N answers Status S and no entry\n"
    "  fault DEVICE clear-at N                a read for event number N finds the log cleared just before,\n"
    "                                         as by another program\n"
    "  fault DEVICE erase-refuse              erase requests are refused\n"
    "  fault DEVICE write-status S            writes and rewrites answer Status S and store nothing\n"
    "  fault DEVICE fail-requests             every control request fails\n"
    "  fault DEVICE raw-records               reads answer stored records as they are, unchecked, as a\n"
    "                                         faulty driver would\n"
    "  fault DEVICE skip-numbers N            leave the next N event numbers unused, as a driver that skips\n"
    "                                         numbers does (once; clear does not undo it)\n"
    "  fault DEVICE clear                     remove every fault\n"
    "\n"
    "Numbers are decimal or hexadecimal with 0x. Exit status: 0 done, 1 failed, 2 bad command line.\n";

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

int Fail(const std::string& message, int code = ExitFailure) {
    std::fprintf(stderr, "healthsim: %s\n", message.c_str());
    return code;
}

bool ParseNumber(std::string_view text, uint64_t max, uint64_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 20) {
        return false;
    }
    uint64_t result = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        if (result > (max - digit) / static_cast<unsigned>(base)) {
            return false;
        }
        result = result * static_cast<unsigned>(base) + digit;
    }
    value = result;
    return true;
}

bool ParseHex(std::string_view text, std::vector<uint8_t>& bytes) {
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = nibble(text[i]);
        int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

// A file's permissions in octal, as chmod takes them: 0 to 0777.
std::optional<mode_t> ParseMode(std::string_view text) {
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    mode_t mode = 0;
    for (char c : text) {
        if (c < '0' || c > '7') {
            return std::nullopt;
        }
        mode = mode << 3 | static_cast<mode_t>(c - '0');
    }
    if (mode > 0777) {
        return std::nullopt;
    }
    return mode;
}

// Opens the device named on the command line; on failure says why and returns nullptr.
std::unique_ptr<DeviceStore> OpenDevice(const std::string& path) {
    std::string error;
    std::unique_ptr<DeviceStore> store = DeviceStore::Open(path, error);
    if (!store) {
        Fail(error);
    }
    return store;
}

int Finish(StoreResult result, DeviceStore& store) {
    switch (result) {
    case StoreResult::Done: return 0;
    case StoreResult::Exhausted: return Fail(store.Path() + ": no event numbers left");
    default: return Fail(store.Path() + ": " + store.LastError());
    }
}

LogTime NowLogTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeLogTime(local);
}

int Init(const std::vector<std::string>& args) {
    bool supported = true;
    bool force = false;
    std::optional<mode_t> mode;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--unsupported") {
            supported = false;
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--mode") {
            if (i + 1 >= args.size()) {
                return Fail("init: --mode needs a value", ExitUsage);
            }
            mode = ParseMode(args[++i]);
            if (!mode) {
                return Fail("init: bad value '" + args[i] + "' for --mode (octal, 0 to 0777)", ExitUsage);
            }
        } else {
            return Fail("init: unknown argument '" + args[i] + "'", ExitUsage);
        }
    }
    std::string error;
    if (!DeviceStore::Create(args[0], supported, force, error, mode)) {
        return Fail(error);
    }
    return 0;
}

int Import(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Fail("import: expected DEVICE FILE", ExitUsage);
    }
    // Non-blocking, so that a FIFO cannot hold the open; only a regular file is read.
    int fd = ::open(args[1].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return Fail(args[1] + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(args[1] + ": not a regular file; nothing imported");
    }
    std::vector<char> bytes;
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
    }
    int readErrno = errno;
    ::close(fd);
    if (got < 0) {
        return Fail(args[1] + ": " + std::strerror(readErrno));
    }
    if (bytes.size() % LogEntrySize != 0) {
        return Fail(args[1] + ": size " + std::to_string(bytes.size()) +
                    " is not a multiple of 256 bytes; nothing imported");
    }
    std::vector<LogEntry> records(bytes.size() / LogEntrySize);
    for (size_t i = 0; i < records.size(); ++i) {
        std::memcpy(records[i].bytes, bytes.data() + i * LogEntrySize, LogEntrySize);
    }
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    return Finish(store->Import(records), *store);
}

int Add(const std::vector<std::string>& args) {
    uint64_t eventClass = 0, code = 0, severity = 2, count = 1;
    bool haveClass = false, haveCode = false, haveData = false;
    std::vector<uint8_t> data;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            return Fail("add: " + option + " needs a value", ExitUsage);
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (option == "--class") {
            ok = ParseNumber(value, UINT16_MAX, eventClass);
            haveClass = true;
        } else if (option == "--code") {
            ok = ParseNumber(value, UINT16_MAX, code);
            haveCode = true;
        } else if (option == "--severity") {
            ok = ParseNumber(value, UINT8_MAX, severity);
        } else if (option == "--count") {
            ok = ParseNumber(value, UINT32_MAX, count);
        } else if (option == "--data" || option == "--text") {
            if (haveData) {
                return Fail("add: give only one of --data and --text", ExitUsage);
            }
            haveData = true;
            if (option == "--data") {
                ok = ParseHex(value, data);
                if (ok && data.size() > EventDataSize) {
                    return Fail("add: --data holds more than 228 bytes", ExitUsage);
                }
            } else {
                if (value.size() > MaxNoteLength) {
                    return Fail("add: --text is longer than 227 characters", ExitUsage);
                }
                data.assign(value.begin(), value.end());
                data.push_back(0);
            }
        } else {
            return Fail("add: unknown argument '" + option + "'", ExitUsage);
        }
        if (!ok) {
            return Fail("add: bad value '" + value + "' for " + option, ExitUsage);
        }
    }
    if (!haveClass || !haveCode) {
        return Fail("add: --class and --code are required", ExitUsage);
    }
    LogEntry entry;
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + data.size()));
    entry.SetSeverity(static_cast<uint8_t>(severity));
    entry.SetClass(static_cast<uint16_t>(eventClass));
    entry.SetCode(static_cast<uint16_t>(code));
    LogTime now = NowLogTime();
    entry.SetInitialTime(now);
    entry.SetUpdateTime(now);
    entry.SetCount(static_cast<uint32_t>(count));
    std::copy(data.begin(), data.end(), entry.EventData());
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    return Finish(store->AppendMany(1, [&](uint64_t, LogEntry& made) { made = entry; }), *store);
}

int Seed(const std::vector<std::string>& args) {
    uint64_t count = DefaultSeedCount();
    if (args.size() == 3 && args[1] == "--entries") {
        if (!ParseNumber(args[2], UINT32_MAX, count)) {
            return Fail("seed: bad value '" + args[2] + "' for --entries", ExitUsage);
        }
    } else if (args.size() != 1) {
        return Fail("seed: expected DEVICE [--entries N]", ExitUsage);
    }
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    return Finish(SeedDevice(*store, count, std::time(nullptr)), *store);
}

int Dump(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Fail("dump: expected DEVICE", ExitUsage);
    }
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    static const char digits[] = "0123456789abcdef";
    char line[16 + 2 * LogEntrySize];
    StoreResult result = store->ForEach([&](uint32_t number, const LogEntry& entry) {
        int prefix = std::snprintf(line, sizeof line, "%u ", number);
        char* out = line + prefix;
        for (uint8_t byte : entry.bytes) {
            *out++ = digits[byte >> 4];
            *out++ = digits[byte & 0x0F];
        }
        *out++ = '\n';
        std::fwrite(line, 1, static_cast<size_t>(out - line), stdout);
    });
    if (std::fflush(stdout) != 0) {
        return Fail("dump: cannot write the output");
    }
    return Finish(result, *store);
}

int Set(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[1] != "supported" && args[1] != "unsupported")) {
        return Fail("set: expected DEVICE supported|unsupported", ExitUsage);
    }
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    return Finish(store->SetSupported(args[1] == "supported"), *store);
}

int Fault(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return Fail("fault: expected DEVICE and a fault", ExitUsage);
    }
    const std::string& kind = args[1];
    size_t expected = kind == "read-status"                                                    ? 4
                      : kind == "write-status" || kind == "clear-at" || kind == "skip-numbers" ? 3
                                                                                               : 2;
    if (kind != "read-status" && kind != "clear-at" && kind != "write-status" && kind != "skip-numbers" &&
        kind != "erase-refuse" && kind != "fail-requests" && kind != "raw-records" && kind != "clear") {
        return Fail("fault: unknown fault '" + kind + "'", ExitUsage);
    }
    if (args.size() != expected) {
        return Fail("fault: wrong number of arguments for " + kind, ExitUsage);
    }
    uint64_t number = 0, status = 0;
    if ((kind == "read-status" || kind == "clear-at") && !ParseNumber(args[2], UINT32_MAX, number)) {
        return Fail("fault: bad event number '" + args[2] + "'", ExitUsage);
    }
    if (kind == "skip-numbers" && !ParseNumber(args[2], UINT32_MAX, number)) {
        return Fail("fault: bad count '" + args[2] + "'", ExitUsage);
    }
    if (kind == "read-status" || kind == "write-status") {
        const std::string& text = args.back();
        if (!ParseNumber(text, UINT8_MAX, status) || status == 0) {
            return Fail("fault: bad status '" + text + "' (1 to 255)", ExitUsage);
        }
    }
    std::unique_ptr<DeviceStore> store = OpenDevice(args[0]);
    if (!store) {
        return ExitFailure;
    }
    StoreResult result = StoreResult::Failed;
    if (kind == "read-status") {
        result = store->SetReadFault(static_cast<uint32_t>(number), static_cast<uint8_t>(status));
    } else if (kind == "clear-at") {
        result = store->SetReadFault(static_cast<uint32_t>(number), ClearBeforeRead);
    } else if (kind == "skip-numbers") {
        result = store->SkipNumbers(static_cast<uint32_t>(number));
    } else if (kind == "clear") {
        result = store->ClearFaults();
    } else {
        result = store->ChangeFaults([&](DeviceFaults& faults) {
            if (kind == "write-status") {
                faults.writeStatus = static_cast<uint8_t>(status);
            } else if (kind == "erase-refuse") {
                faults.eraseRefused = true;
            } else if (kind == "raw-records") {
                faults.rawRecords = true;
            } else {
                faults.requestsFail = true;
            }
        });
    }
    return Finish(result, *store);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Fail("no command given (see healthsim --help)", ExitUsage);
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::printf(Usage, static_cast<unsigned long long>(DefaultSeedCount()));
        return 0;
    }
    struct Command {
        const char* name;
        int (*run)(const std::vector<std::string>&);
    };
    static const Command commands[] = {{"init", Init}, {"import", Import}, {"add", Add},    {"seed", Seed},
                                       {"dump", Dump}, {"set", Set},       {"fault", Fault}};
    for (const Command& command : commands) {
        if (args[0] == command.name) {
            if (args.size() < 2) {
                return Fail(std::string(command.name) + ": expected DEVICE (see healthsim --help)",
                            ExitUsage);
            }
            return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
        }
    }
    return Fail("unknown command '" + args[0] + "' (see healthsim --help)", ExitUsage);
}
