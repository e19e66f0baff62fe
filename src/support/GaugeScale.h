// The arithmetic of the progress gauge: which percentage a bar with a range and a position
// shows, and how much of the bar is filled. Portable; the gauge window is framework/Gauge.h.
#pragma once

#include <cstdint>

// The whole percentage (0..100) that a gauge with the range lower..upper shows at position,
// or -1 when it draws nothing (an empty or inverted range). A position outside the range
// counts as the nearer end. Values above 1000000 are first scaled down by 1000, as the
// gauge has always shown them; when that would make the range empty the exact values are
// used instead.
int GaugePercent(std::uint32_t lower, std::uint32_t upper, std::uint32_t position);

// The length of the filled part of a bar `extent` long at percent (0..100).
int GaugeFill(int percent, int extent);
