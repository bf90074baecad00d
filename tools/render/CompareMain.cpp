// dovetta-compare: scores an image against the expected one the way the movie corpus does.
//
//   dovetta-compare EXPECTED.png ACTUAL.png [--check TOLERANCE:MAX_OUTLIERS]... [--diff OUT.png]
//
// A channel value (R, G, B or A of one pixel) that differs from the expected by more than the
// tolerance is an outlier; a check passes with at most MAX_OUTLIERS of them; all checks must
// pass. Images of different sizes fail. Prints one JSON line; --diff writes expected | actual |
// difference side by side. Exit 0 passed, 3 failed, 1 unreadable image, 2 wrong usage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

struct Check {
    int tolerance = 0;
    long maxOutliers = 0;
    long outliers = 0;
};

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
};

bool Load(const char* path, Image& img) {
    int comp = 0;
    stbi_uc* data = stbi_load(path, &img.w, &img.h, &comp, 4);
    if (!data)
        return false;
    img.rgba.assign(data, data + size_t(img.w) * img.h * 4);
    stbi_image_free(data);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: dovetta-compare EXPECTED.png ACTUAL.png [--check TOLERANCE:MAX_OUTLIERS]... [--diff OUT.png] "
                 "[--list N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    std::vector<Check> checks;
    std::string diffPath;
    long listOutliers = 0;  // print this many pixels that differ by more than the first tolerance
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--check" && i + 1 < argc) {
            Check c;
            char* end = nullptr;
            const char* v = argv[++i];
            c.tolerance = int(std::strtol(v, &end, 10));
            if (*end != ':')
                return Usage();
            c.maxOutliers = std::strtol(end + 1, &end, 10);
            if (*end)
                return Usage();
            checks.push_back(c);
        } else if (a == "--list" && i + 1 < argc) {
            listOutliers = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--diff" && i + 1 < argc) {
            diffPath = argv[++i];
        } else {
            return Usage();
        }
    }
    if (checks.empty())
        checks.push_back({});
    Image expected, actual;
    if (!Load(argv[1], expected)) {
        std::fprintf(stderr, "dovetta-compare: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!Load(argv[2], actual)) {
        std::fprintf(stderr, "dovetta-compare: cannot read %s\n", argv[2]);
        return 1;
    }
    const bool sameSize = expected.w == actual.w && expected.h == actual.h;
    int maxDiff = 0;
    std::vector<uint8_t> diff;
    if (sameSize) {
        diff.resize(expected.rgba.size());
        for (size_t p = 0; p < expected.rgba.size(); p += 4) {
            int pixelMax = 0;
            for (int c = 0; c < 4; ++c) {
                const int d = std::abs(int(expected.rgba[p + c]) - int(actual.rgba[p + c]));
                pixelMax = std::max(pixelMax, d);
                for (Check& k : checks)
                    if (d > k.tolerance)
                        ++k.outliers;
            }
            maxDiff = std::max(maxDiff, pixelMax);
            if (listOutliers > 0 && pixelMax > checks.front().tolerance) {
                --listOutliers;
                const size_t px = p / 4;
                std::fprintf(stderr, "(%zu,%zu) expected %u,%u,%u,%u actual %u,%u,%u,%u\n", px % size_t(expected.w),
                             px / size_t(expected.w), expected.rgba[p], expected.rgba[p + 1], expected.rgba[p + 2],
                             expected.rgba[p + 3], actual.rgba[p], actual.rgba[p + 1], actual.rgba[p + 2],
                             actual.rgba[p + 3]);
            }
            // Differences in red on black, faint ones lifted so they show.
            const uint8_t shown = uint8_t(pixelMax == 0 ? 0 : std::min(255, 64 + pixelMax * 3));
            diff[p] = shown;
            diff[p + 1] = diff[p + 2] = 0;
            diff[p + 3] = 255;
        }
    }
    bool pass = sameSize;
    std::string checkText;
    for (const Check& k : checks) {
        const bool ok = sameSize && k.outliers <= k.maxOutliers;
        pass = pass && ok;
        if (!checkText.empty())
            checkText += ",";
        checkText += "{\"tolerance\":" + std::to_string(k.tolerance) +
                     ",\"max_outliers\":" + std::to_string(k.maxOutliers) +
                     ",\"outliers\":" + std::to_string(sameSize ? k.outliers : -1) +
                     ",\"pass\":" + (ok ? "true" : "false") + "}";
    }
    std::printf(
        "{\"pass\":%s,\"same_size\":%s,\"expected\":[%d,%d],\"actual\":[%d,%d],\"max_diff\":%d,\"checks\":[%s]}\n",
        pass ? "true" : "false", sameSize ? "true" : "false", expected.w, expected.h, actual.w, actual.h, maxDiff,
        checkText.c_str());
    if (!pass && !diffPath.empty()) {
        // expected | actual | difference, each at its own size, on one strip.
        const int w = expected.w + actual.w + (sameSize ? expected.w : 0);
        const int h = std::max(expected.h, actual.h);
        std::vector<uint8_t> strip(size_t(w) * h * 4, 0);
        auto blit = [&](const std::vector<uint8_t>& src, int sw, int sh, int x0) {
            for (int y = 0; y < sh; ++y)
                std::copy(src.begin() + size_t(y) * sw * 4, src.begin() + size_t(y + 1) * sw * 4,
                          strip.begin() + (size_t(y) * w + x0) * 4);
        };
        blit(expected.rgba, expected.w, expected.h, 0);
        blit(actual.rgba, actual.w, actual.h, expected.w);
        if (sameSize)
            blit(diff, expected.w, expected.h, expected.w + actual.w);
        stbi_write_png(diffPath.c_str(), w, h, 4, strip.data(), w * 4);
    }
    return pass ? 0 : 3;
}
