// Reads the album appended to the program file and writes its files into the working folder.
#pragma once

#include "flashcheck/LoadResult.h"
#include "version/ProductVersion.h"

#include <cstdint>
#include <string>

class AlbumFile;

// The values start-up produces, with the defaults a program file without an album runs with.
// The application object derives from it; tests use it on its own.
class PlayerData {
public:
    bool m_flashPresent = true;  // a recent enough movie control is installed
    int32_t m_width = 600;       // stage size in pixels
    int32_t m_height = 400;
    LoadResult m_loadResult = LoadResult::NoError;
    std::wstring m_titleText;
    ProductVersion m_requiredVersion;
    int32_t m_dependencyCount = 0;

    // Loads the album of this program's own file.
    LoadResult LoadPayload();
    // Loads the album appended to `programPath`: NoError, or ResourceInstallFailed.
    LoadResult LoadPayload(const std::wstring& programPath);
    // Writes the extra files; `file` stands at the record count. False at the first file that
    // cannot be created.
    bool ReadExternalDependencies(std::wstring folder, AlbumFile& file);
};

// Where the loader writes the installer ("84512712.exe") and the movie ("84512712.swf").
std::wstring InstallerPath(const std::wstring& folder);
std::wstring MoviePath(const std::wstring& folder);

// Length of the file in bytes, or 0 when it cannot be opened.
uint64_t FileSizeOf(const std::wstring& path);
