#include "shell/ArgumentLine.h"

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

}  // namespace

int32_t SplitCommandLine(const char16_t* line, char16_t* buffer, int32_t bufferCapacity, const char16_t** args,
                         int32_t argsCapacity) {
    int32_t count = 0;
    int32_t used = 0;
    bool dropped = bufferCapacity <= 0;
    auto put = [&](char16_t c) {
        if (used < bufferCapacity - 1) {
            buffer[used++] = c;
        } else {
            dropped = true;
        }
    };
    const char16_t* s = line;
    // The program's name: to its closing quote, or to the first blank; no escapes.
    while (IsBlank(*s)) {
        s++;
    }
    if (*s) {
        if (count < argsCapacity) {
            args[count] = buffer + used;
        } else {
            dropped = true;
        }
        if (*s == u'"') {
            for (s++; *s && *s != u'"'; s++) {
                put(*s);
            }
            if (*s == u'"') {
                s++;
            }
        } else {
            for (; *s && !IsBlank(*s); s++) {
                put(*s);
            }
        }
        put(0);
        count++;
    }
    for (;;) {
        while (IsBlank(*s)) {
            s++;
        }
        if (!*s) {
            break;
        }
        bool store = count < argsCapacity && used < bufferCapacity - 1;
        if (store) {
            args[count] = buffer + used;
        }
        bool quoted = false;
        while (*s && (quoted || !IsBlank(*s))) {
            int32_t backslashes = 0;
            while (*s == u'\\') {
                backslashes++;
                s++;
            }
            if (*s == u'"') {
                for (int32_t i = 0; i < backslashes / 2; i++) {
                    put(u'\\');
                }
                if (backslashes % 2 == 1) {
                    put(u'"');  // an escaped quote
                    s++;
                } else if (quoted && s[1] == u'"') {
                    put(u'"');  // "" inside quotes is one quote
                    s += 2;
                } else {
                    quoted = !quoted;
                    s++;
                }
            } else {
                for (int32_t i = 0; i < backslashes; i++) {
                    put(u'\\');
                }
                if (*s && (quoted || !IsBlank(*s))) {
                    put(*s);
                    s++;
                }
            }
        }
        put(0);
        if (store) {
            count++;
        } else {
            dropped = true;
        }
    }
    if (bufferCapacity > 0) {
        buffer[used < bufferCapacity ? used : bufferCapacity - 1] = 0;
    }
    return dropped || count > argsCapacity ? -1 : count;
}

const char16_t* SkipProgramName(const char16_t* s) {
    while (IsBlank(*s)) {
        s++;
    }
    if (*s == u'"') {
        for (s++; *s && *s != u'"'; s++) {
        }
        s += *s == u'"' ? 1 : 0;
    } else {
        while (*s && !IsBlank(*s)) {
            s++;
        }
    }
    while (IsBlank(*s)) {
        s++;
    }
    return s;
}

int32_t JoinCommandLine(char16_t* out, int32_t capacity, const char16_t* const* args, int32_t count) {
    int32_t used = 0;
    bool fits = capacity > 0;
    auto put = [&](char16_t c) {
        if (used < capacity - 1) {
            out[used++] = c;
        } else {
            fits = false;
        }
    };
    for (int32_t i = 0; i < count; i++) {
        if (i > 0) {
            put(u' ');
        }
        const char16_t* a = args[i];
        bool quote = !*a;
        for (const char16_t* p = a; *p; p++) {
            quote = quote || IsBlank(*p) || *p == u'"';
        }
        if (i == 0) {
            // The program's name has no escapes: quotes around it, never inside.
            put(u'"');
            for (const char16_t* p = a; *p; p++) {
                put(*p);
            }
            put(u'"');
            continue;
        }
        if (!quote) {
            for (const char16_t* p = a; *p; p++) {
                put(*p);
            }
            continue;
        }
        put(u'"');
        int32_t backslashes = 0;
        for (const char16_t* p = a;; p++) {
            if (*p == u'\\') {
                backslashes++;
                continue;
            }
            // Backslashes before a quote, or before the closing quote, are doubled.
            int32_t n = (*p == u'"' || *p == 0) ? backslashes * 2 : backslashes;
            for (int32_t k = 0; k < n; k++) {
                put(u'\\');
            }
            backslashes = 0;
            if (*p == 0) {
                break;
            }
            if (*p == u'"') {
                put(u'\\');
            }
            put(*p);
        }
        put(u'"');
    }
    if (capacity > 0) {
        out[used] = 0;
    }
    return fits ? used : -1;
}
