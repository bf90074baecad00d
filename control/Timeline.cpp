#include "control/Timeline.h"

#include <cmath>

namespace control {

void Timeline::Reset(uint32_t frameCount) {
    m_frameCount = frameCount;
    m_current = 0;
    m_entered = false;
}

std::optional<uint32_t> Timeline::Advance() {
    if (m_frameCount == 0)
        return std::nullopt;
    if (!m_entered) {
        m_entered = true;
        m_current = 0;
    } else {
        m_current = m_current + 1 < m_frameCount ? m_current + 1 : 0;
    }
    return m_current;
}

uint32_t FrameIntervalMs(double framesPerSecond) {
    constexpr double kDefaultRate = 12.0;
    constexpr uint32_t kMinInterval = 10, kMaxInterval = 60000;
    const double rate = framesPerSecond > 0.0 ? framesPerSecond : kDefaultRate;
    const double interval = std::round(1000.0 / rate);
    if (!(interval >= kMinInterval))
        return kMinInterval;
    if (interval > kMaxInterval)
        return kMaxInterval;
    return uint32_t(interval);
}

}  // namespace control
