#include "control/Timeline.h"

#include <cmath>

namespace control {

void Timeline::Reset(uint32_t frameCount) {
    frameCount_ = frameCount;
    current_ = 0;
    entered_ = false;
}

std::optional<uint32_t> Timeline::Advance() {
    if (frameCount_ == 0) return std::nullopt;
    if (!entered_) {
        entered_ = true;
        current_ = 0;
    } else {
        current_ = current_ + 1 < frameCount_ ? current_ + 1 : 0;
    }
    return current_;
}

uint32_t FrameIntervalMs(double framesPerSecond) {
    constexpr double kDefaultRate = 12.0;
    constexpr uint32_t kMinInterval = 10, kMaxInterval = 60000;
    const double rate = framesPerSecond > 0.0 ? framesPerSecond : kDefaultRate;
    const double interval = std::round(1000.0 / rate);
    if (!(interval >= kMinInterval)) return kMinInterval;
    if (interval > kMaxInterval) return kMaxInterval;
    return uint32_t(interval);
}

}  // namespace control
