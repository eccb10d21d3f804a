#include "decode/event_data.h"

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

size_t EventData::TextLength(size_t offset) const { return std::strlen(Text(offset)); }

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

void Writer::AppendV(const char* format, va_list args) {
    if (buffer_.empty() || length_ + 1 >= buffer_.size()) {
        return;
    }
    size_t room = buffer_.size() - length_;
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

void Writer::AppendText(const char* text) { Append("%s", text); }

const char* FormatInto(std::span<char> out, const char* format, ...) {
    Writer w(out);
    va_list args;
    va_start(args, format);
    w.AppendV(format, args);
    va_end(args);
    return out.data();
}

}  // namespace kestrav
