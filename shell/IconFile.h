#pragma once
#include <cstddef>
#include <cstdint>

// The executable's icon as an .ico file: the eye in the application colour at the six sizes
// Windows asks for, 32-bit colour stored bottom-up with an AND mask set where alpha < 128.

constexpr int32_t ICON_FILE_SIZES[] = {16, 20, 24, 32, 40, 48};
constexpr int32_t ICON_FILE_COUNT = 6;
constexpr int32_t ICON_IMAGE_MAX = 48;  // the largest image the file holds, and its pixel buffer's side

// The bytes of one image as a resource holds it: BITMAPINFOHEADER, colour rows, mask rows.
size_t IconImageBytes(int32_t size);
// One image of 1 to ICON_IMAGE_MAX pixels; returns its length, or 0 for any other size or
// when it does not fit the capacity.
size_t BuildIconImage(uint8_t* out, size_t capacity, int32_t size);

// The whole .ico file; returns its length, or 0 when it does not fit the capacity.
size_t BuildIconFile(uint8_t* out, size_t capacity);
