// Movies loaded beside the main one: into a clip (its content replaced by the movie's main
// timeline) or into a level (a root of its own above the stage). The host's loader reads the
// files; what a load replaces unloads first, and the new content enters its first frame on the
// next frame, as the reference plays a load that has just completed.
#include "PlayerImpl.h"

namespace playback {
namespace {

// Movies one player may hold at once: imports and loads together (a movie that loads itself
// every frame stops growing here).
constexpr size_t kMaxHeldLibraries = 256;
// Levels a movie may load into (_level0 to _level1000... the number scripts give is clamped).
constexpr int kMaxLevel = 16383;

}  // namespace

std::optional<std::vector<uint8_t>> Player::LoadResource(const std::string& url) {
    if (!m_impl->loader)
        return std::nullopt;
    return m_impl->loader(url);
}

DisplayObject* Player::Level(int n) {
    if (n == 0)
        return m_root.get();
    auto it = m_impl->levels.find(n);
    return it == m_impl->levels.end() ? nullptr : it->second.get();
}

int Player::LevelOf(const DisplayObject& object) const {
    if (&object == m_root.get())
        return 0;
    if (object.parent)
        return -1;
    for (const auto& [n, root] : m_impl->levels)
        if (root.get() == &object)
            return n;
    return -1;
}

void Player::Impl::ClearContent(DisplayObject& clip) {
    while (!clip.children.empty()) {
        const size_t last = clip.children.size() - 1;
        RunUnloadEvents(*clip.children[last]);
        if (last < clip.children.size())
            RemoveChildAt(clip, last);
    }
    clip.drawing.reset();
    ++treeVersion;
}

DisplayObject* Player::LoadMovieInto(DisplayObject* clip, int level, std::shared_ptr<const movie::Movie> movie) {
    if (!movie || m_libraries.size() >= kMaxHeldLibraries)
        return nullptr;
    if (!clip) {
        if (level <= 0 || level > kMaxLevel)
            return nullptr;
        clip = Level(level);
    }
    if (clip && (clip->removed || clip->kind != ObjectKind::Clip))
        return nullptr;
    auto lib = std::make_unique<Library>();
    lib->movie = std::move(movie);
    Library* library = lib.get();
    m_libraries.push_back(std::move(lib));
    if (!clip) {
        auto root = std::make_unique<DisplayObject>();
        m_impl->Register(*root);
        root->kind = ObjectKind::Clip;
        root->depth = level;
        clip = root.get();
        m_impl->levels[level] = std::move(root);
    } else {
        m_impl->ClearContent(*clip);
        m_impl->runner->ContentReplaced(*clip);
    }
    clip->library = library;
    clip->characterId = 0;
    clip->timeline = &library->movie->root;
    clip->currentFrame = 0;
    clip->playing = true;
    clip->firstFramePending = true;
    clip->enteredEarlyIn = 0;
    clip->loadPending = false;
    clip->serial = ++m_impl->serials;  // new content plays as a clip made now
    m_impl->ApplyFrameOps(*clip, 0);
    // A clip scripts made is passed over by the tree's walk until it starts: it starts with them.
    if (clip->placedByScript)
        m_impl->scriptedStarts.push_back(clip);
    ++m_impl->treeVersion;
    return clip;
}

void Player::UnloadMovie(DisplayObject& clip) {
    if (clip.removed || clip.kind != ObjectKind::Clip || &clip == m_root.get())
        return;
    const int level = LevelOf(clip);
    if (level > 0) {
        m_impl->RunUnloadEvents(clip);
        auto it = m_impl->levels.find(level);
        if (it == m_impl->levels.end())
            return;
        std::unique_ptr<DisplayObject> gone = std::move(it->second);
        m_impl->levels.erase(it);
        m_impl->MarkRemoved(*gone);
        m_impl->runner->ObjectRemoved(*gone);
        m_impl->removedThisFrame.push_back(std::move(gone));
        ++m_impl->treeVersion;
        return;
    }
    m_impl->ClearContent(clip);
    m_impl->runner->ContentReplaced(clip);
    clip.timeline = &m_impl->emptyTimeline;
    clip.characterId = 0;
    clip.currentFrame = 0;
}

void Player::RunDataEvent(DisplayObject& clip) {
    if (clip.removed || clip.kind != ObjectKind::Clip)
        return;
    m_impl->RunClipEvents(clip, kEventData);
    m_impl->Drain();
}

}  // namespace playback
