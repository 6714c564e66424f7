#include "ui/AppRow.h"

#include "base/Format.h"
#include "base/Text.h"

void FormatAppDetail(char16_t* out, const AppEntry* e) {
    CopyWide(out, e->imageName[0] ? e->imageName : u"?", APP_DETAIL_CAPACITY);
    char16_t pid[32];
    FormatText(pid, 32, u"  \u00B7  PID %u", e->pid);
    int32_t used = WideLength(out);
    CopyWide(out + used, pid, APP_DETAIL_CAPACITY - used);
}
