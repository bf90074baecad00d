// Where the control keeps a movie's shared objects between runs: one folder per album and user,
// under the user's application-data folder, one file per shared object. Nothing is kept beside
// the album, and two albums never see each other's objects.
#pragma once

#include "script/SharedObjectStore.h"

#include <string>

namespace control {

// The largest shared object file the control writes or reads back.
constexpr size_t kMaxSharedObjectBytes = 16u << 20;

// "<application data>\Dovetta\Shared objects\<album>" for the program that hosts the control (the
// album), or empty when the user has no application-data folder.
std::wstring SharedObjectFolderOfThisAlbum();

// The folder name of the album at `programPath`: its file name in lower case and a hash of its full path
// (letter case ignored, as Windows ignores it), so that two albums of the same name in different
// folders keep apart.
std::wstring AlbumFolderName(const std::wstring& programPath);

// The file that holds the shared object stored under `key`: the key's plain characters, for a
// reader, and a hash of the whole key. Never a path: separators and dots become plain characters.
std::wstring SharedObjectFileName(const std::string& key);

// Keeps each shared object as a file in `folder`, made on the first save. A save writes a
// temporary file and moves it over the old one, so a file is either the old or the new object,
// never half of one.
class FileSharedObjectStore final : public script::SharedObjectStore {
public:
    explicit FileSharedObjectStore(std::wstring folder) : m_folder(std::move(folder)) {}

    std::optional<std::vector<uint8_t>> Load(const std::string& key) override;
    bool Save(const std::string& key, const std::vector<uint8_t>& bytes) override;
    void Remove(const std::string& key) override;

private:
    std::wstring PathOf(const std::string& key) const;

    std::wstring m_folder;
};

}  // namespace control
