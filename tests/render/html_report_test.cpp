// The HTML report written in-process: texts from the log escaped wherever they land, the timeline's step
// and its bars against the entries, and the empty log.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "cli/entry_support.h"
#include "render/html_report.h"

namespace kestrav {
namespace {

using clitest::MakeEntry;

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// The sum of the data-n figures of the bars inside the svg element with that id.
uint64_t BarSum(const std::string& page, const std::string& id) {
    const size_t begin = page.find("<svg id=\"" + id + "\"");
    if (begin == std::string::npos) {
        return 0;
    }
    const std::string chart = page.substr(begin, page.find("</svg>", begin) - begin);
    const std::regex figure("data-n=\"([0-9]+)\"");
    uint64_t sum = 0;
    for (std::sregex_iterator it(chart.begin(), chart.end(), figure), end; it != end; ++it) {
        sum += std::stoull((*it)[1]);
    }
    return sum;
}

// A hostile text lands in the title, the header, the problems and, through a critical note that repeats,
// in the attention list, both repeat tables and the whole log: escaped in each, markup nowhere.
TEST(HtmlReport, LogTextsAreEscapedEverywhere) {
    const std::string hostile =
        "<script>alert('x')</script><img src=x onerror=\"y\">&amp;\x1B[2J\xE2\x80\xAE\xFF";
    const std::string escaped = "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&lt;img src=x "
                                "onerror=&quot;y&quot;&gt;&amp;amp;\\x1B[2J\\u202E\\xFF";
    const LogTime when{20, 26, 12, 7, 14, 5};
    const std::vector<LogEntry> entries = {MakeEntry(1, 15, 33, 2, when, when, 3, hostile),
                                           MakeEntry(2, 15, 33, 2, when, when, 2, hostile)};
    const std::string page =
        FormatHtmlReport({hostile, true, hostile, {hostile}, Language::Japanese}, entries);
    EXPECT_EQ(Occurrences(page, "<script"), 1u); // the page's own
    EXPECT_EQ(Occurrences(page, "<img"), 0u);
    EXPECT_EQ(Occurrences(page, "<html lang=\"ja\">"), 1u);
    EXPECT_EQ(Occurrences(page, "\xE3\x83\xAC\xE3\x83\x9D\xE3\x83\xBC\xE3\x83\x88: " + escaped + "</title>"),
              1u);
    EXPECT_EQ(Occurrences(page, "<dd>" + escaped + "</dd>"), 1u);
    EXPECT_EQ(Occurrences(page, "<dd id=\"made\">" + escaped + "</dd>"), 1u);
    EXPECT_EQ(Occurrences(page, "<li>" + escaped + "</li>"), 1u);
    // Two rows each in the attention list, the highest counts and the whole log; the newest of the pair.
    EXPECT_EQ(Occurrences(page, "<td>Maintenance note: " + escaped + "</td>"), 7u);
}

// The step follows the span (an hour up to two days, a day up to 120, a week up to three years, then months
// and years); the bars hold every entry with a valid update time once, the class chart every entry; the first
// label is where the first bar begins (a week from its Monday).
TEST(HtmlReport, BarsAddUpToTheEntries) {
    const LogTime invalid{20, 26, 2, 30, 9, 0};
    struct Case {
        std::vector<LogTime> times;
        std::string title; // and the first label; "" for no timeline
        uint64_t untimed;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {{{20, 26, 12, 7, 14, 5}, {20, 26, 12, 7, 14, 59}, {20, 26, 12, 7, 17, 0}}, "hour[\\s\\S]*>2026-12-07 14:00<", 0},
        {{{20, 26, 11, 30, 23, 59}, {20, 26, 12, 30, 0, 0}, invalid}, "day[\\s\\S]*>2026-11-30<", 1},
        {{{20, 26, 12, 31, 8, 0}, {20, 27, 6, 1, 8, 0}, {20, 27, 6, 1, 9, 0}}, "week[\\s\\S]*>2026-12-28<", 0},
        {{{20, 20, 1, 1, 0, 0}, {20, 29, 12, 31, 23, 59}}, "month[\\s\\S]*>2020-01<", 0},
        {{{19, 99, 12, 31, 0, 0}, {21, 50, 1, 1, 0, 0}}, "year[\\s\\S]*>1999<", 0},
        {{invalid, invalid}, "", 2},
        {{}, "", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + " " + std::to_string(c.times.size()));
        std::vector<LogEntry> entries;
        for (size_t i = 0; i < c.times.size(); ++i) {
            entries.push_back(MakeEntry(static_cast<uint32_t>(i + 1), i % 2 == 0 ? 15 : 9,
                                        static_cast<uint16_t>(2 + i % 3), 1, c.times[i], c.times[i], 1, ""));
        }
        const std::string page = FormatHtmlReport({}, entries);
        EXPECT_EQ(BarSum(page, "timeline"), entries.size() - c.untimed);
        EXPECT_EQ(BarSum(page, "classes"), entries.size());
        EXPECT_EQ(std::regex_search(page, std::regex("<h2>Entries per " + c.title)), !c.title.empty());
        EXPECT_EQ(page.find("not on the timeline: " + std::to_string(c.untimed)) != std::string::npos,
                  c.untimed != 0);
        EXPECT_NE(page.find("<dd id=\"count\">" + std::to_string(entries.size()) + "</dd>"),
                  std::string::npos);
        EXPECT_EQ(page.find("The log holds no entry.") != std::string::npos, entries.empty());
        EXPECT_EQ(page.substr(page.size() - 15), "</body></html>\n");
    }
}

// A table of more than a thousand rows is folded, so that a browser shows the page without laying it out.
TEST(HtmlReport, LongTablesAreFolded) {
    const LogTime when{20, 26, 12, 7, 14, 5};
    const struct {
        size_t critical, informational, folded; // folded: the attention list, then the whole log
    } cases[] = {{1000, 0, 0}, {999, 2, 1}, {1001, 0, 2}};
    for (const auto& c : cases) {
        std::vector<LogEntry> entries;
        for (size_t i = 0; i < c.critical + c.informational; ++i) {
            entries.push_back(
                MakeEntry(static_cast<uint32_t>(i + 1), i < c.critical ? 15 : 2, 2, 1, when, when, 1, ""));
        }
        const std::string page = FormatHtmlReport({}, entries);
        EXPECT_EQ(Occurrences(page, "<details><summary>Show the table ("), c.folded) << c.critical;
        EXPECT_EQ(Occurrences(page, "</details>"), c.folded) << c.critical;
    }
}

} // namespace
} // namespace kestrav
