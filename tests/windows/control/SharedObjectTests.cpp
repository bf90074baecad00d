// Shared objects in the control: one folder per album and user under the application-data
// folder, file names that never become paths, saves that replace a file whole, and a value one
// run of a movie saves that the next run reads back.
#include "TestMovies.h"

#include "MovieBytes.h"
#include "MovieSession.h"
#include "SharedObjectFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

using controltest::ScratchFolder;

namespace {

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// Sets an environment variable for one test.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
        wchar_t buffer[32768];
        const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
        m_had = length > 0 && length < 32768;
        if (m_had)
            m_saved.assign(buffer, length);
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(m_name.c_str(), m_had ? m_saved.c_str() : nullptr); }

private:
    std::wstring m_name;
    std::wstring m_saved;
    bool m_had = false;
};

TEST(SharedObjectFiles, FileNamesAreOneSafeNamePerKey) {
    const std::string longKey(200, 'a');
    const std::vector<std::string> keys = {"localhost/game/scores",
                                           "../../../Windows/evil",
                                           "C:\\boot.ini:stream",
                                           "..",
                                           "caf\xc3\xa9/menu",
                                           longKey,
                                           longKey + "b",
                                           "Scores",
                                           "scores"};
    std::vector<std::wstring> names;
    for (const std::string& key : keys) {
        const std::wstring name = control::SharedObjectFileName(key);
        SCOPED_TRACE(key);
        EXPECT_EQ(name.find_first_of(L"\\/:*?\"<>|"), std::wstring::npos);
        EXPECT_NE(name.front(), L'.');
        EXPECT_LE(name.size(), 64u);
        EXPECT_EQ(name.substr(name.size() - 4), L".sol");
        EXPECT_EQ(name, control::SharedObjectFileName(key)) << "the same key must find its file again";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "two keys share a file";
}

TEST(SharedObjectFiles, AlbumsApartByFolderOneByLetterCase) {
    const std::wstring album = control::AlbumFolderName(L"C:\\Games\\Quiz.exe");
    EXPECT_EQ(album.rfind(L"quiz-", 0), 0u) << album.c_str();
    EXPECT_EQ(album, control::AlbumFolderName(L"c:\\games\\QUIZ.EXE"));
    EXPECT_EQ(album, control::AlbumFolderName(L"C:/Games/Quiz.exe"));
    EXPECT_NE(album, control::AlbumFolderName(L"D:\\Games\\Quiz.exe"));
    EXPECT_NE(album, control::AlbumFolderName(L"C:\\Games\\Quiz2.exe"));
}

TEST(SharedObjectFiles, TheAlbumFolderIsUnderTheUsersApplicationData) {
    ScratchFolder data;
    ScopedVariable appData(L"APPDATA", data.Path());
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    EXPECT_EQ(control::SharedObjectFolderOfThisAlbum(),
              data.Path() + L"\\Dovetta\\Shared objects\\" + control::AlbumFolderName(program));
}

TEST(SharedObjectFiles, SavesReplaceTheFileWholeAndRemoveDeletesIt) {
    ScratchFolder data;
    const std::wstring folder = data.Path() + L"\\Dovetta\\Shared objects\\Album-1";
    control::FileSharedObjectStore store(folder);
    EXPECT_FALSE(store.Load("localhost/a").has_value());

    ASSERT_TRUE(store.Save("localhost/a", {1, 2, 3, 4, 5})) << "the missing folders are made";
    ASSERT_TRUE(store.Save("localhost/a", {9, 8}));
    EXPECT_EQ(store.Load("localhost/a"), (std::vector<uint8_t>{9, 8}));
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{control::SharedObjectFileName("localhost/a")})
        << "no temporary file is left behind";

    // Too large to keep: the save fails and the object saved before stays as it was.
    EXPECT_FALSE(store.Save("localhost/a", std::vector<uint8_t>(control::kMaxSharedObjectBytes + 1)));
    EXPECT_EQ(store.Load("localhost/a"), (std::vector<uint8_t>{9, 8}));

    store.Remove("localhost/a");
    EXPECT_FALSE(store.Load("localhost/a").has_value());
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST(SharedObjectFiles, WithoutAFolderNothingIsKept) {
    control::FileSharedObjectStore store(L"");
    EXPECT_FALSE(store.Save("localhost/a", {1}));
    EXPECT_FALSE(store.Load("localhost/a").has_value());
}

// SharedObject.getLocal("progress").data, left on the stack.
moviebytes::Bytes ProgressData() {
    using namespace moviebytes;
    return Concat({ActionPushString("progress"),
                   ActionPushInt(1),
                   ActionPushString("SharedObject"),
                   {0x1C},
                   ActionPushString("getLocal"),
                   {0x52},
                   ActionPushString("data"),
                   {0x4E}});
}

TEST(SharedObjectFiles, WhatOneRunOfAMovieSavesTheNextRunReads) {
    using namespace moviebytes;
    ScratchFolder data;
    ScopedVariable appData(L"APPDATA", data.Path());
    ScratchFolder movies;
    // progress.data.level = "seven", saved when the movie ends.
    const std::wstring saver = movies.Write(
        L"saver.swf",
        Movie({DoAction(Concat({ProgressData(), ActionPushString("level"), ActionPushString("seven"), {0x4F}})),
               ShowFrame()}));
    // fscommand("level", progress.data.level)
    const std::wstring reader = movies.Write(L"reader.swf", Movie({DoAction(Concat({ActionPushString("FSCommand:level"),
                                                                                    ProgressData(),
                                                                                    ActionPushString("level"),
                                                                                    {0x4E},
                                                                                    ActionGetUrlFromStack()})),
                                                                   ShowFrame()}));
    {
        auto session = control::MovieSession::Open(saver);
        ASSERT_TRUE(session);
        ASSERT_TRUE(session->AdvanceFrame());
    }
    EXPECT_EQ(FilesIn(control::SharedObjectFolderOfThisAlbum()).size(), 1u);

    auto session = control::MovieSession::Open(reader);
    ASSERT_TRUE(session);
    ASSERT_TRUE(session->AdvanceFrame());
    const auto requests = session->TakeRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, L"level");
    EXPECT_EQ(requests[0].second, L"seven");
}

}  // namespace
