#include "ui/AppList.h"

#include "base/CaseFold.h"

const char16_t* AppDisplayTitle(const AppEntry* entry) {
    return DisplayTitle(entry->title, entry->imageName);
}

int32_t FindAppByTitle(const AppList* apps, const char16_t* text) {
    for (int32_t i = 0; i < apps->count; i++) {
        if (ContainsIgnoringCase(apps->entries[i].title, text)) {
            return i;
        }
    }
    return -1;
}

int32_t FindAppByPid(const AppList* apps, uint32_t pid) {
    for (int32_t i = 0; i < apps->count; i++) {
        if (apps->entries[i].pid == pid) {
            return i;
        }
    }
    return -1;
}
