// Windows has no journal: --journal is refused when the options are read.
#include <cerrno>

#include "platform/journal.h"

namespace kestrav {

bool JournalAvailable() {
    return false;
}

int SendToJournal(const std::vector<std::string>&) {
    return ENOSYS;
}

} // namespace kestrav
