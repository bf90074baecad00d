// Removal of the run's working folder at exit, best effort.
#pragma once

#include <string>

// Empties the folder depth first; leaves the folder itself. False when it could not be listed
// or the path is 3 units or shorter (a drive root is never emptied).
bool RemoveFolderTree(std::wstring path);

// Empties the folder and removes it. Always true; failures are ignored.
bool RemoveFolder(std::wstring path);
