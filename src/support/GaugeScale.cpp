#include "support/GaugeScale.h"

namespace {

constexpr std::uint32_t kScaleLimit = 1000000;

} // namespace

int GaugePercent(std::uint32_t lower, std::uint32_t upper, std::uint32_t position) {
    if (upper <= lower) {
        return -1;
    }
    if (lower > kScaleLimit || upper > kScaleLimit || position > kScaleLimit) {
        if (upper / 1000 > lower / 1000) {
            lower /= 1000;
            upper /= 1000;
            position /= 1000;
        }
    }
    if (position <= lower) {
        return 0;
    }
    if (position >= upper) {
        return 100;
    }
    // 64 bits: (position - lower) * 100 does not fit 32 bits for large unscaled ranges.
    return static_cast<int>(static_cast<std::uint64_t>(position - lower) * 100 / (upper - lower));
}

int GaugeFill(int percent, int extent) {
    if (percent <= 0 || extent <= 0) {
        return 0;
    }
    if (percent >= 100) {
        return extent;
    }
    return static_cast<int>(static_cast<std::int64_t>(percent) * extent / 100);
}
