// dovetta-render: plays a movie with the engine and writes the stage as an RGBA PNG.
//
//   dovetta-render MOVIE.swf [-o OUT.png] [--frames N | --ticks N [--tick-ms T]]
//                  [--quality low|medium|high|best] [--size WxH] [--input input.json]
//                  [--capture-dir DIR] [--font NAME=FILE]... [--default-font KIND=NAME]...
//                  [--trace FILE] [--bench]
//
// Exit 0 done, 1 movie unreadable (message on stderr), 2 wrong usage.
#include "InputScript.h"
#include "movie/Movie.h"
#include "playback/LocalFile.h"
#include "playback/Player.h"
#include "raster/Renderer.h"
#include "script/PlayerScripts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBIW_ASSERT(x)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string movie;
    std::string output;
    uint32_t frames = 1;
    bool byTicks = false;
    uint32_t ticks = 0;
    double tickMs = 0;  // 0: one frame's time
    raster::Quality quality = raster::Quality::High;
    int32_t width = 0, height = 0;  // 0: the stage size
    std::string input;
    std::string captureDir;
    std::string trace;
    bool bench = false;
};

int Usage(const std::string& why) {
    std::cerr << "dovetta-render: " << why << "\n"
              << "usage: dovetta-render MOVIE.swf [-o OUT.png] [--frames N | --ticks N [--tick-ms T]]\n"
                 "                      [--quality low|medium|high|best] [--size WxH] [--input input.json]\n"
                 "                      [--capture-dir DIR] [--font NAME=FILE]... [--default-font KIND=NAME]...\n"
                 "                      [--trace FILE] [--bench]\n";
    return 2;
}

bool ParseCount(const std::string& text, uint32_t& out) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = uint32_t(std::stoul(text));
    return true;
}

std::optional<int> ParseArgs(int argc, char** argv, Options& o) {
    bool sawFrames = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "-o" || a == "--output") {
            if (!value(o.output))
                return Usage("-o needs a file");
        } else if (a == "--frames") {
            if (!value(v) || !ParseCount(v, o.frames) || o.frames == 0)
                return Usage("--frames needs a count of at least 1");
            sawFrames = true;
        } else if (a == "--ticks") {
            if (!value(v) || !ParseCount(v, o.ticks) || o.ticks == 0)
                return Usage("--ticks needs a count of at least 1");
            o.byTicks = true;
        } else if (a == "--tick-ms") {
            if (!value(v))
                return Usage("--tick-ms needs milliseconds");
            char* end = nullptr;
            o.tickMs = std::strtod(v.c_str(), &end);
            if (*end || !(o.tickMs > 0) || o.tickMs > 1e6)
                return Usage("--tick-ms needs a positive number of milliseconds");
        } else if (a == "--quality") {
            if (!value(v))
                return Usage("--quality needs low, medium, high or best");
            if (v == "low")
                o.quality = raster::Quality::Low;
            else if (v == "medium")
                o.quality = raster::Quality::Medium;
            else if (v == "high")
                o.quality = raster::Quality::High;
            else if (v == "best")
                o.quality = raster::Quality::Best;
            else
                return Usage("--quality needs low, medium, high or best");
        } else if (a == "--size") {
            if (!value(v))
                return Usage("--size needs WxH");
            const size_t x = v.find('x');
            uint32_t w = 0, h = 0;
            if (x == std::string::npos || !ParseCount(v.substr(0, x), w) || !ParseCount(v.substr(x + 1), h) || w == 0 ||
                h == 0 || w > 16384 || h > 16384)
                return Usage("--size needs WxH, each 1 to 16384");
            o.width = int32_t(w);
            o.height = int32_t(h);
        } else if (a == "--input") {
            if (!value(o.input))
                return Usage("--input needs a file");
        } else if (a == "--capture-dir") {
            if (!value(o.captureDir))
                return Usage("--capture-dir needs a folder");
        } else if (a == "--font" || a == "--default-font") {
            // Used by the text issue; accepted now.
            if (!value(v) || v.find('=') == std::string::npos)
                return Usage(a + " needs NAME=VALUE");
        } else if (a == "--trace") {
            if (!value(o.trace))
                return Usage("--trace needs a file");
        } else if (a == "--bench") {
            o.bench = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option " + a);
        } else if (o.movie.empty()) {
            o.movie = a;
        } else {
            return Usage("more than one movie given");
        }
    }
    if (o.movie.empty())
        return Usage("no movie given");
    if (sawFrames && o.byTicks)
        return Usage("--frames and --ticks exclude each other");
    if (o.tickMs > 0 && !o.byTicks)
        return Usage("--tick-ms goes with --ticks");
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return data;
}

// Writes premultiplied 0xAARRGGBB pixels as straight RGBA, to a temporary name first so that
// no half-written image stands under the real name.
bool WritePng(const fs::path& path, const std::vector<uint32_t>& pixels, int32_t w, int32_t h) {
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        const uint32_t a = p >> 24;
        uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        if (a != 0 && a != 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        } else if (a == 0) {
            r = g = b = 0;
        }
        rgba[i * 4] = uint8_t(r);
        rgba[i * 4 + 1] = uint8_t(g);
        rgba[i * 4 + 2] = uint8_t(b);
        rgba[i * 4 + 3] = uint8_t(a);
    }
    fs::path temp = path;
    temp += ".part";
    if (!stbi_write_png(temp.string().c_str(), w, h, 4, rgba.data(), w * 4))
        return false;
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec)
        fs::remove(temp, ec);
    return !ec;
}

// A capture name from the movie becomes one file inside the capture folder, nothing else.
bool SafeCaptureName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name == "." || name == "..")
        return false;
    return name.find_first_of("/\\:") == std::string::npos && name.find('\0') == std::string::npos;
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5));
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (auto code = ParseArgs(argc, argv, o))
        return *code;

    const fs::path moviePath = o.movie;
    const fs::path movieFolder = moviePath.has_parent_path() ? moviePath.parent_path() : fs::path(".");
    auto bytes = ReadFile(moviePath);
    if (!bytes) {
        std::cerr << "dovetta-render: cannot read " << o.movie << "\n";
        return 1;
    }
    std::string error;
    auto read = movie::ReadMovie(bytes->data(), bytes->size(), &error);
    if (!read) {
        std::cerr << "dovetta-render: " << o.movie << " is not a readable movie: " << error << "\n";
        return 1;
    }
    auto movieData = std::make_shared<const movie::Movie>(std::move(*read));

    std::vector<InputEvent> events;
    if (!o.input.empty()) {
        auto text = ReadFile(o.input);
        if (!text)
            return Usage("cannot read the input file " + o.input);
        auto parsed = ParseInputScript(std::string(text->begin(), text->end()), &error);
        if (!parsed)
            return Usage(o.input + ": " + error);
        events = std::move(*parsed);
    }

    // Files the movie loads are looked up in its folder only; web addresses are not fetched.
    playback::ResourceLoader loader = [movieFolder](const std::string& url) -> std::optional<std::vector<uint8_t>> {
        const auto name = playback::LocalFilePath(url);
        if (!name)
            return std::nullopt;
        return ReadFile(movieFolder / fs::u8path(*name));
    };
    playback::Player player(movieData, loader);
    player.SetQuality(o.quality);

    const movie::SwfHeader& h = movieData->header;
    const int32_t width = o.width ? o.width : std::max(1, h.WidthPixels());
    const int32_t height = o.height ? o.height : std::max(1, h.HeightPixels());
    if (size_t(width) * size_t(height) > (size_t(1) << 26))
        return Usage("the image would be too large");
    player.SetWindowSize(width, height);

    // Trace lines go to the --trace file ("-": standard output), or nowhere.
    std::ofstream traceFile;
    if (!o.trace.empty() && o.trace != "-") {
        traceFile.open(o.trace, std::ios::binary);
        if (!traceFile)
            return Usage("cannot write the trace file " + o.trace);
    }
    std::ostream* traceOut = o.trace.empty() ? nullptr : o.trace == "-" ? &std::cout : &traceFile;
    script::PlayerScripts scripts(player, [traceOut](const std::string& line) {
        if (traceOut)
            *traceOut << line << '\n';
    });

    // An input script that types its text brings it apart from its keys.
    scripts.SetTextApart(std::any_of(events.begin(), events.end(), [](const InputEvent& e) {
        return e.kind == InputEvent::Kind::TextInput || e.kind == InputEvent::Kind::TextControl;
    }));

    std::vector<std::string> captures;
    player.SetFsCommandHandler([&captures](const std::string& command, const std::string& args) {
        if (command == "captureImage")
            captures.push_back(args);
    });

    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    raster::Surface surface{pixels.data(), width, height, width};
    raster::Renderer renderer;
    raster::DrawList list;
    auto draw = [&] {
        player.BuildDrawList(list, width, height);
        raster::Clear(surface, player.Background());
        renderer.Render(list, surface, raster::RenderOptions{player.GetQuality()});
    };

    size_t nextEvent = 0;
    auto applyEvents = [&] {
        while (nextEvent < events.size()) {
            const InputEvent& e = events[nextEvent++];
            if (e.kind == InputEvent::Kind::Wait)
                break;
            const int mouseCode = e.button == "Right" ? 2 : e.button == "Middle" ? 4 : 1;
            if (e.kind == InputEvent::Kind::MouseDown || e.kind == InputEvent::Kind::MouseUp)
                scripts.MouseButton(mouseCode, e.kind == InputEvent::Kind::MouseDown);
            if (e.kind == InputEvent::Kind::FocusLost)
                scripts.WindowFocusLost();
            else if (e.kind == InputEvent::Kind::MouseMove)
                player.MouseMove(e.x, e.y);
            else if (e.kind == InputEvent::Kind::MouseDown && e.button != "Right" && e.button != "Middle")
                player.MouseDown(e.x, e.y);
            else if (e.kind == InputEvent::Kind::MouseUp && e.button != "Right" && e.button != "Middle")
                player.MouseUp(e.x, e.y);
            else if (e.kind == InputEvent::Kind::TextInput)
                scripts.TypeText(e.text);
            else if (e.kind == InputEvent::Kind::SetClipboard)
                scripts.SetClipboardText(e.text);
            else if (e.kind == InputEvent::Kind::TextControl && e.text == "Paste")
                scripts.Paste();
            else if (e.kind == InputEvent::Kind::TextControl) {
                if (auto edit = TextEditNamed(e.text))
                    scripts.EditText(*edit);
            } else if (e.kind == InputEvent::Kind::KeyDown || e.kind == InputEvent::Kind::KeyUp) {
                const KeyCode k = KeyCodeOf(e.key);
                if (k.code && e.kind == InputEvent::Kind::KeyDown)
                    scripts.KeyDown(k.code, k.ascii);
                else if (k.code)
                    scripts.KeyUp(k.code);
            }
        }
    };

    std::vector<double> frameMs, advanceMs;  // drawing, and the frame's logic with its scripts
    bool captureFailed = false;
    auto runFrame = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        player.AdvanceFrame();
        if (o.bench) {
            const auto t1 = std::chrono::steady_clock::now();
            draw();
            advanceMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            frameMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count());
        }
        if (!captures.empty()) {
            if (!o.bench)
                draw();
            for (const std::string& name : captures) {
                if (o.captureDir.empty() || !SafeCaptureName(name))
                    continue;
                std::error_code ec;
                fs::create_directories(o.captureDir, ec);
                if (!WritePng(fs::path(o.captureDir) / (name + ".png"), pixels, width, height))
                    captureFailed = true;
            }
            captures.clear();
        }
        applyEvents();
    };

    const double fps = h.FramesPerSecond() > 0 ? h.FramesPerSecond() : 12.0;
    const double frameTime = 1000.0 / fps;
    if (o.byTicks) {
        const double step = o.tickMs > 0 ? o.tickMs : frameTime;
        double due = 0;
        for (uint32_t t = 0; t < o.ticks && !player.QuitRequested(); ++t) {
            due += step;
            // A small slack keeps sums of rounded tick lengths from losing a frame.
            while (due + 1e-6 >= frameTime && !player.QuitRequested()) {
                due -= frameTime;
                runFrame();
            }
        }
    } else {
        for (uint32_t f = 0; f < o.frames && !player.QuitRequested(); ++f)
            runFrame();
    }

    draw();
    if (!o.output.empty() && !WritePng(o.output, pixels, width, height)) {
        std::cerr << "dovetta-render: cannot write " << o.output << "\n";
        return 1;
    }
    if (captureFailed)
        std::cerr << "dovetta-render: a captured image could not be written\n";
    for (const std::string& why : scripts.AbortMessages())
        std::cerr << "dovetta-render: " << why << "\n";
    if (o.bench) {
        std::string name;  // the movie as given, escaped for JSON
        for (char c : o.movie) {
            if (c == '"' || c == '\\')
                name += '\\';
            if (uint8_t(c) >= 0x20)
                name += c;
        }
        double advanceTotal = 0;
        for (double ms : advanceMs)
            advanceTotal += ms;
        const uint64_t actions = scripts.ActionsRun();
        std::printf(
            "{\"movie\":\"%s\",\"frames\":%zu,\"width\":%d,\"height\":%d,\"median_ms\":%.3f,\"p95_ms\":%.3f,\"max_ms\":"
            "%.3f,\"advance_median_ms\":%.3f,\"advance_max_ms\":%.3f,\"actions\":%llu,\"actions_per_s\":%.0f}\n",
            name.c_str(), frameMs.size(), width, height, Percentile(frameMs, 0.5), Percentile(frameMs, 0.95),
            frameMs.empty() ? 0.0 : *std::max_element(frameMs.begin(), frameMs.end()), Percentile(advanceMs, 0.5),
            advanceMs.empty() ? 0.0 : *std::max_element(advanceMs.begin(), advanceMs.end()),
            static_cast<unsigned long long>(actions), advanceTotal > 0 ? double(actions) / (advanceTotal / 1000) : 0.0);
    }
    return 0;
}
