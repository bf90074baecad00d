// A static scene allocates nothing per frame: after the first frames, advancing the movie and
// building its draw list take no memory from the heap. Counted through the global allocator of
// this test program.
#include "MovieBytes.h"
#include "playback/Player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

// The replacements pair malloc with free; GCC cannot see that through the operators it is
// told to replace, and warns of a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    ++allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using namespace moviebytes;

TEST(SteadyScene, AdvancingAndDrawingAllocateNothing) {
    // Shapes, a masked one, a clip of one frame, a button and a filtered shape: nothing changes
    // after frame 1.
    const Bytes file = Movie({
        RectShape(1, {{0, 0, 1000, 1000, 255, 0, 0}}),
        RectShape(2, {{0, 0, 500, 500, 0, 255, 0}, {500, 500, 900, 900, 0, 0, 255}}),
        DefineSprite(3, 1, {Place(1, 2), ShowFrame()}),
        DefineButton2(4, {{0x0F, 1, 1}}, {{0x0008, ActionStop()}}),
        Place(1, 1, 0, 0, "", 2),
        Place(2, 3),
        PlaceBlend(3, 2, 3),
        Place(4, 4, 400, 400),
        PlaceGlow(5, 2),
        ShowFrame(),
    });
    auto m = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(m);
    playback::Player player(std::make_shared<const movie::Movie>(std::move(*m)));
    raster::DrawList list;
    for (int i = 0; i < 3; ++i) {
        player.AdvanceFrame();
        player.MouseMove(30, 30);
        player.BuildDrawList(list, 200, 200);
    }
    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) {
        player.AdvanceFrame();
        player.MouseMove(30, 30);
        player.BuildDrawList(list, 200, 200);
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(list.Commands().size(), 5u);
}

}  // namespace
