// zorhlth_ctl: sets up the test health driver for a test: empties it, imports raw 256-byte records, marks the
// log kept or not, sets and clears faults (a clear by another program among them), counts the entries. Speaks
// only the driver's private setup request.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/windows/driver/setup_request.h"

namespace {

using namespace kestrav::testdriver;

bool Send(SetupBlock& block) {
    HANDLE device = CreateFileA("\\\\.\\ZorHlth", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "zorhlth_ctl: cannot open the device (error %lu)\n", GetLastError());
        return false;
    }
    DWORD returned = 0;
    BOOL done = DeviceIoControl(device, SetupIoControlCode, &block, sizeof block, &block, sizeof block,
                                &returned, nullptr);
    CloseHandle(device);
    if (!done || returned != sizeof block) {
        std::fprintf(stderr, "zorhlth_ctl: the setup request failed (error %lu)\n", GetLastError());
        return false;
    }
    return true;
}

bool SendOperation(uint32_t operation, uint32_t number = 0, uint32_t value = 0) {
    SetupBlock block{};
    block.operation = operation;
    block.number = number;
    block.value = value;
    return Send(block);
}

bool ParseNumber(const char* text, uint32_t limit, uint32_t& value) {
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text, &end, 0);
    if (end == text || *end != '\0' || parsed > limit) {
        std::fprintf(stderr, "zorhlth_ctl: not a number up to %u: %s\n", limit, text);
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool Import(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zorhlth_ctl: cannot open %s\n", path);
        return false;
    }
    SetupBlock block{};
    bool ok = true;
    size_t read = 0;
    while ((read = std::fread(block.entry, 1, sizeof block.entry, file)) == sizeof block.entry) {
        block.operation = ImportEntry;
        if (!Send(block)) {
            ok = false;
            break;
        }
    }
    if (ok && read != 0) {
        std::fprintf(stderr, "zorhlth_ctl: %s does not hold whole 256-byte records\n", path);
        ok = false;
    }
    std::fclose(file);
    return ok;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zorhlth_ctl reset | import FILE | supported 0|1 | count\n"
                 "       zorhlth_ctl fault read-status N S | clear-at N | erase-refuse | write-status S | "
                 "fail-requests | fail-log-requests | skip-numbers N | clear\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const char* command = argv[1];
    uint32_t a = 0;
    uint32_t b = 0;
    bool ok = false;
    if (std::strcmp(command, "reset") == 0 && argc == 2) {
        ok = SendOperation(ResetDevice);
    } else if (std::strcmp(command, "import") == 0 && argc == 3) {
        ok = Import(argv[2]);
    } else if (std::strcmp(command, "supported") == 0 && argc == 3) {
        ok = ParseNumber(argv[2], 1, a) && SendOperation(SetSupported, 0, a);
    } else if (std::strcmp(command, "count") == 0 && argc == 2) {
        SetupBlock block{};
        block.operation = CountEntries;
        ok = Send(block);
        if (ok) {
            std::printf("%u\n", block.value);
        }
    } else if (std::strcmp(command, "fault") == 0 && argc >= 3) {
        const char* fault = argv[2];
        if (std::strcmp(fault, "read-status") == 0 && argc == 5) {
            ok = ParseNumber(argv[3], 0xFFFFFFFF, a) && ParseNumber(argv[4], 255, b) &&
                 SendOperation(FaultReadStatus, a, b);
        } else if (std::strcmp(fault, "clear-at") == 0 && argc == 4) {
            ok = ParseNumber(argv[3], 0xFFFFFFFF, a) && SendOperation(FaultClearAtRead, a);
        } else if (std::strcmp(fault, "erase-refuse") == 0 && argc == 3) {
            ok = SendOperation(FaultEraseRefuse);
        } else if (std::strcmp(fault, "write-status") == 0 && argc == 4) {
            ok = ParseNumber(argv[3], 255, a) && SendOperation(FaultWriteStatus, 0, a);
        } else if (std::strcmp(fault, "fail-requests") == 0 && argc == 3) {
            ok = SendOperation(FaultFailRequests, 0, FailEveryRequest);
        } else if (std::strcmp(fault, "fail-log-requests") == 0 && argc == 3) {
            ok = SendOperation(FaultFailRequests, 0, FailLogRequests);
        } else if (std::strcmp(fault, "skip-numbers") == 0 && argc == 4) {
            ok = ParseNumber(argv[3], 0xFFFFFFFF, a) && SendOperation(SkipNumbers, 0, a);
        } else if (std::strcmp(fault, "clear") == 0 && argc == 3) {
            ok = SendOperation(ClearFaults);
        } else {
            return Usage();
        }
    } else {
        return Usage();
    }
    return ok ? 0 : 1;
}
