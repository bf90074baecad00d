// dovetta-pack build: the player program followed by the album block, written whole or not at all.
#include "payload/AlbumFormat.h"
#include "movie/SwfHeader.h"
#include "CommandLine.h"
#include "Console.h"
#include "ProgramsBesideTool.h"
#include "FileStreams.h"
#include "Files.h"
#include "PackTool.h"
#include "Progress.h"
#include "StoredNames.h"
#include "Quoted.h"

#include <algorithm>
#include <charconv>
#include <list>
#include <optional>

namespace pack {
namespace {

constexpr char kCommand[] = "build";

constexpr char kUsage[] =
    "Usage: dovetta-pack build [--player FILE] [--installer FILE] --movie FILE [OPTIONS] -o ALBUM\n"
    "\n"
    "Writes ALBUM: the player program, unchanged, followed by the album block with the\n"
    "installer, the extra files, the movie, its stage size, the title and the required\n"
    "Flash Player version. ALBUM appears only when it is complete.\n"
    "\n"
    "  --player FILE       the player program (default: the Dovetta.exe beside this\n"
    "                      tool)\n"
    "  --installer FILE    the movie control's installer the album carries (default: the\n"
    "                      MovieControlSetup.exe beside this tool)\n"
    "  --movie FILE        the movie (.swf)\n"
    "  --file FILE         an extra file the movie needs, stored under its own base name;\n"
    "                      may be given many times\n"
    "  --title TEXT        the window title (default: the movie file's name without its\n"
    "                      extension)\n"
    "  --size WxH          the stage in pixels (default: from the movie's header)\n"
    "  --require A.B.C.D   the oldest Flash Player that plays the movie (default: the\n"
    "                      first player of the movie's format version: 1 to 10 as\n"
    "                      themselves, 11 and 12 as 10.2 and 10.3, 13 to 22 as 11.0 to\n"
    "                      11.9, 23 as 12, from 24 on V - 11); missing parts are 0\n"
    "  -o, --output ALBUM  the album to write (an existing file is replaced)\n";

const std::vector<OptionSpec> kOptions = {
    {"--player", "", true, false},  {"--installer", "", true, false}, {"--movie", "", true, false},
    {"--file", "", true, true},     {"--title", "", true, false},     {"--size", "", true, false},
    {"--require", "", true, false}, {"--output", "-o", true, false},
};

// The options without which there is nothing to build.
const std::vector<std::string_view> kRequired = {"--movie", "--output"};

// The first player version that plays movies of format `format`: the two numbering schemes
// met at format 10; 11 and 12 came with players 10.2 and 10.3, 13 to 22 with 11.0 to 11.9, 23
// with 12, and from 24 on the player's major version is the format minus 11.
album::Version PlayerForFormat(uint32_t format) {
    if (format <= 10)
        return {format, 0, 0, 0};
    if (format <= 12)
        return {10, format - 9, 0, 0};
    if (format <= 22)
        return {11, format - 13, 0, 0};
    return {format - 11, 0, 0, 0};
}

// The window title when none is given: the movie file's name without its extension.
std::string TitleFromMovie(const std::string& moviePath) {
    std::string name = BaseName(moviePath);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

// How much of the movie the header needs: the longest header is 29 bytes, compressed a little more.
constexpr size_t kMovieHeaderPrefix = 4096;

int Refuse(const std::string& message) {
    WriteError(std::string("dovetta-pack ") + kCommand + ": " + message + "\n");
    return kExitFailure;
}

std::string Described(std::string_view what, const std::string& path) {
    return std::string(what) + " " + Quoted(path);
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "800x600" (also "X"); signs are accepted here so that a negative size is refused as a size.
std::optional<std::pair<int32_t, int32_t>> ParseSize(std::string_view text) {
    const size_t x = text.find_first_of("xX");
    int32_t width = 0, height = 0;
    if (x == std::string_view::npos || !ParseNumber(text.substr(0, x), width) ||
        !ParseNumber(text.substr(x + 1), height))
        return std::nullopt;
    return std::pair{width, height};
}

// "A", "A.B", "A.B.C" or "A.B.C.D"; missing parts are 0.
std::optional<album::Version> ParseVersion(std::string_view text) {
    uint32_t parts[4] = {};
    size_t count = 0;
    while (true) {
        const size_t dot = text.find('.');
        if (count == 4 || !ParseNumber(text.substr(0, dot), parts[count]))
            return std::nullopt;
        ++count;
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    return album::Version{parts[0], parts[1], parts[2], parts[3]};
}

// What the command line asks for, checked for form.
struct BuildRequest {
    std::string player, installer, movie, output;
    std::vector<std::string> files;
    std::u16string title;
    std::optional<std::pair<int32_t, int32_t>> size;
    std::optional<album::Version> required;
};

// The opened inputs; the sources stay at fixed addresses for AlbumParts.
struct Inputs {
    FileSource player, installer, movie;
    std::list<FileSource> files;
};

// Fills `request` from the command line; anything but kExitOk has been reported.
int ReadRequest(const ParsedCommandLine& line, BuildRequest& request) {
    if (!line.operands.empty())
        return UsageError(kCommand, "unexpected argument '" + line.operands[0] + "'");
    for (std::string_view option : kRequired) {
        if (!line.Has(option))
            return UsageError(kCommand, "missing " + std::string(option));
    }
    request.player = line.Has("--player") ? *line.Value("--player") : ProgramBesideTool("Dovetta.exe");
    if (request.player.empty())
        return UsageError(kCommand, "missing --player: no Dovetta.exe beside the tool");
    request.installer =
        line.Has("--installer") ? *line.Value("--installer") : ProgramBesideTool("MovieControlSetup.exe");
    if (request.installer.empty())
        return UsageError(kCommand, "missing --installer: no MovieControlSetup.exe beside the tool");
    request.movie = *line.Value("--movie");
    request.output = *line.Value("--output");
    request.files = line.Values("--file");

    if (const auto text = line.Value("--size")) {
        request.size = ParseSize(*text);
        if (!request.size)
            return UsageError(kCommand, "--size takes WIDTHxHEIGHT in pixels, not '" + *text + "'");
        if (request.size->first <= 0 || request.size->second <= 0)
            return Refuse("the stage width and height must be positive");
    }
    if (const auto text = line.Value("--require")) {
        request.required = ParseVersion(*text);
        if (!request.required)
            return UsageError(kCommand, "--require takes a version A.B.C.D, not '" + *text + "'");
    }
    {
        const std::string text = line.Has("--title") ? *line.Value("--title") : TitleFromMovie(request.movie);
        const auto title = DecodeUtf8(text);
        if (!title) {
            return Refuse(line.Has("--title") ? "the title is not valid UTF-8"
                                              : "the movie's file name is not valid UTF-8; give --title");
        }
        if (title->size() > album::kMaxTextUnits - 1) {
            return Refuse("the title has " + std::to_string(title->size()) + " UTF-16 units; at most " +
                          std::to_string(album::kMaxTextUnits - 1) + " fit");
        }
        request.title = *title;
    }
    if (IsFolder(request.output))
        return Refuse(Described("output", request.output) + ": is a folder");
    return kExitOk;
}

int CannotOpen(std::string_view what, const std::string& path) {
    return Refuse("cannot open " + Described(what, path) + ": " + LastFileError());
}

// Opens every input and names the extra files; anything but kExitOk has been reported.
int OpenInputs(const BuildRequest& request, Inputs& inputs, album::AlbumParts& parts) {
    if (!inputs.player.Open(request.player))
        return CannotOpen("player", request.player);
    if (!inputs.installer.Open(request.installer))
        return CannotOpen("installer", request.installer);
    if (!inputs.movie.Open(request.movie))
        return CannotOpen("movie", request.movie);
    parts.player = &inputs.player;
    parts.installer = &inputs.installer;
    parts.movie = &inputs.movie;
    parts.title = request.title;

    std::vector<std::u16string> names;
    for (const std::string& path : request.files) {
        const auto name = DecodeUtf8(BaseName(path));
        if (!name)
            return Refuse(Described("extra file", path) + ": its name is not valid UTF-8");
        const std::string problem = StoredNameProblem(*name, names);
        if (!problem.empty())
            return Refuse(Described("extra file", path) + ": cannot be stored as " + Quoted(*name) + ": " + problem);
        FileSource& source = inputs.files.emplace_back();
        if (!source.Open(path))
            return CannotOpen("extra file", path);
        names.push_back(*name);
        parts.files.push_back({*name, &source});
    }
    return kExitOk;
}

// The stage size and required version: as given, or else from the movie's header.
int TakeStageAndVersion(const BuildRequest& request, FileSource& movie, album::AlbumParts& parts) {
    auto size = request.size;
    auto required = request.required;
    if (!size || !required) {
        std::vector<uint8_t> prefix(size_t(std::min<uint64_t>(movie.size(), kMovieHeaderPrefix)));
        if (!movie.readAt(0, prefix.data(), prefix.size()))
            return Refuse("cannot read " + Described("movie", request.movie) + ": " + LastFileError());
        std::string error;
        const auto header = movie::ReadSwfHeader(prefix.data(), prefix.size(), &error);
        if (!header) {
            return Refuse(Described("movie", request.movie) + ": " + error +
                          "; without a readable header give --size and --require");
        }
        if (!size)
            size = std::pair{header->WidthPixels(), header->HeightPixels()};
        if (size->first <= 0 || size->second <= 0) {
            return Refuse(Described("movie", request.movie) + ": the stage in its header is " +
                          std::to_string(size->first) + "x" + std::to_string(size->second) + " pixels; give --size");
        }
        if (!required)
            required = PlayerForFormat(header->version);
    }
    parts.width = size->first;
    parts.height = size->second;
    parts.required = *required;
    return kExitOk;
}

// Writes the album beside `output` and gives it that name only when it is complete.
int WriteAlbumFile(const std::string& output, const album::AlbumParts& parts) {
    const uint64_t total = parts.player->size() + album::AppendedSize(parts);
    if (total >= album::kMaxAlbumSize) {
        return Refuse("the album would take " + std::to_string(total) +
                      " bytes; it must stay below 2 GiB (2147483648 bytes)");
    }
    PendingFile out;
    if (!out.Create(output))
        return Refuse("cannot create a file beside " + Described("output", output) + ": " + LastFileError());
    ProgressMeter meter("writing", total);
    if (!album::WriteAlbum(parts, out, &ProgressMeter::Report, &meter))
        return Refuse("writing " + Described("output", output) + " failed: " + LastFileError());
    meter.Finish();
    if (!out.Commit())
        return Refuse("cannot finish " + Described("output", output) + ": " + LastFileError());
    return kExitOk;
}

}  // namespace

int RunBuild(const std::vector<std::string>& args) {
    int exitCode = kExitOk;
    const auto line = ParseCommand(kCommand, args, kOptions, kUsage, exitCode);
    if (!line)
        return exitCode;
    BuildRequest request;
    Inputs inputs;
    album::AlbumParts parts;
    if (const int code = ReadRequest(*line, request))
        return code;
    if (const int code = OpenInputs(request, inputs, parts))
        return code;
    if (const int code = TakeStageAndVersion(request, inputs.movie, parts))
        return code;
    return WriteAlbumFile(request.output, parts);
}

}  // namespace pack
