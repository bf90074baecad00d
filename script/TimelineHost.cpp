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
    if (!header)
        return nullptr;
    auto image = movie::DecompressSwf(file.data(), file.size(), kMaxMovieBytes, error);
    if (!image)
        return nullptr;
    auto host = std::unique_ptr<TimelineHost>(new TimelineHost());
    host->m_version = header->version;
    double fps = header->FramesPerSecond();
    if (fps > 0)
        host->m_frameMs = 1000.0 / fps;
    Limits limits;
    movie::TagCursor cursor(image->data(), image->size(), header->headerLength);
    Frame frame;
    while (auto tag = cursor.Next()) {
        const uint8_t* body = image->data() + tag->bodyOffset;
        switch (tag->code) {
        case movie::kTagShowFrame:
            host->m_frames.push_back(std::move(frame));
            frame = Frame();
            break;
        case movie::kTagDoAction:
            frame.blocks.push_back({std::make_shared<const std::vector<uint8_t>>(body, body + tag->length), false});
            break;
        case kTagDoInitAction:
            if (tag->length >= 2)
                frame.blocks.push_back(
                    {std::make_shared<const std::vector<uint8_t>>(body + 2, body + tag->length), true});
            break;
        case kTagFrameLabel: {
            size_t n = 0;
            while (n < tag->length && body[n])
                ++n;
            frame.labels.emplace_back(reinterpret_cast<const char*>(body), n);
            break;
        }
        case kTagScriptLimits:
            if (tag->length >= 4) {
                limits.maxRecursion = std::min(body[0] | (body[1] << 8), kMaxScriptRecursion);
                limits.timeoutSeconds = body[2] | (body[3] << 8);
            }
            break;
        default:
            break;
        }
    }
    if (!frame.blocks.empty() || !frame.labels.empty() || host->m_frames.empty())
        host->m_frames.push_back(std::move(frame));
    host->m_vm = std::make_unique<Vm>(*host, header->version);
    host->m_vm->limits = limits;
    host->m_initDone.assign(host->m_frames.size() + 1, false);
    host->m_props[kPropXScale] = host->m_props[kPropYScale] = 100;
    host->m_props[kPropAlpha] = 100;
    host->m_props[kPropVisible] = 1;
    host->m_props[kPropHighQuality] = 1;
    host->m_props[kPropSoundBufTime] = 5;
    return host;
}

void TimelineHost::Record(RunEnd end) {
    if (end != RunEnd::Completed)
        abortMessages.push_back(m_vm->lastAbortMessage);
}

void TimelineHost::RunFrameActions(int frame, bool includeInit) {
    if (frame < 1 || frame > static_cast<int>(m_frames.size()))
        return;
    // Init actions run once, before the frame's other actions.
    if (includeInit && !m_initDone[frame]) {
        m_initDone[frame] = true;
        for (auto& b : m_frames[frame - 1].blocks)
            if (b.init)
                Record(m_vm->RunActions(kMain, b.bytes, m_version));
    }
    for (size_t i = 0; i < m_frames[frame - 1].blocks.size(); ++i) {
        auto bytes = m_frames[frame - 1].blocks[i];
        if (bytes.init)
            continue;
        Record(m_vm->RunActions(kMain, bytes.bytes, m_version));
        RunPendingFrames();
    }
}

void TimelineHost::RunPendingFrames() {
    // Frames gone to during a block run after it, in order.
    for (int guard = 0; !m_pending.empty() && guard < 10000; ++guard) {
        int f = m_pending.front();
        m_pending.erase(m_pending.begin());
        RunFrameActions(f, true);
    }
}

void TimelineHost::EnterFrame(int frame) {
    m_current = frame;
    RunFrameActions(frame, true);
    RunPendingFrames();
}

void TimelineHost::Run(int count) {
    for (int i = 0; i < count && !m_quit; ++i) {
        if (m_current == 0) {
            EnterFrame(1);
        } else if (m_playing) {
            int next = m_current + 1;
            if (next > static_cast<int>(m_frames.size()))
                next = 1;
            if (next != m_current || m_frames.size() == 1) {
                if (m_frames.size() > 1)
                    EnterFrame(next);
            }
        }
        m_vm->AdvanceClock(m_frameMs);
        m_vm->CollectGarbageWhenGrown();
    }
}

void TimelineHost::GotoFrame(ClipId clip, int frame) {
    if (clip != kMain || m_frames.empty())
        return;
    frame = std::clamp(frame, 1, static_cast<int>(m_frames.size()));
    if (frame == m_current)
        return;
    m_current = frame;
    m_pending.push_back(frame);
}

void TimelineHost::CallFrame(ClipId clip, int frame) {
    if (clip != kMain || frame < 1 || frame > static_cast<int>(m_frames.size()))
        return;
    for (auto& b : m_frames[frame - 1].blocks)
        if (!b.init)
            m_vm->RunActions(kMain, b.bytes, m_version);
}

int TimelineHost::FrameOfLabel(ClipId clip, std::string_view label) {
    if (clip != kMain)
        return 0;
    for (size_t i = 0; i < m_frames.size(); ++i)
        for (auto& l : m_frames[i].labels)
            if (NamesEqual(l, label, false))
                return static_cast<int>(i + 1);
    return 0;
}

void TimelineHost::NextFrame(ClipId clip) {
    if (clip != kMain)
        return;
    if (m_current < static_cast<int>(m_frames.size()))
        GotoFrame(clip, m_current + 1);
    m_playing = false;
}

void TimelineHost::PrevFrame(ClipId clip) {
    if (clip != kMain)
        return;
    if (m_current > 1)
        GotoFrame(clip, m_current - 1);
    m_playing = false;
}

Value TimelineHost::GetProperty(ClipId clip, int index) {
    if (clip != kMain)
        return Value();
    switch (index) {
    case kPropCurrentFrame:
        return Value::Num(std::max(m_current, 1));
    case kPropTotalFrames:
    case kPropFramesLoaded:
        return Value::Num(static_cast<double>(m_frames.size()));
    case kPropTarget:
        return Value::Str("/");
    case kPropName:
        return Value::Str("");
    case kPropUrl:
        return Value::Str("file:///test.swf");
    case kPropDropTarget:
        return Value::Str("");
    case kPropQuality:
        return Value::Str("HIGH");
    case kPropVisible:
        return m_version >= 5 ? Value::Bool(m_props[index] != 0) : Value::Num(m_props[index]);
    case kPropFocusRect:
        return m_version >= 5 ? Value::Bool(true) : Value::Num(1);
    default:
        return Value::Num(m_props[index]);
    }
}

void TimelineHost::SetProperty(ClipId clip, int index, double number, const std::string&) {
    if (clip != kMain || index < 0 || index >= kPropCount)
        return;
    switch (index) {
    case kPropCurrentFrame:
    case kPropTotalFrames:
    case kPropFramesLoaded:
    case kPropTarget:
    case kPropName:
    case kPropUrl:
    case kPropDropTarget:
    case kPropXMouse:
    case kPropYMouse:
        return;
    default:
        if (std::isfinite(number))
            m_props[index] = number;
    }
}

void TimelineHost::GetUrl(ClipId, std::string_view url, std::string_view target, int, bool, bool) {
    movie::GetUrlAction a{std::string(url), std::string(target)};
    if (auto cmd = movie::FsCommandFromGetUrl(a)) {
        std::string c = cmd->command;
        for (auto& ch : c)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (c == "quit")
            m_quit = true;
    }
}

}  // namespace script
