// The emulated health device's non-volatile store: one SQLite file holding the log entries, the device's
// settings and its injected faults. Every operation is one transaction, so concurrent processes are
// serialised by the store and a killed process never leaves half an operation behind.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "emulator/device/path_watch.h"
#include "record/log_entry.h"

namespace kestrav::emulator {

// A new store's mode: the owner reads and writes, its group reads the log.
constexpr mode_t DefaultStoreMode = 0640;

// The device path: ZORHLTH_DEVICE, or /var/lib/zorhlth/cvr.db when it is unset or empty.
const char* DevicePath();

// Faults kept in the device so that failure paths can be exercised from outside the process.
struct DeviceFaults {
    bool requestsFail = false; // every control request fails (not completed)
    bool eraseRefused = false; // erase answers with the refused flag
    uint8_t writeStatus = 0;   // non-zero: writes and rewrites answer this Status and store nothing
    bool rawRecords = false;   // reads answer stored records as they are, unchecked, as a faulty driver would
};

// The read fault that is no Status: a read for its number finds the log cleared by another program just
// before it is answered (erased, with the entry that records the clear under the next number), as a clear
// between two reads of a walk leaves it.
inline constexpr uint8_t ClearBeforeRead = 0;

struct DeviceSettings {
    bool supported = true; // the capability block carries the log bit
    DeviceFaults faults;
};

// Outcome of a store operation. Failed is trouble in the store itself (busy past the timeout, I/O, a damaged
// file); Absent is a rewrite of a number that holds no entry; Exhausted is a write when no number is left.
enum class StoreResult { Done, Absent, Exhausted, Failed };

// What a read found, together with the settings that decide how it is answered. Both come from one snapshot.
struct ReadOutcome {
    DeviceSettings settings;
    std::optional<uint8_t> faultStatus; // a read fault for exactly the number asked
    bool found = false;                 // a row exists at or after the number asked
    // That row cannot be answered as it is: its record is not 256 bytes, or (unless rawRecords) the record's
    // own event number is not the row's. entry is then left zero.
    bool damaged = false;
    LogEntry entry;
};

// Why a device that is there could not be opened, where an administrator can do something about it.
enum class OpenFailure {
    Other,         // missing, not a device, damaged, refused by the system
    Busy,          // another program held the store past the busy timeout
    NeedsRecovery, // a writer died mid-transaction, and this connection may not write to roll it back
};

class DeviceStore {
public:
    ~DeviceStore();
    DeviceStore(const DeviceStore&) = delete;
    DeviceStore& operator=(const DeviceStore&) = delete;

    // Creates an empty device at path. An existing path is refused unless replace is set (then the old store
    // and its journal files are removed first). error says why on failure. Stores keep a rollback journal and
    // are locked through the file layer of store_vfs.h, by every process that opens them.
    // The file gets mode, exactly, when given; otherwise DefaultStoreMode less the umask, and never a
    // permission that a file it replaces did not have. It takes the group of its folder when the creator
    // may give it, so that a folder kept for a group makes a store that group's members read. The folder must
    // exist: a missing one is refused, never made.
    static bool Create(const std::string& path, bool supported, bool replace, std::string& error,
                       std::optional<mode_t> mode = std::nullopt);

    // Opens an existing device for reading and writing; nullptr when the path is missing, unwritable, damaged
    // or not a device made by Create, and error says which. Nothing is ever written to a file that is not a
    // device. A device made with a write-ahead log is converted to a rollback journal, and one from before
    // the raw-records fault gets its column. With readOnly the device is opened for reading only and needs
    // only read access; its writes then fail. failure, when given, says what kind of trouble kept it closed.
    static std::unique_ptr<DeviceStore> Open(const std::string& path, std::string& error,
                                             bool readOnly = false, OpenFailure* failure = nullptr);

    const std::string& Path() const { return path_; }

    // Whether the connection cannot write (opened for reading only).
    bool ReadOnly() const { return readOnly_; }

    // A driver request opens the device: false once the path no longer names the file this store was opened
    // on (renamed away, renamed over, removed or replaced). The path is looked at only when its watch has
    // seen something happen along it (or there is no watch). The same look at the watch answers for the read
    // the request makes, until EndRequest: a read answered from the entries read ahead is then the store as
    // it was when the request opened it.
    bool BeginRequest();
    void EndRequest();

    // Holds the store for a sequence of requests: one write transaction from BeginHold to EndHold, inside
    // which each operation is a savepoint. What the requests change is committed together or not at all (a
    // process killed meanwhile leaves the store as it was before the hold), and other connections' writes
    // wait for it (busy timeout) instead of coming in between. False when the store cannot be held
    // (read-only, busy past the timeout). EndHold commits; false when the commit failed and nothing was kept.
    bool BeginHold();
    bool EndHold();

    // The operations behind the driver requests. Each is one transaction that first reads the settings: when
    // they say the request fails or is refused, nothing is changed and the caller answers from settings.
    StoreResult ReadSettings(DeviceSettings& settings);
    // A walk asks for one number after the other, so the entries after the one asked for are read with it
    // and later reads are answered from them for as long as the store's header shows no commit since.
    StoreResult ReadAtOrAfter(uint32_t eventNumber, ReadOutcome& outcome);
    // Stores entry under the next event number, which is written into the record's own Event number too.
    StoreResult Append(const LogEntry& entry, DeviceSettings& settings, uint32_t& assigned);
    // Replaces entry eventNumber (the record's Event number is kept equal to it).
    StoreResult Rewrite(uint32_t eventNumber, const LogEntry& entry, DeviceSettings& settings);
    StoreResult Erase(DeviceSettings& settings);

    // Management, for healthsim and tests.
    StoreResult SetSupported(bool supported);
    // A status of ClearBeforeRead: the log is cleared just before a read for eventNumber is answered.
    StoreResult SetReadFault(uint32_t eventNumber, uint8_t status);
    // Leaves count event numbers unused, as a driver that skips numbers does: the next write takes a number
    // count higher than it would have.
    StoreResult SkipNumbers(uint32_t count);
    // Changes the fault settings in one transaction (change receives the current ones).
    StoreResult ChangeFaults(const std::function<void(DeviceFaults&)>& change);
    // Removes every fault, read faults included.
    StoreResult ClearFaults();
    // Stores whole records under the numbers in their own headers, replacing same numbers; one transaction.
    StoreResult Import(std::span<const LogEntry> records);
    // Appends count entries made by make(index, entry) under consecutive new numbers; one transaction.
    StoreResult AppendMany(uint64_t count, const std::function<void(uint64_t, LogEntry&)>& make);
    // Calls visit for every entry in ascending number order; one read transaction.
    StoreResult ForEach(const std::function<void(uint32_t, const LogEntry&)>& visit);

    // The store's last error text, for messages.
    std::string LastError() const;

    // How many entries one read of the store brings in for the reads that follow.
    static constexpr size_t ReadAheadEntries = 256;

private:
    // Entries read in one read transaction: every row numbered from `from` up to the last one read (to the
    // end of the log when toEnd), with the settings and the header version of that snapshot.
    struct ReadAheadRow {
        int64_t number = 0;
        bool whole = false; // the record is a 256-byte blob; entry holds it
        LogEntry entry;
    };
    struct ReadAhead {
        bool valid = false;
        unsigned char version[16] = {};
        // The watch's count when the version was last found the same: while it stays, nothing was written.
        std::optional<uint64_t> look;
        DeviceSettings settings;
        int64_t from = 0;
        bool toEnd = false;
        std::vector<ReadAheadRow> rows;
    };

    DeviceStore(std::string path, sqlite3* db, dev_t device, ino_t inode, bool readOnly);
    class Transaction;
    class Write;
    bool AnswerFromReadAhead(uint32_t eventNumber, ReadOutcome& outcome);
    std::optional<uint64_t> RequestLook();
    void AnswerFromRows(uint32_t eventNumber, ReadOutcome& outcome) const;
    StoreResult ReadAndReadAhead(uint32_t eventNumber, ReadOutcome& outcome);
    StoreResult ReadOne(uint32_t eventNumber, ReadOutcome& outcome);
    sqlite3_stmt* Statement(int id);
    bool LoadSettings(DeviceSettings& settings, int64_t& nextNumber);
    bool StoreNextNumber(int64_t nextNumber);
    bool InsertRecord(int statementId, uint32_t eventNumber, const LogEntry& entry);
    bool StoreFaults(const DeviceFaults& faults);
    // Keeps SQLite's message for LastError before a rollback replaces it.
    StoreResult Failure();

    std::string path_;
    sqlite3* db_;
    dev_t device_; // the file the connection is open on
    ino_t inode_;
    bool readOnly_;
    // The watch's count when the path was last found in place, and the look of the request under way.
    std::optional<uint64_t> LookAtWatch();
    std::unique_ptr<PathWatch> watch_; // nullptr: the path is looked at for every request
    std::optional<uint64_t> pathLook_;
    std::optional<uint64_t> requestLook_;
    std::string lastError_;
    bool held_ = false;
    sqlite3_stmt* statements_[24] = {};
    ReadAhead readAhead_;
    std::mutex mutex_;
};

} // namespace kestrav::emulator
