// dovetta-script-run: runs a movie's main timeline through the interpreter for a number of
// frames and prints its trace lines (one per line) on standard output. Blocks abandoned for a
// limit or an uncaught exception are reported on standard error.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/TimelineHost.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dovetta-script-run MOVIE.swf [FRAMES]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int frames = argc > 2 ? std::atoi(argv[2]) : 1;
    std::string error;
    auto host = script::TimelineHost::Load(file, &error);
    if (!host) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    host->Run(frames);
    for (auto& line : host->TraceLines())
        std::printf("%s\n", line.c_str());
    for (auto& m : host->abortMessages)
        std::fprintf(stderr, "%s\n", m.c_str());
    return 0;
}
