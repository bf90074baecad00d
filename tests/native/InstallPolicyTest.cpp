// When the installer replaces the installed movie control: never with an older one.
#include "InstallPolicy.h"

#include <gtest/gtest.h>

namespace {

struct PolicyCase {
    const char* name;
    std::optional<ProductVersion> installed;
    bool replace;
};

TEST(InstallPolicy, ANewerControlStaysEverythingElseIsReplaced) {
    const ProductVersion carried{32, 0, 0, 465};
    const PolicyCase cases[] = {
        {"none installed", std::nullopt, true},
        {"older major", ProductVersion{10, 2, 0, 1}, true},
        {"older build", ProductVersion{32, 0, 0, 464}, true},
        {"the same", ProductVersion{32, 0, 0, 465}, true},
        {"newer build", ProductVersion{32, 0, 0, 466}, false},
        {"newer minor", ProductVersion{32, 1, 0, 0}, false},
        {"newer major", ProductVersion{33, 0, 0, 0}, false},
    };
    for (const PolicyCase& c : cases) {
        EXPECT_EQ(ShouldReplaceControl(c.installed, carried), c.replace) << c.name;
    }
}

}  // namespace
