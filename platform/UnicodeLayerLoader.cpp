// The layer's load hook. Called by the layer in the middle of binding a wide function, so it
// uses narrow functions only and lets no exception escape.
#include "platform/UnicodeLayerLoader.h"

namespace {

// The absolute form of path, so that loading takes exactly the file just written: a relative
// path with a separator would otherwise go through the library search, which looks in the
// program's folder first.
std::string FullPathA(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return std::string();
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);  // too small: length is the size needed, zero included
    }
}

}  // namespace

HMODULE __stdcall UnicodeLayerLoader() noexcept {
    try {
        const std::string path = FullPathA(TempBaseA() + "\\" + kLayerFileName);
        if (path.empty() || !ExtractLayerResource(kLayerResourceId, path.c_str()))
            return nullptr;
        return LoadLibraryA(path.c_str());
    } catch (...) {
        return nullptr;  // out of memory: the layer falls back to its own search
    }
}
