#pragma once
#include "engine/WatchStatus.h"

#include <cstdint>

// The rows of the app list: the open applications, in the desktop's z-order.

constexpr int32_t MAX_APPS = 128;

struct AppEntry {
    uint32_t pid;
    uintptr_t hwnd;  // the window the app was found through
    char16_t title[APP_TITLE_CAPACITY];
    char16_t imageName[APP_IMAGE_CAPACITY];  // empty when the process was not in the snapshot
};

struct AppList {
    AppEntry entries[MAX_APPS];
    int32_t count;
};

// The name an app goes by: its window title, or its image name when the title is empty.
const char16_t* AppDisplayTitle(const AppEntry* entry);

// Titles as a script names them: the first app, in the list's order, whose title contains the
// text without regard to case (Latin, Greek and Cyrillic letters); -1 when none does.
int32_t FindAppByTitle(const AppList* apps, const char16_t* text);
int32_t FindAppByPid(const AppList* apps, uint32_t pid);
