// Display-list changes: placing, moving, replacing and removing objects, and seeking a timeline
// to a frame (forwards by applying the frames in between, backwards by replaying from the first
// frame and keeping the objects that are still the same).
#include "playback/TextField.h"
#include "PlayerImpl.h"
#include "VideoPlayback.h"

#include <algorithm>
#include <string>

namespace playback {
namespace {

void ApplyProperties(DisplayObject& o, const movie::PlaceObjectDef& p) {
    if (p.matrix)
        o.matrix = ToRaster(*p.matrix);
    if (p.cxform)
        o.cxform = ToRaster(*p.cxform);
    if (p.ratio)
        o.ratio = *p.ratio;
    if (p.name)
        o.name = *p.name;
    if (p.clipDepth)
        o.clipDepth = *p.clipDepth;
    if (p.blendMode)
        o.blendMode = *p.blendMode;
    if (p.hasFilters)
        o.filters = p.filters;
    if (p.visible)
        o.visible = *p.visible;
    if (p.background)
        o.opaqueBackground = raster::Color{p.background->r, p.background->g, p.background->b, 255};
}

// Folds a later PlaceObject into the state a depth has reached.
void Accumulate(movie::PlaceObjectDef& into, const movie::PlaceObjectDef& p) {
    if (p.matrix)
        into.matrix = p.matrix;
    if (p.cxform)
        into.cxform = p.cxform;
    if (p.ratio)
        into.ratio = p.ratio;
    if (p.name)
        into.name = p.name;
    if (p.clipDepth)
        into.clipDepth = p.clipDepth;
    if (p.blendMode)
        into.blendMode = p.blendMode;
    if (p.hasFilters) {
        into.filters = p.filters;
        into.hasFilters = true;
    }
    if (p.visible)
        into.visible = p.visible;
    if (p.background)
        into.background = p.background;
}

}  // namespace

int Player::Impl::TreeDepth(const DisplayObject& object) const {
    int n = 0;
    for (const DisplayObject* o = &object; o; o = o->parent)
        ++n;
    return n;
}

std::unique_ptr<DisplayObject> Player::Impl::Instantiate(Library* library, uint16_t id, DisplayObject& parent,
                                                         bool named) {
    if (TreeDepth(parent) >= kMaxTreeDepth || liveObjects >= kMaxObjects)
        return nullptr;
    Library* owner = nullptr;
    uint16_t ownId = 0;
    const movie::Character* c = library->Find(id, &owner, &ownId);
    if (!c)
        return nullptr;
    auto o = std::make_unique<DisplayObject>();
    Register(*o);
    o->library = owner;
    o->characterId = id;
    o->parent = &parent;
    // Clips and buttons scripts can reach are named "instanceN", counting every one made (before
    // what is inside them), until a name is given.
    if (std::get_if<std::shared_ptr<const movie::SpriteDef>>(c) ||
        std::get_if<std::shared_ptr<const movie::ButtonDef>>(c))
        o->name = "instance" + std::to_string(++instancesMade);
    if (std::get_if<std::shared_ptr<const movie::ShapeDef>>(c) ||
        std::get_if<std::shared_ptr<const movie::StaticTextDef>>(c)) {
        o->kind = ObjectKind::Shape;
        o->shape = owner->Shape(ownId);
    } else if (auto* m = std::get_if<std::shared_ptr<const movie::MorphShapeDef>>(c)) {
        o->kind = ObjectKind::Morph;
        o->morph = m->get();
    } else if (auto* s = std::get_if<std::shared_ptr<const movie::SpriteDef>>(c)) {
        o->kind = ObjectKind::Clip;
        NameUnnamed(*o, named);
        o->timeline = &(*s)->timeline;
        o->firstFramePending = true;
        ++instantiating;
        ApplyFrameOps(*o, 0);
        --instantiating;
    } else if (auto* b = std::get_if<std::shared_ptr<const movie::ButtonDef>>(c)) {
        o->kind = ObjectKind::Button;
        o->button = b->get();
        NameUnnamed(*o, named);
        BuildButtonChildren(*o);
    } else if (auto* e = std::get_if<std::shared_ptr<const movie::EditTextDef>>(c)) {
        o->kind = ObjectKind::Text;
        NameUnnamed(*o, named);  // fields scripts can reach are named as clips are
        o->textField = NewTextField(e->get(), owner->movie.get());
    } else if (auto* v = std::get_if<std::shared_ptr<const movie::VideoStreamDef>>(c)) {
        o->kind = ObjectKind::Video;
        o->video = std::make_shared<VideoPlayback>(**v);
    } else {
        return nullptr;  // bitmaps are drawn through shapes' fills, not placed
    }
    return o;
}

void Player::Impl::NameUnnamed(DisplayObject& o, bool named) {
    if (!named)
        o.name = "instance" + std::to_string(++unnamedInstances);
}

void Player::Impl::InsertChild(DisplayObject& parent, std::unique_ptr<DisplayObject> child) {
    ++treeVersion;
    auto& kids = parent.children;
    auto at = std::lower_bound(kids.begin(), kids.end(), child->depth,
                               [](const std::unique_ptr<DisplayObject>& k, int32_t d) { return k->depth < d; });
    kids.insert(at, std::move(child));
}

void Player::Impl::MarkRemoved(DisplayObject& object) {
    // The whole subtree: nothing inside a removed object runs or is named again.
    object.removed = true;
    for (const auto& c : object.children)
        MarkRemoved(*c);
    for (const auto& c : object.hitChildren)
        MarkRemoved(*c);
}

void Player::Impl::RemoveChildAt(DisplayObject& parent, size_t index) {
    ++treeVersion;
    std::unique_ptr<DisplayObject> gone = std::move(parent.children[index]);
    parent.children.erase(parent.children.begin() + long(index));
    MarkRemoved(*gone);
    runner->ObjectRemoved(*gone);
    if (hovered && hovered->removed)
        hovered = nullptr;
    // Freed at the end of the frame: actions queued for it, and the tick's list, still name it.
    removedThisFrame.push_back(std::move(gone));
    // A removed button under the pointer is no longer hovered, pressed or highlighted, and the
    // focus rectangle no longer shows around a removed object.
    for (DisplayObject** b : {&hovered, &pressed, &highlighted, &focusRect}) {
        for (DisplayObject* o = *b; o; o = o->parent) {
            if (o->removed) {
                *b = nullptr;
                break;
            }
        }
    }
}

void Player::Impl::ApplyRemove(DisplayObject& clip, uint16_t depth) {
    auto& kids = clip.children;
    for (size_t i = 0; i < kids.size(); ++i) {
        if (kids[i]->depth == depth) {
            RunUnloadEvents(*kids[i]);
            RemoveChildAt(clip, i);
            return;
        }
    }
}

DisplayObject* Player::Impl::ApplyPlace(DisplayObject& clip, const movie::PlaceObjectDef& p, uint32_t frame) {
    ++treeVersion;
    DisplayObject* existing = clip.ChildAtDepth(p.depth);
    const bool replaceCharacter =
        p.characterId && (p.version == 1 || !p.move || !existing || existing->characterId != *p.characterId);
    if (!p.characterId || (p.move && existing && existing->characterId == *p.characterId)) {
        if (existing)
            ApplyProperties(*existing, p);  // a move of what is there
        return nullptr;
    }
    if (!replaceCharacter)
        return nullptr;
    auto o = Instantiate(clip.library, *p.characterId, clip, p.name || (existing && p.move));
    if (!o)
        return nullptr;
    o->depth = p.depth;
    o->placedInFrame = frame;
    if (existing && p.move) {
        // The new character takes the old one's place and properties.
        o->matrix = existing->matrix;
        o->cxform = existing->cxform;
        o->ratio = existing->ratio;
        o->name = existing->name;
        o->clipDepth = existing->clipDepth;
        o->blendMode = existing->blendMode;
        o->filters = existing->filters;
        o->visible = existing->visible;
        o->opaqueBackground = existing->opaqueBackground;
    }
    ApplyProperties(*o, p);
    o->clipActions = p.clipActions;
    if (existing)
        ApplyRemove(clip, p.depth);
    DisplayObject* placed = o.get();
    InsertChild(clip, std::move(o));
    if (instantiating == 0 && placed->kind == ObjectKind::Clip) {
        RunPlacementEvents(*placed, kEventInitialize);
        return placed;
    }
    return nullptr;
}

void Player::Impl::ApplyFrameOps(DisplayObject& clip, uint32_t frame) {
    if (!clip.timeline || frame >= clip.timeline->frames.size())
        return;
    // Every clip the frame places is initialized, then every one is constructed.
    const size_t start = placedScratch.size();
    for (const movie::DisplayOp& op : clip.timeline->frames[frame].ops) {
        if (op.kind == movie::DisplayOp::Kind::Remove)
            ApplyRemove(clip, op.depth);
        else if (DisplayObject* o = ApplyPlace(clip, op.place, frame))
            placedScratch.push_back(o);
    }
    // The events may place more (a goto): each call handles its own part of the list.
    for (size_t i = start; i < placedScratch.size(); ++i)
        RunPlacementEvents(*placedScratch[i], kEventConstruct);
    placedScratch.resize(start);
}

void Player::Impl::RebuildTo(DisplayObject& clip, uint32_t target) {
    ++treeVersion;
    // What every depth holds at `target`, replayed from the first frame.
    replay.clear();
    for (uint32_t f = 0; f <= target && f < clip.timeline->frames.size(); ++f) {
        for (const movie::DisplayOp& op : clip.timeline->frames[f].ops) {
            auto at =
                std::find_if(replay.begin(), replay.end(), [&](const DepthState& s) { return s.depth == op.depth; });
            if (op.kind == movie::DisplayOp::Kind::Remove) {
                if (at != replay.end())
                    replay.erase(at);
                continue;
            }
            const movie::PlaceObjectDef& p = op.place;
            if (at == replay.end()) {
                if (!p.characterId)
                    continue;
                replay.push_back({op.depth, *p.characterId, f, p});
            } else if (p.characterId && (p.version == 1 || !p.move)) {
                *at = {op.depth, *p.characterId, f, p};
            } else {
                if (p.characterId && *p.characterId != at->characterId) {
                    at->characterId = *p.characterId;
                    at->frame = f;
                }
                Accumulate(at->place, p);
            }
        }
    }
    // Objects still standing as the same character at the same depth stay (their own
    // timelines go on); the others go, and what is missing is placed anew. Objects at the
    // scripts' depths stay whatever they are.
    for (size_t i = clip.children.size(); i-- > 0;) {
        DisplayObject& child = *clip.children[i];
        if (child.placedByScript && child.depth >= kFirstScriptDepth)
            continue;
        auto want =
            std::find_if(replay.begin(), replay.end(), [&](const DepthState& s) { return s.depth == child.depth; });
        // The same character placed by another frame is another object.
        if (want == replay.end() || want->characterId != child.characterId || want->frame != child.placedInFrame) {
            RunUnloadEvents(child);
            RemoveChildAt(clip, i);
            continue;
        }
        child.matrix = want->place.matrix ? ToRaster(*want->place.matrix) : raster::Matrix{};
        child.cxform = want->place.cxform ? ToRaster(*want->place.cxform) : raster::ColorTransform{};
        child.ratio = want->place.ratio.value_or(0);
        child.clipDepth = want->place.clipDepth.value_or(0);
        child.blendMode = want->place.blendMode.value_or(0);
        child.filters = want->place.filters;
        child.visible = want->place.visible.value_or(true);
        if (want->place.background) {
            const movie::Rgba& bg = *want->place.background;
            child.opaqueBackground = raster::Color{bg.r, bg.g, bg.b, 255};
        } else {
            child.opaqueBackground.reset();
        }
    }
    for (const DepthState& s : replay) {
        if (clip.ChildAtDepth(s.depth))
            continue;
        auto o = Instantiate(clip.library, s.characterId, clip, s.place.name.has_value());
        if (!o)
            continue;
        o->depth = s.depth;
        o->placedInFrame = s.frame;
        ApplyProperties(*o, s.place);
        o->clipActions = s.place.clipActions;
        InsertChild(clip, std::move(o));
    }
}

void Player::Impl::SeekFrame(DisplayObject& clip, uint32_t frame) {
    if (!clip.timeline)
        return;
    const uint32_t count = clip.FrameCount();
    if (frame >= count)
        frame = count - 1;
    if (frame == clip.currentFrame)
        return;
    if (frame < clip.currentFrame) {
        RebuildTo(clip, frame);
    } else {
        for (uint32_t f = clip.currentFrame + 1; f <= frame; ++f)
            ApplyFrameOps(clip, f);
    }
    clip.currentFrame = frame;
    QueueFrame(clip, frame);
}

void Player::Impl::BuildButtonChildren(DisplayObject& b) {
    for (size_t i = b.children.size(); i-- > 0;)
        RemoveChildAt(b, i);
    const uint8_t want = b.buttonState == ButtonState::Up     ? movie::ButtonRecordDef::Up
                         : b.buttonState == ButtonState::Over ? movie::ButtonRecordDef::Over
                                                              : movie::ButtonRecordDef::Down;
    const bool buildHit = b.hitChildren.empty();
    for (const movie::ButtonRecordDef& rec : b.button->records) {
        const bool visibleHere = rec.states & want;
        const bool hit = buildHit && (rec.states & movie::ButtonRecordDef::Hit);
        if (!visibleHere && !hit)
            continue;
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 0 && !visibleHere)
                continue;
            if (pass == 1 && !hit)
                continue;
            auto o = Instantiate(b.library, rec.characterId, b, pass == 1);  // the hit state's are never named
            if (!o)
                break;
            o->depth = rec.depth;
            o->matrix = ToRaster(rec.matrix);
            o->cxform = ToRaster(rec.cxform);
            o->blendMode = rec.blendMode;
            o->filters = rec.filters;
            if (pass == 0) {
                InsertChild(b, std::move(o));
            } else {
                b.hitChildren.push_back(std::move(o));
            }
        }
    }
}

}  // namespace playback
