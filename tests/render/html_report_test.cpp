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
    ReportHeader header;
    header.source = hostile;
    header.fromDump = true;
    header.madeAt = hostile;
    header.problems = {hostile};
    const std::string page = FormatHtmlReport(header, entries);
    EXPECT_EQ(Occurrences(page, "<script"), 1u); // the page's own
    EXPECT_EQ(Occurrences(page, "<img"), 0u);
    EXPECT_EQ(Occurrences(page, "<title>Corvane Log report: " + escaped + "</title>"), 1u);
    EXPECT_EQ(Occurrences(page, "<dd>" + escaped + "</dd>"), 1u);
    EXPECT_EQ(Occurrences(page, "<dd id=\"made\">" + escaped + "</dd>"), 1u);
    EXPECT_EQ(Occurrences(page, "<li>" + escaped + "</li>"), 1u);
    // Two rows each in the attention list, the highest counts and the whole log; the newest of the pair.
    EXPECT_EQ(Occurrences(page, "<td>Maintenance note: " + escaped + "</td>"), 7u);
}

TEST(HtmlReport, TimelineStepFollowsTheSpan) {
    constexpr int64_t Day = 86400;
    const struct {
        int64_t span;
        TimelineStep step;
    } cases[] = {
        {0, TimelineStep::Hour},
        {2 * Day, TimelineStep::Hour},
        {2 * Day + 60, TimelineStep::Day},
        {120 * Day, TimelineStep::Day},
        {120 * Day + 60, TimelineStep::Week},
        {3 * 366 * Day, TimelineStep::Week},
        {3 * 366 * Day + 60, TimelineStep::Month},
        {20 * 366 * Day, TimelineStep::Month},
        {20 * 366 * Day + 60, TimelineStep::Year},
        {9998LL * 366 * Day, TimelineStep::Year},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseTimelineStep(c.span), c.step) << c.span;
    }
}

// The bars hold every entry with a valid update time once; the class chart every entry; the first label is
// where the first bar begins (a week from its Monday).
TEST(HtmlReport, BarsAddUpToTheEntries) {
    const LogTime invalid{20, 26, 2, 30, 9, 0};
    struct Case {
        std::string what;
        std::vector<LogTime> times;
        std::string title;
        std::string firstLabel;
        uint64_t untimed;
    };
    const std::vector<Case> cases = {
        {"an afternoon",
         {{20, 26, 12, 7, 14, 5}, {20, 26, 12, 7, 14, 59}, {20, 26, 12, 7, 17, 0}},
         "Entries per hour",
         ">2026-12-07 14:00<",
         0},
        {"a month and an invalid stamp",
         {{20, 26, 11, 30, 23, 59}, {20, 26, 12, 30, 0, 0}, invalid},
         "Entries per day",
         ">2026-11-30<",
         1},
        {"across the new year",
         {{20, 26, 12, 31, 8, 0}, {20, 27, 6, 1, 8, 0}, {20, 27, 6, 1, 9, 0}},
         "Entries per week from Monday",
         ">2026-12-28<",
         0},
        {"a decade", {{20, 20, 1, 1, 0, 0}, {20, 29, 12, 31, 23, 59}}, "Entries per month", ">2020-01<", 0},
        {"centuries", {{19, 99, 12, 31, 0, 0}, {21, 50, 1, 1, 0, 0}}, "Entries per year", ">1999<", 0},
        {"only invalid stamps", {invalid, invalid}, "", "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LogEntry> entries;
        for (size_t i = 0; i < c.times.size(); ++i) {
            const uint8_t severity = i % 2 == 0 ? 15 : 9;
            entries.push_back(MakeEntry(static_cast<uint32_t>(i + 1), severity,
                                        static_cast<uint16_t>(2 + i % 3), 1, c.times[i], c.times[i], 1, ""));
        }
        const std::string page = FormatHtmlReport({}, entries);
        EXPECT_EQ(BarSum(page, "timeline"), entries.size() - c.untimed);
        EXPECT_EQ(BarSum(page, "classes"), entries.size());
        if (c.title.empty()) {
            EXPECT_EQ(Occurrences(page, "<svg id=\"timeline\""), 0u);
        } else {
            EXPECT_NE(page.find("<h2>" + c.title), std::string::npos);
            EXPECT_NE(page.find(c.firstLabel), std::string::npos);
        }
        EXPECT_EQ(page.find("not on the timeline: " + std::to_string(c.untimed)) != std::string::npos,
                  c.untimed != 0);
    }
}

// A table of more than a thousand rows is folded, so that a browser shows the page without laying it out.
TEST(HtmlReport, LongTablesAreFolded) {
    const LogTime when{20, 26, 12, 7, 14, 5};
    const struct {
        size_t critical;
        size_t informational;
        size_t folded; // the attention list, then the whole log
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

TEST(HtmlReport, EmptyLogInEachLanguage) {
    for (Language language : {Language::English, Language::Japanese}) {
        ReportHeader header;
        header.source = "host";
        header.language = language;
        const std::string page = FormatHtmlReport(header, {});
        const bool japanese = language == Language::Japanese;
        EXPECT_NE(page.find(japanese ? "<html lang=\"ja\">" : "<html lang=\"en\">"), std::string::npos);
        EXPECT_NE(page.find(japanese ? "\xE3\x83\xAD\xE3\x82\xB0\xE3\x81\xAB" : "The log holds no entry."),
                  std::string::npos);
        EXPECT_NE(page.find("<dd id=\"count\">0</dd>"), std::string::npos);
        EXPECT_EQ(page.find("<table"), std::string::npos);
        EXPECT_EQ(page.find("<svg id="), std::string::npos);
        EXPECT_EQ(page.substr(page.size() - 15), "</body></html>\n");
    }
}

} // namespace
} // namespace kestrav
