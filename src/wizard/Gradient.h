// The background's blue-to-black gradient, shared by the painting and the palette.
#pragma once

struct GradientColour {
    int red;
    int green;
    int blue;
};

constexpr GradientColour kGradientStart{0, 0, 255};
constexpr GradientColour kGradientEnd{0, 0, 0};

// Step i of n (0 <= i < n) from start to end: each channel is
// start + (end - start) * i / n with integer division. n <= 0 gives the start colour.
GradientColour GradientStep(int i, int n, GradientColour start = kGradientStart,
                            GradientColour end = kGradientEnd);
