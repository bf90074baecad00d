// The main-timeline host: reads the frames' action blocks and plays the timeline.
#include "script/TimelineHost.h"

#include <algorithm>
#include <cmath>

#include "movie/SwfHeader.h"
#include "movie/SwfTags.h"

namespace script {

namespace {
constexpr uint16_t kTagFrameLabel = 43;
constexpr uint16_t kTagDoInitAction = 59;
constexpr uint16_t kTagScriptLimits = 65;
constexpr size_t kMaxMovieBytes = size_t{256} << 20;
}  // namespace

std::unique_ptr<TimelineHost> TimelineHost::Load(const std::vector<uint8_t>& file, std::string* error) {
    auto header = movie::ReadSwfHeader(file.data(), file.size(), error);
    if (!header) return nullptr;
    auto image = movie::DecompressSwf(file.data(), file.size(), kMaxMovieBytes, error);
    if (!image) return nullptr;
    auto host = std::unique_ptr<TimelineHost>(new TimelineHost());
    host->version_ = header->version;
    double fps = header->FramesPerSecond();
    if (fps > 0) host->frameMs_ = 1000.0 / fps;
    Limits limits;
    movie::TagCursor cursor(image->data(), image->size(), header->headerLength);
    Frame frame;
    while (auto tag = cursor.Next()) {
        const uint8_t* body = image->data() + tag->bodyOffset;
        switch (tag->code) {
        case movie::kTagShowFrame:
            host->frames_.push_back(std::move(frame));
            frame = Frame();
            break;
        case movie::kTagDoAction:
            frame.blocks.push_back({std::make_shared<const std::vector<uint8_t>>(body, body + tag->length), false});
            break;
        case kTagDoInitAction:
            if (tag->length >= 2)
                frame.blocks.push_back({std::make_shared<const std::vector<uint8_t>>(body + 2, body + tag->length), true});
            break;
        case kTagFrameLabel: {
            size_t n = 0;
            while (n < tag->length && body[n]) ++n;
            frame.labels.emplace_back(reinterpret_cast<const char*>(body), n);
            break;
        }
        case kTagScriptLimits:
            if (tag->length >= 4) {
                limits.maxRecursion = body[0] | (body[1] << 8);
                limits.timeoutSeconds = body[2] | (body[3] << 8);
            }
            break;
        default: break;
        }
    }
    if (!frame.blocks.empty() || !frame.labels.empty() || host->frames_.empty()) host->frames_.push_back(std::move(frame));
    host->vm_ = std::make_unique<Vm>(*host, header->version);
    host->vm_->limits = limits;
    host->initDone_.assign(host->frames_.size() + 1, false);
    host->props_[kPropXScale] = host->props_[kPropYScale] = 100;
    host->props_[kPropAlpha] = 100;
    host->props_[kPropVisible] = 1;
    host->props_[kPropHighQuality] = 1;
    host->props_[kPropSoundBufTime] = 5;
    return host;
}

void TimelineHost::Record(RunEnd end) {
    if (end != RunEnd::Completed) abortMessages.push_back(vm_->lastAbortMessage);
}

void TimelineHost::RunFrameActions(int frame, bool includeInit) {
    if (frame < 1 || frame > static_cast<int>(frames_.size())) return;
    // Init actions run once, before the frame's other actions.
    if (includeInit && !initDone_[frame]) {
        initDone_[frame] = true;
        for (auto& b : frames_[frame - 1].blocks)
            if (b.init) Record(vm_->RunActions(kMain, b.bytes, version_));
    }
    for (size_t i = 0; i < frames_[frame - 1].blocks.size(); ++i) {
        auto bytes = frames_[frame - 1].blocks[i];
        if (bytes.init) continue;
        Record(vm_->RunActions(kMain, bytes.bytes, version_));
        RunPendingFrames();
    }
}

void TimelineHost::RunPendingFrames() {
    // Frames gone to during a block run after it, in order.
    for (int guard = 0; !pending_.empty() && guard < 10000; ++guard) {
        int f = pending_.front();
        pending_.erase(pending_.begin());
        RunFrameActions(f, true);
    }
}

void TimelineHost::EnterFrame(int frame) {
    current_ = frame;
    RunFrameActions(frame, true);
    RunPendingFrames();
}

void TimelineHost::Run(int count) {
    for (int i = 0; i < count && !quit_; ++i) {
        if (current_ == 0) {
            EnterFrame(1);
        } else if (playing_) {
            int next = current_ + 1;
            if (next > static_cast<int>(frames_.size())) next = 1;
            if (next != current_ || frames_.size() == 1) {
                if (frames_.size() > 1) EnterFrame(next);
            }
        }
        vm_->AdvanceClock(frameMs_);
        vm_->CollectGarbage();
    }
}

void TimelineHost::GotoFrame(ClipId clip, int frame) {
    if (clip != kMain || frames_.empty()) return;
    frame = std::clamp(frame, 1, static_cast<int>(frames_.size()));
    if (frame == current_) return;
    current_ = frame;
    pending_.push_back(frame);
}

void TimelineHost::CallFrame(ClipId clip, int frame) {
    if (clip != kMain || frame < 1 || frame > static_cast<int>(frames_.size())) return;
    for (auto& b : frames_[frame - 1].blocks)
        if (!b.init) vm_->RunActions(kMain, b.bytes, version_);
}

int TimelineHost::FrameOfLabel(ClipId clip, std::string_view label) {
    if (clip != kMain) return 0;
    for (size_t i = 0; i < frames_.size(); ++i)
        for (auto& l : frames_[i].labels)
            if (NamesEqual(l, label, false)) return static_cast<int>(i + 1);
    return 0;
}

void TimelineHost::NextFrame(ClipId clip) {
    if (clip != kMain) return;
    if (current_ < static_cast<int>(frames_.size())) GotoFrame(clip, current_ + 1);
    playing_ = false;
}

void TimelineHost::PrevFrame(ClipId clip) {
    if (clip != kMain) return;
    if (current_ > 1) GotoFrame(clip, current_ - 1);
    playing_ = false;
}

Value TimelineHost::GetProperty(ClipId clip, int index) {
    if (clip != kMain) return Value();
    switch (index) {
    case kPropCurrentFrame: return Value::Num(std::max(current_, 1));
    case kPropTotalFrames:
    case kPropFramesLoaded: return Value::Num(static_cast<double>(frames_.size()));
    case kPropTarget: return Value::Str("/");
    case kPropName: return Value::Str("");
    case kPropUrl: return Value::Str("file:///test.swf");
    case kPropDropTarget: return Value::Str("");
    case kPropQuality: return Value::Str("HIGH");
    case kPropVisible: return version_ >= 5 ? Value::Bool(props_[index] != 0) : Value::Num(props_[index]);
    case kPropFocusRect: return version_ >= 5 ? Value::Bool(true) : Value::Num(1);
    default: return Value::Num(props_[index]);
    }
}

void TimelineHost::SetProperty(ClipId clip, int index, double number, const std::string&) {
    if (clip != kMain || index < 0 || index >= kPropCount) return;
    switch (index) {
    case kPropCurrentFrame: case kPropTotalFrames: case kPropFramesLoaded: case kPropTarget:
    case kPropName: case kPropUrl: case kPropDropTarget: case kPropXMouse: case kPropYMouse:
        return;
    default:
        if (std::isfinite(number)) props_[index] = number;
    }
}

void TimelineHost::GetUrl(ClipId, std::string_view url, std::string_view target, int, bool, bool) {
    movie::GetUrlAction a{std::string(url), std::string(target)};
    if (auto cmd = movie::FsCommandFromGetUrl(a)) {
        std::string c = cmd->command;
        for (auto& ch : c) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (c == "quit") quit_ = true;
    }
}

}  // namespace script
