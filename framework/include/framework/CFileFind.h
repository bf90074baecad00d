// Enumerates the entries that match a pattern, one entry ahead, so the entry in hand can be
// deleted without disturbing the enumeration.
//
//     CFileFind finder;
//     bool more = finder.FindFile(folder + L"\\*.*");
//     while (more) {
//         more = finder.FindNextFile();   // the entry in hand is the one found before
//         ... finder.GetFilePath() ...
//     }
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <string>

class CFileFind {
public:
    CFileFind() = default;
    CFileFind(CFileFind&& other) noexcept;
    CFileFind& operator=(CFileFind&& other) noexcept;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts an enumeration; false when nothing matches or the folder cannot be listed.
    // Any earlier enumeration is closed first. No entry is in hand until FindNextFile.
    bool FindFile(const std::wstring& pattern);

    // Puts the entry read ahead in hand and reads the next one. True when one more follows.
    bool FindNextFile();

    // Ends the enumeration early; also done by the destructor.
    void Close();

    // The entry in hand.
    DWORD GetAttributes() const { return m_found.dwFileAttributes; }
    bool IsDirectory() const { return (GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // A junction or a symbolic link: the entry is the link, not what it points to.
    bool IsReparsePoint() const { return (GetAttributes() & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    // The folder entries "." and "..".
    bool IsDots() const;
    std::wstring GetFileName() const { return m_found.cFileName; }
    // The pattern's folder made absolute, a separator, and the entry's name.
    std::wstring GetFilePath() const;
    // The pattern's folder made absolute.
    const std::wstring& GetRoot() const { return m_root; }

private:
    UniqueFindHandle m_find;
    WIN32_FIND_DATAW m_ahead{};
    WIN32_FIND_DATAW m_found{};
    bool m_haveAhead = false;
    std::wstring m_root;
};
