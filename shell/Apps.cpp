#include "shell/Apps.h"

#include "ui/Format.h"

void CopyWideTruncated(char16_t* dst, const char16_t* src, int32_t capacity) {
    CopyWide(dst, src, capacity);
}

const char16_t* FindImageName(const AppEnumContext* c, uint32_t pid) {
    for (int32_t i = 0; i < c->imageNameCount; i++) {
        if (c->imageNames[i].pid == pid) {
            return c->imageNames[i].imageName;
        }
    }
    return u"";
}

uint32_t AppProcessOf(const WindowQueries* q, uintptr_t w) {
    uint32_t pid = q->processId(q->context, w);
    if (pid != 0 && q->isAppFrame(q->context, w)) {
        return q->framedApp(q->context, w, pid);  // a suspended app's frame is skipped, as cloaked windows are
    }
    return pid;
}

bool CollectAppWindow(AppEnumContext* c, uintptr_t w) {
    if (c->count >= c->capacity) {
        return false;
    }
    const WindowQueries& q = c->windows;
    // Owned windows (dialogs, palettes), tool windows, untitled and cloaked windows are not
    // applications.
    if (!q.isVisible(q.context, w) || q.rootOwner(q.context, w) != w || q.isToolWindow(q.context, w) ||
        q.titleLength(q.context, w) == 0 || q.isCloaked(q.context, w)) {
        return true;
    }
    uint32_t pid = AppProcessOf(&q, w);
    if (pid == 0 || pid == c->ownPid) {
        return true;
    }
    for (int32_t i = 0; i < c->count; i++) {
        if (c->entries[i].pid == pid) {
            return true;  // each process once, through its highest window
        }
    }
    AppEntry* e = &c->entries[c->count];
    e->pid = pid;
    e->hwnd = w;
    e->title[0] = 0;
    q.readTitle(q.context, w, e->title, APP_TITLE_CAPACITY);
    CopyWideTruncated(e->imageName, FindImageName(c, pid), APP_IMAGE_CAPACITY);
    c->count++;
    return true;
}

char16_t FoldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);  // Cyrillic Ѐ to Џ
    }
    // Latin Extended-A pairs its letters capital first, except in its three shifted runs.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool capital = shifted ? (c & 1) != 0 : (c & 1) == 0;
        if (c == 0x178) {
            return 0xFF;  // Ÿ
        }
        return capital ? static_cast<char16_t>(c + 1) : c;
    }
    return c;
}

bool ContainsIgnoringCase(const char16_t* text, const char16_t* part) {
    if (!*part) {
        return true;
    }
    for (; *text; text++) {
        const char16_t* a = text;
        const char16_t* b = part;
        while (*a && *b && FoldCase(*a) == FoldCase(*b)) {
            a++;
            b++;
        }
        if (!*b) {
            return true;
        }
    }
    return false;
}

bool EqualIgnoringCase(const char16_t* a, const char16_t* b) {
    while (*a && FoldCase(*a) == FoldCase(*b)) {
        a++;
        b++;
    }
    return FoldCase(*a) == FoldCase(*b);
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
