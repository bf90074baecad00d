// dovetta-pack extract: the installer, the extra files and the movie of an album, written into a
// folder under their stored names. Every name is checked before anything is written; each file
// is written under a temporary name and renamed when whole.
#include "payload/AlbumFormat.h"
#include "CommandLine.h"
#include "Console.h"
#include "FileStreams.h"
#include "PackTool.h"
#include "Progress.h"
#include "StoredNames.h"
#include "Quoted.h"

namespace pack {
namespace {

constexpr char kCommand[] = "extract";

constexpr char kUsage[] =
    "Usage: dovetta-pack extract ALBUM FOLDER\n"
    "\n"
    "Writes the installer (84512712.exe), each extra file under its stored name and the\n"
    "movie (84512712.swf) of ALBUM into FOLDER, which is created when missing. Files of\n"
    "the same names in FOLDER are replaced. Nothing is written when a stored name is not a\n"
    "safe plain file name.\n";

struct Output {
    std::u16string name;
    album::Range range;
};

int Refuse(const std::string& message) {
    WriteError(std::string("dovetta-pack ") + kCommand + ": " + message + "\n");
    return kExitFailure;
}

// The files to write, in the order the player writes them; "" or the reason a name is refused.
std::string PlanOutputs(album::Source& source, const album::Layout& layout, std::vector<Output>& outputs) {
    outputs.push_back({album::kInstallerFileName, layout.installer});
    std::vector<std::u16string> names;
    uint64_t offset = layout.dependenciesOffset;
    for (int32_t i = 0; i < layout.dependencyCount; ++i) {
        const auto record = album::ReadDependency(source, offset, layout.fileSize - album::kTrailerSize);
        const std::string label = "extra file " + std::to_string(i + 1);
        if (!record)
            return label + ": cannot be read (was the album changed meanwhile?)";
        if (record->nameLength > album::kMaxTextUnits) {
            return label + ": the stored name has " + std::to_string(record->nameLength) + " units, more than " +
                   std::to_string(album::kMaxTextUnits);
        }
        const std::string problem = StoredNameProblem(record->name, names);
        if (!problem.empty())
            return label + " " + Quoted(record->name) + ": " + problem;
        names.push_back(record->name);
        outputs.push_back({record->name, record->contents});
        offset = record->next();
    }
    outputs.push_back({album::kMovieFileName, layout.movie});
    return {};
}

std::string WrittenList(const std::vector<std::string>& written) {
    if (written.empty())
        return "no file was written";
    std::string list = "already written and left in place:";
    for (const std::string& path : written) {
        list += ' ';
        list += Quoted(path);
    }
    return list;
}

// Writes each file whole under a temporary name, then gives it its name; stops at the first
// fault and says which files are already in place.
int WriteOutputs(album::Source& source, const std::vector<Output>& outputs, const std::string& folder) {
    uint64_t total = 0;
    for (const Output& output : outputs)
        total += output.range.size;
    ProgressMeter meter("extracting", total);
    uint64_t done = 0;
    std::vector<std::string> written;
    for (const Output& output : outputs) {
        const std::string path = JoinPath(folder, EncodeUtf8(output.name));
        PendingFile file;
        if (!file.Create(path)) {
            meter.Finish();
            return Refuse("cannot create a file in " + Quoted(folder) + ": " + LastFileError() + "; " +
                          WrittenList(written));
        }
        if (!album::CopyRange(source, output.range, file, &ProgressMeter::Report, &meter, done, total)) {
            meter.Finish();
            return Refuse("writing " + Quoted(path) + " failed: " + LastFileError() + "; " + WrittenList(written));
        }
        if (!file.Commit()) {
            meter.Finish();
            return Refuse("cannot finish " + Quoted(path) + ": " + LastFileError() + "; " + WrittenList(written));
        }
        written.push_back(path);
        done += output.range.size;
    }
    return kExitOk;
}

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
    int exitCode = kExitOk;
    const auto line = ParseCommand(kCommand, args, {}, kUsage, exitCode);
    if (!line)
        return exitCode;
    if (line->operands.size() != 2)
        return UsageError(kCommand, "give an album file and a folder");
    const std::string& albumPath = line->operands[0];
    const std::string& folder = line->operands[1];

    FileSource source;
    if (!source.Open(albumPath))
        return Refuse("cannot open " + Quoted(albumPath) + ": " + LastFileError());
    const album::WalkResult walk = album::Walk(source);
    if (walk.status == album::WalkStatus::NoAlbum)
        return Refuse(Quoted(albumPath) + ": no album block");
    if (walk.status == album::WalkStatus::Broken)
        return Refuse(Quoted(albumPath) + ": broken album block: " + walk.field + " " + walk.problem);

    std::vector<Output> outputs;
    const std::string refused = PlanOutputs(source, walk.layout, outputs);
    if (!refused.empty())
        return Refuse(Quoted(albumPath) + ": " + refused + "; nothing was written");

    if (!MakeFolders(folder))
        return Refuse("cannot create the folder " + Quoted(folder) + ": " + LastFileError());
    return WriteOutputs(source, outputs, folder);
}

}  // namespace pack
