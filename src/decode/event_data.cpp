#include "decode/event_data.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace kestrav {

EventData::EventData(const uint8_t* area) {
    std::memcpy(bytes_, area, Size);
    bytes_[Size] = 0;
}

uint16_t EventData::Le16(size_t offset) const {
    return static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
}

uint32_t EventData::Le32(size_t offset) const {
    return static_cast<uint32_t>(Le16(offset)) | (static_cast<uint32_t>(Le16(offset + 2)) << 16);
}

uint64_t EventData::Le64(size_t offset) const {
    return static_cast<uint64_t>(Le32(offset)) | (static_cast<uint64_t>(Le32(offset + 4)) << 32);
}

uint16_t EventData::Be16(size_t offset) const {
    return static_cast<uint16_t>((Byte(offset) << 8) | Byte(offset + 1));
}

uint32_t EventData::Be32(size_t offset) const {
    return (static_cast<uint32_t>(Be16(offset)) << 16) | Be16(offset + 2);
}

const char* EventData::Text(size_t offset) const {
    return reinterpret_cast<const char*>(bytes_ + (offset < Size ? offset : Size));
}

size_t EventData::TextLength(size_t offset) const {
    return std::strlen(Text(offset));
}

size_t EventData::After(size_t offset) const {
    if (offset >= Size) {
        return Size;
    }
    size_t end = offset + TextLength(offset) + 1;
    return end < Size ? end : Size;
}

Writer::Writer(std::span<char> buffer) : buffer_(buffer) {
    if (!buffer_.empty()) {
        buffer_[0] = '\0';
    }
}

void Writer::Clear() {
    length_ = 0;
    if (!buffer_.empty()) {
        buffer_[0] = '\0';
    }
}

namespace {

// Whether every directive of format is one that AppendSimple writes: %s, %d, %u, %c, %% and %0NX or %0Nx
// with N from 1 to 9. The descriptions use little else, and vsnprintf would parse its format for every line.
bool SimpleFormat(const char* format) {
    for (const char* p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p, '%')) {
        ++p;
        if (*p == '0' && p[1] >= '1' && p[1] <= '9' && (p[2] == 'X' || p[2] == 'x')) {
            p += 3;
        } else if (*p == 's' || *p == 'd' || *p == 'u' || *p == 'c' || *p == '%') {
            ++p;
        } else {
            return false;
        }
    }
    return true;
}

// What vsnprintf writes for a format that SimpleFormat accepts, cut at limit characters; returns how many
// were written.
size_t AppendSimple(char* out, size_t limit, const char* format, va_list args) {
    size_t at = 0;
    auto put = [&](const char* text, size_t length) {
        length = std::min(length, limit - at);
        std::memcpy(out + at, text, length);
        at += length;
    };
    char digits[24];
    for (const char* p = format; *p != '\0' && at < limit;) {
        const char* next = std::strchr(p, '%');
        if (next == nullptr) {
            put(p, std::strlen(p));
            break;
        }
        put(p, static_cast<size_t>(next - p));
        p = next + 1;
        switch (*p) {
        case 's': {
            const char* text = va_arg(args, const char*);
            text = text != nullptr ? text : "(null)";
            put(text, std::strlen(text));
            ++p;
            break;
        }
        case 'd':
            put(digits, static_cast<size_t>(
                            std::to_chars(digits, digits + sizeof digits, va_arg(args, int)).ptr - digits));
            ++p;
            break;
        case 'u':
            put(digits,
                static_cast<size_t>(
                    std::to_chars(digits, digits + sizeof digits, va_arg(args, unsigned)).ptr - digits));
            ++p;
            break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            put(&c, 1);
            ++p;
            break;
        }
        case '%':
            put("%", 1);
            ++p;
            break;
        default: { // 0, width, X or x
            const size_t width = static_cast<size_t>(p[1] - '0');
            const char* hex = p[2] == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
            unsigned value = va_arg(args, unsigned);
            size_t count = 0;
            char reversed[16];
            do {
                reversed[count++] = hex[value & 0x0F];
                value >>= 4;
            } while (value != 0);
            while (count < width) {
                reversed[count++] = '0';
            }
            for (size_t i = 0; i < count; ++i) {
                digits[i] = reversed[count - 1 - i];
            }
            put(digits, count);
            p += 3;
            break;
        }
        }
    }
    return at;
}

} // namespace

void Writer::AppendV(const char* format, va_list args) {
    if (buffer_.empty() || length_ + 1 >= buffer_.size()) {
        return;
    }
    size_t room = buffer_.size() - length_;
    if (SimpleFormat(format)) {
        length_ += AppendSimple(buffer_.data() + length_, room - 1, format, args);
        buffer_[length_] = '\0';
        return;
    }
    int n = std::vsnprintf(buffer_.data() + length_, room, format, args);
    if (n > 0) {
        length_ += static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room - 1;
    }
}

void Writer::Format(const char* format, ...) {
    Clear();
    va_list args;
    va_start(args, format);
    AppendV(format, args);
    va_end(args);
}

void Writer::Append(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendV(format, args);
    va_end(args);
}

void Writer::AppendText(const char* text) {
    Append("%s", text);
}

const char* FormatInto(std::span<char> out, const char* format, ...) {
    Writer w(out);
    va_list args;
    va_start(args, format);
    w.AppendV(format, args);
    va_end(args);
    return out.data();
}

} // namespace kestrav
