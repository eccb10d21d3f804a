#include "record/severity.h"

#include <algorithm>

namespace kestrav {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Covers(const SeverityRow& row, uint8_t severity) {
    return std::find(row.bytes, row.bytes + row.byteCount, severity) != row.bytes + row.byteCount;
}

} // namespace

const SeverityRow& SeverityOf(uint8_t severity) {
    for (const SeverityRow& row : KnownSeverities) {
        if (Covers(row, severity)) {
            return row;
        }
    }
    return UnknownSeverity;
}

bool NeedsAttention(uint8_t severity) {
    const SeverityReading reading = SeverityOf(severity).reading;
    return reading == SeverityReading::Critical || reading == SeverityReading::Caution;
}

const SeverityRow* SeverityNamed(std::string_view word) {
    for (const SeverityRow& row : KnownSeverities) {
        const std::string_view rowWord(row.word);
        if (rowWord.size() == word.size() &&
            std::equal(word.begin(), word.end(), rowWord.begin(),
                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); })) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace kestrav
