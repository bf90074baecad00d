// Best-effort removal of the run's working folder. Nothing is reported: whatever cannot be
// deleted stays, together with the folders above it.
#include "workspace/FolderRemoval.h"

#include "framework/CFileFind.h"
#include "workspace/ResolvedPath.h"

#include <windows.h>

namespace {

// Paths this short are a drive root ("C:\"), "\" or empty: never emptied.
constexpr size_t kShortestRemovablePath = 4;

// A junction or symbolic link is removed as the link itself and never entered, so what it
// points to - possibly outside the working folder - is left alone.
void RemoveLink(const CFileFind& entry) {
    const std::wstring path = entry.GetFilePath();
    if (entry.IsDirectory())
        RemoveDirectoryW(path.c_str());
    else
        DeleteFileW(path.c_str());
}

}  // namespace

bool RemoveFolderTree(std::wstring path) {
    if (path.size() < kShortestRemovablePath)
        return false;

    CFileFind finder;
    bool more = finder.FindFile(path + L"\\*.*");
    if (!more)
        return false;
    const std::wstring resolvedFolder = ResolvedPath(path);
    while (more) {
        // Read the next entry first: the one in hand may then be deleted safely.
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        // A name ending in a dot or a space (an album may carry one) is reached only literally.
        const std::wstring entry =
            NeedsLiteralPath(finder.GetFileName()) ? LiteralPath(path, finder.GetFileName()) : finder.GetFilePath();
        if (entry.empty())
            continue;
        if (!ResolvesInside(resolvedFolder, entry, finder.GetFileName())) {
            // A link the system follows without showing it as one (a Unix link under Wine):
            // deleting it would delete what it points to. It stays, and so does the folder.
            continue;
        }
        if (finder.IsReparsePoint()) {
            RemoveLink(finder);
        } else if (finder.IsDirectory()) {
            RemoveFolderTree(entry);
            RemoveDirectoryW(entry.c_str());
        } else {
            DeleteFileW(entry.c_str());
        }
    }
    finder.Close();
    return true;
}

bool RemoveFolder(std::wstring path) {
    RemoveFolderTree(path);
    RemoveDirectoryW(path.c_str());
    return true;
}
