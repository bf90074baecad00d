// Albums packed from movies of the corpus, played in the real player under Wine: the pixels of
// the control's window are those dovetta-render draws for the movie, and match the reference
// player's image within the case's own checks.
#include "GuiAlbum.h"

#include "tests/support/MovieBytes.h"
#include "tests/support/ScriptedSample.h"
#include "utf/Utf.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

// RGBA, rows top to bottom.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

std::optional<Image> LoadPng(const std::wstring& path) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load(utf::Utf8FromWide(path).c_str(), &w, &h, &channels, 4);
    if (!pixels)
        return std::nullopt;
    Image image{w, h, std::vector<uint8_t>(pixels, pixels + size_t(w) * size_t(h) * 4)};
    stbi_image_free(pixels);
    return image;
}

// The screen's pixels inside `r`, opaque.
Image CaptureScreen(const RECT& r) {
    Image image{Width(r), Height(r), {}};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const auto* bgra = static_cast<const uint8_t*>(bits);
        image.rgba.resize(size_t(image.width) * size_t(image.height) * 4);
        for (size_t i = 0; i < image.rgba.size(); i += 4) {
            image.rgba[i] = bgra[i + 2];
            image.rgba[i + 1] = bgra[i + 1];
            image.rgba[i + 2] = bgra[i];
            image.rgba[i + 3] = 255;
        }
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return image;
}

struct Check {
    int tolerance;
    size_t maxOutliers;
};

// Scored as the corpus scores: a channel value further than the tolerance from the expected one
// is an outlier; every check must keep within its count. Images of another size fail.
bool Passes(const Image& expected, const Image& actual, const std::vector<Check>& checks, std::string* report) {
    if (expected.width != actual.width || expected.height != actual.height ||
        expected.rgba.size() != actual.rgba.size()) {
        *report = "sizes differ: " + std::to_string(expected.width) + "x" + std::to_string(expected.height) + " and " +
                  std::to_string(actual.width) + "x" + std::to_string(actual.height);
        return false;
    }
    bool pass = true;
    report->clear();
    for (const Check& check : checks) {
        size_t outliers = 0;
        for (size_t i = 0; i < expected.rgba.size(); ++i)
            outliers += std::abs(int(expected.rgba[i]) - int(actual.rgba[i])) > check.tolerance;
        pass = pass && outliers <= check.maxOutliers;
        *report += "tolerance " + std::to_string(check.tolerance) + ": " + std::to_string(outliers) +
                   " outliers (at most " + std::to_string(check.maxOutliers) + "); ";
    }
    return pass;
}

// Pixels darker than mid-grey in every channel inside [x0, x1) x [y0, y1).
size_t DarkPixels(const Image& image, int x0, int y0, int x1, int y1) {
    size_t dark = 0;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x) {
            const uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
            dark += p[0] < 0x80 && p[1] < 0x80 && p[2] < 0x80;
        }
    }
    return dark;
}

// The colour of one pixel of an image.
COLORREF PixelAt(const Image& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return CLR_INVALID;
    const uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
    return RGB(p[0], p[1], p[2]);
}

// The mouse over `window` at (x, y) of its client area: the pointer is put there (so that the
// window's own tracking finds it inside) and the window gets the move, as the system sends it.
// The messages are posted from here; under Wine injected input and the X server's own pointer
// events race each other, posted messages arrive in order.
void MoveMouseTo(HWND window, int x, int y) {
    POINT at{x, y};
    ::ClientToScreen(window, &at);
    ::SetCursorPos(at.x, at.y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void ClickAt(HWND window, int x, int y) {
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

std::wstring CorpusCases() {
    std::wstring path = L"Z:" + utf::WideFromUtf8(DOVETTA_CORPUS_CASES);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

struct CorpusCase {
    const char* name;           // the case's folder under cases/
    std::vector<Check> checks;  // as its test.toml gives them
};

// Keeps a picture of the player's window as build/windows/screenshots/NAME.bmp.
void SaveScreenshot(HWND player, const std::wstring& name) {
    const std::wstring shots = ProgramFolder() + L"\\..\\screenshots";
    ::CreateDirectoryW(shots.c_str(), nullptr);
    SaveWindowImage(player, shots + L"\\" + name + L".bmp");
}

void PrintTo(const CorpusCase& c, std::ostream* out) {
    *out << c.name;
}

}  // namespace

class GuiRenderTest : public ::testing::TestWithParam<CorpusCase> {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u) << "the control could not be installed";
    }
};

TEST_P(GuiRenderTest, TheControlShowsWhatTheEngineDrawsAndTheReferenceImage) {
    std::wstring folder = CorpusCases() + L"\\" + utf::WideFromUtf8(GetParam().name);
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    if (!IsFile(folder + L"\\test.swf"))
        GTEST_SKIP() << "the movie corpus is not on this machine";
    const std::optional<Image> expected = LoadPng(folder + L"\\output.expected.png");
    ASSERT_TRUE(expected) << "the expected image cannot be read";

    AlbumOptions options;
    options.movieFile = folder + L"\\test.swf";
    PlayerRun run(options);
    const std::wstring rendered = run.Scratch(L"rendered.png");
    ASSERT_EQ(
        RunToEnd(Bin(L"dovetta-render.exe"), L"\"" + options.movieFile + L"\" -o \"" + rendered + L"\" --quality high"),
        0u);
    const std::optional<Image> engine = LoadPng(rendered);
    ASSERT_TRUE(engine);

    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    HWND control = ::GetDlgItem(player, kMovieControlId);
    ASSERT_TRUE(control);
    // The first frame comes with the first tick: wait for the window to show it.
    Image shown;
    std::string report;
    const bool same = WaitUntil(
        [&] {
            shown = CaptureScreen(WindowRect(control));
            return Passes(*engine, shown, {{0, 0}}, &report);
        },
        10000);
    std::wstring shot = utf::WideFromUtf8(GetParam().name);
    std::replace(shot.begin(), shot.end(), L'/', L'-');
    SaveScreenshot(player, L"corpus-" + shot);
    EXPECT_TRUE(same) << "the control's pixels are not dovetta-render's: " << report;
    EXPECT_TRUE(Passes(*expected, shown, GetParam().checks, &report)) << report;

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

// acid-clip-2 (format 21) is an ActionScript 3 movie: its stage says so in the middle, where its
// timeline would otherwise draw dark strokes in the upper left.
TEST_F(GuiRenderTest, AnActionScript3MovieShowsTheNoticeOnItsStage) {
    const std::wstring movie = CorpusCases() + L"\\from_shumway\\acid\\acid-clip-2\\test.swf";
    if (!IsFile(movie))
        GTEST_SKIP() << "the movie corpus is not on this machine";
    AlbumOptions options;
    options.movieFile = movie;
    PlayerRun run(options);
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    HWND control = ::GetDlgItem(player, kMovieControlId);
    ASSERT_TRUE(control);
    Image shown;
    EXPECT_TRUE(WaitUntil(
        [&] {
            shown = CaptureScreen(WindowRect(control));
            return DarkPixels(shown, 0, shown.height / 3, shown.width, 2 * shown.height / 3) > 100;
        },
        10000))
        << "no notice on the stage";
    EXPECT_EQ(shown.width, 550);
    EXPECT_EQ(DarkPixels(shown, 0, 0, shown.width / 2, shown.height / 3), 0u) << "the timeline was drawn";
    SaveScreenshot(player, L"actionscript3-notice");
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

// Still movies that pass at high quality, the control's setting. winding_rule is of format 30:
// the album asks for player 19.0, which the installed control must satisfy. In
// display_object_properties the first frame's script moves, scales, turns and fades clips: the
// interpreter runs in the control as in dovetta-render.
INSTANTIATE_TEST_SUITE_P(Corpus, GuiRenderTest,
                         ::testing::Values(CorpusCase{"visual/bmd_draw_with_msaa_issue_10579", {{0, 0}}},
                                           CorpusCase{"visual/gradient_radial_same_ratios", {{35, 3860}}},
                                           CorpusCase{"visual/simple_shapes/winding_rule", {{0, 0}}},
                                           CorpusCase{"avm1/display_object_properties", {{90, 0}}}),
                         [](const ::testing::TestParamInfo<CorpusCase>& info) {
                             std::string name = info.param.name;
                             name = name.substr(name.rfind('/') + 1);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A 400 x 300 stage, stopped on its first frame, with a button over its left half: red when up,
// blue under the pointer; its release goes to the second frame, which adds a green square on the
// right.
std::vector<uint8_t> ButtonMovie() {
    using namespace moviebytes;
    return Movie({Background(255, 255, 255), RectShape(1, {{0, 0, 4000, 6000, 0xFF, 0, 0}}),
                  RectShape(2, {{0, 0, 4000, 6000, 0, 0, 0xFF}}), RectShape(4, {{4000, 0, 8000, 6000, 0, 0xFF, 0}}),
                  DefineButton2(3, {{0x01, 1, 1}, {0x06, 2, 2}, {0x08, 1, 3}}, {{0x0008, ActionGotoFrame(1)}}),
                  DoAction(ActionStop()), Place(1, 3), ShowFrame(), Place(2, 4), ShowFrame()},
                 400, 300, 6, 2);
}

// An album of a movie of ours, written to `path` first.
AlbumOptions OptionsForMovie(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    AlbumOptions options;
    options.movieFile = path;
    return options;
}

// Waits until (x, y) of the control's window shows `colour`, with the mouse at (mouseX, mouseY)
// of it; `shown` is the last capture. The move is sent again while waiting: under Wine a
// pointer event of the X server's own (the window appearing under the pointer) may come after
// it and put the pointer elsewhere.
bool ShowsAt(HWND control, Image& shown, int x, int y, COLORREF colour, int mouseX, int mouseY) {
    return WaitUntil(
        [&] {
            MoveMouseTo(control, mouseX, mouseY);
            shown = CaptureScreen(WindowRect(control));
            return PixelAt(shown, x, y) == colour;
        },
        10000);
}

// The mouse over the player's window reaches the movie: a button shows its over state and its
// click runs its action.
TEST_F(GuiRenderTest, AButtonFollowsTheMouseAndItsClickRunsItsAction) {
    TestFolder movies;
    PlayerRun run(OptionsForMovie(movies / L"button.swf", ButtonMovie()));
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    HWND control = ::GetDlgItem(player, kMovieControlId);
    ASSERT_TRUE(control);
    Image shown;
    const COLORREF red = RGB(0xFF, 0, 0), blue = RGB(0, 0, 0xFF), green = RGB(0, 0xFF, 0);
    EXPECT_TRUE(ShowsAt(control, shown, 100, 150, red, 300, 150)) << "the button is not up with the mouse away from it";
    EXPECT_EQ(PixelAt(shown, 300, 150), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_TRUE(ShowsAt(control, shown, 100, 150, blue, 100, 150)) << "the button did not show its over state";
    // (The hand cursor is checked inside the control's own tests: under Wine another process
    // does not see the cursor a window chose.)
    ClickAt(control, 100, 150);
    EXPECT_TRUE(ShowsAt(control, shown, 300, 150, green, 100, 150)) << "the click did not run the button's action";
    EXPECT_TRUE(ShowsAt(control, shown, 100, 150, red, 300, 150)) << "the button did not go back to up";
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

// The scripted sample: a clip's mouse handler keeps a square under the pointer, a button's
// script and a key's script move the timeline.
TEST_F(GuiRenderTest, TheScriptedSampleFollowsTheMouseAndItsButtonAndAKeyDriveTheTimeline) {
    TestFolder movies;
    PlayerRun run(OptionsForMovie(movies / L"scripted.swf", moviebytes::ScriptedSampleMovie()));
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    HWND control = ::GetDlgItem(player, kMovieControlId);
    ASSERT_TRUE(control);
    Image shown;
    const COLORREF green = RGB(0, 0xFF, 0), blue = RGB(0, 0, 0xFF), yellow = RGB(0xFF, 0xFF, 0);
    const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
    EXPECT_TRUE(ShowsAt(control, shown, 200, 150, green, 200, 150)) << "the square does not follow the mouse";
    EXPECT_TRUE(ShowsAt(control, shown, 250, 120, green, 250, 120)) << "the square did not follow the mouse on";
    EXPECT_EQ(PixelAt(shown, 200, 150), white) << "the square was left behind";
    SaveScreenshot(player, L"scripted-sample-follow");

    ClickAt(control, 50, 50);
    EXPECT_TRUE(ShowsAt(control, shown, 350, 50, blue, 50, 50)) << "the button's script did not go to frame 2";
    EXPECT_EQ(PixelAt(shown, 350, 250), white);

    // A key typed into the player's window (the stage has the keyboard after the click).
    ::PostMessageW(control, WM_KEYDOWN, VK_SPACE, 1);
    ::PostMessageW(control, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(ShowsAt(control, shown, 350, 250, yellow, 50, 50)) << "the key's script did not go to frame 3";
    SaveScreenshot(player, L"scripted-sample-keys");
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}
