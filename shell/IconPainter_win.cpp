#include "shell/IconPainter_win.h"

#include "shell/IconPainter.h"

HICON MakeAppIcon(uint32_t color, int32_t size, int32_t shape) {
    size = ClampIconSize(size);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color32 = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color32 || !bits) {
        if (color32) {
            DeleteObject(color32);
        }
        return nullptr;
    }
    RasterizeAppIcon(static_cast<uint8_t*>(bits), size, color, shape);
    // An all-zero AND mask: the alpha channel alone decides what is transparent.
    static const uint8_t ZERO_MASK[ICON_SIZE_MAX * ICON_SIZE_MAX / 8] = {};
    HBITMAP mask = CreateBitmap(size, size, 1, 1, ZERO_MASK);
    ICONINFO icon = {TRUE, 0, 0, mask, color32};
    HICON result = mask ? CreateIconIndirect(&icon) : nullptr;
    DeleteObject(color32);
    if (mask) {
        DeleteObject(mask);
    }
    return result;
}
