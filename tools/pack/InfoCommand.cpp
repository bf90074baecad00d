// dovetta-pack info: every field of an album's block, and whether the block is valid.
#include "payload/AlbumFormat.h"
#include "CommandLine.h"
#include "Console.h"
#include "FileStreams.h"
#include "JsonWriter.h"
#include "PackTool.h"
#include "StoredNames.h"
#include "Quoted.h"

namespace pack {
namespace {

constexpr char kCommand[] = "info";

constexpr char kUsage[] =
    "Usage: dovetta-pack info ALBUM [--json]\n"
    "\n"
    "Shows every field of the album block at the end of ALBUM: sizes and offsets of the\n"
    "installer, each extra file and the movie, the stage size, the required Flash Player\n"
    "version and the title, and whether the block is valid. Exits with 1 when ALBUM has\n"
    "no album block or a field breaks the format (the first such field is named).\n"
    "\n"
    "  --json   print one JSON object instead of text\n";

const std::vector<OptionSpec> kOptions = {{"--json", "", false, false}};

struct Record {
    album::DependencyRecord record;
    std::string nameProblem;  // why extract would refuse the name, or ""
};

std::string VersionText(const album::Version& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.release) + "." +
           std::to_string(v.build);
}

std::string StatusWord(album::WalkStatus status) {
    switch (status) {
    case album::WalkStatus::Ok:
        return "valid";
    case album::WalkStatus::Broken:
        return "broken";
    case album::WalkStatus::NoAlbum:
        break;
    }
    return "none";
}

std::vector<Record> ReadRecords(album::Source& source, const album::Layout& layout) {
    std::vector<Record> records;
    std::vector<std::u16string> names;
    uint64_t offset = layout.dependenciesOffset;
    for (int32_t i = 0; i < layout.dependencyCount; ++i) {
        const auto record = album::ReadDependency(source, offset, layout.fileSize - album::kTrailerSize);
        if (!record)
            break;  // the walk checked every record: only a file changed meanwhile gets here
        std::string problem = record->nameLength > album::kMaxTextUnits
                                  ? "the stored name has " + std::to_string(record->nameLength) + " units, more than " +
                                        std::to_string(album::kMaxTextUnits)
                                  : StoredNameProblem(record->name, names);
        names.push_back(record->name);
        records.push_back({*record, std::move(problem)});
        offset = record->next();
    }
    return records;
}

std::string Field(std::string_view name, const std::string& value) {
    std::string line = "  " + std::string(name);
    line.resize(std::max<size_t>(line.size() + 1, 20), ' ');
    return line + value + "\n";
}

std::string RangeText(const album::Range& range) {
    return "offset " + std::to_string(range.offset) + ", size " + std::to_string(range.size);
}

std::string TextReport(const std::string& path, const album::WalkResult& walk, const std::vector<Record>& records) {
    const album::Layout& l = walk.layout;
    std::string out = Quoted(path) + ": ";
    if (walk.status == album::WalkStatus::NoAlbum)
        return out + "no album block (the file does not end in the album signature)\n";
    if (walk.status == album::WalkStatus::Broken) {
        return out + "broken album block: " + walk.field + " " + walk.problem + "\n" +
               Field("file size", std::to_string(l.fileSize)) + Field("datasize", std::to_string(l.datasize));
    }
    out += "valid album\n";
    out += Field("file size", std::to_string(l.fileSize));
    out += Field("datasize", std::to_string(l.datasize));
    out += Field("body offset", std::to_string(l.bodyOffset));
    out += Field("exeSize", std::to_string(l.exeSize));
    out += Field("version", VersionText(l.required));
    out += Field("installer", RangeText(l.installer));
    out += Field("dependencyCount", std::to_string(l.dependencyCount));
    for (size_t i = 0; i < records.size(); ++i) {
        const album::DependencyRecord& r = records[i].record;
        out += Field("dependency " + std::to_string(i + 1),
                     Quoted(r.name) + ", nameLength " + std::to_string(r.nameLength) + ", record offset " +
                         std::to_string(r.recordOffset) + ", " + RangeText(r.contents));
        if (!records[i].nameProblem.empty())
            out += Field("", "name refused: " + records[i].nameProblem);
    }
    out += Field("swfSize", std::to_string(l.swfSize));
    out += Field("width", std::to_string(l.width));
    out += Field("height", std::to_string(l.height));
    out += Field("movie", RangeText(l.movie));
    out += Field("titleLength", std::to_string(l.titleLength));
    out += Field("title", Quoted(l.title) + (l.titleLength > album::kMaxTextUnits ? " (cut to 500 units)" : ""));
    out += Field("title offset", std::to_string(l.titleOffset));
    return out;
}

void RangeJson(JsonWriter& json, std::string_view key, const album::Range& range) {
    json.Key(key).BeginObject().Key("offset").Unsigned(range.offset).Key("size").Unsigned(range.size).EndObject();
}

std::string JsonReport(const std::string& path, const album::WalkResult& walk, const std::vector<Record>& records) {
    const album::Layout& l = walk.layout;
    JsonWriter json;
    json.BeginObject();
    json.Key("file").Text(path);
    json.Key("fileSize").Unsigned(l.fileSize);
    json.Key("status").Text(StatusWord(walk.status));
    if (walk.status == album::WalkStatus::Broken) {
        json.Key("datasize").Unsigned(l.datasize);
        json.Key("field").Text(walk.field);
        json.Key("problem").Text(walk.problem);
    } else if (walk.status == album::WalkStatus::Ok) {
        json.Key("datasize").Unsigned(l.datasize);
        json.Key("bodyOffset").Unsigned(l.bodyOffset);
        json.Key("exeSize").Unsigned(l.exeSize);
        json.Key("version").Text(VersionText(l.required));
        RangeJson(json, "installer", l.installer);
        json.Key("dependencyCount").Number(l.dependencyCount);
        json.Key("dependencies").BeginArray();
        for (const Record& record : records) {
            const album::DependencyRecord& r = record.record;
            json.BeginObject();
            json.Key("name").Text(r.name);
            json.Key("nameLength").Unsigned(r.nameLength);
            json.Key("recordOffset").Unsigned(r.recordOffset);
            json.Key("offset").Unsigned(r.contents.offset);
            json.Key("size").Unsigned(r.contents.size);
            json.Key("nameProblem");
            if (record.nameProblem.empty())
                json.Null();
            else
                json.Text(record.nameProblem);
            json.EndObject();
        }
        json.EndArray();
        json.Key("swfSize").Unsigned(l.swfSize);
        json.Key("width").Number(l.width);
        json.Key("height").Number(l.height);
        RangeJson(json, "movie", l.movie);
        json.Key("titleLength").Unsigned(l.titleLength);
        json.Key("title").Text(l.title);
        json.Key("titleOffset").Unsigned(l.titleOffset);
    }
    json.EndObject();
    return json.text() + "\n";
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    int exitCode = kExitOk;
    const auto line = ParseCommand(kCommand, args, kOptions, kUsage, exitCode);
    if (!line)
        return exitCode;
    if (line->operands.size() != 1)
        return UsageError(kCommand, "give exactly one album file");
    const std::string& path = line->operands[0];

    FileSource source;
    if (!source.Open(path)) {
        WriteError("dovetta-pack info: cannot open " + Quoted(path) + ": " + LastFileError() + "\n");
        return kExitFailure;
    }
    const album::WalkResult walk = album::Walk(source);
    const std::vector<Record> records =
        walk.status == album::WalkStatus::Ok ? ReadRecords(source, walk.layout) : std::vector<Record>();
    WriteOutput(line->Has("--json") ? JsonReport(path, walk, records) : TextReport(path, walk, records));

    if (walk.status == album::WalkStatus::NoAlbum) {
        WriteError("dovetta-pack info: " + Quoted(path) + ": no album block\n");
        return kExitFailure;
    }
    if (walk.status == album::WalkStatus::Broken) {
        WriteError("dovetta-pack info: " + Quoted(path) + ": broken album block: " + walk.field + " " + walk.problem +
                   "\n");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace pack
