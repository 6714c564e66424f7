// Any bytes as a settings file: the parser must stay in bounds and leave every value inside
// its row's bounds, and what is written reads back the same, whatever the starting values.
#include "files/Settings.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LimitTable table;
    SetDefaultLimits(&table);
    bool display = false;
    // The first byte, when there is one, picks the starting flag, so both are explored.
    if (size > 0) {
        display = (data[0] & 1) != 0;
    }
    int32_t length = size > SETTINGS_FILE_MAX ? SETTINGS_FILE_MAX : static_cast<int32_t>(size);
    OptionalSettings optional = {};
    ParseSettings(data, length, &table, &display, &optional);
    if (optional.batteryFloor > 100) {
        abort();
    }
    for (const LimitRow& row : table.rows) {
        if (row.value < row.minValue || row.value > row.maxValue) {
            abort();
        }
    }
    // What is written reads back the same.
    char text[SETTINGS_TEXT_CAPACITY];
    int32_t n = FormatSettings(text, SETTINGS_TEXT_CAPACITY, &table, display, &optional);
    LimitTable back;
    SetDefaultLimits(&back);
    bool backDisplay = false;
    OptionalSettings backOptional = {};
    ParseSettings(reinterpret_cast<const uint8_t*>(text), n, &back, &backDisplay, &backOptional);
    if (memcmp(&back, &table, sizeof(table)) != 0 || backDisplay != display ||
        backOptional.batteryFloor != optional.batteryFloor) {
        abort();
    }
    return 0;
}
