#include "base/Format.h"

namespace {

template <typename Char>
struct Sink {
    Char* out;
    int32_t capacity;
    int32_t length;
};

template <typename Char>
void Put(Sink<Char>* sink, Char c) {
    if (sink->length < sink->capacity - 1) {
        sink->out[sink->length++] = c;
    }
}

template <typename Char>
void PutPadded(Sink<Char>* sink, const Char* text, int32_t textLength, int32_t width, Char pad) {
    for (int32_t i = textLength; i < width; i++) {
        Put(sink, pad);
    }
    for (int32_t i = 0; i < textLength; i++) {
        Put(sink, text[i]);
    }
}

template <typename Char>
int32_t Format(Char* out, int32_t capacity, const Char* format, const FormatArg* args) {
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
        int32_t width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + (*p - '0');
            p++;
        }
        Char digits[12];
        int32_t n = 0;
        switch (*p) {
        case 'u':
        case 'd': {
            const FormatArg arg = *args++;
            bool negative = *p == 'd' && static_cast<int32_t>(arg.number) < 0;
            uint32_t v = negative ? 0u - arg.number : arg.number;
            Char reversed[12];
            int32_t r = 0;
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
            const Char* s = static_cast<const Char*>((*args++).text);
            int32_t len = 0;
            while (s[len]) {
                len++;
            }
            PutPadded(&sink, s, len, width, static_cast<Char>(' '));
            break;
        }
        case 'c':
            digits[0] = static_cast<Char>((*args++).number);
            PutPadded(&sink, digits, 1, width, static_cast<Char>(' '));
            break;
        case '%':
            Put(&sink, static_cast<Char>('%'));
            break;
        default:
            // Checked formats never get here; the text stops where the directive was.
            out[sink.length] = 0;
            return sink.length;
        }
    }
    out[sink.length] = 0;
    return sink.length;
}

}  // namespace

int32_t FormatArgs(char16_t* out, int32_t capacity, const char16_t* format, const FormatArg* args) {
    return Format(out, capacity, format, args);
}

int32_t FormatArgs(char* out, int32_t capacity, const char* format, const FormatArg* args) {
    return Format(out, capacity, format, args);
}
