// The file layer under every device store connection: SQLite's own Unix file layer, except that the store's
// locks are open file description locks held on a descriptor of the connection's own. POSIX record locks
// belong to the process and vanish when it closes any descriptor of the file (as a file dialog listing the
// device's folder does); these vanish only with the connection. They use the same bytes as SQLite's POSIX
// locks and conflict with them, so other SQLite programs on the store are excluded as before.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

namespace kestrav::emulator {

// The registered name of the file layer, to pass to sqlite3_open_v2; nullptr when it cannot be registered.
const char* StoreVfsName();

// The device and inode of the file that connection db (opened through this file layer) reads and writes.
bool StoreFileIdentity(sqlite3* db, dev_t& device, ino_t& inode);

// The 16 bytes at offset 24 of that file's header (change counter, page count, free list), read from it now
// without a lock. Every commit rewrites them before it completes, so while they read the same, no commit has
// completed since they were last read.
bool StoreFileVersion(sqlite3* db, unsigned char (&version)[16]);

} // namespace kestrav::emulator
