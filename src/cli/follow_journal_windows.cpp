// Windows has no journal: --journal is refused when the options are read.
#include <cerrno>

#include "cli/follow_journal.h"

namespace kestrav {

bool JournalAvailable() {
    return false;
}

int SendToJournal(const LogEntry&) {
    return ENOSYS;
}

} // namespace kestrav
