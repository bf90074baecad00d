#include "StoredNames.h"

#include "payload/AlbumFormat.h"
#include "payload/AlbumNames.h"
#include "Quoted.h"

namespace pack {

std::string StoredNameProblem(std::u16string_view name, const std::vector<std::u16string>& earlier) {
    if (const char* problem = album::NameProblem(name))
        return problem;
    if (album::SameFileName(name, album::kInstallerFileName))
        return "the installer is stored under this name";
    if (album::SameFileName(name, album::kMovieFileName))
        return "the movie is stored under this name";
    for (size_t i = 0; i < earlier.size(); ++i) {
        if (album::SameFileName(name, earlier[i])) {
            return "the same file name as extra file " + std::to_string(i + 1) + " " + Quoted(earlier[i]);
        }
    }
    return {};
}

}  // namespace pack
