// The frame loop, the libraries of a movie and its imports, and the timeline calls.
#include "playback/TextField.h"
#include "NameCompare.h"
#include "PlayerImpl.h"

#include <algorithm>
#include <cctype>

namespace playback {
namespace {

// Imported movies may import in turn; this many files at most.
constexpr size_t kMaxLibraries = 32;

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
    m_root->serial = ++m_impl->serials;
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
    m_impl->RunFrame();
    m_impl->UpdateButtons();
    m_impl->runner->FrameEnded(*this);
    ++m_framesRun;
    auto& starts = m_impl->scriptedStarts;
    starts.erase(std::remove_if(starts.begin(), starts.end(), [](DisplayObject* o) { return o->removed; }),
                 starts.end());
    m_impl->removedThisFrame.clear();
    for (auto& lib : m_libraries)
        lib->TrimCaches();
}

void Player::Impl::Drain() {
    while (queueHead < queue.size()) {
        const PendingActions next = queue[queueHead++];
        if (next.clip->removed || blocksRunThisFrame >= kMaxActionBlocksPerFrame)
            continue;
        if (next.event) {
            RunClipEvents(*next.clip, next.event);
            continue;
        }
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
    if (clip.kind == ObjectKind::Clip && !clip.removed) {
        ActionContext context{player, clip, ActionSource::ClipEvent, event};
        runner->ClipEventOccurred(context);
    }
}

void Player::Impl::RunUnloadEvents(DisplayObject& o) {
    if (o.kind != ObjectKind::Clip)
        return;
    for (size_t i = 0; i < o.children.size(); ++i)
        RunUnloadEvents(*o.children[i]);
    RunClipEvents(o, kEventUnload);
}

void Player::Impl::RunPlacementEvents(DisplayObject& o, uint32_t event) {
    if (o.kind != ObjectKind::Clip || o.removed)
        return;
    RunClipEvents(o, event);
    for (size_t i = 0; i < o.children.size(); ++i)
        RunPlacementEvents(*o.children[i], event);
}

void Player::Impl::RunFrameInitActions(DisplayObject& movieRoot, uint32_t frame) {
    // The movie's init actions of this frame, once each, whether or not the sprite is placed.
    Library* lib = movieRoot.library;
    for (const movie::InitActionDef& init : lib->movie->initActions) {
        if (init.frame != frame || lib->initActionsRun.count(init.spriteId))
            continue;
        lib->initActionsRun.insert(init.spriteId);
        for (const movie::InitActionDef& same : lib->movie->initActions) {
            if (same.spriteId != init.spriteId)
                continue;
            ActionContext context{player, movieRoot, ActionSource::Init};
            runner->RunInitActions(context, same.actions);
        }
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
        m_impl->EnterFirstFrame(clip, false);
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

DisplayObject* Player::Impl::PlaceScripted(DisplayObject& parent, std::unique_ptr<DisplayObject> o,
                                           const std::string& name, int32_t depth) {
    o->depth = depth;
    o->name = name;
    o->placedByScript = true;
    DisplayObject* placed = o.get();
    for (size_t i = 0; i < parent.children.size(); ++i) {
        if (parent.children[i]->depth == depth) {
            RunUnloadEvents(*parent.children[i]);
            RemoveChildAt(parent, i);
            break;
        }
    }
    InsertChild(parent, std::move(o));
    if (placed->kind == ObjectKind::Clip && placed->firstFramePending)
        scriptedStarts.push_back(placed);
    return placed;
}

DisplayObject* Player::PlaceExported(DisplayObject& parent, const std::string& exportName, const std::string& name,
                                     int32_t depth) {
    if (parent.kind != ObjectKind::Clip || !parent.library)
        return nullptr;
    // The name as the parent's movie exports it, else as the main movie does.
    for (Library* lib : {parent.library, m_libraries.front().get()}) {
        for (const auto& [exported, id] : lib->movie->exports) {
            if (!EqualNoCase(exported, exportName))
                continue;
            auto o = m_impl->Instantiate(lib, id, parent, true);
            if (!o || o->kind != ObjectKind::Clip)
                return nullptr;
            return m_impl->PlaceScripted(parent, std::move(o), name, depth);
        }
    }
    return nullptr;
}

const movie::SoundDef* Player::ExportedSound(const DisplayObject& from, const std::string& exportName) const {
    for (const Library* lib : {from.library, m_libraries.front().get()}) {
        if (!lib)
            continue;
        for (const auto& [exported, id] : lib->movie->exports) {
            if (!EqualNoCase(exported, exportName))
                continue;
            auto it = lib->movie->sounds.find(id);
            return it == lib->movie->sounds.end() ? nullptr : it->second.get();
        }
    }
    return nullptr;
}

std::shared_ptr<const raster::Image> Player::ExportedBitmap(const DisplayObject& from, const std::string& exportName) {
    for (Library* lib : {from.library, m_libraries.front().get()}) {
        if (!lib)
            continue;
        for (const auto& [exported, id] : lib->movie->exports) {
            if (EqualNoCase(exported, exportName))
                return lib->Image(id);
        }
    }
    return nullptr;
}

std::unique_ptr<DisplayObject> Player::Impl::NewScriptedChild(DisplayObject& parent, ObjectKind kind) {
    if (parent.kind != ObjectKind::Clip || TreeDepth(parent) >= kMaxTreeDepth || liveObjects >= kMaxObjects)
        return nullptr;
    auto o = std::make_unique<DisplayObject>();
    Register(*o);
    o->kind = kind;
    o->library = parent.library;
    o->parent = &parent;
    return o;
}

DisplayObject* Player::CreateEmptyClip(DisplayObject& parent, const std::string& name, int32_t depth) {
    auto o = m_impl->NewScriptedChild(parent, ObjectKind::Clip);
    if (!o)
        return nullptr;
    o->timeline = &m_impl->emptyTimeline;
    o->firstFramePending = true;
    return m_impl->PlaceScripted(parent, std::move(o), name, depth);
}

DisplayObject* Player::CreateTextField(DisplayObject& parent, const std::string& name, int32_t depth, double x,
                                       double y, double width, double height) {
    auto o = m_impl->NewScriptedChild(parent, ObjectKind::Text);
    if (!o)
        return nullptr;
    o->textField = NewTextField(nullptr, parent.library ? parent.library->movie.get() : nullptr);
    o->matrix.tx = float(x);
    o->matrix.ty = float(y);
    o->textField->width = width;
    o->textField->height = height;
    return m_impl->PlaceScripted(parent, std::move(o), name, depth);
}

DisplayObject* Player::DuplicateClip(DisplayObject& clip, const std::string& name, int32_t depth) {
    DisplayObject* parent = clip.parent;
    if (parent && !clip.removed && clip.kind == ObjectKind::Text && clip.textField) {
        // A copy of a field is a new empty one in the same place, of the same type.
        DisplayObject* copy = CreateTextField(*parent, name, depth, 0, 0, 0, 0);
        if (!copy)
            return nullptr;
        copy->matrix = clip.matrix;
        copy->cxform = clip.cxform;
        copy->textField->editable = clip.textField->editable;
        return copy;
    }
    if (!parent || clip.removed || clip.kind != ObjectKind::Clip)
        return nullptr;
    DisplayObject* copy = clip.characterId ? nullptr : CreateEmptyClip(*parent, name, depth);
    if (clip.characterId) {
        auto o = m_impl->Instantiate(clip.library, clip.characterId, *parent, true);
        if (!o)
            return nullptr;
        copy = m_impl->PlaceScripted(*parent, std::move(o), name, depth);
    }
    if (!copy)
        return nullptr;
    copy->matrix = clip.matrix;
    copy->cxform = clip.cxform;
    copy->ratio = clip.ratio;
    copy->blendMode = clip.blendMode;
    copy->cacheAsBitmap = clip.cacheAsBitmap;
    copy->visible = clip.visible;
    copy->opaqueBackground = clip.opaqueBackground;
    copy->clipActions = clip.clipActions;
    return copy;
}

void Player::SetDepth(DisplayObject& object, int32_t depth) {
    DisplayObject* parent = object.parent;
    if (!parent || object.removed || object.depth == depth)
        return;
    if (DisplayObject* other = parent->ChildAtDepth(depth)) {
        other->depth = object.depth;
        other->placedByScript = true;
    }
    object.depth = depth;
    object.placedByScript = true;
    std::stable_sort(parent->children.begin(), parent->children.end(),
                     [](const std::unique_ptr<DisplayObject>& a, const std::unique_ptr<DisplayObject>& b) {
                         return a->depth < b->depth;
                     });
    TreeChanged();
}

void Player::RemoveObject(DisplayObject& object) {
    DisplayObject* parent = object.parent;
    if (!parent || object.removed)
        return;
    for (size_t i = 0; i < parent->children.size(); ++i) {
        if (parent->children[i].get() == &object) {
            m_impl->RunUnloadEvents(object);
            m_impl->RemoveChildAt(*parent, i);
            return;
        }
    }
}

raster::Rect Player::BoundsInParent(const DisplayObject& object) const {
    raster::Rect r;
    m_impl->Bounds(object, object.matrix, r);
    return r;
}

uint8_t Player::VersionOf(const DisplayObject& object) const {
    return object.library ? object.library->movie->header.version : MainMovie().header.version;
}

raster::Rect Player::BoundsUnder(const DisplayObject& object, const raster::Matrix& m) const {
    raster::Rect r;
    m_impl->Bounds(object, m, r);
    return r;
}

raster::Point Player::MouseOnStage() const {
    raster::Matrix toStage = m_impl->stageMatrix;
    if (!toStage.Invert())
        return {0, 0};
    return toStage.Apply({m_impl->mouseX, m_impl->mouseY});
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
