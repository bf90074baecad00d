// Where the system really takes a path to, links and all.
#pragma once

#include <string>

// The full path the system resolves `path` to, the entry itself opened (a link is not followed
// where the system can tell a link from what it points to). Without the "\\?\" prefix. Empty
// when it cannot tell (the entry cannot be opened, or the system has no such call).
std::wstring ResolvedPath(const std::wstring& path);

// Whether `entry`, named `name` in a folder that resolves to `resolvedFolder`, resolves to that
// same place: false for a link the system follows without showing it as one. True when either
// side cannot be resolved, so that nothing changes where the system cannot tell.
bool ResolvesInside(const std::wstring& resolvedFolder, const std::wstring& entry, const std::wstring& name);
