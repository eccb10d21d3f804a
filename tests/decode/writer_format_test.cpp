// The writer formats the directives the descriptions use itself; what it writes must be what snprintf writes,
// whole and cut at every buffer size, and formats with any other directive still go to snprintf.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "decode/event_data.h"

namespace kestrav {
namespace {

TEST(WriterFormat, WritesWhatSnprintfWritesWholeAndCut) {
    struct Case {
        const char* what;
        std::function<void(Writer&)> write;
        std::function<int(char*, size_t)> expected;
    };
#define KESTRAV_FORMAT_CASE(what, ...)                                                                       \
    Case {                                                                                                   \
        what, [](Writer& w) { w.Append(__VA_ARGS__); },                                                      \
            [](char* out, size_t size) { return std::snprintf(out, size, __VA_ARGS__); }                     \
    }
    const Case cases[] = {
        KESTRAV_FORMAT_CASE("plain text", "System Overheating"),
        KESTRAV_FORMAT_CASE("strings", "%s (%s, %s)", "Fan Failure", "Fan 3", ""),
        KESTRAV_FORMAT_CASE("signed extremes", "%d %d %d", INT_MIN, -1, INT_MAX),
        KESTRAV_FORMAT_CASE("unsigned extremes", "%u %u", 0u, UINT_MAX),
        KESTRAV_FORMAT_CASE("hex widths", "%02X %08X %04X %02x %02X", 0xAu, 0xDEADBEEFu, 0x12345u, 0xFFu, 0u),
        KESTRAV_FORMAT_CASE("a character and a percent", "%c%% at %d%%", 'Q', 95),
        KESTRAV_FORMAT_CASE("directives back to back", "%s%d%u%02X%s", "a", 7, 8u, 9u, "z"),
        KESTRAV_FORMAT_CASE("precision, left to snprintf", "[%.8s] [%.16s] %d", "abcdefghijkl", "short", 3),
        KESTRAV_FORMAT_CASE("width, left to snprintf", "[%5d] [%-4s] %lu", 42, "ab", 7ul),
    };
#undef KESTRAV_FORMAT_CASE
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char whole[256];
        const int length = c.expected(whole, sizeof whole);
        ASSERT_GT(length, 0);
        for (size_t size = 1; size <= static_cast<size_t>(length) + 2; ++size) {
            SCOPED_TRACE("buffer of " + std::to_string(size));
            char want[256];
            std::memset(want, '#', sizeof want);
            c.expected(want, size);
            char got[256];
            std::memset(got, '#', sizeof got);
            Writer writer(std::span<char>(got, size));
            c.write(writer);
            EXPECT_STREQ(got, want);
            EXPECT_EQ(writer.Length(), std::strlen(want));
            EXPECT_EQ(got[size], '#') << "written past the buffer";
        }
        // After text already there, as the descriptions are built piece by piece.
        char got[256];
        Writer writer(got);
        writer.Append("%s: ", "head");
        c.write(writer);
        EXPECT_EQ(std::string(got), "head: " + std::string(whole));
    }
}

} // namespace
} // namespace kestrav
