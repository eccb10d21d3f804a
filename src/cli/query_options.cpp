#include "cli/query_options.h"

#include <algorithm>
#include <charconv>

#include "cli/options.h"
#include "cli/status_log.h"
#include "platform/event_log.h"
#include "platform/journal.h"
#include "platform/system.h"
#include "record/severity.h"
#include "record/stamp.h"
#include "record/text_rules.h"
#include "render/civil_time.h"

namespace kestrav {

namespace {

// The whole text as an unsigned number not above max: decimal digits, or "0x" and hexadecimal digits when
// hex is allowed. No sign, blank or empty text.
std::optional<uint64_t> ParseNumber(std::string_view text, bool hex, uint64_t max) {
    int base = 10;
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text[0] == '+' || text[0] == '-') {
        return std::nullopt;
    }
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// The comma-separated items of a list, empty items included (so that "a,,b" and "a," are refused).
std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> items;
    for (;;) {
        size_t comma = text.find(',');
        items.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            return items;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string Quoted(std::string_view text) {
    return "'" + EscapeControls(text) + "'";
}

// The digits at text[at, at + count) as a number; -1 when any of them is not a digit.
int DigitsAt(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The minute key of a wall-clock time given in seconds; whole minutes only, so a time with seconds stands for
// the next minute (roundUp, for --since) or its own (for --until).
MinuteKey KeyOfSeconds(int64_t seconds, bool roundUp) {
    if (roundUp) {
        seconds += 59;
    }
    const CivilTime time = CivilFromSeconds(seconds - ((seconds % 60) + 60) % 60);
    return MinuteKeyOf(time.year, time.month, time.day, time.hour, time.minute);
}

// "Z", or "+HH:MM" / "-HH:MM": the offset east of UTC in seconds.
std::optional<int64_t> ParseZone(std::string_view text) {
    if (text == "Z") {
        return 0;
    }
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') {
        return std::nullopt;
    }
    int hours = DigitsAt(text, 1, 2);
    int minutes = DigitsAt(text, 4, 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) {
        return std::nullopt;
    }
    const int64_t offset = hours * 3600 + minutes * 60;
    return text[0] == '-' ? -offset : offset;
}

// A time as administrators type it, as a minute of the host's local time:
//   "today", "yesterday", "YYYY-MM-DD"   the day's first minute, or its last one when endOfDay is set
//   "YYYY-MM-DDTHH:MM[:SS]"              local time ("T" or a blank between date and time), or with "Z" or
//                                        "+HH:MM" / "-HH:MM" after it, that instant in local time
std::optional<MinuteKey> ParseTime(std::string_view text, bool endOfDay) {
    auto wholeDay = [endOfDay](const CivilTime& date) {
        return endOfDay ? MinuteKeyOf(date.year, date.month, date.day, 23, 59)
                        : MinuteKeyOf(date.year, date.month, date.day, 0, 0);
    };
    if (text == "today" || text == "yesterday") {
        const std::tm now = platform::LocalTimeNow();
        CivilTime date;
        date.year = now.tm_year + 1900;
        date.month = now.tm_mon + 1;
        date.day = now.tm_mday;
        if (text == "yesterday") {
            date = CivilFromSeconds(CivilSeconds(date) - 86400);
        }
        return wholeDay(date);
    }
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    CivilTime time;
    time.year = DigitsAt(text, 0, 4);
    time.month = DigitsAt(text, 5, 2);
    time.day = DigitsAt(text, 8, 2);
    if (!IsCalendarDate(time.year, time.month, time.day)) {
        return std::nullopt;
    }
    if (text.size() == 10) {
        return wholeDay(time);
    }
    if (text.size() < 16 || (text[10] != 'T' && text[10] != ' ') || text[13] != ':') {
        return std::nullopt;
    }
    time.hour = DigitsAt(text, 11, 2);
    time.minute = DigitsAt(text, 14, 2);
    size_t at = 16;
    if (text.size() >= 19 && text[16] == ':') {
        time.second = DigitsAt(text, 17, 2);
        at = 19;
    }
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
        time.second > 59) {
        return std::nullopt;
    }
    int64_t seconds = CivilSeconds(time);
    if (at < text.size()) {
        std::optional<int64_t> offset = ParseZone(text.substr(at));
        CivilTime local;
        if (!offset || !LocalTimeAt(seconds - *offset, local)) {
            return std::nullopt;
        }
        seconds = CivilSeconds(local);
    }
    return KeyOfSeconds(seconds, !endOfDay);
}

// The severity bytes that one item of --severity names: a name (any case) or a number.
bool AddSeverities(std::string_view item, std::vector<uint8_t>& severities) {
    if (const SeverityRow* row = SeverityNamed(item)) {
        severities.insert(severities.end(), row->bytes, row->bytes + row->byteCount);
        return true;
    }
    if (auto number = ParseNumber(item, true, UINT8_MAX)) {
        severities.push_back(static_cast<uint8_t>(*number));
        return true;
    }
    return false;
}

// "A-B", "A-", "-B" or "A", A not above B.
bool ParseRange(std::string_view text, uint32_t& first, uint32_t& last) {
    size_t dash = text.find('-');
    std::string_view low = text.substr(0, dash);
    std::string_view high = dash == std::string_view::npos ? low : text.substr(dash + 1);
    if (low.empty() && high.empty()) {
        return false;
    }
    auto a = low.empty() ? std::optional<uint64_t>(0) : ParseNumber(low, false, UINT32_MAX);
    auto b = high.empty() ? std::optional<uint64_t>(UINT32_MAX) : ParseNumber(high, false, UINT32_MAX);
    if (!a || !b || *a > *b) {
        return false;
    }
    first = static_cast<uint32_t>(*a);
    last = static_cast<uint32_t>(*b);
    return true;
}

enum class Name {
    Help,
    Version,
    List,
    Json,
    Csv,
    Severity,
    Class,
    Number,
    Since,
    Until,
    Last,
    Dump,
    Input,
    Window,
    Follow,
    Interval,
    State,
    Journal,
    Events,
    Metrics,
    Utc,
    Check,
    Warning,
    Critical,
    Report,
};

struct OptionForm {
    std::string_view name;
    Name id;
    bool takesValue;
};

// --help and --version are taken before the others are looked at; here they are only refused with a value.
const OptionForm OptionForms[] = {
    {"--help", Name::Help, false},        {"--version", Name::Version, false},
    {"--list", Name::List, false},        {"--json", Name::Json, false},
    {"--csv", Name::Csv, false},          {"--severity", Name::Severity, true},
    {"--class", Name::Class, true},       {"--number", Name::Number, true},
    {"--since", Name::Since, true},       {"--until", Name::Until, true},
    {"--last", Name::Last, true},         {"--follow", Name::Follow, false},
    {"--interval", Name::Interval, true}, {"--state", Name::State, true},
    {"--journal", Name::Journal, false},  {"--metrics", Name::Metrics, true},
    {"--dump", Name::Dump, true},         {"--input", Name::Input, true},
    {"--window", Name::Window, false},    {"--utc", Name::Utc, false},
    {"--check", Name::Check, false},      {"--warning", Name::Warning, true},
    {"--critical", Name::Critical, true}, {"--eventlog", Name::Events, false},
    {"--report", Name::Report, true},
};

constexpr unsigned MaxInterval = 86400;

// The problem with how the follower's, the metrics' and the check's options are combined; "" when there is
// none.
std::string CombinationProblem(const QueryOptions& options, const std::vector<Name>& seen) {
    auto given = [&seen](Name name) { return std::find(seen.begin(), seen.end(), name) != seen.end(); };
    if (!options.check && (given(Name::Warning) || given(Name::Critical))) {
        return "--warning and --critical need --check";
    }
    for (Name name : {Name::List, Name::Json, Name::Csv, Name::Dump, Name::Follow, Name::Report}) {
        if (options.check && given(name)) {
            return "--check cannot be combined with --list, --json, --csv, --dump, --follow or --report";
        }
    }
    if (given(Name::Metrics) && seen.size() > 1) {
        return "--metrics cannot be combined with other options";
    }
    if (given(Name::Events) && !options.follow) {
        return "--eventlog needs --follow";
    }
    if (!options.follow) {
        for (Name name : {Name::Interval, Name::State, Name::Journal}) {
            if (given(name)) {
                return "--interval, --state and --journal need --follow";
            }
        }
        return "";
    }
    if (given(Name::Csv) || given(Name::Last)) {
        return "--follow cannot be combined with --csv or --last";
    }
    if (given(Name::Dump) || given(Name::Input)) {
        return "--follow reads the health device: it cannot be combined with --dump or --input";
    }
    if (given(Name::Report)) {
        return "--follow cannot be combined with --report";
    }
    if (options.journal && (given(Name::List) || given(Name::Json))) {
        return "--journal cannot be combined with --list or --json";
    }
    // A clear leaves out what the follower's state records as reported: that must be every entry it saw.
    if (options.eventLog) {
        for (Name name :
             {Name::List, Name::Json, Name::Severity, Name::Class, Name::Number, Name::Since, Name::Until}) {
            if (given(name)) {
                return "--eventlog reports every entry: it cannot be combined with --list, --json or a "
                       "filter";
            }
        }
    }
    return "";
}

// Applies one recognised option with its value to options; returns the problem, or "" when there is none.
std::string Apply(const OptionForm& form, std::string_view value, QueryOptions& options) {
    QueryFilter& filter = options.filter;
    const std::string named = std::string(form.name) + ": ";
    switch (form.id) {
    case Name::Help:
    case Name::Version: return "";
    case Name::List: options.output = QueryOutput::List; return "";
    case Name::Json: options.output = QueryOutput::Json; return "";
    case Name::Csv: options.output = QueryOutput::Csv; return "";
    case Name::Severity:
        for (std::string_view item : SplitList(value)) {
            if (!AddSeverities(item, filter.severities)) {
                return named + "invalid severity " + Quoted(item) +
                       " (critical, caution, repaired, informational or a number 0 to 255)";
            }
        }
        return "";
    case Name::Class:
        for (std::string_view item : SplitList(value)) {
            auto number = ParseNumber(item, true, UINT16_MAX);
            if (!number) {
                return named + "invalid class " + Quoted(item) + " (a number 0 to 65535, decimal or 0x hex)";
            }
            filter.classes.push_back(static_cast<uint16_t>(*number));
        }
        return "";
    case Name::Number:
        if (!ParseRange(value, filter.firstNumber, filter.lastNumber)) {
            return named + "invalid range " + Quoted(value) +
                   " (A-B, A-, -B or A, event numbers 0 to 4294967295, A not above B)";
        }
        return "";
    case Name::Since:
    case Name::Until: {
        auto key = ParseTime(value, form.id == Name::Until);
        if (!key) {
            return named + "invalid time " + Quoted(value) +
                   " (YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with 'T' or a blank, then 'Z' or +HH:MM if not"
                   " local time; today, yesterday)";
        }
        (form.id == Name::Since ? filter.since : filter.until) = key;
        return "";
    }
    case Name::Last: {
        auto count = ParseNumber(value, false, UINT32_MAX);
        if (!count) {
            return named + "invalid count " + Quoted(value) + " (a number 0 to 4294967295)";
        }
        filter.lastCount = static_cast<uint32_t>(*count);
        return "";
    }
    case Name::Dump:
    case Name::Input:
        if (value.empty()) {
            return named + "a file name is needed";
        }
        (form.id == Name::Dump ? options.dumpPath : options.inputPath) = std::string(value);
        return "";
    case Name::Report:
        if (value.empty()) {
            return named + "a file name is needed";
        }
        options.reportPath = std::string(value);
        return "";
    case Name::Window: options.window = true; return "";
    case Name::Follow: options.follow = true; return "";
    case Name::Interval: {
        auto seconds = ParseNumber(value, false, MaxInterval);
        if (!seconds || *seconds == 0) {
            return named + "invalid interval " + Quoted(value) + " (seconds, 1 to 86400)";
        }
        options.interval = static_cast<unsigned>(*seconds);
        return "";
    }
    case Name::State:
    case Name::Metrics:
        if (value.empty()) {
            return named + "the file name is empty";
        }
        (form.id == Name::State ? options.statePath : options.metricsPath) = std::string(value);
        return "";
    case Name::Journal:
        if (!JournalAvailable()) {
            return named + "this build cannot write to the system journal (only Linux builds can)";
        }
        options.journal = true;
        return "";
    case Name::Events:
        if (!platform::SystemEventsReported()) {
            return named + "this build cannot write to the Windows Event Log (only Windows builds can)";
        }
        options.eventLog = true;
        return "";
    case Name::Utc: options.utc = true; return "";
    case Name::Check: options.check = true; return "";
    case Name::Warning:
    case Name::Critical: {
        std::optional<CheckRange> range = ParseCheckRange(value);
        if (!range) {
            return named + "invalid threshold " + Quoted(value) +
                   " (N, N:, ~:N or N:M, inside with @ in front)";
        }
        (form.id == Name::Warning ? options.limits.warning : options.limits.critical) = *range;
        return "";
    }
    }
    return "";
}

// The problem with one argument, given which options came before it; "" when it is a valid option.
std::string ParseArgument(std::string_view argument, QueryOptions& options, std::vector<Name>& seen) {
    if (!IsQueryOption(argument)) {
        if (RecognizeOption(argument)) {
            return "the option " + Quoted(argument) + " cannot be combined with '--' options";
        }
        return "unexpected argument " + Quoted(argument);
    }
    size_t equals = argument.find('=');
    std::string_view name = argument.substr(0, equals);
    const OptionForm* form = nullptr;
    for (const OptionForm& candidate : OptionForms) {
        if (candidate.name == name) {
            form = &candidate;
        }
    }
    if (form == nullptr) {
        return "unrecognized option " + Quoted(name);
    }
    if (!form->takesValue && equals != std::string_view::npos) {
        return "option " + Quoted(name) + " takes no value";
    }
    if (form->takesValue && equals == std::string_view::npos) {
        return "option " + Quoted(name) + " needs a value: " + std::string(name) + "=...";
    }
    const bool isOutput = form->id == Name::List || form->id == Name::Json || form->id == Name::Csv;
    for (Name earlier : seen) {
        const bool earlierOutput = earlier == Name::List || earlier == Name::Json || earlier == Name::Csv;
        if (isOutput && earlierOutput) {
            return "only one of --list, --json and --csv can be given";
        }
        if (earlier == form->id) {
            return "option " + Quoted(name) + " can be given only once";
        }
    }
    seen.push_back(form->id);
    options.outputGiven = options.outputGiven || isOutput;
    return Apply(*form, equals == std::string_view::npos ? "" : argument.substr(equals + 1), options);
}

} // namespace

bool IsQueryOption(std::string_view argument) {
    return argument.size() >= 2 && argument[0] == '-' && argument[1] == '-';
}

bool HasQueryOption(std::span<const std::string_view> arguments) {
    return std::any_of(arguments.begin(), arguments.end(), IsQueryOption);
}

bool EntryMatches(const QueryFilter& filter, const LogEntry& entry) {
    auto listed = [](const auto& values, auto value) {
        return values.empty() || std::find(values.begin(), values.end(), value) != values.end();
    };
    if (!listed(filter.severities, entry.Severity()) || !listed(filter.classes, entry.Class())) {
        return false;
    }
    if (entry.EventNumber() < filter.firstNumber || entry.EventNumber() > filter.lastNumber) {
        return false;
    }
    if (filter.since || filter.until) {
        std::optional<MinuteKey> updated = StampMinute(entry.UpdateTime());
        if (!updated || (filter.since && *updated < *filter.since) ||
            (filter.until && *updated > *filter.until)) {
            return false;
        }
    }
    return true;
}

QueryOptions ParseQueryOptions(std::span<const std::string_view> arguments) {
    QueryOptions options;
    auto given = [&arguments](std::string_view name) {
        return std::find(arguments.begin(), arguments.end(), name) != arguments.end();
    };
    if (given("--help")) {
        options.action = QueryAction::Help;
        return options;
    }
    if (given("--version")) {
        options.action = QueryAction::Version;
        return options;
    }
    // A check's command line that is invalid is told as a check's state (UNKNOWN).
    options.check = given("--check");
    std::vector<Name> seen;
    for (std::string_view argument : arguments) {
        std::string problem = ParseArgument(argument, options, seen);
        if (!problem.empty()) {
            options.action = QueryAction::Invalid;
            options.error = problem;
            return options;
        }
    }
    // The window shows a whole dump, unfiltered, and prints nothing.
    if (options.window && (options.inputPath.empty() || seen.size() != 2)) {
        options.action = QueryAction::Invalid;
        options.error = "--window goes with --input=FILE and nothing else";
    } else if (std::string problem = CombinationProblem(options, seen); !problem.empty()) {
        options.action = QueryAction::Invalid;
        options.error = problem;
    }
    return options;
}

} // namespace kestrav
