// dovetta-sample-movie: writes the small movie the demo album plays.
//   dovetta-sample-movie OUT.swf [WIDTHxHEIGHT]
#include "movie/SwfWriter.h"

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "Usage: dovetta-sample-movie OUT.swf [WIDTHxHEIGHT]\n");
        return argc == 2 ? 0 : 2;
    }
    movie::SwfSpecimen specimen;
    specimen.width = 640;
    specimen.height = 480;
    if (argc == 3 && std::sscanf(argv[2], "%dx%d", &specimen.width, &specimen.height) != 2) {
        std::fprintf(stderr, "dovetta-sample-movie: %s: expected WIDTHxHEIGHT\n", argv[2]);
        return 2;
    }
    specimen.version = 6;
    specimen.frameRate = 12.0;
    specimen.frameCount = 48;
    specimen.red = 0xE0, specimen.green = 0x8A, specimen.blue = 0x2E;  // amber
    specimen.compressed = true;
    specimen.fsCommands = {{0, "dovetta", "started"}, {47, "dovetta", "looped"}};
    try {
        const std::vector<uint8_t> bytes = movie::BuildSwf(specimen);
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
