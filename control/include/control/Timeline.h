// The playhead of the main timeline: which frame is shown and which comes next. Portable.
#pragma once

#include <cstdint>
#include <optional>

namespace control {

class Timeline {
public:
    // Starts over with `frameCount` frames (0: nothing to play). No frame is entered yet.
    void Reset(uint32_t frameCount);

    // Enters the next frame and returns it: frame 0 on the first call after Reset, then each
    // following frame, and frame 0 again after the last (the movie loops). nullopt without frames.
    std::optional<uint32_t> Advance();

    uint32_t CurrentFrame() const { return m_current; }  // 0 until the first frame is entered
    uint32_t FrameCount() const { return m_frameCount; }

private:
    uint32_t m_frameCount = 0;
    uint32_t m_current = 0;
    bool m_entered = false;
};

// When frames are due on a millisecond clock read at each timer tick. Frames keep to their own
// schedule (the tick's lateness does not add up), at most one frame runs per tick, and a clock
// that has fallen more than a frame behind (a frame that took too long, a busy machine) starts
// its schedule over from now instead of running the missed frames.
class FrameClock {
public:
    // The first frame is due at `nowMs`.
    void Start(uint64_t nowMs, uint32_t intervalMs);
    // Whether a frame is due at `nowMs`; when it is, the next one is scheduled.
    bool FrameDue(uint64_t nowMs);
    uint32_t IntervalMs() const { return m_interval; }
    // How often to tick: often enough to meet each frame within half its interval.
    uint32_t TickMs() const;

private:
    uint64_t m_next = 0;
    uint32_t m_interval = 1;
};

// Milliseconds between frames at `framesPerSecond`; a rate of 0 (unset) plays at 12 frames per
// second. Kept between 10 ms (the system timer's floor) and one minute.
uint32_t FrameIntervalMs(double framesPerSecond);

}  // namespace control
