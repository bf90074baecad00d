// The names a movie may load files by: only paths inside its own folder.
#include <gtest/gtest.h>

#include "playback/LocalFile.h"

namespace playback {
namespace {

struct NameCase {
    const char* url;
    const char* path;  // null: names no file in the folder
};

TEST(LocalFile, OnlyRelativePathsInsideTheFolderNameAFile) {
    const NameCase cases[] = {
        {"child.swf", "child.swf"},
        {"child.swf?a=1&b=2", "child.swf"},
        {"data/vars.txt#top", "data/vars.txt"},
        {"./data\\vars.txt", "data/vars.txt"},
        {"a//b.txt", "a/b.txt"},
        {"", nullptr},
        {"?a=1", nullptr},
        {"../secret.txt", nullptr},
        {"data/../../secret.txt", nullptr},
        {"/etc/passwd", nullptr},
        {"\\\\server\\share\\x.swf", nullptr},
        {"C:\\movies\\x.swf", nullptr},
        {"file:///tmp/x.swf", nullptr},
        {"http://example.com/x.swf", nullptr},
    };
    for (const NameCase& c : cases) {
        const auto path = LocalFilePath(c.url);
        if (c.path) {
            ASSERT_TRUE(path) << c.url;
            EXPECT_EQ(*path, c.path) << c.url;
        } else {
            EXPECT_FALSE(path) << c.url;
        }
    }
}

}  // namespace
}  // namespace playback
