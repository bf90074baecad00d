// The frame loop in the reference player's order. Every clip of the tree, from the newest made
// to the oldest (the stage last), queues its enterFrame event and steps its timeline; a step's
// display-list changes apply at once, and the clips they place enter their first frame there
// and then (their load event and first frame's actions join the queue where their place op
// stands among the frame's actions). The queue runs after the whole walk, so an event queued
// for a clip that a later step removed does not run. Clips scripts placed start last.
#include "PlayerImpl.h"

#include <algorithm>

namespace playback {
namespace {

void CollectClips(DisplayObject& o, std::vector<DisplayObject*>& out) {
    if (o.removed)
        return;
    if (o.kind == ObjectKind::Clip) {
        if (o.placedByScript && o.firstFramePending)
            return;  // starts with the scripts' clips, after the walk
        out.push_back(&o);
    }
    if (!o.IsContainer())
        return;
    for (const auto& c : o.children)
        CollectClips(*c, out);
}

}  // namespace

void Player::Impl::Register(DisplayObject& o) {
    o.liveCount = &liveObjects;
    ++liveObjects;
    o.serial = ++serials;
}

void Player::Impl::CollectClipsNewestFirst(std::vector<DisplayObject*>& out) {
    out.clear();
    ForEachLevel([&](DisplayObject& root) { CollectClips(root, out); });
    std::sort(out.begin(), out.end(),
              [](const DisplayObject* a, const DisplayObject* b) { return a->serial > b->serial; });
}

void Player::Impl::RunFrame() {
    // The clips as they stand now: those placed while the walk runs entered their first frame
    // as they were placed, and step from the next frame on.
    CollectClipsNewestFirst(frameOrder);
    for (size_t i = 0; i < frameOrder.size(); ++i)
        RunClipFrame(*frameOrder[i]);
    Drain();
    StartScriptedClips();
}

void Player::Impl::RunClipFrame(DisplayObject& o) {
    if (o.removed || o.kind != ObjectKind::Clip)
        return;
    if (o.firstFramePending) {
        // A clip waiting inside a clip that waits too enters with its parent's first frame.
        const bool parentWaits = o.parent && o.parent->kind == ObjectKind::Clip && o.parent->firstFramePending;
        if (!o.placedByScript && !parentWaits)
            EnterFirstFrame(o, true);
        return;
    }
    if (o.loadPending) {
        // Entered by a goto before its turn: it loads in its turn.
        o.loadPending = false;
        QueueClipEvent(o, kEventLoad);
    }
    if (o.enteredEarlyIn == player.m_framesRun + 1)
        return;  // its first frame ran in this frame already
    QueueClipEvent(o, kEventEnterFrame);
    StepForward(o);
}

void Player::Impl::StepForward(DisplayObject& clip) {
    if (!clip.playing || clip.FrameCount() <= 1)
        return;
    if (clip.currentFrame + 1 < clip.FrameCount()) {
        ++clip.currentFrame;
        ApplyFrameOps(clip, clip.currentFrame);
        QueueFrame(clip, clip.currentFrame);
        return;
    }
    if (&clip == player.m_root.get() && !player.m_loop) {
        clip.playing = false;
        return;
    }
    if (!clip.timeline->loops)
        return;
    RebuildTo(clip, 0);
    clip.currentFrame = 0;
    QueueFrame(clip, 0);
}

namespace {

bool AwaitsFirstFrame(const DisplayObject& o) {
    return o.kind == ObjectKind::Clip && o.firstFramePending && !o.placedByScript && !o.removed;
}

}  // namespace

void Player::Impl::QueueFrame(DisplayObject& clip, uint32_t frame) {
    if (!clip.timeline || frame >= clip.timeline->frames.size())
        return;
    if (clip.library && clip.timeline == &clip.library->movie->root)
        RunFrameInitActions(clip, frame);
    const movie::Frame& f = clip.timeline->frames[frame];
    // Clips placed by the frames a jump passed through start before this frame's own.
    for (size_t i = 0; i < clip.children.size(); ++i) {
        DisplayObject& child = *clip.children[i];
        if (AwaitsFirstFrame(child) && child.placedInFrame != frame)
            EnterFirstFrame(child, true);
    }
    size_t next = 0;
    for (size_t k = 0; k < f.ops.size(); ++k) {
        for (; next < f.actions.size() && f.actions[next].opsBefore <= k; ++next)
            queue.push_back({&clip, &f.actions[next]});
        const movie::DisplayOp& op = f.ops[k];
        if (op.kind != movie::DisplayOp::Kind::Place || !op.place.characterId)
            continue;
        DisplayObject* placed = clip.ChildAtDepth(op.depth);
        if (placed && AwaitsFirstFrame(*placed))
            EnterFirstFrame(*placed, true);
    }
    for (; next < f.actions.size(); ++next)
        queue.push_back({&clip, &f.actions[next]});
    for (size_t i = 0; i < clip.children.size(); ++i)
        if (AwaitsFirstFrame(*clip.children[i]))
            EnterFirstFrame(*clip.children[i], true);
}

void Player::Impl::QueueClipEvent(DisplayObject& clip, uint32_t event) {
    queue.push_back({&clip, nullptr, event});
}

void Player::Impl::StartScriptedClips() {
    // Clips placed while these run join the end of the list.
    for (size_t i = 0; i < scriptedStarts.size(); ++i) {
        DisplayObject& clip = *scriptedStarts[i];
        if (clip.removed)
            continue;
        if (clip.firstFramePending) {
            EnterFirstFrame(clip, true);
        } else if (clip.loadPending) {
            clip.loadPending = false;
            QueueClipEvent(clip, kEventLoad);
        }
        Drain();
    }
    scriptedStarts.clear();
}

void Player::Impl::EnterFirstFrame(DisplayObject& clip, bool loadNow) {
    clip.firstFramePending = false;
    clip.enteredEarlyIn = player.m_framesRun + 1;
    RunInitActions(clip);
    // A level's timeline loads after its first frame's actions (they may set onLoad).
    const bool root = clip.parent == nullptr;
    if (!root) {
        if (loadNow)
            QueueClipEvent(clip, kEventLoad);
        else
            clip.loadPending = true;
    }
    QueueFrame(clip, 0);
    if (root)
        QueueClipEvent(clip, kEventLoad);
}

}  // namespace playback
