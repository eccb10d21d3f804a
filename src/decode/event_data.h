// Bounded access for the decoders: a read-only view of the 228-byte event data and a writer into a fixed
// buffer. No read goes past the event data and no write past the buffer; a text always ends at its NUL or at
// the end of the area, whichever comes first.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

#include "record/log_entry.h"

namespace kestrav {

class EventData {
public:
    // Copies the area so that a text running to its end still finds a terminator right after it.
    explicit EventData(const uint8_t* area);

    static constexpr size_t Size = EventDataSize;

    // Bytes and values whose bytes lie past the area read as 0.
    uint8_t Byte(size_t offset) const { return offset < Size ? bytes_[offset] : 0; }
    uint16_t Le16(size_t offset) const;
    uint32_t Le32(size_t offset) const;
    uint64_t Le64(size_t offset) const;
    uint16_t Be16(size_t offset) const;
    uint32_t Be32(size_t offset) const;

    // The NUL-terminated text at offset; an offset at or past the end gives the empty text.
    const char* Text(size_t offset) const;
    // Length of the text at offset (never past the area).
    size_t TextLength(size_t offset) const;
    // Offset just past the terminator of the text at offset (the second text of a back-to-back pair).
    size_t After(size_t offset) const;

    const uint8_t* Bytes() const { return bytes_; }

private:
    uint8_t bytes_[Size + 1];
};

// A printf-style writer into a caller's fixed buffer. It never writes past the buffer and always leaves it
// terminated; a text that does not fit is cut.
class Writer {
public:
    explicit Writer(std::span<char> buffer);

    // Replaces the content with the formatted text.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends the formatted text.
    void Append(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendV(const char* format, va_list args);
    // Appends a plain text (no format directives interpreted).
    void AppendText(const char* text);
    void Clear();

    const char* Text() const { return buffer_.data(); }
    size_t Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    std::span<char> Buffer() const { return buffer_; }

private:
    std::span<char> buffer_;
    size_t length_ = 0;
};

// Formats into a fixed buffer (cut when it does not fit) and returns the buffer.
const char* FormatInto(std::span<char> out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace kestrav
