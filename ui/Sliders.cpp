#include "ui/Sliders.h"

namespace {

int32_t HalfThumb(int32_t dpi) {
    return Scale(THUMB_DIAMETER, dpi) / 2;  // not always Scale(7): 10 rather than 11 at 144 dpi
}

}  // namespace

int32_t SliderUsable(const SliderRow* s, int32_t dpi) {
    int32_t usable = (s->track.right - s->track.left) - Scale(THUMB_DIAMETER, dpi);
    return usable > 0 ? usable : 1;
}

int32_t SliderThumbX(const SliderRow* s, int32_t dpi) {
    uint32_t along = static_cast<uint32_t>(s->position) * static_cast<uint32_t>(SliderUsable(s, dpi)) / 1000u;
    return s->track.left + HalfThumb(dpi) + static_cast<int32_t>(along);
}

// The hit area reaches half a thumb beyond each end, so the thumb can be caught at 0 and 1000.
int32_t SliderHitTest(const SliderRow* s, int32_t x, int32_t y, int32_t dpi) {
    int32_t half = HalfThumb(dpi);
    return (x >= s->track.left - half && x <= s->track.right + half && y >= s->track.top && y < s->track.bottom)
               ? 1
               : 0;
}

int32_t SliderSetFromX(SliderRow* s, int32_t x, int32_t dpi) {
    int32_t usable = SliderUsable(s, dpi);
    int64_t off = int64_t{x} - (s->track.left + HalfThumb(dpi));
    off = off < 0 ? 0 : off > usable ? usable : off;
    int32_t p = static_cast<int32_t>(off * 1000 / usable);
    if (p == s->position) {
        return 0;
    }
    s->position = p;
    return 1;
}

int32_t BeginSliderDrag(SliderRow* s, int32_t x, int32_t y, int32_t dpi) {
    if (!SliderHitTest(s, x, y, dpi)) {
        return 0;
    }
    s->dragging = true;
    return SliderSetFromX(s, x, dpi);  // a press on the track makes the thumb jump there
}

int32_t SliderDrag(SliderRow* s, int32_t x, int32_t dpi) {
    return s->dragging ? SliderSetFromX(s, x, dpi) : 0;
}

SliderShapes SliderGeometry(const SliderRow* s, int32_t dpi) {
    SliderShapes g;
    int32_t cy = (s->track.top + s->track.bottom) / 2;
    int32_t tx = SliderThumbX(s, dpi);
    int32_t r = HalfThumb(dpi);
    int32_t bar = Scale(BAR_THICKNESS, dpi);
    g.bar = Rect{s->track.left, cy - bar / 2, s->track.right, cy - bar / 2 + bar};
    g.barRadius = bar / 2;
    g.filled = g.bar;
    g.filled.right = tx;
    g.hasFilled = tx > s->track.left;
    g.thumb = Rect{tx - r, cy - r, tx + r, cy + r};
    g.thumbRadius = r;
    g.hole = Rect{tx - r + bar, cy - r + bar, tx + r - bar, cy + r - bar};
    g.holeRadius = (g.hole.right - g.hole.left) / 2;
    return g;
}
