// The engine's own ScriptRunner: the timeline actions of format 3 (play, stop, next and
// previous frame, go to frame or label, get URL, set target, wait for frame, toggle quality,
// stop sounds). Every other action is stepped over by its length, so code of later formats
// runs its timeline actions and leaves the rest to the interpreter.
#pragma once

#include "playback/ScriptRunner.h"

namespace playback {

class TimelineActions final : public ScriptRunner {
public:
    void RunFrameActions(const ActionContext& context, const movie::ActionBlock& block) override;
    void RunInitActions(const ActionContext& context, const movie::ActionBlock& block) override;
    void RunClipEvent(const ActionContext& context, const movie::ActionBlock& block) override;
    void RunButtonActions(const ActionContext& context, const movie::ActionBlock& block) override;

private:
    void Run(const ActionContext& context, const movie::ActionBlock& block);
};

}  // namespace playback
