#include "shell/IconPainter_win.h"

#include "shell/IconPainter.h"
#include "ui/DrawKit_win.h"

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
    UniqueBitmap color32;
    {
        UniqueScreenDc screen(GetDC(nullptr));
        color32.Reset(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!color32 || !bits) {
        return nullptr;
    }
    RasterizeAppIcon(static_cast<uint8_t*>(bits), size, color, shape);
    // An all-zero AND mask: the alpha channel alone decides what is transparent.
    static const uint8_t ZERO_MASK[ICON_SIZE_MAX * ICON_SIZE_MAX / 8] = {};
    UniqueBitmap mask(CreateBitmap(size, size, 1, 1, ZERO_MASK));
    ICONINFO icon = {TRUE, 0, 0, mask.get(), color32.get()};
    return mask ? CreateIconIndirect(&icon) : nullptr;  // the icon holds copies of both bitmaps
}
