#include "shell/RunLine.h"

#include "shell/Apps.h"
#include "base/CaseFold.h"

namespace {

constexpr int32_t NAME_CAPACITY = 4096;  // a program's name or path, a folder of PATH
const char16_t DEFAULT_PATH_EXT[] = u".COM;.EXE;.BAT;.CMD";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/' || c == u':';
}

// The extension of a file name: from its last dot after the last separator, or null.
const char16_t* ExtensionOf(const char16_t* name) {
    const char16_t* dot = nullptr;
    for (const char16_t* p = name; *p; p++) {
        if (IsSeparator(*p)) {
            dot = nullptr;
        } else if (*p == u'.') {
            dot = p;
        }
    }
    return dot && dot[1] ? dot : nullptr;
}

bool IsBatchFile(const char16_t* path) {
    const char16_t* ext = ExtensionOf(path);
    return ext && (EqualIgnoringCase(ext, u".cmd") || EqualIgnoringCase(ext, u".bat"));
}

// Appends `text`, up to `length` units (or to its end), to `out`; false when it does not fit.
bool Append(char16_t* out, int32_t* used, int32_t capacity, const char16_t* text, int32_t length = -1) {
    for (int32_t i = 0; (length < 0 || i < length) && text[i]; i++) {
        if (*used >= capacity - 1) {
            return false;
        }
        out[(*used)++] = text[i];
    }
    out[*used] = 0;
    return true;
}

// The items of a list separated by semicolons, each without blanks or quotes around it.
template <typename Visit>
bool ForEachItem(const char16_t* list, Visit visit) {
    char16_t item[NAME_CAPACITY];
    for (const char16_t* p = list ? list : u""; *p;) {
        const char16_t* end = p;
        while (*end && *end != u';') {
            end++;
        }
        const char16_t* a = p;
        const char16_t* b = end;
        while (a < b && (IsBlank(*a) || *a == u'"')) {
            a++;
        }
        while (b > a && (IsBlank(b[-1]) || b[-1] == u'"')) {
            b--;
        }
        if (b > a && b - a < NAME_CAPACITY) {
            int32_t n = 0;
            Append(item, &n, NAME_CAPACITY, a, static_cast<int32_t>(b - a));
            if (visit(item)) {
                return true;
            }
        }
        p = *end ? end + 1 : end;
    }
    return false;
}

// Looks for `name` in one folder (or as a path, when `folder` is null): as written when it has
// an extension, then with each extension of PATHEXT. A name without an extension is never
// taken as written: beside "gradlew.bat" lies the shell script "gradlew", which Windows cannot run.
bool FindIn(const RunSearch* s, const char16_t* folder, const char16_t* name, char16_t* out) {
    if (ExtensionOf(name) && s->find(s->context, folder, name, out, NAME_CAPACITY)) {
        return true;
    }
    const char16_t* exts = s->pathExt && s->pathExt[0] ? s->pathExt : DEFAULT_PATH_EXT;
    return ForEachItem(exts, [&](const char16_t* ext) {
        char16_t candidate[NAME_CAPACITY];
        int32_t n = 0;
        return Append(candidate, &n, NAME_CAPACITY, name) && Append(candidate, &n, NAME_CAPACITY, ext) &&
               s->find(s->context, folder, candidate, out, NAME_CAPACITY);
    });
}

// A name with a folder in it is taken from where it says; a bare name is looked for in the
// current folder, then in PATH's folders in their order.
bool FindProgram(const RunSearch* s, const char16_t* name, char16_t* out) {
    for (const char16_t* p = name; *p; p++) {
        if (IsSeparator(*p)) {
            return FindIn(s, nullptr, name, out);
        }
    }
    if (s->currentFolder && s->currentFolder[0] && FindIn(s, s->currentFolder, name, out)) {
        return true;
    }
    return ForEachItem(s->path, [&](const char16_t* folder) { return FindIn(s, folder, name, out); });
}

}  // namespace

void ResolveRunLine(const char16_t* line, const RunSearch* s, ResolvedRun* out) {
    out->outcome = RunStart::NotFound;
    out->application[0] = 0;
    out->commandLine[0] = 0;
    out->quoted[0] = 0;
    while (IsBlank(*line)) {
        line++;
    }
    // The first token, as CreateProcess reads it: to its closing quote, or to the first blank.
    const bool quoted = *line == u'"';
    const char16_t* start = quoted ? line + 1 : line;
    const char16_t* end = start;
    while (*end && (quoted ? *end != u'"' : !IsBlank(*end))) {
        end++;
    }
    const char16_t* rest = quoted && *end == u'"' ? end + 1 : end;
    char16_t name[NAME_CAPACITY];
    int32_t n = 0;
    if (end == start || !Append(name, &n, NAME_CAPACITY, start, static_cast<int32_t>(end - start))) {
        return;
    }
    char16_t program[NAME_CAPACITY];
    if (!FindProgram(s, name, program)) {
        if (quoted) {
            return;
        }
        // "C:\Program Files\X\y.exe args", unquoted: the first token is "C:\Program". When a
        // longer run of the line up to a blank names a program, the user meant that one.
        for (const char16_t* at = end; *at; at++) {
            if (!IsBlank(*at) || IsBlank(at[1]) || !at[1]) {
                continue;
            }
            const char16_t* stop = at + 1;
            while (*stop && !IsBlank(*stop)) {
                stop++;
            }
            n = 0;
            if (!Append(name, &n, NAME_CAPACITY, start, static_cast<int32_t>(stop - start))) {
                return;
            }
            if (FindProgram(s, name, program)) {
                out->outcome = RunStart::NeedsQuotes;
                int32_t q = 0;
                char16_t* shown = out->quoted;
                // Cut short if it does not fit: it is only shown.
                (void)(Append(shown, &q, RUN_LINE_CAPACITY, u"\"") && Append(shown, &q, RUN_LINE_CAPACITY, name) &&
                       Append(shown, &q, RUN_LINE_CAPACITY, u"\"") && Append(shown, &q, RUN_LINE_CAPACITY, stop));
                return;
            }
        }
        return;
    }
    int32_t used = 0;
    bool fits = true;
    if (IsBatchFile(program)) {
        // CreateProcess runs no batch file by itself: the command processor does, with /d (no
        // AutoRun commands) /s /c "line" (the outer quotes taken off, the rest left as it is).
        fits = Append(out->application, &used, RUN_LINE_CAPACITY, s->comSpec);
        used = 0;
        fits = fits && Append(out->commandLine, &used, RUN_LINE_CAPACITY, u"\"") &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, s->comSpec) &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, u"\" /d /s /c \"\"") &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, program) &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, u"\"") &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, rest) &&
               Append(out->commandLine, &used, RUN_LINE_CAPACITY, u"\"");
    } else {
        fits = Append(out->application, &used, RUN_LINE_CAPACITY, program);
        used = 0;
        fits = fits && Append(out->commandLine, &used, RUN_LINE_CAPACITY, line);
    }
    out->outcome = fits ? RunStart::Ready : RunStart::NotFound;
}
