// A display host over a movie's main timeline only: its frames, the DoAction and DoInitAction
// blocks of each frame in tag order, frame labels, play/stop/goto on the main timeline, and the
// main clip as _root, _level0 and this. It stands in for playback until the real adapter exists,
// and runs the script corpus's cases (DisplayHost calls that need other clips give kNoClip).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script/DisplayHost.h"
#include "script/Vm.h"

namespace script {

class TimelineHost final : public DisplayHost {
public:
    // Reads the movie; nullopt with a reason when it is not a movie this host can read.
    static std::unique_ptr<TimelineHost> Load(const std::vector<uint8_t>& file, std::string* error);

    // Runs `frames` frames: each frame enters the next frame of the timeline (when playing),
    // runs its init actions and actions and any frames they go to, then advances the timers by
    // one frame's time. Stops early after fscommand("quit").
    void Run(int frames);
    const std::vector<std::string>& TraceLines() const { return m_trace; }
    Vm& Interpreter() { return *m_vm; }
    bool QuitRequested() const { return m_quit; }
    std::vector<std::string> abortMessages;  // why blocks were abandoned, in order

    // DisplayHost
    ClipId Level(int level) override { return level == 0 ? kMain : kNoClip; }
    int LevelNumber(ClipId root) override { return root == kMain ? 0 : -1; }
    ClipId Parent(ClipId) override { return kNoClip; }
    ClipId ChildByName(ClipId, std::string_view, bool) override { return kNoClip; }
    void Children(ClipId, std::vector<ClipId>&) override {}
    bool IsAlive(ClipId clip) override { return clip == kMain; }
    std::string Name(ClipId) override { return ""; }
    int Version(ClipId) override { return m_version; }
    Value GetProperty(ClipId clip, int index) override;
    void SetProperty(ClipId clip, int index, double number, const std::string& text) override;
    void GotoFrame(ClipId clip, int frame) override;
    void CallFrame(ClipId clip, int frame) override;
    int FrameOfLabel(ClipId clip, std::string_view label) override;
    void Play(ClipId clip) override {
        if (clip == kMain)
            m_playing = true;
    }
    void Stop(ClipId clip) override {
        if (clip == kMain)
            m_playing = false;
    }
    void NextFrame(ClipId clip) override;
    void PrevFrame(ClipId clip) override;
    ClipId Duplicate(ClipId, std::string_view, int) override { return kNoClip; }
    ClipId CreateEmpty(ClipId, std::string_view, int) override { return kNoClip; }
    ClipId Attach(ClipId, std::string_view, std::string_view, int) override { return kNoClip; }
    void Remove(ClipId) override {}
    void StartDrag(ClipId, bool, const double*) override {}
    void StopDrag() override {}
    void GetUrl(ClipId from, std::string_view url, std::string_view target, int method, bool loadTarget,
                bool loadVariables) override;
    void Trace(std::string_view line) override { m_trace.emplace_back(line); }

    static constexpr ClipId kMain = 1;

private:
    struct Block {
        std::shared_ptr<const std::vector<uint8_t>> bytes;
        bool init = false;
    };
    struct Frame {
        std::vector<Block> blocks;
        std::vector<std::string> labels;
    };
    void EnterFrame(int frame);
    void RunFrameActions(int frame, bool includeInit);
    void RunPendingFrames();
    void Record(RunEnd end);

    uint8_t m_version = 0;
    double m_frameMs = 1000.0 / 12;
    std::vector<Frame> m_frames;
    std::unique_ptr<Vm> m_vm;
    int m_current = 0;  // 1-based; 0 before the first frame
    bool m_playing = true;
    bool m_quit = false;
    std::vector<int> m_pending;  // frames gone to, whose actions run after the current block
    std::vector<bool> m_initDone;
    double m_props[kPropCount] = {};
    std::vector<std::string> m_trace;
};

}  // namespace script
