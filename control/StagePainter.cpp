#include "StagePainter.h"

#include "MovieSession.h"
#include "control/StageColours.h"
#include "platform/GdiScopes.h"
#include "platform/Handles.h"

#include <algorithm>

namespace control {
namespace {

// The largest buffer the control draws into; a larger window (a stretched virtual desktop) is
// filled with the background instead, so one frame never costs more than this many pixels.
constexpr int64_t kMaxBufferPixels = int64_t(1) << 25;

constexpr wchar_t kScriptNotice[] = L"This movie needs ActionScript 3, which this player does not run.";

void FillWithColour(HDC dc, const RECT& area, COLORREF colour) noexcept {
    UniqueGdiObject brush(CreateSolidBrush(colour));
    if (brush)
        FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
}

COLORREF ColourRef(raster::Color c) {
    return RGB(c.r, c.g, c.b);
}

// Black on light backgrounds, white on dark ones.
COLORREF TextColourOn(raster::Color background) {
    const int luma = 299 * background.r + 587 * background.g + 114 * background.b;
    return luma >= 128000 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

}  // namespace

bool StagePainter::IsStale(MovieSession& session) const noexcept {
    playback::Player& player = session.Player();
    return !m_drawn || m_drawnVersion != player.SceneVersion() || m_drawnQuality != player.GetQuality();
}

void StagePainter::Paint(HDC dc, const RECT& client, MovieSession* session) noexcept {
    const int32_t width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return;
    if (!session) {
        FillWithColour(dc, client, kEmptyStageColour);
        return;
    }
    if (int64_t(width) * height > kMaxBufferPixels || !DrawFrame(*session, width, height)) {
        FillWithColour(dc, client, ColourRef(session->Player().Background()));
        return;
    }
    m_buffer.CopyTo(dc, client.left, client.top);
}

bool StagePainter::DrawFrame(MovieSession& session, int32_t width, int32_t height) noexcept {
    const bool resized = width != m_buffer.Width() || height != m_buffer.Height();
    if (!m_buffer.Resize(width, height)) {
        m_drawn = false;
        return false;
    }
    playback::Player& player = session.Player();
    if (!resized && !IsStale(session))
        return true;
    try {
        const raster::Surface surface{m_buffer.Pixels(), width, height, width};
        if (session.NeedsActionScript3()) {
            // Not played: the stage shows its background and says why nothing moves.
            raster::Clear(surface, player.Background());
            DrawScriptNotice(session);
        } else {
            player.BuildDrawList(m_list, width, height);
            raster::Clear(surface, player.Background());
            m_renderer.Render(m_list, surface, raster::RenderOptions{player.GetQuality()});
        }
    } catch (...) {
        m_drawn = false;
        return false;
    }
    m_drawn = true;
    m_drawnVersion = player.SceneVersion();
    m_drawnQuality = player.GetQuality();
    return true;
}

void StagePainter::DrawScriptNotice(MovieSession& session) noexcept {
    playback::Player& player = session.Player();
    const movie::SwfHeader& header = session.Movie().header;
    const raster::Matrix m =
        playback::StageMatrix({header.xMin, header.xMax, header.yMin, header.yMax}, player.GetScaleMode(),
                              m_buffer.Width(), m_buffer.Height(), player.GetAlignment());
    const raster::Point topLeft = m.Apply({float(header.xMin), float(header.yMin)});
    const raster::Point bottomRight = m.Apply({float(header.xMax), float(header.yMax)});
    RECT stage{LONG(topLeft.x), LONG(topLeft.y), LONG(bottomRight.x), LONG(bottomRight.y)};
    const RECT buffer{0, 0, m_buffer.Width(), m_buffer.Height()};
    IntersectRect(&stage, &stage, &buffer);
    InflateRect(&stage, -8, -8);
    if (IsRectEmpty(&stage))
        stage = buffer;

    HDC dc = m_buffer.Dc();
    SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColourOn(player.Background()));
    constexpr UINT kFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    RECT measured = stage;
    DrawTextW(dc, kScriptNotice, -1, &measured, kFormat | DT_CALCRECT);
    // Centred on the stage both ways.
    RECT text = stage;
    text.top = stage.top + std::max<LONG>(0, ((stage.bottom - stage.top) - (measured.bottom - measured.top)) / 2);
    DrawTextW(dc, kScriptNotice, -1, &text, kFormat);
    GdiFlush();
}

}  // namespace control
