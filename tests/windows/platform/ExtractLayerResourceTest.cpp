// ExtractLayerResource: the carried library reaches the disk whole, or the call says it did not.
#include "platform/Handles.h"
#include "platform/UnicodeLayerLoader.h"
#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace platform_test;

namespace {

// The library is carried as the layer's loader asks for it: type "UNICOW" (type names match
// whatever their case), id 131, language 1033.
TEST(ExtractLayerResource, LibraryIsCarriedUnderItsTypeIdAndLanguage) {
    EXPECT_NE(FindResourceExA(nullptr, "UNICOW", MAKEINTRESOURCEA(131), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);
    EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(131), "unicow"), nullptr);
}

TEST(ExtractLayerResource, WritesTheCarriedLibraryByteForByteAndItLoads) {
    ScratchFolder scratch;
    const std::string carried = CarriedLayerBytes();
    ASSERT_GT(carried.size(), 1024u) << "the test program carries no layer library";
    const std::string path = scratch / "unicows.dll";

    ASSERT_TRUE(ExtractLayerResource(kLayerResourceId, path.c_str()));

    const std::string written = ReadFileBytes(path);
    EXPECT_EQ(written.size(), carried.size());
    EXPECT_TRUE(written == carried);
    UniqueModule layer(LoadLibraryA(path.c_str()));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(IsStandInLayer(layer.get()));
}

TEST(ExtractLayerResource, ReplacesAnExistingLongerFile) {
    ScratchFolder scratch;
    const std::string carried = CarriedLayerBytes();
    const std::string path = scratch / "unicows.dll";
    WriteFileBytes(path, std::string(carried.size() + 4096, 'x'));

    ASSERT_TRUE(ExtractLayerResource(kLayerResourceId, path.c_str()));

    EXPECT_TRUE(ReadFileBytes(path) == carried);
}

TEST(ExtractLayerResource, UnknownResourceGivesFalseAndNoFile) {
    ScratchFolder scratch;
    const std::string path = scratch / "unicows.dll";

    EXPECT_FALSE(ExtractLayerResource(kLayerResourceId + 1, path.c_str()));

    EXPECT_FALSE(IsFile(path));
}

// Paths the file cannot be created at. Each case prepares the scratch folder and says what
// must still be there afterwards: a refused creation must neither report success nor touch
// what is in the way.
struct Uncreatable {
    const char* name;
    const char* relativePath;
    std::function<void(const std::string& path)> prepare;
    std::function<bool(const std::string& path)> untouched;
};

TEST(ExtractLayerResource, PathThatCannotBeCreatedGivesFalse) {
    const Uncreatable cases[] = {
        {"folder missing", "missing\\unicows.dll", [](const std::string&) {},
         [](const std::string& path) { return !IsFile(path); }},
        {"a folder in the way", "unicows.dll", [](const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); },
         [](const std::string& path) { return IsFolder(path); }},
        {"wildcard in the name", "uni*cows.dll", [](const std::string&) {},
         [](const std::string& path) { return !IsFile(path); }},
    };
    for (const Uncreatable& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        const std::string path = scratch / c.relativePath;
        c.prepare(path);

        EXPECT_FALSE(ExtractLayerResource(kLayerResourceId, path.c_str()));

        EXPECT_TRUE(c.untouched(path));
    }
}

// A file held open by someone who does not share writing: creation is refused, and the file
// that is there keeps its contents.
TEST(ExtractLayerResource, FileInUseGivesFalseAndKeepsItsContents) {
    ScratchFolder scratch;
    const std::string path = scratch / "unicows.dll";
    const std::string old(3000, 'o');
    WriteFileBytes(path, old);
    UniqueFileHandle holder(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);

    EXPECT_FALSE(ExtractLayerResource(kLayerResourceId, path.c_str()));

    holder.reset();
    EXPECT_TRUE(ReadFileBytes(path) == old);
}

}  // namespace
