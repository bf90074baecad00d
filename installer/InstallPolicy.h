// Whether the installer puts its control in place of the one installed. Portable.
#pragma once

#include "version/ProductVersion.h"

#include <optional>

// The carried control replaces a missing one, an older one and one of the same version (which
// repairs a damaged install); a newer control stays. `installed` is nullopt when no control is
// installed or its version cannot be read (a broken file is replaced).
inline bool ShouldReplaceControl(const std::optional<ProductVersion>& installed, const ProductVersion& carried) {
    return !installed || *installed <= carried;
}
