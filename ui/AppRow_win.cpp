#include "ui/AppRow_win.h"

#include "ui/AppRow.h"

void DrawAppRow(void* dcPointer, uint32_t index, const Rect* row, int32_t selected, int32_t, void* context) {
    const AppRowContext* c = static_cast<const AppRowContext*>(context);
    if (!c || index >= static_cast<uint32_t>(c->apps->count)) {
        return;
    }
    HDC dc = static_cast<HDC>(dcPointer);
    const AppEntry* entry = &c->apps->entries[index];
    const Palette* p = c->view->palette;
    const int32_t dpi = c->kit->dpi;
    const FontSet* fonts = GetFonts(c->kit);
    Color titleColor = !c->view->enabled ? p->textSecondary : selected ? p->rowSelectedText : p->text;
    int32_t left = row->left + Scale(12, dpi);
    int32_t right = row->right - Scale(10, dpi);
    int32_t titleTop = row->top + Scale(5, dpi);
    Rect title = {left, titleTop, right, titleTop + Scale(17, dpi)};
    DrawTextColor(dc, title, AppDisplayTitle(entry), fonts->body.get(), titleColor, TEXT_LEFT_ELLIPSIS);
    char16_t detail[APP_DETAIL_CAPACITY];
    FormatAppDetail(detail, entry);
    Rect detailRect = {left, title.bottom, right, title.bottom + Scale(15, dpi)};
    // A high-contrast highlight is paired with its own text colour only: grey text on it may not read.
    Color detailColor = (selected && c->view->enabled && p->highContrast) ? p->rowSelectedText : p->textSecondary;
    DrawTextColor(dc, detailRect, detail, fonts->caption.get(), detailColor, TEXT_LEFT_ELLIPSIS);
}
