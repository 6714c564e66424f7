#include "ui/Format.h"

#include <cstdarg>

namespace {

template <typename Char>
struct Sink {
    Char* out;
    int capacity;
    int length;
};

template <typename Char>
void Put(Sink<Char>* sink, Char c) {
    if (sink->length < sink->capacity - 1) {
        sink->out[sink->length++] = c;
    }
}

template <typename Char>
void PutPadded(Sink<Char>* sink, const Char* text, int textLength, int width, Char pad) {
    for (int i = textLength; i < width; i++) {
        Put(sink, pad);
    }
    for (int i = 0; i < textLength; i++) {
        Put(sink, text[i]);
    }
}

template <typename Char>
int FormatList(Char* out, int capacity, const Char* format, va_list args) {
    if (capacity <= 0) {
        return 0;
    }
    Sink<Char> sink{out, capacity, 0};
    for (const Char* p = format; *p; p++) {
        if (*p != '%') {
            Put(&sink, *p);
            continue;
        }
        p++;
        Char pad = ' ';
        if (*p == '0') {
            pad = '0';
            p++;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + (*p - '0');
            p++;
        }
        Char digits[12];
        int n = 0;
        switch (*p) {
        case 'u':
        case 'd': {
            bool negative = false;
            uint32_t v;
            if (*p == 'u') {
                v = va_arg(args, uint32_t);
            } else {
                int32_t s = va_arg(args, int32_t);
                negative = s < 0;
                v = negative ? 0u - static_cast<uint32_t>(s) : static_cast<uint32_t>(s);
            }
            Char reversed[12];
            int r = 0;
            do {
                reversed[r++] = static_cast<Char>('0' + v % 10);
                v /= 10;
            } while (v != 0);
            if (negative) {
                if (pad == '0') {
                    Put(&sink, static_cast<Char>('-'));
                    width--;
                } else {
                    digits[n++] = '-';
                }
            }
            while (r > 0) {
                digits[n++] = reversed[--r];
            }
            PutPadded(&sink, digits, n, width, pad);
            break;
        }
        case 's': {
            const Char* s = va_arg(args, const Char*);
            int len = 0;
            while (s[len]) {
                len++;
            }
            PutPadded(&sink, s, len, width, static_cast<Char>(' '));
            break;
        }
        case 'c':
            digits[0] = static_cast<Char>(va_arg(args, int));
            PutPadded(&sink, digits, 1, width, static_cast<Char>(' '));
            break;
        case '%':
            Put(&sink, static_cast<Char>('%'));
            break;
        default:
            // An unknown directive or a format ending in '%' stops the text here.
            out[sink.length] = 0;
            return sink.length;
        }
    }
    out[sink.length] = 0;
    return sink.length;
}

}  // namespace

int FormatText(char16_t* out, int capacity, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatList(out, capacity, format, args);
    va_end(args);
    return n;
}

int FormatText8(char* out, int capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatList(out, capacity, format, args);
    va_end(args);
    return n;
}

// Tenths are always cut off, never rounded: a rate shown as 1.0 MB/s is below 1.1 MB/s.
void FormatByteRate(char16_t* out, int capacity, uint32_t v) {
    if (v >= (1u << 20)) {
        FormatText(out, capacity, u"%u.%u MB/s", v >> 20, (((v >> 16) & 15u) * 10u) >> 4);
    } else if (v >= 1024) {
        FormatText(out, capacity, u"%u.%u KB/s", v >> 10, ((v & 1023u) * 10u) >> 10);
    } else {
        FormatText(out, capacity, u"%u B/s", v);
    }
}

void FormatCountRate(char16_t* out, int capacity, uint32_t v) {
    if (v >= 1000000) {
        FormatText(out, capacity, u"%u.%uM/s", v / 1000000, (v % 1000000) / 100000);
    } else if (v >= 1000) {
        FormatText(out, capacity, u"%u.%uK/s", v / 1000, (v % 1000) / 100);
    } else {
        FormatText(out, capacity, u"%u/s", v);
    }
}

void FormatMetricValue(char16_t* out, int capacity, int metric, uint32_t v) {
    if (metric == 0) {
        FormatText(out, capacity, u"%u.%u%%", v / 10, v % 10);
    } else if (metric == 1 || metric == 2) {
        FormatByteRate(out, capacity, v);
    } else {
        FormatCountRate(out, capacity, v);
    }
}

void FormatDuration(char16_t* out, int capacity, uint32_t ms) {
    uint32_t s = ms / 1000;
    if (s < 60) {
        FormatText(out, capacity, u"%us", s);
    } else if (s % 60 == 0) {
        FormatText(out, capacity, u"%um", s / 60);
    } else {
        FormatText(out, capacity, u"%um %us", s / 60, s % 60);
    }
}

const char16_t* MetricName(int metric) {
    switch (metric) {
    case 0: return u"CPU";
    case 1: return u"Disk";
    case 2: return u"Net";
    case 3: return u"RAM";
    default: return u"Wait";
    }
}

void CopyWide(char16_t* dst, const char16_t* src, int capacity) {
    if (capacity <= 0) {
        return;
    }
    int n = 0;
    while (n < capacity - 1 && src[n]) {
        dst[n] = src[n];
        n++;
    }
    dst[n] = 0;
}

// The bidirectional controls (marks, embeddings, overrides and isolates) would let a title
// show reversed, or reorder what follows it on its line.
static bool IsBidiControl(char16_t c) {
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void CopyWidePrintable(char16_t* dst, const char16_t* src, int capacity) {
    CopyWide(dst, src, capacity);
    for (int i = 0; capacity > 0 && dst[i]; i++) {
        if (dst[i] < 0x20 || dst[i] == 0x7F || IsBidiControl(dst[i])) {
            dst[i] = u'\uFFFD';
        }
    }
}

int WideLength(const char16_t* s) {
    int n = 0;
    while (s[n]) {
        n++;
    }
    return n;
}

bool WideEqual(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}
