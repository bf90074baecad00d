// The frame loop, the libraries of a movie and its imports, and the timeline calls.
#include "PlayerImpl.h"

#include <algorithm>
#include <cctype>

namespace playback {
namespace {

// Imported movies may import in turn; this many files at most.
constexpr size_t kMaxLibraries = 32;

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i])))
            return false;
    return true;
}

}  // namespace

DisplayObject* DisplayObject::ChildAtDepth(int32_t d) const {
    auto at = std::lower_bound(children.begin(), children.end(), d,
                               [](const std::unique_ptr<DisplayObject>& k, int32_t v) { return k->depth < v; });
    return at != children.end() && (*at)->depth == d ? at->get() : nullptr;
}

DisplayObject* DisplayObject::ChildNamed(const std::string& n) const {
    for (const auto& c : children)
        if (EqualNoCase(c->name, n))
            return c.get();
    return nullptr;
}

raster::Matrix DisplayObject::WorldMatrix() const {
    raster::Matrix m = matrix;
    for (const DisplayObject* p = parent; p; p = p->parent)
        m = p->matrix * m;
    return m;
}

Player::Player(std::shared_ptr<const movie::Movie> movie, ResourceLoader loader)
    : m_impl(std::make_unique<Impl>(*this)) {
    m_impl->loader = std::move(loader);
    auto main = std::make_unique<Library>();
    main->movie = std::move(movie);
    m_libraries.push_back(std::move(main));
    // Imports of local files: each names a movie and the exported names to take from it.
    for (size_t li = 0; li < m_libraries.size(); ++li) {
        Library* lib = m_libraries[li].get();
        for (const movie::ImportDef& imp : lib->movie->imports) {
            if (!m_impl->loader || m_libraries.size() >= kMaxLibraries)
                break;
            auto bytes = m_impl->loader(imp.url);
            if (!bytes)
                continue;
            auto read = movie::ReadMovie(bytes->data(), bytes->size());
            if (!read)
                continue;
            auto other = std::make_unique<Library>();
            other->movie = std::make_shared<const movie::Movie>(std::move(*read));
            Library* from = other.get();
            m_libraries.push_back(std::move(other));
            for (const auto& [ourId, name] : imp.assets) {
                auto exp = from->movie->exports.find(name);
                if (exp != from->movie->exports.end())
                    lib->imported[ourId] = {from, exp->second};
            }
        }
    }
    m_root = std::make_unique<DisplayObject>();
    m_root->kind = ObjectKind::Clip;
    m_root->library = m_libraries.front().get();
    m_root->timeline = &m_libraries.front()->movie->root;
    m_root->firstFramePending = true;
    const movie::SwfHeader& h = m_libraries.front()->movie->header;
    m_impl->windowWidth = std::max(1, h.WidthPixels());
    m_impl->windowHeight = std::max(1, h.HeightPixels());
    m_impl->stageMatrix =
        StageMatrix({h.xMin, h.xMax, h.yMin, h.yMax}, m_scaleMode, m_impl->windowWidth, m_impl->windowHeight);
}

Player::~Player() = default;

const movie::Movie& Player::MainMovie() const {
    return *m_libraries.front()->movie;
}

void Player::SetScriptRunner(ScriptRunner* runner) {
    m_impl->runner = runner ? runner : &m_impl->ownRunner;
}
void Player::SetFsCommandHandler(std::function<void(const std::string&, const std::string&)> h) {
    m_impl->fsHandler = std::move(h);
}
void Player::SetOpenUrlHandler(std::function<void(const std::string&, const std::string&)> h) {
    m_impl->urlHandler = std::move(h);
}

void Player::AdvanceFrame() {
    m_impl->blocksRunThisFrame = 0;
    if (m_framesRun == 0)
        m_impl->ApplyFrameOps(*m_root, 0);
    m_impl->Tick(*m_root);
    m_impl->Drain();
    m_impl->UpdateButtons();
    ++m_framesRun;
    m_impl->removedThisFrame.clear();
    for (auto& lib : m_libraries)
        lib->TrimCaches();
}

void Player::Impl::Tick(DisplayObject& o) {
    if (o.removed)
        return;
    if (o.kind == ObjectKind::Clip) {
        if (o.firstFramePending) {
            o.firstFramePending = false;
            RunInitActions(o);
            RunClipEvents(o, kEventLoad);
            QueueFrameActions(o, 0);
        } else {
            StepForward(o);
            RunClipEvents(o, kEventEnterFrame);
        }
        Drain();
    }
    if (!o.IsContainer())
        return;
    // The children as they stand now; ones placed while they run wait for the next frame.
    const size_t start = tickScratch.size();
    for (const auto& c : o.children)
        if (c->IsContainer())
            tickScratch.push_back(c.get());
    const size_t end = tickScratch.size();
    for (size_t i = start; i < end; ++i)
        Tick(*tickScratch[i]);
    tickScratch.resize(start);
}

void Player::Impl::StepForward(DisplayObject& clip) {
    if (!clip.playing || clip.FrameCount() <= 1)
        return;
    if (clip.currentFrame + 1 < clip.FrameCount()) {
        ++clip.currentFrame;
        ApplyFrameOps(clip, clip.currentFrame);
        QueueFrameActions(clip, clip.currentFrame);
        return;
    }
    if (&clip == player.m_root.get() && !player.m_loop) {
        clip.playing = false;
        return;
    }
    RebuildTo(clip, 0);
    clip.currentFrame = 0;
    QueueFrameActions(clip, 0);
}

void Player::Impl::QueueFrameActions(DisplayObject& clip, uint32_t frame) {
    if (!clip.timeline || frame >= clip.timeline->frames.size())
        return;
    for (const movie::ActionBlock& block : clip.timeline->frames[frame].actions)
        queue.push_back({&clip, &block});
}

void Player::Impl::Drain() {
    while (queueHead < queue.size()) {
        const PendingActions next = queue[queueHead++];
        if (next.clip->removed || blocksRunThisFrame >= kMaxActionBlocksPerFrame)
            continue;
        ++blocksRunThisFrame;
        ActionContext context{player, *next.clip, ActionSource::Frame};
        runner->RunFrameActions(context, *next.block);
    }
    queue.clear();
    queueHead = 0;
}

void Player::Impl::RunClipEvents(DisplayObject& clip, uint32_t event) {
    for (const movie::ClipActionDef& handler : clip.clipActions) {
        if (!(handler.events & event) || blocksRunThisFrame >= kMaxActionBlocksPerFrame)
            continue;
        ++blocksRunThisFrame;
        ActionContext context{player, clip, ActionSource::ClipEvent, event};
        runner->RunClipEvent(context, handler.actions);
    }
}

void Player::Impl::RunInitActions(DisplayObject& sprite) {
    Library* lib = sprite.library;
    if (!lib || lib->initActionsRun.count(sprite.characterId))
        return;
    lib->initActionsRun.insert(sprite.characterId);
    for (const movie::InitActionDef& init : lib->movie->initActions) {
        if (init.spriteId != sprite.characterId)
            continue;
        ActionContext context{player, sprite, ActionSource::Init};
        runner->RunInitActions(context, init.actions);
    }
}

void Player::Play(DisplayObject& clip) {
    clip.playing = true;
}
void Player::Stop(DisplayObject& clip) {
    clip.playing = false;
}

void Player::GotoFrame(DisplayObject& clip, uint32_t frame, bool play) {
    if (clip.kind != ObjectKind::Clip)
        return;
    clip.playing = play;
    if (clip.firstFramePending) {
        // Placed this frame and not run yet: its first frame comes first, then the target.
        clip.firstFramePending = false;
        m_impl->RunInitActions(clip);
        m_impl->RunClipEvents(clip, kEventLoad);
        m_impl->QueueFrameActions(clip, 0);
    }
    m_impl->SeekFrame(clip, frame);
}

bool Player::GotoLabel(DisplayObject& clip, const std::string& label, bool play) {
    if (!clip.timeline)
        return false;
    for (const auto& [name, frame] : clip.timeline->labels) {
        if (EqualNoCase(name, label)) {
            GotoFrame(clip, frame, play);
            return true;
        }
    }
    return false;
}

void Player::NextFrame(DisplayObject& clip) {
    if (clip.currentFrame + 1 < clip.FrameCount())
        GotoFrame(clip, clip.currentFrame + 1, false);
    else
        clip.playing = false;
}

void Player::PrevFrame(DisplayObject& clip) {
    if (clip.currentFrame > 0)
        GotoFrame(clip, clip.currentFrame - 1, false);
    else
        clip.playing = false;
}

DisplayObject* Player::FindTarget(DisplayObject& from, const std::string& path) {
    DisplayObject* at = &from;
    size_t i = 0;
    if (!path.empty() && path[0] == '/') {
        at = m_root.get();
        i = 1;
    }
    while (i < path.size() && at) {
        size_t end = path.find_first_of("/.:", i);
        if (end == std::string::npos)
            end = path.size();
        // ".." is a part of its own, not two separators.
        if (path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/'))
            end = i + 2;
        const std::string part = path.substr(i, end - i);
        i = end < path.size() ? end + 1 : end;
        if (part.empty())
            continue;
        if (part == ".." || EqualNoCase(part, "_parent"))
            at = at->parent;
        else if (EqualNoCase(part, "_root") || EqualNoCase(part, "_level0"))
            at = m_root.get();
        else if (part == "this")
            continue;
        else
            at = at->ChildNamed(part);
    }
    return at;
}

void Player::FsCommand(const std::string& command, const std::string& args) {
    if (EqualNoCase(command, "quit"))
        m_quit = true;
    if (m_impl->fsHandler)
        m_impl->fsHandler(command, args);
}

void Player::OpenUrl(const std::string& url, const std::string& target) {
    if (m_impl->urlHandler)
        m_impl->urlHandler(url, target);
}

void Player::ToggleQuality() {
    m_quality = m_quality == raster::Quality::Low ? raster::Quality::High : raster::Quality::Low;
}

raster::Color Player::Background() const {
    const auto& bg = m_libraries.front()->movie->background;
    return bg ? ToRaster(*bg) : raster::Color{255, 255, 255, 255};
}

void Player::TreeChanged() {
    ++m_impl->treeVersion;
}

void Player::SetFilters(DisplayObject& object, std::vector<movie::FilterDef> filters) {
    object.filters = std::move(filters);
    TreeChanged();
}

void Player::SetWindowSize(int32_t w, int32_t h) {
    if (w != m_impl->windowWidth || h != m_impl->windowHeight)
        ++m_impl->treeVersion;
    m_impl->windowWidth = w;
    m_impl->windowHeight = h;
    const movie::SwfHeader& hd = m_libraries.front()->movie->header;
    m_impl->stageMatrix = StageMatrix({hd.xMin, hd.xMax, hd.yMin, hd.yMax}, m_scaleMode, w, h, m_align);
}

void Player::SetScaleMode(ScaleMode mode) {
    if (mode == m_scaleMode)
        return;
    m_scaleMode = mode;
    ++m_impl->treeVersion;
    SetWindowSize(m_impl->windowWidth, m_impl->windowHeight);
}

void Player::SetAlignment(uint8_t align) {
    if (align == m_align)
        return;
    m_align = align;
    ++m_impl->treeVersion;
    SetWindowSize(m_impl->windowWidth, m_impl->windowHeight);
}

uint64_t Player::SceneVersion() const {
    return m_impl->treeVersion;
}

namespace {

// Where a stage of `stageSize` starts in a window of `windowSize` on one axis.
double AlignedOffset(double windowSize, double stageSize, bool toStart, bool toEnd) {
    if (toStart)
        return 0;
    if (toEnd)
        return windowSize - stageSize;
    return (windowSize - stageSize) / 2;
}

}  // namespace

raster::Matrix StageMatrix(const movie::TwipsRect& stage, ScaleMode mode, int32_t w, int32_t h, uint8_t align) {
    const double sw = std::max(1.0, double(stage.xMax - stage.xMin) / 20.0);
    const double sh = std::max(1.0, double(stage.yMax - stage.yMin) / 20.0);
    double sx = 1, sy = 1;
    switch (mode) {
    case ScaleMode::ShowAll:
        sx = sy = std::min(w / sw, h / sh);
        break;
    case ScaleMode::NoBorder:
        sx = sy = std::max(w / sw, h / sh);
        break;
    case ScaleMode::ExactFit:
        sx = w / sw;
        sy = h / sh;
        break;
    case ScaleMode::NoScale:
        break;
    }
    const double ox = AlignedOffset(w, sw * sx, align & kAlignLeft, align & kAlignRight);
    const double oy = AlignedOffset(h, sh * sy, align & kAlignTop, align & kAlignBottom);
    return {sx / 20, 0, 0, sy / 20, ox - stage.xMin * sx / 20, oy - stage.yMin * sy / 20};
}

}  // namespace playback
