#include "shell/CommandLine.h"

#include "shell/Apps.h"
#include "ui/Format.h"
#include "base/Format.h"
#include "base/Text.h"
#include "base/CaseFold.h"

const char16_t COMMAND_USAGE[] =
    u"Pellacord keeps this PC awake while an app, and everything it starts, is working.\r\n"
    u"\r\n"
    u"Usage:\r\n"
    u"  Pellacord.exe [--watch TARGET | --run \"COMMAND LINE\"] [--cpu PERCENT] [--disk RATE]\r\n"
    u"                [--net RATE] [--mem PER_SECOND] [--wait DURATION] [--screen] [--then ACTION]\r\n"
    u"                [--battery PERCENT] [--gpu PERCENT]\r\n"
    u"  Pellacord.exe --release [IMAGE.exe] | --show | --exit | --help | --version | --tray\r\n"
    u"  Pellacord.exe --rule IMAGE.exe [the limits, --screen and --then as above]\r\n"
    u"  Pellacord.exe --forget IMAGE.exe | --rules\r\n"
    u"  Pellacord.exe --for DURATION | --until HH:MM | --hold [--screen] [--then ACTION]\r\n"
    u"\r\n"
    u"  --watch TARGET        a process id; an image name ending in .exe (its oldest running\r\n"
    u"                        process, or the next one to start); or text in an open app's title\r\n"
    u"  --run \"COMMAND LINE\"  start the command and watch it\r\n"
    u"  --cpu 20%             processor use of one core that counts as working\r\n"
    u"  --disk 1MB/s          disk traffic (B/s, KB/s or MB/s)\r\n"
    u"  --net 2KB/s           other traffic, while the app holds a connection\r\n"
    u"  --mem 3000/s          page faults a second\r\n"
    u"  --wait 10m            how long it must stay quiet (30s to 30m, such as 45s or 1m30s)\r\n"
    u"  --screen              keep the screen on too\r\n"
    u"  --battery 20%         on battery at or below this, release the lock (the watch goes on)\r\n"
    u"  --gpu 20%             use of the busiest graphics engine that counts as working (1% to\r\n"
    u"                        100%), where Windows keeps GPU statistics\r\n"
    u"  --then ACTION         when the work is finished: sleep, hibernate, shutdown, exit or none\r\n"
    u"                        (for --run: when the command and all it started have ended)\r\n"
    u"  --release             stop the running copy's watch and hold (with an image: every watch\r\n"
    u"                        of it)\r\n"
    u"  --rule IMAGE.exe      whenever a process of that image runs, watch it with these limits\r\n"
    u"  --forget IMAGE.exe    remove the rule for that image\r\n"
    u"  --rules               print the rules\r\n"
    u"  --for 2h              keep this PC awake for a while, without an app (1m to 24h, such\r\n"
    u"                        as 30m or 1h30m); --then acts once the time is up\r\n"
    u"  --until 07:30         keep it awake until the next such local time\r\n"
    u"  --hold                keep it awake until released (--release, or the tray menu)\r\n"
    u"  --tray                start in the tray, without the window\r\n"
    u"  --show                show the running copy's window\r\n"
    u"  --exit                end the running copy\r\n"
    u"  --version             print the version\r\n"
    u"\r\n"
    u"A value without a unit is in the unit shown (--wait 10 is ten minutes), and may have a\r\n"
    u"fraction (--disk 0.5MB/s). The limits apply to this watch only. Exit codes: 0 done, 2 usage\r\n"
    u"error, 3 target not found, 4 the running copy did not answer; a --run that ends with its\r\n"
    u"command exits with the command's own code.\r\n";

namespace {

bool EndsWith(const char16_t* text, const char16_t* suffix) {
    int32_t n = WideLength(text);
    int32_t m = WideLength(suffix);
    return n >= m && EqualIgnoringCase(text + n - m, suffix);
}

// A process's image name as a rule names it: a file name ending in .exe, without a folder or
// a character Windows forbids in names, that fits where image names are kept.
bool ValidImageName(const char16_t* text) {
    const int32_t n = WideLength(text);
    if (n <= 4 || n >= APP_IMAGE_CAPACITY || !EndsWith(text, u".exe")) {
        return false;
    }
    for (const char16_t* c = text; *c; c++) {
        if (*c < 0x20 || *c == u'\\' || *c == u'/' || *c == u':' || *c == u'*' || *c == u'?' || *c == u'"' ||
            *c == u'<' || *c == u'>' || *c == u'|') {
            return false;
        }
    }
    return true;
}

// A decimal number: digits, then optionally a point and more digits ("12", "0.0625"). The
// fraction keeps its first nine digits.
struct Decimal {
    uint64_t whole;
    uint64_t fraction;
    uint64_t scale;  // 10 to the number of fraction digits kept
};

// Returns the position after the number, or null when there is none or it is far past any limit.
const char16_t* ReadDecimal(const char16_t* s, Decimal* d) {
    *d = Decimal{0, 0, 1};
    int32_t digits = 0;
    while (*s >= u'0' && *s <= u'9') {
        d->whole = d->whole * 10 + static_cast<uint64_t>(*s - u'0');
        if (++digits > 10) {
            return nullptr;
        }
        s++;
    }
    if (digits == 0) {
        return nullptr;
    }
    if (*s == u'.') {
        s++;
        if (*s < u'0' || *s > u'9') {
            return nullptr;
        }
        for (; *s >= u'0' && *s <= u'9'; s++) {
            if (d->scale < 1000000000) {
                d->fraction = d->fraction * 10 + static_cast<uint64_t>(*s - u'0');
                d->scale *= 10;
            }
        }
    }
    return s;
}

bool Fits(uint64_t v, uint32_t* out) {
    if (v > 0xFFFFFFFFull) {
        return false;
    }
    *out = static_cast<uint32_t>(v);
    return true;
}

// The number in units of `unit`, rounded to the nearest whole unit.
uint64_t Times(const Decimal& d, uint64_t unit) {
    return d.whole * unit + (d.fraction * unit + d.scale / 2) / d.scale;
}

}  // namespace

bool ParsePercent(const char16_t* text, uint32_t* permille) {
    Decimal d;
    const char16_t* rest = ReadDecimal(text, &d);
    if (!rest || (*rest != 0 && !(rest[0] == u'%' && rest[1] == 0))) {
        return false;
    }
    return Fits(Times(d, 10), permille);  // a tenth of a percent is a permille
}

bool ParseByteRate(const char16_t* text, uint32_t bareUnit, uint32_t* bytesPerSecond) {
    Decimal d;
    const char16_t* rest = ReadDecimal(text, &d);
    if (!rest) {
        return false;
    }
    if (!*rest) {
        return Fits(Times(d, bareUnit), bytesPerSecond);
    }
    struct Unit { const char16_t* name; uint64_t bytes; };
    static const Unit UNITS[] = {{u"B/s", 1}, {u"KB/s", 1024}, {u"MB/s", 1048576}};
    for (const Unit& u : UNITS) {
        if (EqualIgnoringCase(rest, u.name)) {
            return Fits(Times(d, u.bytes), bytesPerSecond);
        }
    }
    return false;
}

bool ParseCountRate(const char16_t* text, uint32_t* perSecond) {
    Decimal d;
    const char16_t* rest = ReadDecimal(text, &d);
    if (!rest || (*rest != 0 && !EqualIgnoringCase(rest, u"/s"))) {
        return false;
    }
    return Fits(Times(d, 1), perSecond);
}

namespace {

struct TimeUnit {
    char16_t letter;
    uint64_t milliseconds;
};

// A time in milliseconds: a bare number of minutes, or numbers each followed by its unit's
// letter, the largest first and each once ("1h30m", "1m30s"). False for anything else.
bool ParseTime(const char16_t* text, const TimeUnit* units, int32_t unitCount, uint64_t* total) {
    Decimal d;
    const char16_t* s = ReadDecimal(text, &d);
    if (s && !*s) {
        *total = Times(d, 60000);
        return true;
    }
    *total = 0;
    int32_t next = 0;  // the largest unit still allowed
    for (s = text; *s; s++) {
        s = ReadDecimal(s, &d);
        if (!s) {
            return false;
        }
        int32_t u = next;
        while (u < unitCount && units[u].letter != FoldCase(*s)) {
            u++;
        }
        if (u == unitCount) {
            return false;
        }
        *total += Times(d, units[u].milliseconds);
        next = u + 1;
    }
    return next > 0;
}

}  // namespace

bool ParseDuration(const char16_t* text, uint32_t* milliseconds) {
    static const TimeUnit UNITS[] = {{u'm', 60000}, {u's', 1000}};
    uint64_t total = 0;
    return ParseTime(text, UNITS, 2, &total) && Fits(total, milliseconds);
}

bool ParseHoldLength(const char16_t* text, uint32_t* milliseconds) {
    static const TimeUnit UNITS[] = {{u'h', 3600000}, {u'm', 60000}};
    uint64_t total = 0;
    return ParseTime(text, UNITS, 2, &total) && Fits((total + 30000) / 60000 * 60000, milliseconds);
}

bool ParseClockTime(const char16_t* text, uint32_t* minute) {
    uint32_t hour = 0;
    int32_t i = 0;
    for (; text[i] >= u'0' && text[i] <= u'9' && i < 2; i++) {
        hour = hour * 10 + static_cast<uint32_t>(text[i] - u'0');
    }
    if (i == 0 || text[i] != u':' || hour > 23) {
        return false;
    }
    const char16_t* m = text + i + 1;
    if (m[0] < u'0' || m[0] > u'5' || m[1] < u'0' || m[1] > u'9' || m[2] != 0) {
        return false;
    }
    *minute = hour * 60 + static_cast<uint32_t>((m[0] - u'0') * 10 + (m[1] - u'0'));
    return true;
}

int32_t RunAsWatchCommandLine(char16_t* out, int32_t capacity, const char16_t* const* args, int32_t count,
                              uint32_t pid) {
    if (count > COMMAND_ARGUMENTS_MAX) {
        return -1;
    }
    const char16_t* rewritten[COMMAND_ARGUMENTS_MAX];
    char16_t pidText[16];
    FormatText(pidText, 16, u"%u", pid);
    int32_t n = 0;
    for (int32_t i = 0; i < count; i++) {
        if (i > 0 && EqualIgnoringCase(args[i], u"--run") && i + 1 < count) {
            rewritten[n++] = u"--run-pid";
            rewritten[n++] = pidText;
            i++;
        } else {
            rewritten[n++] = args[i];
        }
    }
    return JoinCommandLine(out, capacity, rewritten, n);
}

namespace {

struct LimitOption {
    const char16_t* name;
    int32_t row;
    bool (*parse)(const char16_t* text, uint32_t* value);
    const char16_t* example;
};

// A value without a unit is in the unit the usage text shows for the option.
bool ParseDiskRate(const char16_t* text, uint32_t* value) {
    return ParseByteRate(text, 1048576, value);
}

bool ParseNetRate(const char16_t* text, uint32_t* value) {
    return ParseByteRate(text, 1024, value);
}

const LimitOption LIMIT_OPTIONS[] = {
    {u"--cpu", 0, ParsePercent, u"20%"},
    {u"--disk", 1, ParseDiskRate, u"1MB/s"},
    {u"--net", 2, ParseNetRate, u"2KB/s"},
    {u"--mem", 3, ParseCountRate, u"3000/s"},
    {u"--wait", WAIT_ROW, ParseDuration, u"10m"},
};

template <typename... Args>
int32_t Fail(Command* out, FormatString<char16_t, std::type_identity_t<Args>...> format, Args... args) {
    FormatText(out->error, COMMAND_ERROR_CAPACITY, format, args...);
    return EXIT_USAGE;
}

// A limit's bounds as the window shows them, for the message about a value outside them.
void FormatBound(char16_t* out, int32_t row, uint32_t value) {
    if (row == WAIT_ROW) {
        FormatDuration(out, METRIC_TEXT_CAPACITY, value);
    } else {
        FormatMetricValue(out, METRIC_TEXT_CAPACITY, static_cast<Metric>(row), value);
    }
}

// A process id: decimal digits only, not 0, within 32 bits.
bool ParsePid(const char16_t* text, uint32_t* pid) {
    uint64_t v = 0;
    for (const char16_t* d = text; *d; d++) {
        if (*d < u'0' || *d > u'9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(*d - u'0');
        if (v > 0xFFFFFFFFull) {
            return false;
        }
    }
    return v != 0 && Fits(v, pid);
}

}  // namespace

int32_t ParseCommand(const char16_t* const* args, int32_t count, const LimitTable* bounds, Command* out) {
    *out = Command{};
    out->kind = CommandKind::Start;
    bool sole = false;   // --release, --show, --exit, --help or --version
    bool watchOption = false;
    for (int32_t i = 0; i < count; i++) {
        const char16_t* a = args[i];
        const char16_t* value = i + 1 < count ? args[i + 1] : nullptr;
        bool handled = false;
        struct Sole { const char16_t* name; CommandKind kind; };
        static const Sole SOLES[] = {{u"--release", CommandKind::Release}, {u"--show", CommandKind::Show},
                                     {u"--exit", CommandKind::Exit},       {u"--help", CommandKind::Help},
                                     {u"--version", CommandKind::Version}, {u"-h", CommandKind::Help},
                                     {u"/?", CommandKind::Help},           {u"--rules", CommandKind::Rules},
                                     {u"--tray", CommandKind::Start}};
        for (const Sole& s : SOLES) {
            if (EqualIgnoringCase(a, s.name)) {
                if (out->kind != CommandKind::Start || sole) {
                    return Fail(out, u"%s cannot be given with other options", a);
                }
                out->kind = s.kind;
                out->tray = s.kind == CommandKind::Start;
                sole = true;
                handled = true;
                // --release IMAGE.exe: every watch of that image.
                if (s.kind == CommandKind::Release && value && value[0] && !(value[0] == u'-' && value[1] == u'-')) {
                    if (!ValidImageName(value)) {
                        return Fail(out, u"--release takes an image name such as render.exe, not \"%s\"", value);
                    }
                    CopyWide(out->text, value, COMMAND_TEXT_CAPACITY);
                    i++;
                }
            }
        }
        if (handled) {
            continue;
        }
        if (sole) {
            return Fail(out, u"%s cannot be given with --release, --show, --exit, --help, --version, --rules or --tray",
                        a);
        }
        const bool rule = EqualIgnoringCase(a, u"--rule");
        if (rule || EqualIgnoringCase(a, u"--forget")) {
            if (out->kind != CommandKind::Start) {
                return Fail(out, u"%s cannot be given with --watch, --run, --rule or --forget", a);
            }
            if (!value || !ValidImageName(value)) {
                return Fail(out, u"%s needs an image name such as render.exe, not \"%s\"", a, value ? value : u"");
            }
            CopyWide(out->text, value, COMMAND_TEXT_CAPACITY);
            out->kind = rule ? CommandKind::Rule : CommandKind::Forget;
            i++;
            continue;
        }
        const bool forHold = EqualIgnoringCase(a, u"--for");
        const bool untilHold = EqualIgnoringCase(a, u"--until");
        if (forHold || untilHold || EqualIgnoringCase(a, u"--hold")) {
            if (out->kind != CommandKind::Start) {
                return Fail(out, u"%s cannot be given with --watch, --run, --rule, --forget or another hold", a);
            }
            out->kind = CommandKind::Hold;
            out->hold.kind = forHold ? HoldKind::For : untilHold ? HoldKind::Until : HoldKind::Open;
            if (forHold) {
                if (!value || !ParseHoldLength(value, &out->hold.lengthMs) || out->hold.lengthMs < HOLD_MIN_MS ||
                    out->hold.lengthMs > HOLD_MAX_MS) {
                    return Fail(out, u"--for takes a time from 1m to 24h, such as 30m or 1h30m, not \"%s\"",
                                value ? value : u"");
                }
                i++;
            } else if (untilHold) {
                if (!value || !ParseClockTime(value, &out->hold.untilMinute)) {
                    return Fail(out, u"--until takes a local time such as 07:30, not \"%s\"", value ? value : u"");
                }
                i++;
            }
            continue;
        }
        const bool runPid = EqualIgnoringCase(a, u"--run-pid");
        if (EqualIgnoringCase(a, u"--watch") || EqualIgnoringCase(a, u"--run") || runPid) {
            bool run = EqualIgnoringCase(a, u"--run");
            if (out->kind != CommandKind::Start) {
                return Fail(out, u"only one of --watch, --run, --rule and --forget may be given");
            }
            // "--watch --cpu 20%" is a missing target, not a watch of the title "--cpu".
            if (!value || !*value || (value[0] == u'-' && value[1] == u'-')) {
                return Fail(out, u"%s needs a value, such as %s", a, run ? u"\"make -j8\"" : u"render.exe");
            }
            if (WideLength(value) >= COMMAND_TEXT_CAPACITY) {
                return Fail(out, u"the value of %s is too long", a);
            }
            CopyWide(out->text, value, COMMAND_TEXT_CAPACITY);
            out->kind = run ? CommandKind::Run : CommandKind::Watch;
            if (runPid) {
                // A --run another copy started, handed over: its job ends with its tree.
                if (!ParsePid(value, &out->pid)) {
                    return Fail(out, u"--run-pid needs a process id, not \"%s\"", value);
                }
                out->targetKind = TargetKind::Pid;
                out->options.untilTreeEnds = true;
            } else if (!run) {
                out->targetKind = ParsePid(value, &out->pid)  ? TargetKind::Pid
                                  : EndsWith(value, u".exe") ? TargetKind::Image
                                                             : TargetKind::Title;
            }
            i++;
            continue;
        }
        for (const LimitOption& o : LIMIT_OPTIONS) {
            if (!EqualIgnoringCase(a, o.name)) {
                continue;
            }
            if (out->options.hasLimit[o.row]) {
                return Fail(out, u"%s is given twice", a);
            }
            uint32_t v = 0;
            if (!value || !o.parse(value, &v)) {
                return Fail(out, u"%s needs a value such as %s, not \"%s\"", a, o.example, value ? value : u"");
            }
            const LimitRow* row = &bounds->rows[o.row];
            if (v < row->minValue || v > row->maxValue) {
                char16_t lo[METRIC_TEXT_CAPACITY], hi[METRIC_TEXT_CAPACITY], range[2 * METRIC_TEXT_CAPACITY + 8];
                FormatBound(lo, o.row, row->minValue);
                FormatBound(hi, o.row, row->maxValue);
                FormatText(range, 2 * METRIC_TEXT_CAPACITY + 8, u"%s to %s", lo, hi);
                return Fail(out, u"%s takes a value from %s, not %s", a, range, value);
            }
            out->options.hasLimit[o.row] = true;
            out->options.limit[o.row] = v;
            watchOption = true;
            handled = true;
            i++;
        }
        if (handled) {
            continue;
        }
        if (EqualIgnoringCase(a, u"--screen")) {
            if (out->options.screen) {
                return Fail(out, u"--screen is given twice");
            }
            out->options.screen = true;
            watchOption = true;
            continue;
        }
        if (EqualIgnoringCase(a, u"--battery")) {
            if (out->options.hasBattery) {
                return Fail(out, u"--battery is given twice");
            }
            // Whole percent of the battery, 0 (none) to 100.
            uint32_t permille = 0;
            if (!value || !ParsePercent(value, &permille) || permille % 10 != 0 || permille > 1000) {
                return Fail(out, u"--battery takes a whole percent from 0%% to 100%%, such as 20%%, not \"%s\"",
                            value ? value : u"");
            }
            out->options.hasBattery = true;
            out->options.battery = permille / 10;
            watchOption = true;
            i++;
            continue;
        }
        if (EqualIgnoringCase(a, u"--gpu")) {
            if (out->options.hasGpu) {
                return Fail(out, u"--gpu is given twice");
            }
            uint32_t permille = 0;
            if (!value || !ParsePercent(value, &permille)) {
                return Fail(out, u"--gpu needs a value such as 20%%, not \"%s\"", value ? value : u"");
            }
            if (permille < GPU_LIMIT_MIN || permille > GPU_LIMIT_MAX) {
                return Fail(out, u"--gpu takes a value from 1%% to 100%%, not %s", value);
            }
            out->options.hasGpu = true;
            out->options.gpu = permille;
            watchOption = true;
            i++;
            continue;
        }
        if (EqualIgnoringCase(a, u"--then")) {
            if (out->hasThen) {
                return Fail(out, u"--then is given twice");
            }
            if (!value || !FinishActionNamed(value, &out->options.then)) {
                return Fail(out, u"--then takes sleep, hibernate, shutdown, exit or none, not \"%s\"",
                            value ? value : u"");
            }
            out->hasThen = true;
            watchOption = true;
            i++;
            continue;
        }
        return Fail(out, u"unknown option \"%s\"", a);
    }
    if (out->kind == CommandKind::Hold) {
        bool limits = out->options.hasBattery || out->options.hasGpu;
        for (bool given : out->options.hasLimit) {
            limits = limits || given;
        }
        if (limits) {
            return Fail(out, u"--for, --until and --hold take only --screen and --then");
        }
        if (out->hasThen && out->hold.kind == HoldKind::Open) {
            return Fail(out, u"--then goes with --for or --until: a hold until released has no end to act on");
        }
        out->hold.screen = out->options.screen;
        out->hold.then = out->options.then;
        return EXIT_OK;
    }
    if (watchOption && out->kind != CommandKind::Watch && out->kind != CommandKind::Run &&
        out->kind != CommandKind::Rule) {
        return Fail(out, u"the limits, --screen, --battery and --then go with --watch, --run or --rule");
    }
    if (out->kind == CommandKind::Rule && out->options.hasBattery) {
        return Fail(out, u"--battery goes with --watch or --run: the battery floor is the same for every rule");
    }
    return EXIT_OK;
}

namespace {

// A percent with its tenth when it has one: 125 permille is "12.5%".
int32_t FormatPermille(char16_t* out, int32_t capacity, uint32_t permille) {
    return permille % 10 != 0 ? FormatText(out, capacity, u"%u.%u%%", permille / 10, permille % 10)
                              : FormatText(out, capacity, u"%u%%", permille / 10);
}

int32_t FormatRate(char16_t* out, int32_t capacity, uint32_t bytes) {
    if (bytes != 0 && bytes % 1048576 == 0) {
        return FormatText(out, capacity, u"%uMB/s", bytes / 1048576);
    }
    if (bytes != 0 && bytes % 1024 == 0) {
        return FormatText(out, capacity, u"%uKB/s", bytes / 1024);
    }
    return FormatText(out, capacity, u"%uB/s", bytes);
}

int32_t FormatWait(char16_t* out, int32_t capacity, uint32_t ms) {
    if (ms % 1000 != 0) {
        return FormatText(out, capacity, u"%u.%03us", ms / 1000, ms % 1000);
    }
    const uint32_t minutes = ms / 60000, seconds = ms / 1000 % 60;
    if (minutes == 0) {
        return FormatText(out, capacity, u"%us", seconds);
    }
    return seconds == 0 ? FormatText(out, capacity, u"%um", minutes)
                        : FormatText(out, capacity, u"%um%us", minutes, seconds);
}

}  // namespace

int32_t FormatWatchOptions(char16_t* out, int32_t capacity, const WatchOptions* o, bool hasThen) {
    int32_t n = 0;
    if (capacity > 0) {
        out[0] = 0;
    }
    auto put = [&](const char16_t* name, const char16_t* value) {
        if (n < capacity) {
            n += value ? FormatText(out + n, capacity - n, u" %s %s", name, value)
                       : FormatText(out + n, capacity - n, u" %s", name);
        }
    };
    char16_t value[32];
    for (const LimitOption& l : LIMIT_OPTIONS) {
        if (!o->hasLimit[l.row]) {
            continue;
        }
        const uint32_t v = o->limit[l.row];
        if (l.row == 0) {
            FormatPermille(value, 32, v);
        } else if (l.row == WAIT_ROW) {
            FormatWait(value, 32, v);
        } else if (l.parse == ParseCountRate) {
            FormatText(value, 32, u"%u/s", v);
        } else {
            FormatRate(value, 32, v);
        }
        put(l.name, value);
    }
    if (o->hasGpu) {
        FormatPermille(value, 32, o->gpu);
        put(u"--gpu", value);
    }
    if (o->hasBattery) {
        FormatText(value, 32, u"%u%%", o->battery);
        put(u"--battery", value);
    }
    if (o->screen) {
        put(u"--screen", nullptr);
    }
    if (hasThen) {
        put(u"--then", FinishNamesOf(o->then)->command);
    }
    return n;
}

int32_t ParseCommandLine(const char16_t* line, CommandArguments* a, Command* out) {
    a->count = SplitCommandLine(line, a->text, COMMAND_LINE_CAPACITY, a->args, COMMAND_ARGUMENTS_MAX);
    if (a->count < 0) {
        a->count = 0;
        *out = Command{};
        CopyWide(out->error, u"the command line has too many arguments", COMMAND_ERROR_CAPACITY);
        return EXIT_USAGE;
    }
    LimitTable bounds;
    SetDefaultLimits(&bounds);
    return ParseCommand(a->args + 1, a->count > 0 ? a->count - 1 : 0, &bounds, out);
}
