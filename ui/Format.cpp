#include "ui/Format.h"

#include "base/Format.h"

// Tenths are always cut off, never rounded: a rate shown as 1.0 MB/s is below 1.1 MB/s.
void FormatByteRate(char16_t* out, int32_t capacity, uint32_t v) {
    if (v >= (1u << 20)) {
        FormatText(out, capacity, u"%u.%u MB/s", v >> 20, (((v >> 16) & 15u) * 10u) >> 4);
    } else if (v >= 1024) {
        FormatText(out, capacity, u"%u.%u KB/s", v >> 10, ((v & 1023u) * 10u) >> 10);
    } else {
        FormatText(out, capacity, u"%u B/s", v);
    }
}

void FormatCountRate(char16_t* out, int32_t capacity, uint32_t v) {
    if (v >= 1000000) {
        FormatText(out, capacity, u"%u.%uM/s", v / 1000000, (v % 1000000) / 100000);
    } else if (v >= 1000) {
        FormatText(out, capacity, u"%u.%uK/s", v / 1000, (v % 1000) / 100);
    } else {
        FormatText(out, capacity, u"%u/s", v);
    }
}

void FormatMetricValue(char16_t* out, int32_t capacity, Metric metric, uint32_t v) {
    if (metric == METRIC_CPU) {
        FormatText(out, capacity, u"%u.%u%%", v / 10, v % 10);
    } else if (metric == METRIC_DISK || metric == METRIC_NET) {
        FormatByteRate(out, capacity, v);
    } else {
        FormatCountRate(out, capacity, v);  // faults, and anything else counted a second
    }
}

void FormatDuration(char16_t* out, int32_t capacity, uint32_t ms) {
    uint32_t s = ms / 1000;
    if (s < 60) {
        FormatText(out, capacity, u"%us", s);
    } else if (s % 60 == 0) {
        FormatText(out, capacity, u"%um", s / 60);
    } else {
        FormatText(out, capacity, u"%um %us", s / 60, s % 60);
    }
}

const char16_t* LimitRowName(int32_t row) {
    switch (row) {
    case Index(METRIC_CPU): return u"CPU";
    case Index(METRIC_DISK): return u"Disk";
    case Index(METRIC_NET): return u"Net";
    case Index(METRIC_MEM): return u"RAM";
    default: return u"Wait";
    }
}
