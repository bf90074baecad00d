#include "TimelineActions.h"

#include "movie/BitReader.h"
#include "movie/SwfTags.h"
#include "playback/Player.h"

namespace playback {
namespace {

enum ActionCode : uint8_t {
    kNextFrame = 0x04,
    kPrevFrame = 0x05,
    kPlay = 0x06,
    kStop = 0x07,
    kToggleQuality = 0x08,
    kStopSounds = 0x09,
    kGotoFrame = 0x81,
    kGetUrl = 0x83,
    kWaitForFrame = 0x8A,
    kSetTarget = 0x8B,
    kGotoLabel = 0x8C,
};

}  // namespace

void TimelineActions::RunFrameActions(const ActionContext& c, const movie::ActionBlock& b) {
    Run(c, b);
}
void TimelineActions::RunInitActions(const ActionContext& c, const movie::ActionBlock& b) {
    Run(c, b);
}
void TimelineActions::RunClipEvent(const ActionContext& c, const movie::ActionBlock& b) {
    Run(c, b);
}
void TimelineActions::RunButtonActions(const ActionContext& c, const movie::ActionBlock& b) {
    Run(c, b);
}

void TimelineActions::Run(const ActionContext& context, const movie::ActionBlock& block) {
    Player& player = context.player;
    DisplayObject* target = &context.self;
    const uint8_t* code = block.bytes.data();
    const size_t size = block.bytes.size();
    size_t pos = 0;
    unsigned skip = 0;  // actions a WaitForFrame asks to step over
    while (pos < size) {
        const uint8_t op = code[pos++];
        if (op == 0)
            break;
        const uint8_t* payload = nullptr;
        size_t length = 0;
        if (op >= 0x80) {
            if (size - pos < 2)
                break;
            length = size_t(code[pos] | code[pos + 1] << 8);
            pos += 2;
            if (length > size - pos)
                break;
            payload = code + pos;
            pos += length;
        }
        if (skip > 0) {
            --skip;
            continue;
        }
        movie::BitReader r(payload ? payload : code, payload ? length : 0);
        // A target that has gone (or never was) takes the timeline actions nowhere.
        DisplayObject* clip = target && target->kind == ObjectKind::Clip ? target : nullptr;
        switch (op) {
        case kNextFrame:
            if (clip)
                player.NextFrame(*clip);
            break;
        case kPrevFrame:
            if (clip)
                player.PrevFrame(*clip);
            break;
        case kPlay:
            if (clip)
                player.Play(*clip);
            break;
        case kStop:
            if (clip)
                player.Stop(*clip);
            break;
        case kToggleQuality:
            player.ToggleQuality();
            break;
        case kStopSounds:
            player.StopSounds();
            break;
        case kGotoFrame: {
            const uint16_t frame = r.U16();
            if (r.Ok() && clip)
                player.GotoFrame(*clip, frame, false);
            break;
        }
        case kGotoLabel: {
            const std::string label = r.CString();
            if (r.Ok() && clip)
                player.GotoLabel(*clip, label, false);
            break;
        }
        case kGetUrl: {
            movie::GetUrlAction get;
            get.url = r.CString();
            get.target = r.CString();
            if (!r.Ok())
                break;
            if (auto fs = movie::FsCommandFromGetUrl(get)) {
                player.FsCommand(fs->command, fs->args);
            } else if (context.source == ActionSource::Button) {
                // Web addresses open only on the user's click.
                player.OpenUrl(get.url, get.target);
            }
            break;
        }
        case kWaitForFrame:
            // Everything is loaded before the first frame: the frame waited for is always there.
            break;
        case kSetTarget: {
            const std::string path = r.CString();
            if (!r.Ok())
                break;
            target = path.empty() ? &context.self : player.FindTarget(context.self, path);
            break;
        }
        default:
            break;  // left to the interpreter
        }
    }
}

}  // namespace playback
