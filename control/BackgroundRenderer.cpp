#include "control/StageRenderer.h"

#include "platform/Handles.h"

#include <new>

namespace control {
namespace {

void FillWithColour(HDC dc, const RECT& area, COLORREF colour) {
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    UniqueGdiObject brush(CreateSolidBrush(colour));
    if (brush)
        FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
}

class BackgroundRenderer final : public StageRenderer {
public:
    void Paint(HDC dc, const RECT& client, const StageScene& scene) noexcept override {
        if (!scene.movie) {
            FillWithColour(dc, client, kEmptyStageColour);
            return;
        }
        const MovieDocument& movie = *scene.movie;
        const StageRect stage = PlaceStage(movie.StageWidth(), movie.StageHeight(), client.right - client.left,
                                           client.bottom - client.top, scene.scale);
        RECT stageArea{client.left + stage.left, client.top + stage.top, client.left + stage.right,
                       client.top + stage.bottom};
        IntersectRect(&stageArea, &stageArea, &client);

        // The four bands around the stage, so that no pixel is painted twice (no flicker even
        // without a back buffer).
        FillWithColour(dc, {client.left, client.top, client.right, stageArea.top}, kLetterboxColour);
        FillWithColour(dc, {client.left, stageArea.bottom, client.right, client.bottom}, kLetterboxColour);
        FillWithColour(dc, {client.left, stageArea.top, stageArea.left, stageArea.bottom}, kLetterboxColour);
        FillWithColour(dc, {stageArea.right, stageArea.top, client.right, stageArea.bottom}, kLetterboxColour);
        FillWithColour(dc, stageArea, RGB(movie.background.r, movie.background.g, movie.background.b));
    }
};

}  // namespace

std::unique_ptr<StageRenderer> CreateBackgroundRenderer() {
    return std::unique_ptr<StageRenderer>(new (std::nothrow) BackgroundRenderer());
}

}  // namespace control
