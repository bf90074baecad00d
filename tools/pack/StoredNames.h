// The rules for the names of an album's extra files, as the tool applies them when it builds and
// when it extracts: a safe plain file name, not the installer's or the movie's, no duplicate.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pack {

// Why `name` cannot be used beside the names `earlier` in the same album, or "" when it can.
std::string StoredNameProblem(std::u16string_view name, const std::vector<std::u16string>& earlier);

}  // namespace pack
