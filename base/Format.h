#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

// A small printf with the directives the program uses: %u (uint32_t), %d (int32_t), %s (a text
// of the format's code unit), %c (one code unit), %% and an optional '0' flag and width. The
// result is cut to capacity - 1 units and always terminated; the length is returned.
//
// The format is checked against the arguments when the program is compiled: an argument of
// another type (a uint64_t, a long, a DWORD), a directive without its argument or an argument
// without its directive does not compile.

enum class FormatArgKind : uint8_t { Unsigned, Signed, Text, Unit };

struct FormatArg {
    FormatArgKind kind;
    uint32_t number;    // Unsigned, Signed (its bits) and Unit
    const void* text;   // Text
};

// The argument types each directive takes; any other type has no kind and is refused.
template <typename T, typename Char>
struct FormatArgOf;
template <typename Char>
struct FormatArgOf<uint32_t, Char> {
    static constexpr FormatArgKind kind = FormatArgKind::Unsigned;
    static FormatArg Make(uint32_t v) { return FormatArg{kind, v, nullptr}; }
};
template <typename Char>
struct FormatArgOf<int32_t, Char> {
    static constexpr FormatArgKind kind = FormatArgKind::Signed;
    static FormatArg Make(int32_t v) { return FormatArg{kind, static_cast<uint32_t>(v), nullptr}; }
};
template <typename Char>
struct FormatArgOf<const Char*, Char> {
    static constexpr FormatArgKind kind = FormatArgKind::Text;
    static FormatArg Make(const Char* v) { return FormatArg{kind, 0, v}; }
};
template <typename Char>
struct FormatArgOf<Char*, Char> : FormatArgOf<const Char*, Char> {};
template <typename Char>
struct FormatArgOf<Char, Char> {
    static constexpr FormatArgKind kind = FormatArgKind::Unit;
    static FormatArg Make(Char v) { return FormatArg{kind, static_cast<uint32_t>(v), nullptr}; }
};

// A type a directive can take.
template <typename T, typename Char>
concept FormatArgument = requires { FormatArgOf<std::remove_cv_t<T>, Char>::kind; };

// Called only while a format is checked at compile time: reaching it is the compile error.
void FormatDoesNotFitItsArguments();

// A format string literal whose directives have been checked against Args.
template <typename Char, typename... Args>
class FormatString {
public:
    template <size_t N>
    consteval FormatString(const Char (&text)[N]) : text_(text) {
        Check(text);
    }
    const Char* text() const { return text_; }

private:
    static consteval void Check(const Char* p) {
        constexpr FormatArgKind kinds[] = {FormatArgOf<std::remove_cv_t<Args>, Char>::kind..., FormatArgKind::Unit};
        size_t next = 0;
        for (; *p; p++) {
            if (*p != '%') {
                continue;
            }
            p++;
            if (*p == '0') {
                p++;
            }
            while (*p >= '0' && *p <= '9') {
                p++;
            }
            FormatArgKind wanted;
            switch (*p) {
            case 'u': wanted = FormatArgKind::Unsigned; break;
            case 'd': wanted = FormatArgKind::Signed; break;
            case 's': wanted = FormatArgKind::Text; break;
            case 'c': wanted = FormatArgKind::Unit; break;
            case '%': continue;
            default: FormatDoesNotFitItsArguments(); return;  // an unknown directive, or a '%' at the end
            }
            if (next >= sizeof...(Args) || kinds[next] != wanted) {
                FormatDoesNotFitItsArguments();
            }
            next++;
        }
        if (next != sizeof...(Args)) {
            FormatDoesNotFitItsArguments();
        }
    }

    const Char* text_;
};

// The formatter behind both: arguments already checked against the format.
int32_t FormatArgs(char16_t* out, int32_t capacity, const char16_t* format, const FormatArg* args);
int32_t FormatArgs(char* out, int32_t capacity, const char* format, const FormatArg* args);

template <typename... Args>
    requires(FormatArgument<Args, char16_t> && ...)
int32_t FormatText(char16_t* out, int32_t capacity, FormatString<char16_t, std::type_identity_t<Args>...> format,
                   Args... args) {
    const FormatArg packed[] = {FormatArgOf<std::remove_cv_t<Args>, char16_t>::Make(args)..., FormatArg{}};
    return FormatArgs(out, capacity, format.text(), packed);
}

template <typename... Args>
    requires(FormatArgument<Args, char> && ...)
int32_t FormatText8(char* out, int32_t capacity, FormatString<char, std::type_identity_t<Args>...> format,
                    Args... args) {
    const FormatArg packed[] = {FormatArgOf<std::remove_cv_t<Args>, char>::Make(args)..., FormatArg{}};
    return FormatArgs(out, capacity, format.text(), packed);
}
