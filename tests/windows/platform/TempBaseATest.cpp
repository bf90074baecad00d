// TempBaseA: the narrow working-folder base for each way "TMP" can be set, with real folders
// and the real accessibility test under Wine.
#include "platform/UnicodeLayerLoader.h"
#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace platform_test;

namespace {

std::string WithForwardSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string Repeat(const std::string& part, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += part;
    return text;
}

struct BaseCase {
    const char* name;
    std::optional<std::string> tmp;
    std::string expected;
};

// The current directory is a scratch folder on drive C: holding the folder "layer"; the test
// program's own folder lies on another drive (Z:, Wine's view of the Linux root).
TEST(TempBaseA, FollowsTmpForEveryCase) {
    ScratchFolder scratch;
    ASSERT_TRUE(CreateDirectoryA((scratch / "layer").c_str(), nullptr));
    CurrentDirectoryOverride cwd(scratch.path());
    ASSERT_TRUE(cwd.changed());
    const std::string otherDrive = ProgramFolder();  // e.g. Z:\work\...\bin
    const std::string otherDriveName = otherDrive.substr(0, otherDrive.find('\\'));
    ASSERT_EQ(otherDriveName.size(), 2u);
    ASSERT_NE(otherDriveName, "C:") << "the test program must lie on a drive other than C:";

    const std::vector<BaseCase> cases = {
        {"existing folder on another drive, forward slashes", WithForwardSlashes(otherDrive), otherDriveName},
        {"existing folder, backslashes", scratch.path(), "C:"},
        {"existing folder in double quotes", "\"" + otherDrive + "\"", otherDriveName},
        {"quotes inside the path", "C:\\\"dovetta-platform-tests\"", "C:"},
        {"unset: root of the current drive", std::nullopt, ""},
        {"set to nothing", "", ""},
        {"names nothing", scratch / "missing", ""},
        {"relative folder without separator", "layer", "layer"},
        {"relative folder that does not exist", "missing", ""},
        {"path beginning with a separator", "\\dovetta-platform-tests", ""},
        // 240 units still leave room for a name; 241 do not, and the name is the bare prefix.
        {"240 units", Repeat("./", 120), "."},
        {"241 units", Repeat("./", 120) + ".", "test.swf"},
        // Narrow calls reach no path this long, so the folder is not accessible at all.
        {"beyond the narrow path limit: root", Repeat("./", 200), ""},
    };
    for (const BaseCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentOverride tmp("TMP", c.tmp);
        EXPECT_EQ(TempBaseA(), c.expected);
    }
}

// When not even the root of the current drive can be reached, the base is the current
// directory.
TEST(TempBaseA, IsTheCurrentDirectoryWhenTheRootCannotBeReached) {
    const BaseCase cases[] = {
        {"unset", std::nullopt, "."},
        {"names nothing", "C:\\missing", "."},
    };
    for (const BaseCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentOverride tmp("TMP", c.tmp);
        UnreachableCurrentRoot root;
        if (!root.driveAvailable())
            GTEST_SKIP() << "needs drive U: from the ctest fixture layer_test_drive";
        ASSERT_TRUE(root.rootUnreachable());
        ASSERT_FALSE(IsFolder("\\"));

        EXPECT_EQ(TempBaseA(), c.expected);
    }
}

}  // namespace
