// dovetta-sample-movie: writes the movie the demo album plays (see DemoMovie.h).
//   dovetta-sample-movie OUT.swf [WIDTHxHEIGHT]
#include "DemoMovie.h"

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "Usage: dovetta-sample-movie OUT.swf [WIDTHxHEIGHT]\n");
        return argc == 2 ? 0 : 2;
    }
    int width = 640, height = 480;
    if (argc == 3 && (std::sscanf(argv[2], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)) {
        std::fprintf(stderr, "dovetta-sample-movie: %s: expected WIDTHxHEIGHT\n", argv[2]);
        return 2;
    }
    try {
        const std::vector<uint8_t> bytes = samplemovie::BuildDemoMovie(width, height);
        std::FILE* out = std::fopen(argv[1], "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
            std::fprintf(stderr, "dovetta-sample-movie: %s: cannot write\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dovetta-sample-movie: %s\n", e.what());
        return 1;
    }
    return 0;
}
