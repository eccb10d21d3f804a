// Sample events for `healthsim seed`: one table per decoder group, each event with plausible event data
// (chassis and slot names, serial numbers, locations) laid out as the firmware writes it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace kestrav::emulator {

struct SeedSample {
    uint16_t eventClass = 0;
    uint16_t code = 0;
    uint8_t severity = 2;      // 2 or 3 informational, 9 caution, 15 critical
    std::vector<uint8_t> data; // the event data (at most 228 bytes)
};

// Builds event data byte by byte: values at the current position (or at an offset) and NUL-terminated texts.
class EventBytes {
public:
    EventBytes& U8(unsigned v) { return Put({v}); }
    EventBytes& Le16(unsigned v) { return Put({v & 0xFF, (v >> 8) & 0xFF}); }
    EventBytes& Be16(unsigned v) { return Put({(v >> 8) & 0xFF, v & 0xFF}); }
    EventBytes& Le32(uint32_t v) { return Put({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24}); }
    EventBytes& Be32(uint32_t v) { return Put({v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF}); }
    EventBytes& Text(std::string_view text) {
        for (char c : text) {
            U8(static_cast<uint8_t>(c));
        }
        return U8(0);
    }
    // Moves the position to offset, zero-filling any gap.
    EventBytes& At(size_t offset) {
        if (bytes_.size() < offset) {
            bytes_.resize(offset, 0);
        }
        position_ = offset;
        return *this;
    }
    operator std::vector<uint8_t>() const { return bytes_; }

private:
    EventBytes& Put(std::initializer_list<unsigned> values) {
        for (unsigned v : values) {
            if (position_ >= 228) {
                break;
            }
            if (bytes_.size() <= position_) {
                bytes_.resize(position_ + 1, 0);
            }
            bytes_[position_++] = static_cast<uint8_t>(v);
        }
        return *this;
    }
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

// One function per decoder group; seed.cpp draws from all of them.
std::vector<SeedSample> EnvironmentMemorySamples();     // classes 2, 3
std::vector<SeedSample> ProcessorOsSamples();           // classes 5, 6, 8, 9, 10, 14, 17, 18
std::vector<SeedSample> DriveArrayNodeSamples();        // classes 19, 37, 38
std::vector<SeedSample> PowerSamples();                 // class 11
std::vector<SeedSample> InfrastructureErrorNvSamples(); // classes 20, 34, 42

} // namespace kestrav::emulator
