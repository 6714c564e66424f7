#include "base/Hotkey.h"

#include "base/Format.h"

namespace {

constexpr uint32_t KEY_W = 'W';
constexpr uint32_t KEY_F1 = 0x70;
constexpr uint32_t KEY_F24 = 0x87;

struct Modifier {
    const char* name;
    const char16_t* shown;
    uint32_t flag;
};
// In the order they are written and shown.
constexpr Modifier MODIFIERS[] = {{"ctrl", u"Ctrl", HOTKEY_CONTROL},
                                  {"alt", u"Alt", HOTKEY_ALT},
                                  {"shift", u"Shift", HOTKEY_SHIFT},
                                  {"win", u"Win", HOTKEY_WIN}};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether [from, to) is `word`, in any case.
bool Is(const char* from, const char* to, const char* word) {
    for (; from < to && *word; from++, word++) {
        if (Lower(*from) != *word) {
            return false;
        }
    }
    return from == to && !*word;
}

// A key's virtual-key code from its name: "w", "7", "f9"; 0 for none.
uint32_t KeyNamed(const char* from, const char* to) {
    const int64_t n = to - from;
    const char c = Lower(*from);
    if (n == 1 && c >= 'a' && c <= 'z') {
        return static_cast<uint32_t>(c - 'a' + 'A');
    }
    if (n == 1 && c >= '0' && c <= '9') {
        return static_cast<uint32_t>(c);
    }
    if ((n == 2 || n == 3) && c == 'f' && from[1] >= '1' && from[1] <= '9') {
        uint32_t number = static_cast<uint32_t>(from[1] - '0');
        if (n == 3) {
            if (from[2] < '0' || from[2] > '9') {
                return 0;
            }
            number = number * 10 + static_cast<uint32_t>(from[2] - '0');
        }
        return number >= 1 && number <= 24 ? KEY_F1 + number - 1 : 0;
    }
    return 0;
}

uint32_t Pack(uint32_t modifiers, uint32_t key) {
    return modifiers == (HOTKEY_CONTROL | HOTKEY_ALT) && key == KEY_W ? HOTKEY_DEFAULT : modifiers << 16 | key;
}

}  // namespace

HotkeyKeys HotkeyKeysOf(uint32_t setting) {
    if (setting == HOTKEY_NONE) {
        return HotkeyKeys{0, 0};
    }
    if (setting == HOTKEY_DEFAULT) {
        return HotkeyKeys{HOTKEY_CONTROL | HOTKEY_ALT, KEY_W};
    }
    return HotkeyKeys{setting >> 16, setting & 0xFFFF};
}

bool ParseHotkey(const char* text, uint32_t* setting) {
    while (*text == ' ' || *text == '\t') {
        text++;
    }
    const char* end = text;
    while (*end) {
        end++;
    }
    while (end > text && (end[-1] == ' ' || end[-1] == '\t')) {
        end--;
    }
    if (Is(text, end, "none")) {
        *setting = HOTKEY_NONE;
        return true;
    }
    uint32_t modifiers = 0;
    for (const char* part = text; part < end;) {
        const char* plus = part;
        while (plus < end && *plus != '+') {
            plus++;
        }
        if (plus == part) {
            return false;
        }
        if (plus == end) {  // the last part is the key
            const uint32_t key = KeyNamed(part, plus);
            const bool two = modifiers != 0 && (modifiers & (modifiers - 1)) != 0;
            if (key == 0 || (modifiers & ~HOTKEY_SHIFT) == 0 || !two) {
                return false;
            }
            *setting = Pack(modifiers, key);
            return true;
        }
        uint32_t flag = 0;
        for (const Modifier& m : MODIFIERS) {
            flag = Is(part, plus, m.name) ? m.flag : flag;
        }
        if (flag == 0 || (modifiers & flag)) {
            return false;
        }
        modifiers |= flag;
        part = plus + 1;
    }
    return false;
}

int32_t FormatHotkeyName(char16_t* out, int32_t capacity, uint32_t setting) {
    const HotkeyKeys k = HotkeyKeysOf(setting);
    if (k.key == 0) {
        return FormatText(out, capacity, u"none");
    }
    int32_t n = 0;
    if (capacity > 0) {
        out[0] = 0;
    }
    for (const Modifier& m : MODIFIERS) {
        if (k.modifiers & m.flag) {
            n += FormatText(out + n, capacity - n, u"%s+", m.shown);
        }
    }
    if (k.key >= KEY_F1 && k.key <= KEY_F24) {
        return n + FormatText(out + n, capacity - n, u"F%u", k.key - KEY_F1 + 1);
    }
    return n + FormatText(out + n, capacity - n, u"%c", static_cast<char16_t>(k.key));
}

int32_t FormatHotkey(char* out, int32_t capacity, uint32_t setting) {
    // The file holds the name in lower case; both are ASCII.
    char16_t name[HOTKEY_TEXT_CAPACITY];
    FormatHotkeyName(name, HOTKEY_TEXT_CAPACITY, setting);
    int32_t n = 0;
    for (; name[n] && n + 1 < capacity; n++) {
        out[n] = Lower(static_cast<char>(name[n]));
    }
    if (capacity > 0) {
        out[n] = 0;
    }
    return n;
}
