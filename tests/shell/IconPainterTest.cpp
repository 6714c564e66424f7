#include "shell/IconFile.h"
#include "shell/IconPainter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Paint(int32_t size, int32_t shape, uint32_t color = APP_ICON_COLOR) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size * size * 4), 0xEE);
    RasterizeAppIcon(pixels.data(), size, color, shape);
    return pixels;
}

std::vector<int> AlphaRow(const std::vector<uint8_t>& pixels, int32_t size, int32_t y) {
    std::vector<int> row;
    for (int32_t x = 0; x < size; x++) {
        row.push_back(pixels[static_cast<size_t>((y * size + x) * 4 + 3)]);
    }
    return row;
}

TEST(IconPainter, RowsAtSixteenPixels) {
    struct Case { int32_t shape; int32_t y; std::vector<int> alphas; };
    const std::vector<int> empty(16, 0);
    const Case cases[] = {
        {ICON_SHAPE_EYE, 7, {0, 31, 239, 127, 0, 0, 191, 255, 255, 191, 0, 0, 127, 239, 31, 0}},
        {ICON_SHAPE_EYE, 8, {0, 31, 239, 127, 0, 0, 191, 255, 255, 191, 0, 0, 127, 239, 31, 0}},
        {ICON_SHAPE_EYE, 4, {0, 0, 0, 0, 15, 95, 175, 191, 191, 175, 95, 15, 0, 0, 0, 0}},
        {ICON_SHAPE_ARCH, 7, {0, 0, 0, 15, 111, 207, 255, 255, 255, 255, 207, 111, 15, 0, 0, 0}},
        {ICON_SHAPE_ARCH, 10, {0, 127, 159, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 159, 127, 0}},
    };
    std::vector<uint8_t> eye = Paint(16, ICON_SHAPE_EYE);
    std::vector<uint8_t> arch = Paint(16, ICON_SHAPE_ARCH);
    for (const Case& c : cases) {
        EXPECT_EQ(AlphaRow(c.shape ? eye : arch, 16, c.y), c.alphas) << "shape " << c.shape << " row " << c.y;
    }
    for (int32_t y : {0, 1, 2, 3, 12, 13, 14, 15}) {
        EXPECT_EQ(AlphaRow(eye, 16, y), empty) << "eye row " << y;
    }
    for (int32_t y : {0, 1, 2, 3, 4, 5, 6, 12, 13, 14, 15}) {
        EXPECT_EQ(AlphaRow(arch, 16, y), empty) << "arch row " << y;
    }
    // Any non-zero shape is the eye.
    EXPECT_EQ(Paint(16, 7), eye);
}

TEST(IconPainter, PremultipliedPixels) {
    std::vector<uint8_t> eye = Paint(16, ICON_SHAPE_EYE);
    const uint8_t* full = &eye[(7 * 16 + 7) * 4];   // alpha 255
    const uint8_t* half = &eye[(7 * 16 + 3) * 4];   // alpha 127
    EXPECT_EQ(std::vector<uint8_t>(full, full + 4), (std::vector<uint8_t>{0xF5, 0x9E, 0x3B, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(half, half + 4), (std::vector<uint8_t>{0x7A, 0x4E, 0x1D, 0x7F}));
    const uint8_t* outside = &eye[0];
    EXPECT_EQ(std::vector<uint8_t>(outside, outside + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(IconPainter, SizesAreClamped) {
    struct Case { int32_t asked, painted; };
    const Case cases[] = {{-5, 8}, {0, 8}, {7, 8}, {8, 8}, {16, 16}, {256, 256}, {257, 256}, {100000, 256}};
    for (const Case& c : cases) {
        EXPECT_EQ(ClampIconSize(c.asked), c.painted) << c.asked;
    }
}

TEST(IconPainter, MirrorSymmetric) {
    for (int32_t size : {8, 13, 16, 20, 24, 31, 32, 48, 64, 256}) {
        for (int32_t shape : {ICON_SHAPE_ARCH, ICON_SHAPE_EYE}) {
            std::vector<uint8_t> p = Paint(size, shape);
            bool anyCovered = false;
            for (int32_t y = 0; y < size; y++) {
                for (int32_t x = 0; x < size; x++) {
                    uint8_t a = p[static_cast<size_t>((y * size + x) * 4 + 3)];
                    anyCovered |= a != 0;
                    ASSERT_EQ(a, p[static_cast<size_t>((y * size + size - 1 - x) * 4 + 3)])
                        << "size " << size << " shape " << shape << " at " << x << "," << y;
                    if (shape == ICON_SHAPE_EYE) {
                        ASSERT_EQ(a, p[static_cast<size_t>(((size - 1 - y) * size + x) * 4 + 3)])
                            << "eye top-bottom, size " << size;
                    }
                }
            }
            EXPECT_TRUE(anyCovered) << size;
        }
    }
}

TEST(IconFile, ImagesAreBottomUpWithAMask) {
    static uint8_t file[64 * 1024];
    size_t length = BuildIconFile(file, sizeof(file));
    ASSERT_GT(length, 0u);
    EXPECT_EQ(BuildIconFile(file, 100), 0u);  // too small: nothing half-written counts
    length = BuildIconFile(file, sizeof(file));
    EXPECT_EQ(file[2], 1);
    EXPECT_EQ(file[4], ICON_FILE_COUNT);
    for (int32_t i = 0; i < ICON_FILE_COUNT; i++) {
        const uint8_t* entry = file + 6 + 16 * i;
        int32_t size = ICON_FILE_SIZES[i];
        EXPECT_EQ(entry[0], size);
        uint32_t offset = uint32_t{entry[12]} | uint32_t{entry[13]} << 8 | uint32_t{entry[14]} << 16 |
                          uint32_t{entry[15]} << 24;
        ASSERT_LT(offset, length);
        const uint8_t* image = file + offset;
        std::vector<uint8_t> pixels = Paint(size, ICON_SHAPE_EYE);
        size_t stride = static_cast<size_t>((size + 31) / 32 * 4);
        for (int32_t y = 0; y < size; y++) {
            const uint8_t* storedRow = image + 40 + static_cast<size_t>((size - 1 - y) * size * 4);
            ASSERT_EQ(memcmp(storedRow, &pixels[static_cast<size_t>(y * size * 4)], static_cast<size_t>(size * 4)), 0)
                << "size " << size << " row " << y;
            const uint8_t* maskRow = image + 40 + static_cast<size_t>(size * size * 4) +
                                     static_cast<size_t>(size - 1 - y) * stride;
            for (int32_t x = 0; x < size; x++) {
                bool masked = (maskRow[x / 8] >> (7 - x % 8)) & 1;
                EXPECT_EQ(masked, pixels[static_cast<size_t>((y * size + x) * 4 + 3)] < 128);
            }
        }
    }
}

// The image is painted in a buffer of 48 x 48 pixels: any other size is refused, whatever
// room the caller offers.
TEST(IconFile, ImageSizesOutsideItsBufferAreRefused) {
    std::vector<uint8_t> room(IconImageBytes(256) + 64, 0xAB);
    for (int32_t size : {-1, 0, 49, 64, 256}) {
        EXPECT_EQ(BuildIconImage(room.data(), room.size(), size), 0u) << size;
    }
    EXPECT_EQ(room.front(), 0xAB);
    for (int32_t size : {1, 48}) {
        EXPECT_EQ(BuildIconImage(room.data(), room.size(), size), IconImageBytes(size)) << size;
    }
    EXPECT_EQ(BuildIconImage(room.data(), IconImageBytes(48) - 1, 48), 0u);
}

}  // namespace
