// Fuzz target over the whole engine: read a movie, play ten frames (its action code in the
// interpreter) with a mouse move and click in between, and draw each at a small size.
#include "movie/Movie.h"
#include "playback/Player.h"
#include "raster/Renderer.h"
#include "script/PlayerScripts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto read = movie::ReadMovie(data, size);
    if (!read)
        return 0;
    playback::Player player(std::make_shared<const movie::Movie>(std::move(*read)));
    script::PlayerScripts scripts(player, {});
    scripts.LimitActions(20000);  // a runaway loop ends fast, at the same place every run
    scripts.LimitTimeout(0.5);    // and one slow native call still ends the block
    constexpr int32_t kSide = 64;
    std::vector<uint32_t> pixels(kSide * kSide);
    raster::Surface surface{pixels.data(), kSide, kSide, kSide};
    // One renderer and draw list for the whole run, as the control keeps them: their buffers and
    // gradient cache then carry over from one movie to the next.
    static raster::Renderer renderer;
    static raster::DrawList list;
    for (int frame = 0; frame < 10 && !player.QuitRequested(); ++frame) {
        player.AdvanceFrame();
        if (frame == 3)
            player.MouseMove(32, 32);
        if (frame == 4)
            player.MouseDown(32, 32);
        if (frame == 5)
            player.MouseUp(32, 32);
        player.BuildDrawList(list, kSide, kSide);
        raster::Clear(surface, player.Background());
        renderer.Render(list, surface, raster::RenderOptions{});
    }
    return 0;
}
