#include "shell/IconFile.h"

#include "shell/IconPainter.h"

#include <cstring>

namespace {

void Put16(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v) {
    Put16(at, v);
    Put16(at + 2, v >> 16);
}

size_t MaskStride(int32_t size) {
    return static_cast<size_t>((size + 31) / 32 * 4);  // 1-bit rows padded to 32 bits
}

}  // namespace

size_t IconImageBytes(int32_t size) {
    size_t s = static_cast<size_t>(size);
    return 40 + s * s * 4 + MaskStride(size) * s;
}

size_t BuildIconImage(uint8_t* out, size_t capacity, int32_t size) {
    if (size < 1 || size > ICON_IMAGE_MAX) {
        return 0;  // the pixels are painted into a buffer of ICON_IMAGE_MAX squared
    }
    size_t total = IconImageBytes(size);
    if (total > capacity) {
        return 0;
    }
    memset(out, 0, total);
    Put32(out, 40);
    Put32(out + 4, static_cast<uint32_t>(size));
    Put32(out + 8, static_cast<uint32_t>(2 * size));  // colour and mask, one above the other
    Put16(out + 12, 1);
    Put16(out + 14, 32);
    Put32(out + 20, static_cast<uint32_t>(total - 40));
    uint8_t pixels[ICON_IMAGE_MAX * ICON_IMAGE_MAX * 4];
    RasterizeAppIcon(pixels, size, APP_ICON_COLOR, ICON_SHAPE_EYE);
    const size_t row = static_cast<size_t>(size) * 4;
    uint8_t* colour = out + 40;
    uint8_t* mask = colour + row * static_cast<size_t>(size);
    for (int32_t y = 0; y < size; y++) {
        const uint8_t* source = pixels + static_cast<size_t>(y) * row;
        size_t stored = static_cast<size_t>(size - 1 - y);  // bottom-up
        memcpy(colour + stored * row, source, row);
        for (int32_t x = 0; x < size; x++) {
            if (source[x * 4 + 3] < 128) {
                mask[stored * MaskStride(size) + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return total;
}

size_t BuildIconFile(uint8_t* out, size_t capacity) {
    size_t offset = 6 + 16 * ICON_FILE_COUNT;
    if (capacity < offset) {
        return 0;
    }
    Put16(out, 0);
    Put16(out + 2, 1);  // an icon, not a cursor
    Put16(out + 4, ICON_FILE_COUNT);
    for (int32_t i = 0; i < ICON_FILE_COUNT; i++) {
        int32_t size = ICON_FILE_SIZES[i];
        size_t bytes = BuildIconImage(out + offset, capacity - offset, size);
        if (bytes == 0) {
            return 0;
        }
        uint8_t* entry = out + 6 + 16 * i;
        entry[0] = static_cast<uint8_t>(size);
        entry[1] = static_cast<uint8_t>(size);
        entry[2] = 0;
        entry[3] = 0;
        Put16(entry + 4, 1);
        Put16(entry + 6, 32);
        Put32(entry + 8, static_cast<uint32_t>(bytes));
        Put32(entry + 12, static_cast<uint32_t>(offset));
        offset += bytes;
    }
    return offset;
}
