#include "AttachedBitmap.h"

#include "PlayerImpl.h"
#include "playback/Player.h"

namespace playback {

namespace {

constexpr double kTwipsPerPixel = 20;

}  // namespace

std::shared_ptr<const CachedShape> MakeAttachedBitmapShape(std::shared_ptr<const raster::Image> image, bool smoothing) {
    auto shape = std::make_shared<CachedShape>();
    const float w = float(image->width * kTwipsPerPixel), h = float(image->height * kTwipsPerPixel);
    MakeImageRectangle(*shape, w, h, std::move(image), raster::Matrix::Scale(kTwipsPerPixel, kTwipsPerPixel),
                       smoothing);
    return shape;
}

const CachedShape* AttachedBitmapShape(const CachedShape& shape) {
    const raster::Image& image = *shape.draws.front().paint.bitmap.image;
    return image.pixels.empty() || image.pixels.size() != size_t(image.width) * size_t(image.height) ? nullptr : &shape;
}

DisplayObject* Player::AttachBitmap(DisplayObject& parent, std::shared_ptr<const raster::Image> image, int32_t depth,
                                    bool smoothing) {
    if (!image || image->width <= 0 || image->height <= 0)
        return nullptr;
    auto o = m_impl->NewScriptedChild(parent, ObjectKind::Shape);
    if (!o)
        return nullptr;
    o->bitmap = MakeAttachedBitmapShape(std::move(image), smoothing);
    return m_impl->PlaceScripted(parent, std::move(o), std::string(), depth);
}

void Player::DrawObjectInto(const DisplayObject& object, const raster::Matrix& m, const raster::ColorTransform& cx,
                            raster::Image& target) {
    if (target.width <= 0 || target.height <= 0 || target.pixels.size() != size_t(target.width) * size_t(target.height))
        return;
    if (!m_impl->bitmapRenderer)
        m_impl->bitmapRenderer = std::make_unique<raster::Renderer>();
    raster::DrawList& list = m_impl->bitmapList;
    list.Clear();
    // The object's own contents, without its place in its parent.
    if (const CachedShape* shape = m_impl->ShapeOf(object))
        m_impl->EmitShape(list, *shape, m, cx, false);
    if (object.IsContainer())
        m_impl->EmitChildren(list, object.children, m, cx, false, false);
    const raster::Surface surface{target.pixels.data(), target.width, target.height, target.width};
    m_impl->bitmapRenderer->Render(list, surface, raster::RenderOptions{GetQuality()});
    list.Clear();
}

}  // namespace playback
