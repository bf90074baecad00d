// dovetta-render as a program: the image it writes, captures on fscommand("captureImage"),
// the end on fscommand("quit"), mouse input replayed, and its exit codes.
#include "MovieBytes.h"
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {

namespace fs = std::filesystem;
using namespace moviebytes;
using testing_support::RunProgram;

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("dovetta-render-test-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p.string();
    }
    std::string Write(const std::string& name, const std::string& text) {
        return Write(name, Bytes(text.begin(), text.end()));
    }

    // The pixel (x, y) of a PNG as RGBA, or all zero when the file cannot be read.
    static std::array<int, 4> Pixel(const fs::path& png, int x, int y, int* w = nullptr, int* h = nullptr) {
        int iw = 0, ih = 0, comp = 0;
        unsigned char* d = stbi_load(png.string().c_str(), &iw, &ih, &comp, 4);
        std::array<int, 4> px{};
        if (d && x < iw && y < ih) {
            for (int c = 0; c < 4; ++c)
                px[c] = d[(y * iw + x) * 4 + c];
        }
        if (w)
            *w = iw;
        if (h)
            *h = ih;
        stbi_image_free(d);
        return px;
    }

    fs::path m_dir;
};

// Frame 1 red square, frame 2 a capture, frame 3 green and quit, frame 4 blue (never shown).
Bytes CaptureMovie() {
    return Movie(
        {
            Background(255, 255, 255),
            RectShape(1, {{0, 0, 1000, 2000, 255, 0, 0}}),
            RectShape(2, {{0, 0, 1000, 2000, 0, 255, 0}}),
            RectShape(3, {{0, 0, 1000, 2000, 0, 0, 255}}),
            Place(1, 1),
            ShowFrame(),
            DoAction(ActionGetUrl("FSCommand:captureImage", "shot")),
            ShowFrame(),
            Remove(1),
            Place(1, 2),
            DoAction(ActionGetUrl("FSCommand:quit", "")),
            ShowFrame(),
            Remove(1),
            Place(1, 3),
            ShowFrame(),
        },
        100, 50);
}

TEST_F(RenderTool, WritesTheStageAndStopsOnQuit) {
    const std::string movie = Write("m.swf", CaptureMovie());
    const fs::path out = m_dir / "out.png";
    const auto r = RunProgram(DOVETTA_RENDER_PATH, {movie, "-o", out.string(), "--frames", "10", "--capture-dir",
                                                    (m_dir / "caps").string(), "--quality", "low"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int w = 0, h = 0;
    EXPECT_EQ(Pixel(out, 10, 10, &w, &h), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
    EXPECT_EQ(Pixel(out, 75, 10), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(m_dir / "caps" / "shot.png", 10, 10), (std::array<int, 4>{255, 0, 0, 255}));
}

TEST_F(RenderTool, SizeScalesTheStageIntoTheWindow) {
    const std::string movie = Write("m.swf", CaptureMovie());
    const fs::path out = m_dir / "out.png";
    const auto r =
        RunProgram(DOVETTA_RENDER_PATH, {movie, "-o", out.string(), "--size", "200x200", "--quality", "low"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int w = 0, h = 0;
    // Shown whole: the 100 x 50 stage doubled and centred vertically (rows 50 to 150), the
    // 50-pixel-wide square on its left half; the background, not black, fills the rest.
    EXPECT_EQ(Pixel(out, 20, 60, &w, &h), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(out, 150, 60), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(out, 20, 20), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 200);
}

TEST_F(RenderTool, ReplaysMouseInputOnButtons) {
    const Bytes movie = Movie(
        {
            Background(255, 255, 255),
            RectShape(1, {{0, 0, 2000, 2000, 255, 0, 0}}),
            RectShape(2, {{0, 0, 2000, 2000, 0, 0, 255}}),
            DefineButton2(3, {{0x09, 1, 1}, {0x06, 2, 1}}, {}),
            Place(1, 3),
            ShowFrame(),
        },
        100, 100);
    const std::string path = Write("b.swf", movie);
    Write("input.json", std::string(R"([{"type":"MouseMove","pos":[5.0,5.0]},{"type":"Wait"},
                                        {"type":"MouseDown","pos":[5.0,5.0],"btn":"Left"}])"));
    const fs::path out = m_dir / "out.png";
    const auto r = RunProgram(DOVETTA_RENDER_PATH,
                              {path, "-o", out.string(), "--frames", "3", "--input", (m_dir / "input.json").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Pixel(out, 10, 10), (std::array<int, 4>{0, 0, 255, 255}));
}

TEST_F(RenderTool, ExitCodes) {
    const std::string garbage = Write("bad.swf", std::string("this is not a movie"));
    auto r = RunProgram(DOVETTA_RENDER_PATH, {garbage, "-o", (m_dir / "x.png").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(m_dir / "x.png"));
    EXPECT_EQ(RunProgram(DOVETTA_RENDER_PATH, {(m_dir / "none.swf").string()}).exitCode, 1);
    const std::string movie = Write("m.swf", CaptureMovie());
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {movie, "--frames", "0"},
                                               {movie, "--frames", "2", "--ticks", "2"},
                                               {movie, "--quality", "ultra"},
                                               {movie, "--size", "10"},
                                               {movie, "--bogus"},
                                               {movie, "--tick-ms", "5"},
                                               {movie, movie}}) {
        EXPECT_EQ(RunProgram(DOVETTA_RENDER_PATH, args).exitCode, 2) << (args.size() > 1 ? args[1] : "");
    }
}

TEST_F(RenderTool, BenchPrintsOneJsonLine) {
    const std::string movie = Write("m.swf", CaptureMovie());
    const auto r = RunProgram(DOVETTA_RENDER_PATH, {movie, "--ticks", "2", "--tick-ms", "83.34", "--bench"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"frames\":2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"median_ms\":"), std::string::npos);
    EXPECT_NE(r.out.find("\"advance_max_ms\":"), std::string::npos);
    // The movie's frames call fscommand: the interpreter ran their actions.
    EXPECT_NE(r.out.find("\"actions\":"), std::string::npos);
    EXPECT_EQ(r.out.find("\"actions\":0,"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

// The demo album's movie draws every part of its scene: gradients, the bitmap tile, the morph
// at both ends, the masked sprite (nothing of the stripes outside the mask) and the button,
// which lights up under the mouse.
TEST_F(RenderTool, TheDemoMovieDrawsItsScene) {
    const std::string movie = (m_dir / "demo.swf").string();
    ASSERT_EQ(RunProgram(DOVETTA_SAMPLE_MOVIE_PATH, {movie}).exitCode, 0);
    const fs::path first = m_dir / "first.png", middle = m_dir / "middle.png", hover = m_dir / "hover.png";
    ASSERT_EQ(RunProgram(DOVETTA_RENDER_PATH, {movie, "-o", first.string()}).exitCode, 0);
    ASSERT_EQ(RunProgram(DOVETTA_RENDER_PATH, {movie, "-o", middle.string(), "--frames", "25"}).exitCode, 0);
    Write("input.json", std::string(R"([{"type":"MouseMove","pos":[420.0,375.0]},{"type":"Wait"}])"));
    ASSERT_EQ(RunProgram(DOVETTA_RENDER_PATH,
                         {movie, "-o", hover.string(), "--frames", "3", "--input", (m_dir / "input.json").string()})
                  .exitCode,
              0);
    const auto near = [](std::array<int, 4> px, std::array<int, 3> want, int tolerance) {
        for (int c = 0; c < 3; ++c)
            if (std::abs(px[c] - want[c]) > tolerance)
                return false;
        return true;
    };
    const std::array<int, 3> slate{0x1E, 0x2A, 0x3A};
    int w = 0, h = 0;
    EXPECT_TRUE(near(Pixel(first, 5, 470, &w, &h), slate, 0));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_TRUE(near(Pixel(first, 30, 55), {0x5B, 0x2C, 0x8F}, 24));    // banner, left end of its gradient
    EXPECT_TRUE(near(Pixel(first, 530, 215), {0xFF, 0xF4, 0xB0}, 24));  // the sun's centre
    EXPECT_FALSE(near(Pixel(first, 120, 200), slate, 40));              // the bitmap tile
    EXPECT_TRUE(near(Pixel(first, 330, 215), {0xF2, 0x7B, 0x35}, 2));   // square ...
    EXPECT_TRUE(near(Pixel(middle, 330, 215), {0x2B, 0xB5, 0xA8}, 2));  // ... turned circle
    // A corner of the square, outside the circle.
    EXPECT_TRUE(near(Pixel(first, 385, 270), {0xF2, 0x7B, 0x35}, 2));
    EXPECT_TRUE(near(Pixel(middle, 385, 270), slate, 0));
    EXPECT_TRUE(near(Pixel(first, 131, 385), {0x2E, 0x86, 0xDE}, 2));  // a stripe inside the mask
    EXPECT_TRUE(near(Pixel(first, 240, 385), slate, 0));               // a stripe outside it: cut
    const std::array<int, 4> up = Pixel(first, 420, 375), over = Pixel(hover, 420, 375);
    EXPECT_GT(up[2], up[0] + 60);    // blue face
    EXPECT_GT(over[0], up[0] + 20);  // lighter under the mouse
}

}  // namespace
