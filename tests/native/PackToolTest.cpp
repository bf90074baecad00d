// dovetta-pack, run as a program: the album it builds is compared with one laid out here
// independently, built albums survive info and extract unchanged, every refusal leaves no
// output behind, and the exit codes follow 0 done / 1 failed / 2 wrong usage.
#include "JsonCheck.h"
#include "RunProgram.h"
#include "movie/SwfWriter.h"
#include "utf/Utf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testing_support::JsonValue;
using testing_support::ParseJson;
using testing_support::ProgramResult;
using testing_support::RunProgram;

// ---- An album laid out by hand, following the block's field table and nothing else ----

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char(value >> (8 * i)));
}

void PutUnits(std::string& out, const std::u16string& text) {
    for (char16_t unit : text) {
        out.push_back(char(unit & 0xFF));
        out.push_back(char(unit >> 8));
    }
}

struct RawRecord {
    std::u16string name;
    std::string contents;
    std::optional<uint32_t> nameLength = std::nullopt;  // stored length when it should not be name + zero
};

struct RawAlbum {
    std::string player, installer;
    uint32_t version[4] = {};
    std::vector<RawRecord> records;
    std::string movie;
    int32_t width = 0, height = 0;
    std::u16string title;

    std::string Bytes() const {
        std::string body;
        PutU32(body, uint32_t(installer.size()));
        for (uint32_t part : version)
            PutU32(body, part);
        body += installer;
        PutU32(body, uint32_t(records.size()));
        for (const RawRecord& record : records) {
            const uint32_t length = record.nameLength.value_or(uint32_t(record.name.size() + 1));
            PutU32(body, length);
            std::u16string units = record.name + u'\0';
            units.resize(length, u'\0');
            PutUnits(body, units);
            PutU32(body, uint32_t(record.contents.size()));
            body += record.contents;
        }
        PutU32(body, uint32_t(movie.size()));
        PutU32(body, uint32_t(width));
        PutU32(body, uint32_t(height));
        body += movie;
        PutU32(body, uint32_t(title.size() + 1));
        PutUnits(body, title + u'\0');
        std::string file = player + body;
        PutU32(file, uint32_t(body.size()));
        PutU32(file, 0x32862DE8u);
        return file;
    }
};

std::string AsString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Utf8(const std::u16string& text) {
    return utf::EncodeUtf8(text);
}

std::string Counting(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

// ---- The fixture: a fresh folder with the usual inputs ----

class PackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pack-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;

        movie::SwfSpecimen specimen;
        specimen.version = 7;
        specimen.width = 640;
        specimen.height = 480;
        specimen.compressed = true;
        specimen.fsCommands = {{0, "allowscale", "false"}};
        m_movie = AsString(movie::BuildSwf(specimen));
        m_player = "MZ" + Counting(3000, 1);
        m_installer = "MZ" + Counting(1000, 2);
        m_files = {
            {u"a.txt", "alpha"}, {u"Übung ß.dat", Counting(256, 3)}, {u"empty.bin", ""}, {u"日本 😀.xml", "<x/>"}};

        Put("player.exe", m_player);
        Put("setup.exe", m_installer);
        Put("movie.swf", m_movie);
        for (const RawRecord& file : m_files)
            Put(fs::path("files") / file.name, file.contents);
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path Path(const fs::path& relative) const { return m_root / relative; }

    fs::path Put(const fs::path& relative, const std::string& bytes) {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Every entry below the root, as relative paths.
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_root))
            names.insert(fs::relative(entry.path(), m_root).string());
        return names;
    }

    static ProgramResult Pack(const std::vector<std::string>& args) { return RunProgram(DOVETTA_PACK_PATH, args); }

    // "build" with the usual inputs, all extra files, and `more` options.
    std::vector<std::string> BuildArgs(const std::string& output, const std::vector<std::string>& more = {}) const {
        std::vector<std::string> args = {"build",           "--player", Path("player.exe"), "--installer",
                                         Path("setup.exe"), "--movie",  Path("movie.swf")};
        for (const RawRecord& file : m_files) {
            args.push_back("--file");
            args.push_back(Path(fs::path("files") / file.name));
        }
        args.push_back("-o");
        args.push_back(Path(output));
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    RawAlbum Expected() const {
        RawAlbum album;
        album.player = m_player;
        album.installer = m_installer;
        album.version[0] = 7;
        album.records = m_files;
        album.movie = m_movie;
        album.width = 640;
        album.height = 480;
        return album;
    }

    fs::path m_root;
    std::string m_player, m_installer, m_movie;
    std::vector<RawRecord> m_files;
};

// ---- Building ----

TEST_F(PackToolTest, BuildWritesExactlyTheIndependentLayout) {
    const auto taken = Pack(BuildArgs("taken.exe", {"--title", "Täst \"1\" \\ 😀"}));
    ASSERT_EQ(taken.exitCode, 0) << taken.err;
    RawAlbum expected = Expected();
    expected.title = u"Täst \"1\" \\ 😀";
    EXPECT_TRUE(Read(Path("taken.exe")) == expected.Bytes()) << "stage size and version taken from the movie";

    const auto given = Pack(BuildArgs("given.exe", {"--size", "100x50", "--require", "9.0.115"}));
    ASSERT_EQ(given.exitCode, 0) << given.err;
    expected.title = u"movie";  // without --title: the movie file's name
    expected.width = 100;
    expected.height = 50;
    expected.version[0] = 9;
    expected.version[2] = 115;
    EXPECT_TRUE(Read(Path("given.exe")) == expected.Bytes()) << "stage size and version from the options";
    EXPECT_EQ(given.out, "");
}

// Without --installer the album carries the stand-in installer built beside the tool.
TEST_F(PackToolTest, BuildTakesTheInstallerBesideTheToolByDefault) {
    const fs::path tool = Path("bin/dovetta-pack");
    fs::create_directories(tool.parent_path());
    fs::copy_file(DOVETTA_PACK_PATH, tool);
    Put("bin/MovieControlSetup.exe", m_installer);
    const auto built = RunProgram(tool.string(), {"build", "--player", Path("player.exe"), "--movie", Path("movie.swf"),
                                                  "-o", Path("album.exe")});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    RawAlbum expected = Expected();
    expected.records.clear();
    expected.title = u"movie";
    EXPECT_TRUE(Read(Path("album.exe")) == expected.Bytes());
}

// The default player and installer are looked up beside the running tool only: a copy of the
// tool in a folder without them asks for the one it lacks (and writes nothing), wherever the
// tree's own builds are.
TEST_F(PackToolTest, BuildWithoutProgramsBesideTheToolAsksForThem) {
    const fs::path tool = Path("alone/dovetta-pack");
    fs::create_directories(tool.parent_path());
    fs::copy_file(DOVETTA_PACK_PATH, tool);
    const struct {
        std::vector<std::string> given;
        const char* missing;
    } cases[] = {
        {{"--player", Path("player.exe")}, "missing --installer"},
        {{"--installer", Path("setup.exe")}, "missing --player"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missing);
        std::vector<std::string> args = {"build", "--movie", Path("movie.swf"), "-o", Path("album.exe")};
        args.insert(args.end(), c.given.begin(), c.given.end());
        const auto built = RunProgram(tool.string(), args);
        EXPECT_EQ(built.exitCode, 2);
        EXPECT_NE(built.err.find(c.missing), std::string::npos) << built.err;
        EXPECT_FALSE(fs::exists(Path("album.exe")));
    }
}

// A newcomer's whole command: the player and the installer built beside the tool, the title
// from the movie's file name, the stage and the version from its header.
TEST_F(PackToolTest, BuildNeedsOnlyTheMovieAndTheOutputBesideTheBuiltPrograms) {
    const fs::path tool = Path("bin/dovetta-pack");
    fs::create_directories(tool.parent_path());
    fs::copy_file(DOVETTA_PACK_PATH, tool);
    const std::string player = "MZ" + Counting(2000, 9);
    Put("bin/Dovetta.exe", player);
    Put("bin/MovieControlSetup.exe", m_installer);
    Put("Autumn Journey.v2.swf", m_movie);

    const auto built =
        RunProgram(tool.string(), {"build", "--movie", Path("Autumn Journey.v2.swf"), "-o", Path("album.exe")});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    RawAlbum expected = Expected();
    expected.player = player;
    expected.records.clear();
    expected.title = u"Autumn Journey.v2";
    EXPECT_TRUE(Read(Path("album.exe")) == expected.Bytes());

    // A name without an extension is the title as it is; --player still wins over the default.
    Put("plain", m_movie);
    const auto named = RunProgram(
        tool.string(), {"build", "--player", Path("player.exe"), "--movie", Path("plain"), "-o", Path("plain.exe")});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    expected.player = m_player;
    expected.title = u"plain";
    EXPECT_TRUE(Read(Path("plain.exe")) == expected.Bytes());
}

// Without --require the album asks for the first player that plays the movie's format version:
// the numbers agree up to 10, then player 10.2 and 10.3, 11.0 to 11.9, 12, and format - 11.
TEST_F(PackToolTest, DefaultRequiredVersionFollowsThePlayerThatIntroducedTheFormat) {
    const std::pair<uint8_t, const char*> cases[] = {
        {1, "1.0.0.0"},   {6, "6.0.0.0"},   {10, "10.0.0.0"}, {11, "10.2.0.0"}, {12, "10.3.0.0"}, {13, "11.0.0.0"},
        {17, "11.4.0.0"}, {22, "11.9.0.0"}, {23, "12.0.0.0"}, {24, "13.0.0.0"}, {43, "32.0.0.0"}, {50, "39.0.0.0"},
    };
    for (const auto& [format, version] : cases) {
        SCOPED_TRACE(int(format));
        movie::SwfSpecimen specimen;
        specimen.version = format;
        specimen.width = 320;
        specimen.height = 240;
        Put("format.swf", AsString(movie::BuildSwf(specimen)));
        const auto built = Pack({"build", "--player", Path("player.exe"), "--installer", Path("setup.exe"), "--movie",
                                 Path("format.swf"), "-o", Path("format.exe")});
        ASSERT_EQ(built.exitCode, 0) << built.err;
        const auto info = Pack({"info", "--json", Path("format.exe")});
        std::string error;
        const auto json = ParseJson(info.out, &error);
        ASSERT_TRUE(json) << error << "\n" << info.out;
        EXPECT_EQ((*json)["version"].text, version);
    }
}

// Every text the tool prints ends its last line, so the shell prompt starts on a line of its own.
TEST_F(PackToolTest, EveryOutputEndsWithANewline) {
    ASSERT_EQ(Pack(BuildArgs("album.exe")).exitCode, 0);
    struct Case {
        std::vector<std::string> args;
        bool toOutput;  // else the text goes to the error stream
    };
    const std::vector<Case> cases = {
        {{"--help"}, true},
        {{"help"}, true},
        {{"build", "--help"}, true},
        {{"info", "--help"}, true},
        {{"extract", "--help"}, true},
        {{"info", Path("album.exe")}, true},
        {{"info", "--json", Path("album.exe")}, true},
        {{"info", "--json", Path("player.exe")}, true},
        {{}, false},
        {{"build", "--bogus"}, false},
        {{"info", Path("missing.exe")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const auto result = Pack(c.args);
        const std::string& text = c.toOutput ? result.out : result.err;
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n') << text;
    }
}

TEST_F(PackToolTest, BuildInfoExtractRoundTripIsByteExact) {
    ASSERT_EQ(Pack(BuildArgs("album.exe")).exitCode, 0);

    const auto info = Pack({"info", Path("album.exe")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("valid album"), std::string::npos) << info.out;
    for (const RawRecord& file : m_files)
        EXPECT_NE(info.out.find(Utf8(file.name)), std::string::npos) << info.out;

    const auto extract = Pack({"extract", Path("album.exe"), Path("out/new")});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    std::set<std::string> expectedNames = {"84512712.exe", "84512712.swf"};
    for (const RawRecord& file : m_files)
        expectedNames.insert(Utf8(file.name));
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path("out/new")))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, expectedNames) << "exactly the album's files, no temporary left";

    EXPECT_TRUE(Read(Path("out/new/84512712.exe")) == m_installer);
    EXPECT_TRUE(Read(Path("out/new/84512712.swf")) == m_movie);
    for (const RawRecord& file : m_files)
        EXPECT_TRUE(Read(Path("out/new") / file.name) == file.contents) << Utf8(file.name);
}

TEST_F(PackToolTest, InfoJsonIsValidAndGivesEveryField) {
    const std::u16string title16 = u"tab\there, \"quoted\", back\\slash, ctl\x01, 日本 😀";
    const std::string title = Utf8(title16);
    ASSERT_EQ(Pack(BuildArgs("album.exe", {"--title", title})).exitCode, 0);
    const std::string bytes = Read(Path("album.exe"));

    const auto info = Pack({"info", "--json", Path("album.exe")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    std::string error;
    const auto json = ParseJson(info.out, &error);
    ASSERT_TRUE(json) << error << "\n" << info.out;
    const JsonValue& j = *json;
    EXPECT_EQ(j["status"].text, "valid");
    EXPECT_EQ(j["fileSize"].number, double(bytes.size()));
    EXPECT_EQ(j["bodyOffset"].number, double(m_player.size()));
    EXPECT_EQ(j["datasize"].number, double(bytes.size() - 8 - m_player.size()));
    EXPECT_EQ(j["exeSize"].number, double(m_installer.size()));
    EXPECT_EQ(j["version"].text, "7.0.0.0");
    EXPECT_EQ(j["width"].number, 640);
    EXPECT_EQ(j["height"].number, 480);
    EXPECT_EQ(j["title"].text, title);
    EXPECT_EQ(j["titleLength"].number, double(title16.size() + 1));
    EXPECT_EQ(j["dependencyCount"].number, double(m_files.size()));

    auto at = [&](const JsonValue& range) {
        return bytes.substr(size_t(range["offset"].number), size_t(range["size"].number));
    };
    EXPECT_TRUE(at(j["installer"]) == m_installer);
    EXPECT_TRUE(at(j["movie"]) == m_movie);
    EXPECT_EQ(j["swfSize"].number, double(m_movie.size()));
    ASSERT_EQ(j["dependencies"].items.size(), m_files.size());
    for (size_t i = 0; i < m_files.size(); ++i) {
        const JsonValue& record = j["dependencies"][i];
        EXPECT_EQ(record["name"].text, Utf8(m_files[i].name));
        EXPECT_TRUE(at(record) == m_files[i].contents) << i;
        EXPECT_EQ(record["nameProblem"].kind, JsonValue::Kind::Null);
    }
    const size_t titleOffset = size_t(j["titleOffset"].number);
    EXPECT_EQ(bytes.substr(titleOffset - 4, 4), std::string({char(title16.size() + 1), 0, 0, 0}));
    EXPECT_EQ(titleOffset + 2 * (title16.size() + 1), bytes.size() - 8);
}

TEST_F(PackToolTest, InfoJsonReportsUnsafeNamesAndBrokenOrMissingBlocks) {
    RawAlbum raw = Expected();
    raw.records = {{u"..\\evil.txt", "x"}, {u"\x01\"q\"", "y"}};
    Put("unsafe.exe", raw.Bytes());
    std::string broken = Expected().Bytes();
    // The top byte of the first record's fileSize (after its nameLength and the 6 units of "a.txt").
    broken[m_player.size() + 20 + m_installer.size() + 4 + 4 + 12 + 3] = '\x7f';
    Put("broken.exe", broken);

    struct Case {
        const char* file;
        int exitCode;
        const char* status;
    };
    for (const Case& c :
         {Case{"unsafe.exe", 0, "valid"}, Case{"broken.exe", 1, "broken"}, Case{"player.exe", 1, "none"}}) {
        SCOPED_TRACE(c.file);
        const auto info = Pack({"info", Path(c.file), "--json"});
        EXPECT_EQ(info.exitCode, c.exitCode) << info.err;
        std::string error;
        const auto json = ParseJson(info.out, &error);
        ASSERT_TRUE(json) << error << "\n" << info.out;
        EXPECT_EQ((*json)["status"].text, c.status);
        if (std::string(c.file) == "unsafe.exe") {
            EXPECT_NE((*json)["dependencies"][0]["nameProblem"].text.find("folder"), std::string::npos);
            EXPECT_EQ((*json)["dependencies"][1]["name"].text, "\x01\"q\"");
        }
        if (std::string(c.file) == "broken.exe") {
            EXPECT_EQ((*json)["field"].text, "dependency 1 contents");
        }
    }
}

TEST_F(PackToolTest, BuildRefusalsLeaveNoOutputAndKeepAnOldOne) {
    Put("odd/CON.txt", "x");
    Put("odd/nul .txt", "x");
    Put("odd/bad:name", "x");
    Put("odd/trail.", "x");
    Put("odd/back\\slash", "x");
    Put("odd/84512712.exe", "x");
    Put("odd/84512712.SWF", "x");
    Put("other/A.TXT", "x");
    Put("notmovie.swf", "this is no movie");
    Put("lzma.swf", "ZWS\x0a" + m_movie.substr(4));
    fs::create_directories(Path("folder"));
    {
        std::ofstream(Path("huge.bin"), std::ios::binary).close();
        fs::resize_file(Path("huge.bin"), (2ull << 30) - 4096);  // sparse: costs no disk
    }

    struct Case {
        std::vector<std::string> more;
        const char* reasonPart;
    };
    const std::string p = m_root.string() + "/";
    const std::vector<Case> cases = {
        {{"--file", p + "odd/CON.txt"}, "device"},
        {{"--file", p + "odd/nul .txt"}, "device"},
        {{"--file", p + "odd/bad:name"}, "colon"},
        {{"--file", p + "odd/trail."}, "dot"},
        {{"--file", p + "odd/back\\slash"}, "folder"},
        {{"--file", p + "odd/84512712.exe"}, "installer"},
        {{"--file", p + "odd/84512712.SWF"}, "movie"},
        {{"--file", p + "other/A.TXT"}, "same file name"},
        {{"--file", p + "folder"}, "folder"},
        {{"--file", p + "missing.txt"}, "cannot open"},
        {{"--file", p + "huge.bin"}, "2 GiB"},
        {{"--title", std::string(500, 't')}, "title"},
        {{"--title", "bad \xff utf-8"}, "UTF-8"},
        {{"--size", "0x480"}, "positive"},
        {{"--size", "640x-1"}, "positive"},
    };
    const std::vector<std::pair<std::vector<std::string>, const char*>> replaced = {
        // Inputs replaced rather than added: the usual argument is given again in front of the others.
        {{"build", "--player", p + "missing.exe"}, "cannot open player"},
        {{"build", "--player", p + "folder"}, "folder"},
        {{"build", "--movie", p + "notmovie.swf"}, "not a Flash movie"},
        {{"build", "--movie", p + "lzma.swf"}, "LZMA"},
    };

    auto check = [&](std::vector<std::string> args, const char* reasonPart) {
        SCOPED_TRACE(testing::PrintToString(args));
        for (bool oldOutput : {false, true}) {
            if (oldOutput)
                Put("album.exe", "the previous album");
            else
                fs::remove(Path("album.exe"));
            const std::set<std::string> before = Listing();
            const auto result = Pack(args);
            EXPECT_EQ(result.exitCode, 1) << result.err;
            EXPECT_NE(result.err.find(reasonPart), std::string::npos) << result.err;
            EXPECT_EQ(Listing(), before) << "nothing created, nothing left behind";
            if (oldOutput) {
                EXPECT_EQ(Read(Path("album.exe")), "the previous album");
            }
        }
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = BuildArgs("album.exe");
        args.insert(args.end(), c.more.begin(), c.more.end());
        check(args, c.reasonPart);
    }
    for (const auto& [front, reasonPart] : replaced) {
        // Later duplicates of an option are refused, so build the command line from scratch.
        std::vector<std::string> args = {"build", "--installer", p + "setup.exe", "-o", p + "album.exe"};
        if (front[1] != "--player")
            args.insert(args.end(), {"--player", p + "player.exe"});
        if (front[1] != "--movie")
            args.insert(args.end(), {"--movie", p + "movie.swf"});
        args.insert(args.end(), front.begin() + 1, front.end());
        check(args, reasonPart);
    }
    // The longest title that fits is accepted.
    const auto longest = Pack(BuildArgs("album.exe", {"--title", std::string(499, 't')}));
    EXPECT_EQ(longest.exitCode, 0) << longest.err;
}

TEST_F(PackToolTest, BuildIntoAMissingFolderOrOntoAFolderFails) {
    fs::create_directories(Path("isfolder"));
    for (const char* output : {"no/such/folder/album.exe", "isfolder"}) {
        const std::set<std::string> before = Listing();
        const auto result = Pack(BuildArgs(output));
        EXPECT_EQ(result.exitCode, 1) << output;
        EXPECT_NE(result.err.find(output), std::string::npos) << result.err;
        EXPECT_EQ(Listing(), before);
    }
}

// ---- Exit codes ----

TEST_F(PackToolTest, UsageErrorsExitWithTwoAndHelpWithZero) {
    const std::string p = m_root.string() + "/";
    const std::vector<std::string> base = {"build",         "--player", p + "player.exe", "--installer",
                                           p + "setup.exe", "--movie",  p + "movie.swf",  "-o",
                                           p + "album.exe"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"frobnicate"},
        {"--bogus"},
        with({"--bogus"}),
        with({"stray"}),
        with({"--size", "640"}),
        with({"--size", "wide x high"}),
        with({"--size", "99999999999x1"}),
        with({"--require", "1.2.3.4.5"}),
        with({"--require", "a.b"}),
        with({"--require", "1..2"}),
        with({"--title", "a", "--title", "b"}),
        with({"--title"}),
        {"build", "--player", p + "player.exe", "-o", p + "album.exe"},
        {"build", "--player", p + "player.exe", "--movie", p + "movie.swf", "--installer", p + "setup.exe"},
        {"info"},
        {"info", p + "a", p + "b"},
        {"info", "--json=yes", p + "album.exe"},
        {"extract", p + "album.exe"},
        {"extract", p + "album.exe", p + "out", p + "more"},
    };
    for (const auto& args : usage) {
        const std::set<std::string> before = Listing();
        const auto result = Pack(args);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(args) << "\n" << result.err;
        EXPECT_FALSE(result.err.empty());
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Listing(), before);
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"build", "--help"}, {"info", "--help"}, {"extract", "-h"}}) {
        const auto result = Pack(args);
        EXPECT_EQ(result.exitCode, 0) << testing::PrintToString(args);
        EXPECT_EQ(result.out.rfind("Usage: dovetta-pack", 0), 0u) << result.out;
    }
}

// ---- Inspecting broken albums ----

TEST_F(PackToolTest, InfoNamesTheFirstFieldThatBreaksTheFormat) {
    const std::string good = Expected().Bytes();
    const size_t body = m_player.size();
    const size_t records = body + 20 + m_installer.size() + 4;  // the first record's nameLength
    auto patched = [&](size_t at, uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (8 * i));
        return bytes;
    };
    std::string extra = good;
    extra.insert(good.size() - 8, "xxxx");
    const uint32_t datasize = uint32_t(good.size() - 8 - body);
    extra = [&] {
        std::string bytes = extra;
        for (int i = 0; i < 4; ++i)
            bytes[bytes.size() - 8 + i] = char((datasize + 4) >> (8 * i));
        return bytes;
    }();

    struct Case {
        std::string bytes;
        const char* field;
    };
    const std::vector<Case> cases = {
        {patched(good.size() - 8, uint32_t(good.size())), "datasize"},
        {patched(body, 0x7FFFFFFF), "installer"},
        {patched(records - 4, 0x7FFFFFFF), "dependency"},
        {patched(records, 0x7FFFFFFF), "dependency 1 name"},
        {patched(records + 4 + 12, 0x7FFFFFFF), "dependency 1 contents"},
        {patched(good.size() - 8 - 2 - 4, 2), "title"},  // the empty title's titleLength 1 made 2
        {extra, "datasize"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Put("broken.exe", cases[i].bytes);
        const auto result = Pack({"info", Path("broken.exe")});
        EXPECT_EQ(result.exitCode, 1) << i;
        EXPECT_NE(result.err.find("broken album block: " + std::string(cases[i].field)), std::string::npos)
            << i << ": " << result.err;
        const auto extract = Pack({"extract", Path("broken.exe"), Path("out")});
        EXPECT_EQ(extract.exitCode, 1) << i;
        EXPECT_FALSE(fs::exists(Path("out"))) << i;
    }
    for (const std::string& bytes : {std::string(), std::string("MZ"), m_player}) {
        Put("plain.exe", bytes);
        const auto result = Pack({"info", Path("plain.exe")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("no album block"), std::string::npos) << result.err;
    }
}

// ---- Extracting ----

TEST_F(PackToolTest, ExtractRefusesUnsafeNamesBeforeWritingAnything) {
    const std::vector<std::vector<RawRecord>> cases = {
        {{u"..\\evil.txt", "x"}},  {{u"../evil.txt", "x"}},
        {{u"/tmp/evil.txt", "x"}}, {{u"ok.txt", "fine"}, {u"sub/evil.txt", "x"}},
        {{u"CON", "x"}},           {{u"aux.log", "x"}},
        {{u"a:b", "x"}},           {{u"", "x"}},
        {{u"name.", "x"}},         {{u"84512712.exe", "x"}},
        {{u"84512712.Swf", "x"}},  {{u"a.txt", "x"}, {u"A.TXT", "y"}},
        {{u"long", "x", 600}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        RawAlbum raw = Expected();
        raw.records = cases[i];
        Put("unsafe.exe", raw.Bytes());
        const std::set<std::string> before = Listing();
        const auto result = Pack({"extract", Path("unsafe.exe"), Path("out")});
        EXPECT_EQ(result.exitCode, 1) << i;
        EXPECT_NE(result.err.find("nothing was written"), std::string::npos) << i << ": " << result.err;
        EXPECT_EQ(Listing(), before) << i;
        EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    }
}

TEST_F(PackToolTest, ExtractReplacesFilesOfTheSameNameAndKeepsOthers) {
    ASSERT_EQ(Pack(BuildArgs("album.exe")).exitCode, 0);
    Put("out/a.txt", "old contents, longer than the new");
    Put("out/keep.me", "untouched");
    const auto result = Pack({"extract", Path("album.exe"), Path("out")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Read(Path("out/a.txt")), "alpha");
    EXPECT_EQ(Read(Path("out/keep.me")), "untouched");
    for (const auto& entry : fs::directory_iterator(Path("out")))
        EXPECT_EQ(entry.path().filename().string().find(".dovetta-"), std::string::npos) << entry.path();
}

TEST_F(PackToolTest, ExtractStopsAtAFileItCannotPlaceAndSaysWhatIsLeft) {
    ASSERT_EQ(Pack(BuildArgs("album.exe")).exitCode, 0);
    Put("out/a.txt/blocker", "a folder stands where a.txt goes");
    const auto result = Pack({"extract", Path("album.exe"), Path("out")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("a.txt"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("already written"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("84512712.exe"), std::string::npos) << result.err;
    EXPECT_EQ(Read(Path("out/84512712.exe")), m_installer);
    EXPECT_EQ(Read(Path("out/a.txt/blocker")), "a folder stands where a.txt goes");
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path("out")))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"84512712.exe", "a.txt"})) << "no temporary, nothing after the failure";
}

TEST_F(PackToolTest, ExtractIntoAFileOrFromAMissingAlbumFails) {
    ASSERT_EQ(Pack(BuildArgs("album.exe")).exitCode, 0);
    Put("plainfile", "not a folder");
    const auto intoFile = Pack({"extract", Path("album.exe"), Path("plainfile")});
    EXPECT_EQ(intoFile.exitCode, 1);
    EXPECT_NE(intoFile.err.find("plainfile"), std::string::npos) << intoFile.err;
    EXPECT_EQ(Read(Path("plainfile")), "not a folder");

    const auto missing = Pack({"extract", Path("missing.exe"), Path("out")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("missing.exe"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(Path("out")));
}

}  // namespace
