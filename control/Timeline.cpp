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

void FrameClock::Start(uint64_t nowMs, uint32_t intervalMs) {
    m_interval = intervalMs > 0 ? intervalMs : 1;
    m_next = nowMs;
}

bool FrameClock::FrameDue(uint64_t nowMs) {
    if (nowMs < m_next)
        return false;
    m_next += m_interval;
    if (m_next <= nowMs)
        m_next = nowMs + m_interval;  // behind by more than a frame: skip, do not catch up
    return true;
}

uint32_t FrameClock::TickMs() const {
    constexpr uint32_t kMinTick = 10;  // the system timer's floor
    return m_interval / 2 > kMinTick ? m_interval / 2 : kMinTick;
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
