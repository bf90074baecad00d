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

// `folder` + "\" + `name` in the form the system takes literally ("\\?\" before the full path of
// the folder): a name ending in a dot or a space keeps it, and no part of the name is read as
// a device. The folder itself is made a full path first, as the system would; empty when the
// system cannot make it one.
std::wstring LiteralPath(const std::wstring& folder, const std::wstring& name);

// Whether the system would alter `name` when it is joined to a folder in the usual form (it
// strips a trailing dot or space), so that only LiteralPath reaches the entry of that name.
bool NeedsLiteralPath(const std::wstring& name);
