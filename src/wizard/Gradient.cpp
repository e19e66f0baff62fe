#include "wizard/Gradient.h"

namespace {

int Channel(int start, int end, int i, int n) {
    return start + (end - start) * i / n;
}

} // namespace

GradientColour GradientStep(int i, int n, GradientColour start, GradientColour end) {
    if (n <= 0) {
        return start;
    }
    return {Channel(start.red, end.red, i, n), Channel(start.green, end.green, i, n),
            Channel(start.blue, end.blue, i, n)};
}
