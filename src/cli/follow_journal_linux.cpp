// With libsystemd the fields go to journald's native socket through sd_journal_sendv, one datagram per
// entry; a description may hold any byte, which the native protocol carries as it is.
#include <sys/uio.h>

#include <cerrno>

#include "cli/follow_journal.h"

#ifdef KESTRAV_HAVE_LIBSYSTEMD
#include <systemd/sd-journal.h>
#endif

namespace kestrav {

#ifdef KESTRAV_HAVE_LIBSYSTEMD

bool JournalAvailable() {
    return true;
}

int SendToJournal(const LogEntry& entry) {
    const std::vector<std::string> fields = JournalFields(entry);
    std::vector<iovec> vector(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        vector[i].iov_base = const_cast<char*>(fields[i].data());
        vector[i].iov_len = fields[i].size();
    }
    int result = sd_journal_sendv(vector.data(), static_cast<int>(vector.size()));
    return result < 0 ? -result : 0;
}

#else

bool JournalAvailable() {
    return false;
}

int SendToJournal(const LogEntry&) {
    return ENOSYS;
}

#endif

} // namespace kestrav
