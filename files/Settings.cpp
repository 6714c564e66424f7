#include "files/Settings.h"

#include "base/Format.h"
#include "base/Hotkey.h"

#include <cstring>

namespace {

const char* const KEYS[LIMIT_ROW_COUNT + 1] = {"cpu=", "disk=", "net=", "mem=", "wait=", "display="};
constexpr int32_t DISPLAY_KEY = LIMIT_ROW_COUNT;
constexpr char BATTERY_KEY[] = "battery=";
constexpr uint32_t BATTERY_FLOOR_MAX = 100;
constexpr char GPU_KEY[] = "gpu=";
constexpr char HOTKEY_KEY[] = "hotkey=";

// Blanks, then decimal digits gathered modulo 2^32; no sign, and no digit gives 0.
uint32_t ReadNumber(const char* s) {
    while (*s == ' ') {
        s++;
    }
    uint32_t v = 0;
    while (*s >= '0' && *s <= '9') {
        v = v * 10u + static_cast<uint32_t>(*s - '0');
        s++;
    }
    return v;
}

void ApplyLine(const char* line, LimitTable* table, bool* keepDisplayOn, OptionalSettings* optional) {
    if (strncmp(line, BATTERY_KEY, sizeof(BATTERY_KEY) - 1) == 0) {
        uint32_t v = ReadNumber(line + sizeof(BATTERY_KEY) - 1);
        optional->batteryFloor = v > BATTERY_FLOOR_MAX ? BATTERY_FLOOR_MAX : v;
        return;
    }
    if (strncmp(line, GPU_KEY, sizeof(GPU_KEY) - 1) == 0) {
        uint32_t v = ReadNumber(line + sizeof(GPU_KEY) - 1);
        table->gpu = v < GPU_LIMIT_MIN ? GPU_LIMIT_MIN : v > GPU_LIMIT_MAX ? GPU_LIMIT_MAX : v;
        return;
    }
    if (strncmp(line, HOTKEY_KEY, sizeof(HOTKEY_KEY) - 1) == 0) {
        (void)ParseHotkey(line + sizeof(HOTKEY_KEY) - 1, &optional->hotkey);  // text it cannot read changes nothing
        return;
    }
    for (int32_t k = 0; k <= DISPLAY_KEY; k++) {
        size_t keyLength = strlen(KEYS[k]);
        if (strncmp(line, KEYS[k], keyLength) != 0) {
            continue;
        }
        uint32_t v = ReadNumber(line + keyLength);
        if (k == DISPLAY_KEY) {
            *keepDisplayOn = v != 0;
        } else {
            LimitRow* row = &table->rows[k];
            row->value = v < row->minValue ? row->minValue : v > row->maxValue ? row->maxValue : v;
        }
        return;
    }
}

}  // namespace

bool ParseSettings(const uint8_t* bytes, int32_t length, LimitTable* table, bool* keepDisplayOn,
                   OptionalSettings* optional) {
    if (length < 0) {
        length = 0;
    }
    if (length > SETTINGS_FILE_MAX) {
        return false;
    }
    // The keys and values are ASCII: a UTF-16 file is narrowed unit by unit, anything past
    // ASCII becoming a byte no key holds.
    char text[SETTINGS_FILE_MAX + 1];
    int32_t n = 0;
    const bool utf16le = length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool utf16be = length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (utf16le || utf16be) {
        for (int32_t i = 2; i + 1 < length; i += 2) {
            uint32_t unit = utf16le ? bytes[i] | uint32_t{bytes[i + 1]} << 8 : uint32_t{bytes[i]} << 8 | bytes[i + 1];
            text[n++] = unit < 0x80 ? static_cast<char>(unit) : '?';
        }
    } else {
        int32_t from = length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
        memcpy(text, bytes + from, static_cast<size_t>(length - from));
        n = length - from;
    }
    text[n] = 0;
    int32_t start = 0;
    for (int32_t i = 0; i <= n; i++) {
        char c = text[i];
        if (c == '\r' || c == '\n' || c == 0) {
            text[i] = 0;
            ApplyLine(text + start, table, keepDisplayOn, optional);
            start = i + 1;
        }
    }
    return true;
}

SettingsValues ValuesOf(const LimitTable* table, bool keepDisplayOn, const OptionalSettings* optional) {
    SettingsValues v = {};
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        v.value[r] = table->rows[r].value;
    }
    v.gpu = table->gpu;
    v.display = keepDisplayOn;
    v.optional = *optional;
    return v;
}

bool TakeHandEdits(SettingsValues* mine, const SettingsValues* known, const SettingsValues* onDisk) {
    bool taken = false;
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (mine->value[r] == known->value[r] && onDisk->value[r] != known->value[r]) {
            mine->value[r] = onDisk->value[r];
            taken = true;
        }
    }
    if (mine->gpu == known->gpu && onDisk->gpu != known->gpu) {
        mine->gpu = onDisk->gpu;
        taken = true;
    }
    if (mine->display == known->display && onDisk->display != known->display) {
        mine->display = onDisk->display;
        taken = true;
    }
    uint32_t* floor = &mine->optional.batteryFloor;
    if (*floor == known->optional.batteryFloor && onDisk->optional.batteryFloor != known->optional.batteryFloor) {
        *floor = onDisk->optional.batteryFloor;
        taken = true;
    }
    if (mine->optional.hotkey == known->optional.hotkey && onDisk->optional.hotkey != known->optional.hotkey) {
        mine->optional.hotkey = onDisk->optional.hotkey;
        taken = true;
    }
    return taken;
}

int32_t FormatSettings(char* out, int32_t capacity, const LimitTable* table, bool keepDisplayOn,
                       const OptionalSettings* optional) {
    int32_t n = FormatText8(out, capacity,
                            "# Pellacord settings. Delete this file to go back to the defaults.\r\n"
                            "# cpu is permille of one core, disk and net are bytes per second,\r\n"
                            "# mem is page faults per second, wait is milliseconds.\r\n"
                            "cpu=%u\r\ndisk=%u\r\nnet=%u\r\nmem=%u\r\nwait=%u\r\ndisplay=%u\r\n",
                            table->rows[0].value, table->rows[1].value, table->rows[2].value, table->rows[3].value,
                            table->rows[4].value, keepDisplayOn ? 1u : 0u);
    // Each optional setting only while it differs from its default.
    if (optional->batteryFloor != 0 && n < capacity) {
        n += FormatText8(out + n, capacity - n, "battery=%u\r\n", optional->batteryFloor);
    }
    if (table->gpu != GPU_LIMIT_DEFAULT && n < capacity) {
        n += FormatText8(out + n, capacity - n, "gpu=%u\r\n", table->gpu);
    }
    if (optional->hotkey != HOTKEY_DEFAULT && n < capacity) {
        char hotkey[HOTKEY_TEXT_CAPACITY];
        FormatHotkey(hotkey, HOTKEY_TEXT_CAPACITY, optional->hotkey);
        n += FormatText8(out + n, capacity - n, "hotkey=%s\r\n", hotkey);
    }
    return n;
}

SettingsRead ClassifySettingsRead(bool opened, uint32_t openError, bool readOk) {
    if (!opened) {
        bool missing = openError == OPEN_ERROR_FILE_NOT_FOUND || openError == OPEN_ERROR_PATH_NOT_FOUND;
        return missing ? SettingsRead::Missing : SettingsRead::Unreadable;
    }
    return readOk ? SettingsRead::Read : SettingsRead::Unreadable;
}

SaveMethod ChooseSaveMethod(bool exists, uint32_t attributes, uint32_t linkCount, bool leadsElsewhere) {
    if (!exists) {
        return SaveMethod::Replace;
    }
    if (attributes & FILE_ATTR_READONLY) {
        return SaveMethod::LeaveAlone;
    }
    if ((attributes & FILE_ATTR_REPARSE_POINT) || linkCount > 1 || leadsElsewhere) {
        return SaveMethod::InPlace;
    }
    return SaveMethod::Replace;
}

bool IsCompleteSettingsText(const uint8_t* bytes, int32_t length) {
    if (length < 2 || bytes[length - 2] != '\r' || bytes[length - 1] != '\n') {
        return false;
    }
    for (const char* key : KEYS) {
        size_t keyLength = strlen(key);
        bool found = false;
        for (int32_t i = 0; i < length && !found; i++) {
            bool lineStart = i == 0 || bytes[i - 1] == '\n';
            found = lineStart && static_cast<size_t>(length - i) >= keyLength && memcmp(bytes + i, key, keyLength) == 0;
        }
        if (!found) {
            return false;
        }
    }
    return true;
}
