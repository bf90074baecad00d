// The interpreter over playback's display tree: clips are named by serial numbers the Vm never
// sees reused, frame and event code runs in the Vm, properties map to the objects' matrices,
// colour transforms and timelines.
#include "script/PlayerScripts.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_map>

#include "Text.h"
#include "playback/Player.h"
#include "playback/TextField.h"
#include "playback/TextLayout.h"
#include "movie/SwfTags.h"
#include "playback/ScriptRunner.h"
#include "script/DisplayHost.h"
#include "script/SharedObjectStore.h"
#include "script/Vm.h"
#include "utf/Utf.h"

namespace script {

namespace {

// Scripts count depths from -16384 (the timeline's depth 0); their own objects sit at 0 and up.
constexpr int32_t kDepthOffset = 16384;
constexpr int32_t kLastCopyDepth = 2130690044;
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxAbortMessages = 100;

const char* EventMethod(uint32_t event) {
    switch (event) {
    case playback::kEventLoad:
        return "onLoad";
    case playback::kEventEnterFrame:
        return "onEnterFrame";
    case playback::kEventUnload:
        return "onUnload";
    case playback::kEventData:
        return "onData";
    case playback::kEventMouseMove:
        return "onMouseMove";
    case playback::kEventMouseDown:
        return "onMouseDown";
    case playback::kEventMouseUp:
        return "onMouseUp";
    case playback::kEventPress:
        return "onPress";
    case playback::kEventRelease:
        return "onRelease";
    case playback::kEventReleaseOutside:
        return "onReleaseOutside";
    case playback::kEventRollOver:
        return "onRollOver";
    case playback::kEventRollOut:
        return "onRollOut";
    case playback::kEventDragOver:
        return "onDragOver";
    case playback::kEventDragOut:
        return "onDragOut";
    default:
        return nullptr;
    }
}

constexpr int kTabKey = 9, kEnterKey = 13, kShiftKey = 16, kSpaceKey = 32;
constexpr int kLeftButton = 1, kRightButton = 2;
constexpr uint32_t kButtonEvents = playback::kEventPress | playback::kEventRelease | playback::kEventReleaseOutside |
                                   playback::kEventRollOver | playback::kEventRollOut | playback::kEventDragOver |
                                   playback::kEventDragOut;

// A key as key-press conditions number it: the character it types, or a code of its own for
// the keys that type none (and for enter, tab, escape and backspace).
uint8_t KeyPressCode(int code, int ascii) {
    switch (code) {
    case 37:
        return 1;  // left
    case 39:
        return 2;  // right
    case 36:
        return 3;  // home
    case 35:
        return 4;  // end
    case 45:
        return 5;  // insert
    case 46:
        return 6;  // delete
    case 8:
        return 8;  // backspace
    case 13:
        return 13;  // enter
    case 38:
        return 14;  // up
    case 40:
        return 15;  // down
    case 33:
        return 16;  // page up
    case 34:
        return 17;  // page down
    case 9:
        return 18;  // tab
    case 27:
        return 19;  // escape
    default:
        return ascii >= 32 && ascii < 256 ? uint8_t(ascii) : 0;
    }
}

constexpr const char* kMouseHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                          "onRollOut", "onDragOver", "onDragOut"};

// The code of a block, shared with the movie that owns it (which outlives the interpreter).
std::shared_ptr<const std::vector<uint8_t>> Code(const movie::ActionBlock& block) {
    return std::shared_ptr<const std::vector<uint8_t>>(std::shared_ptr<const void>(), &block.bytes);
}

double ScaleX(const raster::Matrix& m) {
    return std::sqrt(m.a * m.a + m.b * m.b);
}
double ScaleY(const raster::Matrix& m) {
    return std::sqrt(m.c * m.c + m.d * m.d);
}

}  // namespace

class PlayerScripts::Impl final : public playback::ScriptRunner, public DisplayHost {
public:
    Impl(playback::Player& player, TraceSink trace)
        : m_player(player), m_trace(std::move(trace)), m_version(player.MainMovie().header.version) {
        m_vm = std::make_unique<Vm>(*this, m_version);
        if (const auto& limits = player.MainMovie().scriptLimits) {
            m_vm->limits.maxRecursion = std::min<int>(limits->maxRecursion, kMaxScriptRecursion);
            m_vm->limits.timeoutSeconds = limits->timeoutSeconds;
        }
        const double fps = player.MainMovie().header.FramesPerSecond();
        m_frameMs = fps > 0 ? 1000.0 / fps : 1000.0 / 12;
        m_player.SetScriptRunner(this);
    }
    ~Impl() override {
        FlushSharedObjects(*m_vm);
        m_player.SetScriptRunner(nullptr);
    }
    void SetSharedObjectStore(SharedObjectStore* store) { m_store = store ? store : &m_memoryStore; }

    std::vector<std::string> aborts;
    // A key: the focused object and Key's listeners hear it, then the clips' key events run;
    // a press then runs the key-press actions of buttons and clips, and a key none of them took
    // moves the focus (tab) or presses the focused button (space, enter).
    // With `textApart` the host brings a key's text and editing separately (TypeText,
    // EditText): the key itself neither types nor edits, and a character's key press waits for
    // its text.
    void Key(bool down, int code, int ascii) {
        m_vm->KeyEvent(down, code, ascii);
        m_player.KeyEvent(down ? playback::kEventKeyDown : playback::kEventKeyUp);
        if (!down)
            return;
        const uint8_t press = KeyPressCode(code, ascii);
        if (!(textApart && press > kSpaceKey) && m_player.KeyPress(press))
            return;
        if (!textApart && EditWithKey(code, ascii))
            return;
        if (code == kTabKey) {
            m_vm->MoveFocus(m_vm->keysDown[kShiftKey]);
            ShowFocusRect(m_vm->focus);  // also when the focus stays where it was
            m_vm->SelectFieldText(m_vm->focus);
        } else if (code == kSpaceKey || code == kEnterKey) {
            const bool shown = m_vm->ShowsFocusRect(m_vm->focus);
            playback::DisplayObject* focused = m_vm->focusTakesKeys && shown ? Object(m_vm->focus) : nullptr;
            if (focused && focused->visible)
                m_player.ClickButton(*focused);
        }
    }
    // Text typed: each character is a key press first (a button's or clip's keyPress may take
    // it; the space's went with its key), then goes into the focused input field.
    void TypeText(std::u16string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const size_t n = i + 1 < text.size() && utf::IsHighSurrogate(text[i]) ? 2 : 1;
            const uint8_t press = KeyPressCode(0, text[i]);
            if (press > kSpaceKey && m_player.KeyPress(press)) {
                i += n - 1;
                continue;
            }
            m_vm->TypeIntoFocus(text.substr(i, n));
            i += n - 1;
        }
    }
    void EditText(playback::TextEdit edit) { m_vm->EditFocus(edit); }
    void Paste() { m_vm->TypeIntoFocus(m_vm->clipboard); }
    void SetClipboard(std::u16string text) { m_vm->clipboard = std::move(text); }
    bool textApart = false;

    void MouseButton(int code, bool down) {
        m_vm->SetKeyState(code, down);
        if (code == kLeftButton || code == kRightButton)
            m_player.ShowFocusRect(nullptr);  // the middle button leaves the focus rectangle
    }
    void WindowFocusLost() {
        m_player.HighlightButton(nullptr);
        m_player.ShowFocusRect(nullptr);
        m_vm->ChangeFocus(kNoClip);
    }
    void LimitTimeout(double seconds) { m_vm->limits.timeoutSeconds = std::min(m_vm->limits.timeoutSeconds, seconds); }
    void LimitActions(uint64_t count) { m_vm->limits.maxActionsPerBlock = count; }
    uint64_t ActionsRun() const { return m_vm->opCounter; }

    // A key that edits the focused input field (the host brings keys with their characters):
    // true when the field took it.
    bool EditWithKey(int code, int ascii) {
        const bool shift = m_vm->keysDown[kShiftKey];
        using playback::TextEdit;
        std::optional<TextEdit> edit;
        switch (code) {
        case 8:
            edit = TextEdit::Backspace;
            break;
        case 46:
            edit = TextEdit::Delete;
            break;
        case kEnterKey:
            edit = TextEdit::Enter;
            break;
        case 37:
            edit = shift ? TextEdit::SelectLeft : TextEdit::MoveLeft;
            break;
        case 39:
            edit = shift ? TextEdit::SelectRight : TextEdit::MoveRight;
            break;
        case 36:
            edit = shift ? TextEdit::SelectLineStart : TextEdit::MoveLineStart;
            break;
        case 35:
            edit = shift ? TextEdit::SelectLineEnd : TextEdit::MoveLineEnd;
            break;
        default:
            break;
        }
        if (edit)
            return m_vm->EditFocus(*edit);
        if (ascii >= kSpaceKey && ascii != 127) {
            const std::u16string typed(1, char16_t(ascii));
            return m_vm->TypeIntoFocus(typed);
        }
        return false;
    }

    // ---- playback::ScriptRunner ----
    void RunFrameActions(const playback::ActionContext& c, const movie::ActionBlock& block) override {
        Run(c.self, block);
    }
    void RunInitActions(const playback::ActionContext& c, const movie::ActionBlock& block) override {
        Run(c.self, block);
    }
    void RunClipEvent(const playback::ActionContext& c, const movie::ActionBlock& block) override {
        Run(c.self, block);
    }
    void RunButtonActions(const playback::ActionContext& c, const movie::ActionBlock& block) override {
        // Web addresses open only from a button's actions (the user's click).
        const bool was = m_inButton;
        m_inButton = true;
        Run(c.self, block);
        m_inButton = was;
    }
    void ClipEventOccurred(const playback::ActionContext& c) override {
        // The pointer moving (the event starts at the stage) takes the keys from the focus.
        if (c.trigger == playback::kEventMouseMove && &c.self == &m_player.Stage())
            m_vm->focusTakesKeys = false;
        if (c.trigger == playback::kEventLoad && !m_vm->registeredClasses.empty())
            m_vm->ClipPlaced(Id(&c.self));
        const char* method = EventMethod(c.trigger);
        if (!method)
            return;
        auto it = m_ids.find(&c.self);
        // A clip the scripts never named has no object, so no handler either.
        if (it == m_ids.end() || !m_vm->HasClipObject(it->second))
            return;
        Record(m_vm->CallClipMethod(it->second, method));
    }
    void ObjectRemoved(playback::DisplayObject& object) override { Forget(object); }
    void ContentReplaced(playback::DisplayObject& clip) override {
        if (auto it = m_ids.find(&clip); it != m_ids.end())
            m_vm->ClipReloaded(it->second);
    }
    bool TracksAsMenu(playback::DisplayObject& o) override {
        auto it = m_ids.find(&o);
        if (it == m_ids.end() || !m_vm->HasClipObject(it->second))
            return false;
        // A plain property only: asking must not run the movie's getters.
        Property* p = m_vm->ClipObject(it->second)->FindOwn("trackAsMenu", m_vm->CaseSensitive());
        return p && !p->IsAccessor() && ToBoolean(p->value, m_version);
    }
    void PointerPressed(playback::DisplayObject* field) override {
        m_vm->FocusFromPointer(field ? Id(field) : kNoClip);
    }
    void TabFocusMoving(ClipId, ClipId to) override {
        playback::DisplayObject* o = Object(to);
        m_player.HighlightButton(o && o->kind == playback::ObjectKind::Button ? o : nullptr);
    }
    void FocusSetByScript(ClipId clip) override { ShowFocusRect(clip); }
    // The focus rectangle goes around the object the keyboard or a script gave the focus to, when
    // its _focusrect allows (its own setting, else the movie's); never around a text field, which
    // shows its caret instead.
    void ShowFocusRect(ClipId clip) {
        playback::DisplayObject* o = Object(clip);
        const bool shows = o && o->kind != playback::ObjectKind::Text && FocusRectAllows(clip);
        m_player.ShowFocusRect(shows ? o : nullptr);
    }
    bool FocusRectAllows(ClipId clip) {
        Value v = m_vm->GetOf(m_vm->ClipObject(clip), "_focusrect");
        if (v.IsNullish())
            v = m_vm->GetOf(m_vm->ClipObject(Level(0)), "_focusrect");
        return ToBoolean(v, m_version);
    }
    bool IsButton(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o && o->kind == playback::ObjectKind::Button;
    }
    bool TakesMouse(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || o->kind != playback::ObjectKind::Clip)
            return false;
        for (const movie::ClipActionDef& a : o->clipActions)
            if (a.events & kButtonEvents)
                return true;
        return HandlesMouse(*o);
    }
    bool HandlesMouse(playback::DisplayObject& clip) override {
        auto it = m_ids.find(&clip);
        if (it == m_ids.end() || !m_vm->HasClipObject(it->second))
            return false;
        script::Object* o = m_vm->ClipObject(it->second);
        try {
            // Plain properties only: asking must not run the movie's getters.
            for (const char* name : kMouseHandlers) {
                Property* p = m_vm->FindProperty(o, name);
                if (p && !p->IsAccessor() && m_vm->IsFunction(p->value))
                    return true;
            }
        } catch (const ScriptAbort&) {
            // A prototype chain too deep to follow: no handler.
        }
        return false;
    }
    void FrameEnded(playback::Player&) override {
        m_vm->ClearStack();
        m_vm->CompleteLoads();
        m_vm->AdvanceClock(m_frameMs);
        m_vm->CollectGarbageWhenGrown();
    }

    // ---- DisplayHost ----
    ClipId Level(int level) override {
        playback::DisplayObject* root = level >= 0 ? m_player.Level(level) : nullptr;
        return root ? Id(root) : kNoClip;
    }
    int LevelNumber(ClipId root) override {
        playback::DisplayObject* o = Object(root);
        return o ? m_player.LevelOf(*o) : -1;
    }
    ClipId Parent(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o && o->parent ? Id(o->parent) : kNoClip;
    }
    ClipId ChildByName(ClipId parent, std::string_view name, bool caseSensitive) override {
        playback::DisplayObject* o = Object(parent);
        if (!o)
            return kNoClip;
        for (const auto& c : o->children)
            if (!c->name.empty() && NamesEqual(c->name, name, caseSensitive))
                return ScriptObjectOf(*c);
        return kNoClip;
    }
    void Children(ClipId parent, std::vector<ClipId>& out) override {
        if (playback::DisplayObject* o = Object(parent))
            for (const auto& c : o->children)
                if (c->IsContainer())
                    out.push_back(Id(c.get()));
    }
    void FocusChildren(ClipId parent, std::vector<ClipId>& out) override {
        if (playback::DisplayObject* o = Object(parent))
            for (const auto& c : o->children)
                if (c->IsContainer() || c->kind == playback::ObjectKind::Text)
                    out.push_back(Id(c.get()));
    }
    bool IsAlive(ClipId clip) override { return Object(clip) != nullptr; }
    std::string Name(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o ? o->name : std::string();
    }
    int Version(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o ? VersionOf(*o) : m_version;
    }
    Value GetProperty(ClipId clip, int index) override;
    void SetProperty(ClipId clip, int index, double number, const std::string& text) override;
    bool GetLook(ClipId clip, ClipLook which, double& out) override;
    void SetLook(ClipId clip, ClipLook which, double value) override;

    void GotoFrame(ClipId clip, int frame) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.GotoFrame(*o, uint32_t(std::max(frame, 1) - 1), o->playing);
    }
    void CallFrame(ClipId clip, int frame) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || !o->timeline || frame < 1 || size_t(frame) > o->timeline->frames.size())
            return;
        for (const movie::ActionBlock& b : o->timeline->frames[size_t(frame) - 1].actions)
            Record(m_vm->RunActions(clip, Code(b), uint8_t(VersionOf(*o))));
    }
    int FrameOfLabel(ClipId clip, std::string_view label) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || !o->timeline)
            return 0;
        for (const auto& [name, frame] : o->timeline->labels)
            if (NamesEqual(name, label, false))
                return int(frame) + 1;
        return 0;
    }
    void Play(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.Play(*o);
    }
    void Stop(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.Stop(*o);
    }
    void NextFrame(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.NextFrame(*o);
    }
    void PrevFrame(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.PrevFrame(*o);
    }

    ClipId Duplicate(ClipId clip, std::string_view name, int depth) override {
        playback::DisplayObject* o = Object(clip);
        // Copies go at script depths up to the reference's last one.
        if (!o || depth < -kDepthOffset || depth > kLastCopyDepth)
            return kNoClip;
        playback::DisplayObject* copy = m_player.DuplicateClip(*o, std::string(name), depth + kDepthOffset);
        return copy ? Id(copy) : kNoClip;
    }
    ClipId CreateEmpty(ClipId parent, std::string_view name, int depth) override {
        playback::DisplayObject* o = Object(parent);
        if (!o)
            return kNoClip;
        playback::DisplayObject* made = m_player.CreateEmptyClip(*o, std::string(name), depth + kDepthOffset);
        return made ? Id(made) : kNoClip;
    }
    ClipId Attach(ClipId parent, std::string_view linkageName, std::string_view name, int depth) override {
        playback::DisplayObject* o = Object(parent);
        if (!o)
            return kNoClip;
        playback::DisplayObject* made =
            m_player.PlaceExported(*o, std::string(linkageName), std::string(name), depth + kDepthOffset);
        return made ? Id(made) : kNoClip;
    }
    void Remove(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        // Only objects at script depths go (the timeline's own stay, as the reference keeps them).
        if (o && o->depth >= kDepthOffset)
            m_player.RemoveObject(*o);
    }
    void StartDrag(ClipId, bool, const double*) override {}
    void StopDrag() override {}

    void GetUrl(ClipId, std::string_view url, std::string_view target, int, bool loadTarget,
                bool loadVariables) override {
        movie::GetUrlAction a{std::string(url), std::string(target)};
        if (auto cmd = movie::FsCommandFromGetUrl(a)) {
            m_player.FsCommand(cmd->command, cmd->args);
            return;
        }
        if (m_inButton && !loadTarget && !loadVariables)
            m_player.OpenUrl(a.url, a.target);
    }
    std::optional<std::vector<uint8_t>> ReadFile(std::string_view url) override {
        return m_player.LoadResource(std::string(url));
    }
    ClipId LoadMovie(ClipId clip, int level, const std::vector<uint8_t>& bytes) override {
        playback::DisplayObject* o = clip ? Object(clip) : nullptr;
        if (clip && !o)
            return kNoClip;
        auto read = movie::ReadMovie(bytes.data(), bytes.size());
        if (!read)
            return kNoClip;
        playback::DisplayObject* into =
            m_player.LoadMovieInto(o, level, std::make_shared<const movie::Movie>(std::move(*read)));
        return into ? Id(into) : kNoClip;
    }
    void UnloadMovie(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.UnloadMovie(*o);
    }
    void DataLoaded(ClipId clip) override {
        if (playback::DisplayObject* o = Object(clip))
            m_player.RunDataEvent(*o);
    }
    std::string SymbolOfClip(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o && o->characterId ? SymbolKey(o->library, o->characterId) : std::string();
    }
    std::string SymbolOfExport(std::string_view exportName) override {
        for (const auto& [name, id] : m_player.MainMovie().exports)
            if (NamesEqual(name, exportName, false))
                return SymbolKey(m_player.Stage().library, id);
        return {};
    }
    bool GetColorTransform(ClipId clip, int32_t out[8]) override {
        playback::DisplayObject* o = Object(clip);
        if (!o)
            return false;
        const raster::ColorTransform& c = o->cxform;
        const int32_t values[8] = {c.rMul, c.gMul, c.bMul, c.aMul, c.rAdd, c.gAdd, c.bAdd, c.aAdd};
        std::copy(values, values + 8, out);
        return true;
    }
    void SetColorTransform(ClipId clip, const int32_t in[8]) override {
        playback::DisplayObject* o = Object(clip);
        if (!o)
            return;
        o->cxform = {in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7]};
        m_player.TreeChanged();
    }
    bool GetMatrix(ClipId clip, double out[6]) override {
        playback::DisplayObject* o = Object(clip);
        if (!o)
            return false;
        const raster::Matrix& m = o->matrix;
        const double values[6] = {m.a, m.b, m.c, m.d, m.tx / 20.0, m.ty / 20.0};
        std::copy(values, values + 6, out);
        return true;
    }
    void SetMatrix(ClipId clip, const double in[6]) override {
        playback::DisplayObject* o = Object(clip);
        if (!o)
            return;
        for (int i = 0; i < 6; ++i)
            if (!std::isfinite(in[i]))
                return;
        o->matrix = {in[0], in[1], in[2], in[3], std::trunc(in[4] * 20.0), std::trunc(in[5] * 20.0)};
        m_player.TreeChanged();
    }
    bool GetSoundTransform(ClipId clip, int32_t out[5]) override {
        const playback::SoundTransform* t = SoundTransformOf(clip);
        if (!t)
            return false;
        const int32_t values[5] = {t->volume, t->leftToLeft, t->leftToRight, t->rightToLeft, t->rightToRight};
        std::copy(values, values + 5, out);
        return true;
    }
    void SetSoundTransform(ClipId clip, const int32_t in[5]) override {
        if (playback::SoundTransform* t = SoundTransformOf(clip))
            *t = {in[0], in[1], in[2], in[3], in[4]};
    }
    bool LoadSharedObject(const std::string& key, std::vector<uint8_t>& out) override {
        auto bytes = m_store->Load(key);
        if (!bytes)
            return false;
        out = std::move(*bytes);
        return true;
    }
    bool SaveSharedObject(const std::string& key, const std::vector<uint8_t>& bytes) override {
        return m_store->Save(key, bytes);
    }
    void RemoveSharedObject(const std::string& key) override { m_store->Remove(key); }
    ClipId AttachBitmap(ClipId parent, std::shared_ptr<raster::Image> image, int depth, bool smoothing) override {
        playback::DisplayObject* o = Object(parent);
        if (!o || depth < -kDepthOffset || depth > kLastCopyDepth)
            return kNoClip;
        playback::DisplayObject* made = m_player.AttachBitmap(*o, std::move(image), depth + kDepthOffset, smoothing);
        return made ? Id(made) : kNoClip;
    }
    bool DrawClipInto(ClipId clip, const double matrix[6], const raster::ColorTransform& cx, bool,
                      raster::Image& target) override {
        const playback::DisplayObject* o = Object(clip);
        if (!o)
            return false;
        // The clip's twips to the bitmap's pixels.
        const raster::Matrix m = raster::Matrix{matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]} *
                                 raster::Matrix::Scale(1.0 / 20, 1.0 / 20);
        m_player.DrawObjectInto(*o, m, cx, target);
        return true;
    }
    void DrawBitmapFill(ClipId clip, std::shared_ptr<raster::Image> image, const double matrix[6], bool repeat,
                        bool smooth) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || o->kind != playback::ObjectKind::Clip)
            return;
        // The bitmap's pixels to the clip's twips.
        const raster::Matrix m = raster::Matrix::Scale(20, 20) *
                                 raster::Matrix{matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]};
        m_player.DrawBeginBitmapFill(*o, std::move(image), m, repeat, smooth);
    }
    bool ExportedBitmap(ClipId clip, std::string_view name, raster::Image& out) override {
        const playback::DisplayObject* o = clip ? Object(clip) : &m_player.Stage();
        std::shared_ptr<const raster::Image> image = o ? m_player.ExportedBitmap(*o, std::string(name)) : nullptr;
        if (!image)
            return false;
        out = *image;
        return true;
    }
    double ExportedSoundLength(ClipId clip, std::string_view name) override {
        const playback::DisplayObject* o = clip ? Object(clip) : &m_player.Stage();
        const movie::SoundDef* sound = o ? m_player.ExportedSound(*o, std::string(name)) : nullptr;
        return sound ? sound->DurationMs() : -1;
    }
    int Depth(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o ? o->depth - kDepthOffset : -kDepthOffset;
    }
    ClipId ChildAtDepth(ClipId parent, int depth) override {
        playback::DisplayObject* o = Object(parent);
        if (!o)
            return kNoClip;
        playback::DisplayObject* c =
            o->ChildAtDepth(int32_t(std::clamp<int64_t>(int64_t(depth) + kDepthOffset, INT32_MIN, INT32_MAX)));
        return c ? ScriptObjectOf(*c) : kNoClip;
    }
    int NextHighestDepth(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || o->children.empty())
            return 0;
        return std::max(0, o->children.back()->depth + 1 - kDepthOffset);
    }
    bool Bounds(ClipId clip, ClipId space, double out[4]) override {
        playback::DisplayObject* o = Object(clip);
        playback::DisplayObject* s = space ? Object(space) : o;
        if (!o || !s)
            return false;
        raster::Matrix toSpace = s->WorldMatrix();
        if (!toSpace.Invert())
            return false;
        const raster::Rect r = m_player.BoundsUnder(*o, toSpace * o->WorldMatrix());
        if (r.Empty())
            return false;
        const double values[4] = {r.xMin / 20.0, r.xMax / 20.0, r.yMin / 20.0, r.yMax / 20.0};
        std::copy(values, values + 4, out);
        return true;
    }
    bool MapPoint(ClipId clip, bool toStage, double& x, double& y) override {
        playback::DisplayObject* o = Object(clip);
        if (!o)
            return false;
        raster::Matrix m = o->WorldMatrix();
        if (!toStage && !m.Invert())
            return false;
        // Results in whole twips, as the reference gives them.
        const double px = x * 20, py = y * 20;
        x = std::round(m.a * px + m.c * py + m.tx) / 20.0;
        y = std::round(m.b * px + m.d * py + m.ty) / 20.0;
        return true;
    }
    bool HitTest(ClipId clip, double x, double y, bool shapes) override {
        playback::DisplayObject* o = Object(clip);
        return o && m_player.HitTest(*o, {float(x * 20), float(y * 20)}, shapes);
    }
    void SwapDepths(ClipId clip, ClipId other, int depth) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || o == &m_player.Stage())
            return;
        if (other) {
            playback::DisplayObject* with = Object(other);
            if (with && with->parent == o->parent)
                m_player.SetDepth(*o, with->depth);
            return;
        }
        // Script depths stay within the range the reference allows.
        m_player.SetDepth(*o, std::clamp(depth, -16384, 2130690045) + kDepthOffset);
    }
    void Draw(ClipId clip, DrawCall call, const double* a) override {
        playback::DisplayObject* o = Object(clip);
        if (!o || o->kind != playback::ObjectKind::Clip)
            return;
        auto colour = [](double rgb, double alpha) {
            const uint32_t c = uint32_t(rgb);
            return raster::Color{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c),
                                 uint8_t(std::lround(alpha * 255.0 / 100.0))};
        };
        auto twips = [](double x, double y) { return raster::Point{float(x * 20), float(y * 20)}; };
        switch (call) {
        case DrawCall::Clear:
            m_player.DrawClear(*o);
            break;
        case DrawCall::LineStyle:
            m_player.DrawLineStyle(*o, a[0] < 0 ? -1.0f : float(a[0] * 20), colour(a[1], a[2]));
            break;
        case DrawCall::BeginFill:
            if (a[0] < 0)
                m_player.DrawEndFill(*o);
            else
                m_player.DrawBeginFill(*o, colour(a[0], a[1]));
            break;
        case DrawCall::EndFill:
            m_player.DrawEndFill(*o);
            break;
        case DrawCall::MoveTo:
            m_player.DrawMoveTo(*o, twips(a[0], a[1]));
            break;
        case DrawCall::LineTo:
            m_player.DrawLineTo(*o, twips(a[0], a[1]));
            break;
        case DrawCall::CurveTo:
            m_player.DrawCurveTo(*o, twips(a[0], a[1]), twips(a[2], a[3]));
            break;
        }
    }
    playback::TextField* TextFieldOf(ClipId clip) override {
        playback::DisplayObject* o = Object(clip);
        return o ? o->textField.get() : nullptr;
    }
    ClipId CreateTextField(ClipId parent, std::string_view name, int depth, double x, double y, double width,
                           double height) override {
        playback::DisplayObject* o = Object(parent);
        if (!o)
            return kNoClip;
        playback::DisplayObject* made = m_player.CreateTextField(*o, std::string(name), depth + kDepthOffset, x * 20,
                                                                 y * 20, width * 20, height * 20);
        return made ? Id(made) : kNoClip;
    }
    const movie::Movie* FontMovie() override { return &m_player.MainMovie(); }
    void Trace(std::string_view line) override {
        if (m_trace)
            m_trace(std::string(line));
    }

private:
    // Shapes and morphs have no object of their own: scripts that name one reach its parent.
    // A shape or morph has no object of its own in scripts: its clip stands for it.
    ClipId ScriptObjectOf(playback::DisplayObject& child) {
        return Id(IsScriptable(child) || !child.parent ? &child : child.parent);
    }
    ClipId Id(playback::DisplayObject* o) {
        auto [it, added] = m_ids.try_emplace(o, m_nextId);
        if (added)
            m_objects[m_nextId++] = o;
        return it->second;
    }
    // kNoClip: the movie's own.
    playback::SoundTransform* SoundTransformOf(ClipId clip) {
        if (!clip)
            return &m_player.GlobalSound();
        playback::DisplayObject* o = Object(clip);
        return o ? &o->sound : nullptr;
    }
    playback::DisplayObject* Object(ClipId id) const {
        auto it = m_objects.find(id);
        return it == m_objects.end() ? nullptr : it->second;
    }
    static std::string SymbolKey(const void* library, uint16_t id) {
        return std::to_string(reinterpret_cast<uintptr_t>(library)) + ":" + std::to_string(id);
    }
    // Shapes and morphs have no object of their own in scripts.
    static bool IsScriptable(const playback::DisplayObject& o) {
        return o.kind != playback::ObjectKind::Shape && o.kind != playback::ObjectKind::Morph;
    }
    int VersionOf(const playback::DisplayObject& o) const { return m_player.VersionOf(o); }
    // Children first: each gone clip's path is read while its parents are still known.
    void Forget(playback::DisplayObject& o) {
        for (const auto& c : o.children)
            Forget(*c);
        auto it = m_ids.find(&o);
        if (it != m_ids.end()) {
            m_vm->ClipRemoved(it->second);
            m_objects.erase(it->second);
            m_ids.erase(it);
        }
    }
    void Run(playback::DisplayObject& self, const movie::ActionBlock& block) {
        if (self.removed)
            return;  // going at the end of the frame: the interpreter no longer knows it
        Record(m_vm->RunActions(Id(&self), Code(block), uint8_t(VersionOf(self))));
    }
    void Record(RunEnd end) {
        if (end == RunEnd::Completed || end == RunEnd::Threw)
            return;
        if (aborts.size() >= kMaxAbortMessages)
            aborts.erase(aborts.begin());
        aborts.push_back(m_vm->lastAbortMessage);
    }

    playback::Player& m_player;
    TraceSink m_trace;
    uint8_t m_version;
    double m_frameMs;
    MemorySharedObjectStore m_memoryStore;
    SharedObjectStore* m_store = &m_memoryStore;
    std::unique_ptr<Vm> m_vm;
    std::unordered_map<playback::DisplayObject*, ClipId> m_ids;
    std::unordered_map<ClipId, playback::DisplayObject*> m_objects;
    ClipId m_nextId = 1;
    bool m_inButton = false;
};

Value PlayerScripts::Impl::GetProperty(ClipId clip, int index) {
    playback::DisplayObject* o = Object(clip);
    if (!o)
        return Value();
    const raster::Matrix& m = o->matrix;
    const bool typed = VersionOf(*o) >= 5;
    switch (index) {
    case kPropX:
        return Value::Num((m.tx + (o->textField ? o->textField->xMin - o->textField->originX : 0)) / 20.0);
    case kPropY:
        return Value::Num(m.ty / 20.0);
    case kPropXScale:
        return Value::Num(ScaleX(m) * 100.0);
    case kPropYScale:
        return Value::Num(ScaleY(m) * 100.0);
    case kPropRotation:
        return Value::Num(std::atan2(m.b, m.a) * 180.0 / kPi);
    case kPropCurrentFrame:
        return Value::Num(double(o->currentFrame + 1));
    case kPropTotalFrames:
    case kPropFramesLoaded:
        return Value::Num(double(o->FrameCount()));
    case kPropAlpha:
        return Value::Num(o->cxform.aMul * 100.0 / 256.0);
    case kPropVisible:
        return typed ? Value::Bool(o->visible) : Value::Num(o->visible ? 1 : 0);
    case kPropWidth:
    case kPropHeight: {
        const raster::Rect r = m_player.BoundsInParent(*o);
        if (r.Empty())
            return Value::Num(0);
        const double size = index == kPropWidth ? r.xMax - r.xMin : r.yMax - r.yMin;
        return Value::Num(std::round(size) / 20.0);
    }
    case kPropTarget:
        return Value::Str(m_vm->TargetPathOf(clip, true));
    case kPropName:
        return Value::Str(o->name);
    case kPropDropTarget:
    case kPropUrl:
        return Value::Str("");
    case kPropHighQuality:
        return Value::Num(m_player.GetQuality() == raster::Quality::Low ? 0 : 1);
    case kPropFocusRect:
        return typed ? Value::Bool(true) : Value::Num(1);
    case kPropSoundBufTime:
        return Value::Num(5);
    case kPropQuality:
        switch (m_player.GetQuality()) {
        case raster::Quality::Low:
            return Value::Str("LOW");
        case raster::Quality::Medium:
            return Value::Str("MEDIUM");
        case raster::Quality::Best:
            return Value::Str("BEST");
        default:
            return Value::Str("HIGH");
        }
    case kPropXMouse:
    case kPropYMouse: {
        raster::Matrix toLocal = o->WorldMatrix();
        const raster::Point stage = m_player.MouseOnStage();
        raster::Point local = toLocal.Invert() ? toLocal.Apply(stage) : stage;
        return Value::Num(std::round(index == kPropXMouse ? local.x : local.y) / 20.0);
    }
    default:
        return Value();
    }
}

void PlayerScripts::Impl::SetProperty(ClipId clip, int index, double v, const std::string& text) {
    playback::DisplayObject* o = Object(clip);
    if (!o)
        return;
    raster::Matrix& m = o->matrix;
    const double rx = std::atan2(m.b, m.a), ry = std::atan2(-m.c, m.d);
    auto setScales = [&](double sx, double sy, double ax, double ay) {
        m.a = sx * std::cos(ax);
        m.b = sx * std::sin(ax);
        m.c = -sy * std::sin(ay);
        m.d = sy * std::cos(ay);
    };
    const bool finite = std::isfinite(v);
    switch (index) {
    case kPropX:
        if (finite)
            m.tx = std::trunc(v * 20.0) - (o->textField ? o->textField->xMin - o->textField->originX : 0);
        break;
    case kPropY:
        if (finite)
            m.ty = std::trunc(v * 20.0);
        break;
    case kPropXScale:
        if (finite)
            setScales(v / 100.0, ScaleY(m), rx, ry);
        break;
    case kPropYScale:
        if (finite)
            setScales(ScaleX(m), v / 100.0, rx, ry);
        break;
    case kPropRotation:
        if (finite) {
            double r = std::fmod(v, 360.0);
            if (r > 180)
                r -= 360;
            else if (r < -180)
                r += 360;
            const double delta = r * kPi / 180.0 - rx;
            setScales(ScaleX(m), ScaleY(m), rx + delta, ry + delta);
        }
        break;
    case kPropAlpha:
        if (finite)
            o->cxform.aMul = int32_t(std::clamp(v * 2.56, -32768.0, 32767.0));
        break;
    case kPropVisible:
        if (finite)
            o->visible = v != 0;
        break;
    case kPropWidth:
    case kPropHeight: {
        if (!finite || v < 0)
            break;
        if (o->textField) {
            // A field's box takes the size as it is, before its scale; the scale stays.
            (index == kPropWidth ? o->textField->width : o->textField->height) = std::trunc(v * 20.0);
            playback::FitAutoSize(*o->textField);
            break;
        }
        const raster::Rect r = m_player.BoundsInParent(*o);
        const double size = r.Empty() ? 0 : (index == kPropWidth ? r.xMax - r.xMin : r.yMax - r.yMin) / 20.0;
        // A clip with nothing in it yet shrinks to nothing on both axes, as the reference does
        // (what it gets later stays unseen).
        if (size <= 0) {
            setScales(0, 0, rx, ry);
            break;
        }
        const double factor = v / size;
        if (index == kPropWidth)
            setScales(ScaleX(m) * factor, ScaleY(m), rx, ry);
        else
            setScales(ScaleX(m), ScaleY(m) * factor, rx, ry);
        break;
    }
    case kPropName:
        o->name = text;
        break;
    case kPropHighQuality:
        if (finite)
            m_player.SetQuality(v == 0 ? raster::Quality::Low : raster::Quality::High);
        break;
    case kPropQuality: {
        std::string q = text;
        for (char& ch : q)
            ch = char(std::toupper(uint8_t(ch)));
        if (q == "LOW")
            m_player.SetQuality(raster::Quality::Low);
        else if (q == "MEDIUM")
            m_player.SetQuality(raster::Quality::Medium);
        else if (q == "HIGH")
            m_player.SetQuality(raster::Quality::High);
        else if (q == "BEST")
            m_player.SetQuality(raster::Quality::Best);
        break;
    }
    default:
        return;
    }
    m_player.TreeChanged();
}

bool PlayerScripts::Impl::GetLook(ClipId clip, ClipLook which, double& out) {
    const playback::DisplayObject* o = Object(clip);
    if (!o)
        return false;
    switch (which) {
    case ClipLook::OpaqueBackground:
        out = o->opaqueBackground ? double((uint32_t(o->opaqueBackground->r) << 16) |
                                           (uint32_t(o->opaqueBackground->g) << 8) | o->opaqueBackground->b)
                                  : -1.0;
        return true;
    case ClipLook::BlendMode:
        out = o->blendMode ? o->blendMode : 1;  // 0 as the file stores it is normal too
        return true;
    case ClipLook::CacheAsBitmap:
        out = o->cacheAsBitmap ? 1 : 0;
        return true;
    }
    return false;
}

void PlayerScripts::Impl::SetLook(ClipId clip, ClipLook which, double value) {
    playback::DisplayObject* o = Object(clip);
    if (!o)
        return;
    switch (which) {
    case ClipLook::OpaqueBackground:
        if (value < 0) {
            o->opaqueBackground.reset();
        } else {
            const uint32_t rgb = uint32_t(value);
            o->opaqueBackground = raster::Color{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
        }
        break;
    case ClipLook::BlendMode:
        o->blendMode = uint8_t(value);
        break;
    case ClipLook::CacheAsBitmap:
        o->cacheAsBitmap = value != 0;
        break;
    }
    m_player.TreeChanged();
}

PlayerScripts::PlayerScripts(playback::Player& player, TraceSink trace)
    : m_impl(std::make_unique<Impl>(player, std::move(trace))) {}
PlayerScripts::~PlayerScripts() = default;

void PlayerScripts::WindowFocusLost() {
    m_impl->WindowFocusLost();
}
void PlayerScripts::KeyDown(int code, int ascii) {
    m_impl->Key(true, code, ascii);
}
void PlayerScripts::KeyUp(int code) {
    m_impl->Key(false, code, 0);
}

void PlayerScripts::SetTextApart(bool apart) {
    m_impl->textApart = apart;
}
void PlayerScripts::TypeText(std::string_view utf8) {
    m_impl->TypeText(ToUtf16(utf8));
}
void PlayerScripts::EditText(playback::TextEdit edit) {
    m_impl->EditText(edit);
}
void PlayerScripts::SetClipboardText(std::string_view utf8) {
    m_impl->SetClipboard(ToUtf16(utf8));
}
void PlayerScripts::Paste() {
    m_impl->Paste();
}

void PlayerScripts::MouseButton(int code, bool down) {
    m_impl->MouseButton(code, down);
}

void PlayerScripts::LimitTimeout(double seconds) {
    m_impl->LimitTimeout(seconds);
}

void PlayerScripts::LimitActions(uint64_t count) {
    m_impl->LimitActions(count);
}

uint64_t PlayerScripts::ActionsRun() const {
    return m_impl->ActionsRun();
}

void PlayerScripts::SetSharedObjectStore(SharedObjectStore* store) {
    m_impl->SetSharedObjectStore(store);
}

const std::vector<std::string>& PlayerScripts::AbortMessages() const {
    return m_impl->aborts;
}

}  // namespace script
