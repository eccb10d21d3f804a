// Any file given to `healthsim import` on a fresh device: a file that is not whole 256-byte records changes
// nothing; otherwise every record is stored whole under its own number (the last of equal numbers wins). The
// device then still opens, holds only whole records whose header numbers match their keys, walks in number
// order through the log operations, exports every entry as one whole CSV line, and gives the next write a
// number above every stored one.
#include <sqlite3.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "render/export_line.h"
#include "emulator/device/device_store.h"
#include "emulator/device/request_handler.h"
#include "fuzz/fuzz_support.h"
#include "record/health_protocol.h"
#include "log/log_ops.h"

using namespace kestrav;
using namespace kestrav::emulator;
using kestrav::fuzz::Check;

namespace {

// The records of an import file, as healthsim reads them; false when the size is not a multiple of 256.
bool SplitRecords(const uint8_t* data, size_t size, std::vector<LogEntry>& records) {
    if (size % LogEntrySize != 0) {
        return false;
    }
    records.resize(size / LogEntrySize);
    for (size_t i = 0; i < records.size(); ++i) {
        std::memcpy(records[i].bytes, data + i * LogEntrySize, LogEntrySize);
    }
    return true;
}

int64_t QueryCount(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK, "query prepares");
    Check(sqlite3_step(statement) == SQLITE_ROW, "query answers");
    int64_t value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

// Looks at the stored rows directly, beneath the store's own reading, which pads short blobs.
void CheckRows(const std::string& path) {
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "store opens raw");
    Check(
        QueryCount(
            db, "SELECT count(*) FROM cvr_entries WHERE typeof(record) != 'blob' OR length(record) != 256") ==
            0,
        "every stored record is a whole 256-byte record");
    Check(QueryCount(db, "SELECT count(*) FROM cvr_entries WHERE number < 0 OR number > 4294967295") == 0,
          "every key is a 32-bit event number");
    Check(QueryCount(
              db,
              "SELECT next_number > coalesce((SELECT max(number) FROM cvr_entries), 0) FROM cvr_device") == 1,
          "the next number lies above every stored one");
    sqlite3_close(db);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static unsigned round = 0;
    std::string path =
        (kestrav::fuzz::ScratchDir() / ("import-" + std::to_string(round++ % 2) + ".db")).string();
    kestrav::fuzz::FreshDevice(path);
    std::string error;

    std::vector<LogEntry> records;
    bool whole = SplitRecords(data, size, records);
    {
        std::unique_ptr<DeviceStore> store = DeviceStore::Open(path, error);
        Check(store != nullptr, "the fresh device opens");
        if (whole) {
            Check(store->Import(records) == StoreResult::Done, "an import of whole records succeeds");
        }
    }

    std::map<uint32_t, const LogEntry*> expected;
    for (const LogEntry& record : records) {
        expected[record.EventNumber()] = &record;
    }
    if (!whole) {
        expected.clear();
    }

    std::unique_ptr<DeviceStore> store = DeviceStore::Open(path, error);
    Check(store != nullptr, "the device still opens after the import");
    CheckRows(path);
    auto next = expected.begin();
    Check(store->ForEach([&](uint32_t number, const LogEntry& entry) {
        Check(next != expected.end() && next->first == number, "the stored numbers are the imported ones");
        Check(entry.EventNumber() == number, "a record's own number is its key");
        Check(std::memcmp(entry.bytes, next->second->bytes, LogEntrySize) == 0,
              "a record is stored unchanged");
        ++next;
    }) == StoreResult::Done,
          "the device can be read");
    Check(next == expected.end(), "every imported number is stored");

    // The walk of the log operations sees the same entries in the same order and ends.
    setenv("ZORHLTH_DEVICE", path.c_str(), 1);
    std::vector<LogEntry> walked;
    Check(ReadAllEntries(walked) == StatusSuccess, "the log can be walked");
    Check(walked.size() == expected.size(), "the walk sees every entry once");
    next = expected.begin();
    for (const LogEntry& entry : walked) {
        Check(std::memcmp(entry.bytes, next->second->bytes, LogEntrySize) == 0,
              "the walk sees stored records");
        ++next;
        std::string line;
        AppendCsvLine(line, entry);
        Check(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0, "a CSV line ends its line");
        Check(line.find('\0') == std::string::npos, "a CSV line holds no NUL");
    }

    // A write after the import takes a number above every stored one, or is answered that none is left.
    HealthRequest request;
    request.SetCommand(WriteEntryCommand);
    LogEntry note = BuildMaintenanceEntry(2, "after import");
    request.SetDataLength(note.Length());
    request.SetEntry(note);
    HealthResponse response;
    Check(HandleControl(*store, LogIoControlCode, request.bytes, HealthBlockSize, response.bytes,
                        HealthBlockSize),
          "a write completes");
    uint32_t highest = expected.empty() ? 0 : expected.rbegin()->first;
    if (!expected.empty() && highest == UINT32_MAX) {
        Check(response.Status() == LogFullStatus, "no number is left after 0xFFFFFFFF");
    } else {
        Check(response.Status() == DriverStatusDone, "the write is stored");
        uint32_t last = 0;
        store->ForEach([&](uint32_t number, const LogEntry&) { last = number; });
        Check(last > highest || expected.empty(), "the written number is above every imported one");
    }
    return 0;
}
