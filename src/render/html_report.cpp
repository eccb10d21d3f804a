#include "render/html_report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

#include "decode/event_text.h"
#include "record/severity.h"
#include "record/stamp.h"
#include "render/civil_time.h"
#include "render/entry_fields.h"
#include "render/entry_formats.h"

namespace kestrav {

namespace {

constexpr size_t SinkChunk = 64 * 1024;
constexpr size_t ReadingCount = std::size(SeverityRows);
constexpr size_t RepeatRows = 10;
constexpr size_t FoldAbove = 1000;

enum class Text {
    Title,
    Host,
    DumpFile,
    Made,
    FirstUpdate,
    LastUpdate,
    Entries,
    Problems,
    Attention,
    NoAttention,
    PerHour,
    PerDay,
    PerWeek,
    PerMonth,
    PerYear,
    Untimed,
    ByClass,
    Repeating,
    HighestCounts,
    FrequentPairs,
    Occurrences,
    NoRepeats,
    WholeLog,
    Filter,
    NoEntries,
    ShowTable,
};

struct TextPair {
    const char* english;
    const char* japanese;
};

// In the order of Text.
const TextPair Texts[] = {
    {"Corvane Log report", "Corvane Log レポート"},
    {"Host", "ホスト"},
    {"Dump file", "ダンプ ファイル"},
    {"Report made", "レポート作成日時"},
    {"First update", "最初の更新日時"},
    {"Last update", "最後の更新日時"},
    {"Entries", "エントリ数"},
    {"The log was read only in part", "ログの一部しか読み取れませんでした"},
    {"Needs attention", "要対応"},
    {"No critical or caution entry is waiting for repair.",
     "修復を待つ重大または警告のエントリはありません。"},
    {"Entries per hour (the host's local time)", "1 時間ごとのエントリ数 (ホストの現地時刻)"},
    {"Entries per day (the host's local time)", "1 日ごとのエントリ数 (ホストの現地時刻)"},
    {"Entries per week from Monday (the host's local time)",
     "月曜日からの 1 週間ごとのエントリ数 (ホストの現地時刻)"},
    {"Entries per month (the host's local time)", "1 か月ごとのエントリ数 (ホストの現地時刻)"},
    {"Entries per year (the host's local time)", "1 年ごとのエントリ数 (ホストの現地時刻)"},
    {"Entries without a valid update time, not on the timeline: ",
     "有効な更新日時がなくタイムラインに含まれないエントリ: "},
    {"Entries by class", "クラス別のエントリ数"},
    {"Repeating events", "繰り返し発生するイベント"},
    {"The highest counts", "回数の多いエントリ"},
    {"The most frequent class and code", "頻度の高いクラスとコード"},
    {"Occurrences", "発生回数の合計"},
    {"No event repeats.", "繰り返し発生するイベントはありません。"},
    {"The whole log", "ログ全体"},
    {"Filter", "絞り込み"},
    {"The log holds no entry.", "ログにエントリはありません。"},
    {"Show the table", "表を表示"},
};
static_assert(std::size(Texts) == static_cast<size_t>(Text::ShowTable) + 1);

// The severity icons' disc colours, by icon; each reading's bars also carry a pattern of their own, so that
// a page printed in black and white still tells them apart.
const char* const IconColours[] = {"#c81e1e", "#f0c814", "#28a03c", "#285ac8"};
const char* const ReadingMarks[] = {
    R"(<path d="M0 0L6 6M6 0L0 6" stroke="#fff"/>)",
    R"(<path d="M0 6L6 0" stroke="#3c2800"/>)",
    R"(<circle cx="3" cy="3" r="1.3" fill="#fff"/>)",
    R"(<path d="M0 3H6" stroke="#fff"/>)",
    R"(<path d="M3 0V6" stroke="#fff"/>)",
};
static_assert(std::size(ReadingMarks) == ReadingCount);

const char* const PageStyle = R"(body{font:14px/1.4 sans-serif;margin:1em 2em;color:#111}
h2{margin-top:1.6em;border-bottom:1px solid #999}
dl{display:grid;grid-template-columns:max-content auto;gap:0 1em}dt{font-weight:bold}dd{margin:0}
ul.sev{list-style:none;padding:0;display:flex;flex-wrap:wrap;gap:.4em 1.6em}ul.sev svg{vertical-align:middle}
.problems{border:2px solid #c81e1e;padding:0 1em}
table{border-collapse:collapse;margin:.5em 0}th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}
th{background:#eee}.js th{cursor:pointer}th[aria-sort=ascending]::after{content:" \25B2"}th[aria-sort=descending]::after{content:" \25BC"}
svg text{font:11px sans-serif}svg rect{stroke:#000;stroke-width:.5}rect.c{fill:#777}
)";

// Sorts a table by the heading clicked (again: the other way), the severity column by severity and times by
// the instant; filters the whole log by the text typed. Without it the page is complete, only static.
const char* const PageScript = R"((function(){
document.body.className='js';
function key(r,c){var t=r.cells[c],m=t.querySelector('time');
if(m)return m.getAttribute('datetime');if(c===0&&r.className)return r.className;
var s=t.textContent;return /^-?\d+$/.test(s)?+s:s.toLowerCase();}
document.querySelectorAll('table.sort th').forEach(function(th){th.onclick=function(){
var tb=th.closest('table'),c=th.cellIndex,b=tb.tBodies[0],d=th.getAttribute('aria-sort')==='ascending'?-1:1;
tb.querySelectorAll('th').forEach(function(h){h.removeAttribute('aria-sort');});
th.setAttribute('aria-sort',d>0?'ascending':'descending');
var rs=Array.prototype.map.call(b.rows,function(r,i){return[key(r,c),i,r];});
rs.sort(function(x,y){return x[0]<y[0]?-d:x[0]>y[0]?d:x[1]-y[1];});
var f=document.createDocumentFragment();rs.forEach(function(x){f.appendChild(x[2]);});b.appendChild(f);};});
var q=document.getElementById('q');if(!q)return;q.hidden=false;
var rows=document.getElementById('log').tBodies[0].rows;
q.oninput=function(){var t=q.value.toLowerCase();for(var i=0;i<rows.length;i++){var r=rows[i];
if(r.t===undefined)r.t=r.textContent.toLowerCase();r.hidden=t!==''&&r.t.indexOf(t)<0;}};
})();
)";

// The page lets no script run but this one, and fetches nothing: were a text from the log ever to slip
// through unescaped, the browser would still refuse it. The browser test fails, naming the new hash, when
// the script changes and this does not.
const char* const PageScriptHash = "sha256-qunT0e30H7o+pwnjlQo2PEvXKbdrars5O+QHgixPC/k=";

// The width of one bar of the timeline: an hour for a short log, a day, a week (from Monday) for a long one,
// and a month or a year for logs so long that weeks would make thousands of bars.
enum class TimelineStep { Hour, Day, Week, Month, Year };

TimelineStep ChooseTimelineStep(int64_t spanSeconds) {
    constexpr int64_t Day = 86400;
    if (spanSeconds <= 2 * Day) {
        return TimelineStep::Hour;
    }
    if (spanSeconds <= 120 * Day) {
        return TimelineStep::Day;
    }
    if (spanSeconds <= 3 * 366 * Day) {
        return TimelineStep::Week;
    }
    return spanSeconds <= 20 * 366 * Day ? TimelineStep::Month : TimelineStep::Year;
}

// The page written into a buffer that goes to the sink whenever it grows past a chunk.
class Page {
public:
    Page(const ReportSink& sink, Language language) : sink_(sink), language_(language) {}

    Page& operator<<(std::string_view text) {
        out_.append(text);
        return *this;
    }
    Page& operator<<(uint64_t value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        out_.append(digits, result.ptr);
        return *this;
    }
    Page& operator<<(Text text) {
        const TextPair& pair = Texts[static_cast<size_t>(text)];
        out_.append(language_ == Language::Japanese ? pair.japanese : pair.english);
        return *this;
    }
    const char* Title(uint32_t id) const { return TableText(id, language_); }

    // A text from the log or the host: shown as the listing shows it, then with every character that HTML
    // gives a meaning escaped, so that it stays text in an element and in a quoted attribute.
    Page& Escaped(std::string_view text) {
        scratch_.clear();
        AppendShownText(scratch_, text);
        for (char c : scratch_) {
            switch (c) {
            case '&': out_.append("&amp;"); break;
            case '<': out_.append("&lt;"); break;
            case '>': out_.append("&gt;"); break;
            case '"': out_.append("&quot;"); break;
            case '\'': out_.append("&#39;"); break;
            default: out_.push_back(c); break;
            }
        }
        return *this;
    }

    void FlushIfFull() {
        if (out_.size() >= SinkChunk) {
            Flush();
        }
    }
    void Flush() {
        if (!out_.empty()) {
            sink_(out_);
            out_.clear();
        }
    }

private:
    const ReportSink& sink_;
    Language language_;
    std::string out_;
    std::string scratch_;
};

size_t ReadingIndex(const LogEntry& entry) {
    return static_cast<size_t>(SeverityOf(entry.Severity()).reading);
}

// The number of the bar that holds a time, counted in steps from an epoch of the step's own.
int64_t BarOf(TimelineStep step, const CivilTime& time) {
    const int64_t seconds = CivilSeconds(time);
    switch (step) {
    case TimelineStep::Hour: return FloorDivide(seconds, 3600);
    case TimelineStep::Day: return FloorDivide(seconds, 86400);
    case TimelineStep::Week:
        return FloorDivide(FloorDivide(seconds, 86400) + 3, 7); // 1970-01-01 was a Thursday
    case TimelineStep::Month: return int64_t{time.year} * 12 + time.month - 1;
    case TimelineStep::Year: return time.year;
    }
    return 0;
}

// Where a bar begins: "2026-12-07 14:00", "2026-12-07" (a day, or a week's Monday), "2026-12", "2026".
void AppendBarStart(Page& page, TimelineStep step, int64_t bar) {
    CivilTime start;
    switch (step) {
    case TimelineStep::Hour: start = CivilFromSeconds(bar * 3600); break;
    case TimelineStep::Day: start = CivilFromSeconds(bar * 86400); break;
    case TimelineStep::Week: start = CivilFromSeconds((bar * 7 - 3) * 86400); break;
    case TimelineStep::Month:
        start.year = static_cast<int>(FloorDivide(bar, 12));
        start.month = static_cast<int>(bar - FloorDivide(bar, 12) * 12) + 1;
        break;
    case TimelineStep::Year: start.year = static_cast<int>(bar); break;
    }
    char text[32];
    int length = 0;
    switch (step) {
    case TimelineStep::Hour:
        length = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:00", start.year, start.month,
                               start.day, start.hour);
        break;
    case TimelineStep::Day:
    case TimelineStep::Week:
        length = std::snprintf(text, sizeof text, "%04d-%02d-%02d", start.year, start.month, start.day);
        break;
    case TimelineStep::Month:
        length = std::snprintf(text, sizeof text, "%04d-%02d", start.year, start.month);
        break;
    case TimelineStep::Year: length = std::snprintf(text, sizeof text, "%04d", start.year); break;
    }
    page << std::string_view(text,
                             static_cast<size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

void AppendCell(Page& page, const LogEntry& entry, EntryField field, std::span<char> buffer) {
    FormatColumnText(entry, field, buffer);
    page << "<td>";
    std::string iso;
    if (FieldOf(field).kind == FieldKind::Time && AppendIsoTime(iso, FieldTime(entry, field))) {
        page << "<time datetime=\"" << iso << "\">";
        page.Escaped(buffer.data()) << "</time>";
    } else {
        page.Escaped(buffer.data());
    }
    page << "</td>";
}

void AppendHeadings(Page& page, std::span<const EntryField> fields) {
    page << "<thead><tr>";
    for (EntryField field : fields) {
        page << "<th>";
        page.Escaped(page.Title(FieldOf(field).title)) << "</th>";
    }
    page << "</tr></thead>\n";
}

// A table of entries, one row each with the fields' columns; the row's class names its severity reading.
void AppendEntryTable(Page& page, std::span<const EntryField> fields, std::span<const LogEntry* const> rows,
                      std::string_view id) {
    // A browser takes minutes to lay out a table of tens of thousands of rows: a long one stays folded until
    // it is opened, and costs only its parsing before that.
    const bool folded = rows.size() > FoldAbove;
    if (folded) {
        page << "<details><summary>" << Text::ShowTable << " (" << rows.size() << ")</summary>\n";
    }
    page << "<table class=\"sort\"";
    if (!id.empty()) {
        page << " id=\"" << id << "\"";
    }
    page << ">";
    AppendHeadings(page, fields);
    page << "<tbody>\n";
    char buffer[DescriptionBufferSize];
    for (const LogEntry* entry : rows) {
        page << "<tr class=\"r" << ReadingIndex(*entry) << "\">";
        for (EntryField field : fields) {
            AppendCell(page, *entry, field, buffer);
        }
        page << "</tr>\n";
        page.FlushIfFull();
    }
    page << "</tbody></table>\n";
    if (folded) {
        page << "</details>\n";
    }
}

// Each reading's fill for the charts and mark for the tables' rows, from the severity table and the icons'
// colours.
void AppendPatterns(Page& page) {
    page << "<svg width=\"0\" height=\"0\" aria-hidden=\"true\"><defs>";
    for (const SeverityRow& row : SeverityRows) {
        const size_t reading = static_cast<size_t>(row.reading);
        page << "<pattern id=\"p" << reading << "\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">"
             << "<rect width=\"6\" height=\"6\" fill=\"" << IconColours[row.icon] << "\" stroke=\"none\"/>"
             << ReadingMarks[reading] << "</pattern>";
    }
    page << "</defs></svg>\n<style>";
    for (const SeverityRow& row : SeverityRows) {
        const size_t reading = static_cast<size_t>(row.reading);
        page << "rect.r" << reading << "{fill:url(#p" << reading << ")}tr.r" << reading
             << ">td:first-child{border-left:6px solid " << IconColours[row.icon] << "}";
    }
    page << "</style>\n";
}

struct Summary {
    std::array<uint64_t, ReadingCount> byReading{};
    const LogEntry* first = nullptr; // the oldest and newest valid update times
    const LogEntry* last = nullptr;
};

Summary Summarize(std::span<const LogEntry> entries) {
    Summary summary;
    std::optional<MinuteKey> low;
    std::optional<MinuteKey> high;
    for (const LogEntry& entry : entries) {
        ++summary.byReading[ReadingIndex(entry)];
        if (const auto minute = StampMinute(entry.UpdateTime())) {
            if (!low || *minute < *low) {
                low = minute;
                summary.first = &entry;
            }
            if (!high || *minute > *high) {
                high = minute;
                summary.last = &entry;
            }
        }
    }
    return summary;
}

void AppendStamp(Page& page, const LogEntry* entry) {
    if (entry == nullptr) {
        page << "-";
        return;
    }
    char text[DescriptionBufferSize];
    FormatEntryTime(entry->UpdateTime(), text);
    std::string iso;
    AppendIsoTime(iso, entry->UpdateTime());
    page << "<time datetime=\"" << iso << "\">";
    page.Escaped(text) << "</time>";
}

void AppendSwatch(Page& page, size_t reading) {
    page << "<svg width=\"14\" height=\"14\" aria-hidden=\"true\"><rect class=\"r" << reading
         << "\" x=\"1\" y=\"1\" width=\"12\" height=\"12\"/></svg> ";
}

void AppendHeader(Page& page, const ReportHeader& header, std::span<const LogEntry> entries,
                  const Summary& summary) {
    page << "<h1>" << Text::Title << "</h1>\n";
    if (!header.problems.empty()) {
        page << "<section class=\"problems\" id=\"problems\"><h2>" << Text::Problems << "</h2><ul>\n";
        for (const std::string& problem : header.problems) {
            page << "<li>";
            page.Escaped(problem) << "</li>\n";
        }
        page << "</ul></section>\n";
    }
    page << "<dl>\n<dt>" << (header.fromDump ? Text::DumpFile : Text::Host) << "</dt><dd>";
    page.Escaped(header.source) << "</dd>\n";
    // One line of its own: the one thing that differs between two reports of the same log.
    page << "<dt>" << Text::Made << "</dt><dd id=\"made\">";
    page.Escaped(header.madeAt) << "</dd>\n";
    page << "<dt>" << Text::FirstUpdate << "</dt><dd>";
    AppendStamp(page, summary.first);
    page << "</dd>\n<dt>" << Text::LastUpdate << "</dt><dd>";
    AppendStamp(page, summary.last);
    page << "</dd>\n<dt>" << Text::Entries << "</dt><dd id=\"count\">" << entries.size() << "</dd>\n</dl>\n";
    page << "<ul class=\"sev\">\n";
    for (const SeverityRow& row : SeverityRows) {
        const size_t reading = static_cast<size_t>(row.reading);
        if (row.byteCount == 0 && summary.byReading[reading] == 0) {
            continue; // Unknown only when the log has such entries
        }
        page << "<li>";
        AppendSwatch(page, reading);
        page << row.name << " <b>" << summary.byReading[reading] << "</b></li>\n";
    }
    page << "</ul>\n";
}

// Every critical or caution entry, newest update first; those without a valid update time last.
void AppendAttention(Page& page, std::span<const LogEntry> entries) {
    std::vector<std::pair<MinuteKey, const LogEntry*>> waiting;
    for (const LogEntry& entry : entries) {
        if (NeedsAttention(entry.Severity())) {
            waiting.emplace_back(StampMinute(entry.UpdateTime()).value_or(-1), &entry);
        }
    }
    std::stable_sort(waiting.begin(), waiting.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second->EventNumber() > b.second->EventNumber();
    });
    page << "<h2>" << Text::Attention << " (" << waiting.size() << ")</h2>\n";
    if (waiting.empty()) {
        page << "<p>" << Text::NoAttention << "</p>\n";
        return;
    }
    std::vector<const LogEntry*> rows;
    rows.reserve(waiting.size());
    for (const auto& [minute, entry] : waiting) {
        rows.push_back(entry);
    }
    AppendEntryTable(page, WindowFields, rows, "");
}

void AppendTimeline(Page& page, std::span<const LogEntry> entries, const Summary& summary) {
    if (summary.first == nullptr) {
        page << "<p>" << Text::Untimed << entries.size() << "</p>\n";
        return;
    }
    const CivilTime first = *StampCivil(summary.first->UpdateTime());
    const CivilTime last = *StampCivil(summary.last->UpdateTime());
    const TimelineStep step = ChooseTimelineStep(CivilSeconds(last) - CivilSeconds(first));
    const int64_t firstBar = BarOf(step, first);
    const size_t barCount = static_cast<size_t>(BarOf(step, last) - firstBar + 1);
    std::vector<std::array<uint64_t, ReadingCount>> bars(barCount);
    uint64_t untimed = 0;
    for (const LogEntry& entry : entries) {
        if (const auto time = StampCivil(entry.UpdateTime())) {
            ++bars[static_cast<size_t>(BarOf(step, *time) - firstBar)][ReadingIndex(entry)];
        } else {
            ++untimed;
        }
    }
    uint64_t highest = 1;
    for (const auto& bar : bars) {
        uint64_t total = 0;
        for (uint64_t n : bar) {
            total += n;
        }
        highest = std::max(highest, total);
    }

    static const Text Titles[] = {Text::PerHour, Text::PerDay, Text::PerWeek, Text::PerMonth, Text::PerYear};
    page << "<h2>" << Titles[static_cast<size_t>(step)] << "</h2>\n";
    // Whole pixels only, so that the page is the same wherever it is written.
    constexpr uint64_t Left = 50, Top = 10, Height = 200;
    const uint64_t barWidth = std::clamp<uint64_t>(720 / barCount, 2, 40);
    const uint64_t width = Left + barWidth * barCount + 10;
    page << "<svg id=\"timeline\" width=\"" << width << "\" height=\"" << (Top + Height + 30)
         << "\" role=\"img\">";
    page << "<text x=\"" << (Left - 4) << "\" y=\"" << (Top + 10) << "\" text-anchor=\"end\">" << highest
         << "</text><text x=\"" << (Left - 4) << "\" y=\"" << (Top + Height)
         << "\" text-anchor=\"end\">0</text>";
    page << "<path d=\"M" << Left << " " << Top << "V" << (Top + Height) << "H" << (width - 10)
         << "\" stroke=\"#000\" fill=\"none\"/>\n";
    const size_t labelEvery = (barCount + 5) / 6;
    for (size_t i = 0; i < barCount; ++i) {
        const uint64_t x = Left + barWidth * i;
        // Each segment's top and bottom from the running total, so that the stack is exactly its bar.
        uint64_t below = 0;
        for (size_t reading = 0; reading < ReadingCount; ++reading) {
            const uint64_t n = bars[i][reading];
            if (n == 0) {
                continue;
            }
            const uint64_t bottom = Top + Height - below * Height / highest;
            below += n;
            const uint64_t top = Top + Height - below * Height / highest;
            page << "<rect class=\"r" << reading << "\" x=\"" << x << "\" y=\"" << top << "\" width=\""
                 << barWidth << "\" height=\"" << (bottom - top) << "\" data-n=\"" << n << "\"><title>";
            AppendBarStart(page, step, firstBar + static_cast<int64_t>(i));
            page << " " << SeverityRows[reading].name << ": " << n << "</title></rect>";
        }
        if (i % labelEvery == 0) {
            page << "<text x=\"" << x << "\" y=\"" << (Top + Height + 16) << "\">";
            AppendBarStart(page, step, firstBar + static_cast<int64_t>(i));
            page << "</text>";
        }
        page << "\n";
    }
    page << "</svg>\n";
    if (untimed != 0) {
        page << "<p>" << Text::Untimed << untimed << "</p>\n";
    }
}

void AppendClasses(Page& page, std::span<const LogEntry> entries) {
    std::map<uint16_t, uint64_t> counts;
    for (const LogEntry& entry : entries) {
        ++counts[entry.Class()];
    }
    std::vector<std::pair<uint16_t, uint64_t>> classes(counts.begin(), counts.end());
    std::stable_sort(classes.begin(), classes.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    page << "<h2>" << Text::ByClass << "</h2>\n";
    constexpr uint64_t Row = 18, BarLeft = 240, BarSpan = 420;
    const uint64_t highest = classes.front().second;
    page << "<svg id=\"classes\" width=\"" << (BarLeft + BarSpan + 70) << "\" height=\""
         << (Row * classes.size() + 4) << "\" role=\"img\">\n";
    char name[DescriptionBufferSize];
    for (size_t i = 0; i < classes.size(); ++i) {
        const auto [eventClass, n] = classes[i];
        const uint64_t y = Row * i + 2;
        const uint64_t length = std::max<uint64_t>(1, n * BarSpan / highest);
        FormatClassName(eventClass, name);
        page << "<text x=\"" << (BarLeft - 6) << "\" y=\"" << (y + 12) << "\" text-anchor=\"end\">";
        page.Escaped(name) << " (" << eventClass << ")</text><rect class=\"c\" x=\"" << BarLeft << "\" y=\""
                           << y << "\" width=\"" << length << "\" height=\"" << (Row - 4) << "\" data-n=\""
                           << n << "\"/><text x=\"" << (BarLeft + length + 4) << "\" y=\"" << (y + 12)
                           << "\">" << n << "</text>\n";
    }
    page << "</svg>\n";
}

// The entries with the highest counts, and the class and code pairs with the most entries, with their
// occurrences and the newest entry's description.
void AppendRepeats(Page& page, std::span<const LogEntry> entries) {
    page << "<h2>" << Text::Repeating << "</h2>\n";
    std::vector<const LogEntry*> counted;
    for (const LogEntry& entry : entries) {
        if (entry.Count() > 1) {
            counted.push_back(&entry);
        }
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const LogEntry* a, const LogEntry* b) { return a->Count() > b->Count(); });
    counted.resize(std::min(counted.size(), RepeatRows));

    struct Pair {
        uint64_t entries = 0;
        uint64_t occurrences = 0;
        const LogEntry* newest = nullptr;
    };
    std::map<std::pair<uint16_t, uint16_t>, Pair> pairs;
    for (const LogEntry& entry : entries) {
        Pair& pair = pairs[{entry.Class(), entry.Code()}];
        ++pair.entries;
        pair.occurrences += entry.Count();
        pair.newest = &entry;
    }
    std::vector<const Pair*> frequent;
    for (const auto& [key, pair] : pairs) {
        if (pair.entries > 1) {
            frequent.push_back(&pair);
        }
    }
    std::stable_sort(frequent.begin(), frequent.end(),
                     [](const Pair* a, const Pair* b) { return a->entries > b->entries; });
    frequent.resize(std::min(frequent.size(), RepeatRows));

    if (counted.empty() && frequent.empty()) {
        page << "<p>" << Text::NoRepeats << "</p>\n";
        return;
    }
    if (!counted.empty()) {
        page << "<h3>" << Text::HighestCounts << "</h3>\n";
        AppendEntryTable(page, ColumnFields, counted, "");
    }
    if (!frequent.empty()) {
        page << "<h3>" << Text::FrequentPairs << "</h3>\n<table class=\"sort\"><thead><tr><th>";
        page.Escaped(page.Title(ClassColumnTitle)) << "</th><th>";
        page.Escaped(page.Title(CodeColumnTitle))
            << "</th><th>" << Text::Entries << "</th><th>" << Text::Occurrences << "</th><th>";
        page.Escaped(page.Title(DescriptionColumnTitle)) << "</th></tr></thead><tbody>\n";
        char buffer[DescriptionBufferSize];
        for (const Pair* pair : frequent) {
            page << "<tr>";
            AppendCell(page, *pair->newest, EntryField::ClassName, buffer);
            AppendCell(page, *pair->newest, EntryField::Code, buffer);
            page << "<td>" << pair->entries << "</td><td>" << pair->occurrences << "</td>";
            AppendCell(page, *pair->newest, EntryField::Description, buffer);
            page << "</tr>\n";
        }
        page << "</tbody></table>\n";
    }
}

} // namespace

void WriteHtmlReport(const ReportHeader& header, std::span<const LogEntry> entries, const ReportSink& sink) {
    Page page(sink, header.language);
    page << "<!DOCTYPE html>\n<html lang=\"" << (header.language == Language::Japanese ? "ja" : "en")
         << "\"><head><meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; script-src '"
         << PageScriptHash
         << "'\">\n"
            "<meta name=\"viewport\" content=\"width=device-width\">\n<title>"
         << Text::Title << ": ";
    page.Escaped(header.source) << "</title>\n<style>" << PageStyle << "</style></head>\n<body>\n";
    AppendPatterns(page);
    const Summary summary = Summarize(entries);
    AppendHeader(page, header, entries, summary);
    if (entries.empty()) {
        page << "<p>" << Text::NoEntries << "</p>\n</body></html>\n";
        page.Flush();
        return;
    }
    // The overview first; the long lists follow it.
    AppendTimeline(page, entries, summary);
    AppendClasses(page, entries);
    AppendAttention(page, entries);
    AppendRepeats(page, entries);
    page << "<h2>" << Text::WholeLog << "</h2>\n<p><input id=\"q\" type=\"search\" hidden placeholder=\""
         << Text::Filter << "\" aria-label=\"" << Text::Filter << "\"></p>\n";
    std::vector<const LogEntry*> rows;
    rows.reserve(entries.size());
    for (const LogEntry& entry : entries) {
        rows.push_back(&entry);
    }
    AppendEntryTable(page, ColumnFields, rows, "log");
    page << "<script>" << PageScript << "</script>\n</body></html>\n";
    page.Flush();
}

std::string FormatHtmlReport(const ReportHeader& header, std::span<const LogEntry> entries) {
    std::string page;
    WriteHtmlReport(header, entries, [&page](std::string_view piece) { page.append(piece); });
    return page;
}

} // namespace kestrav
