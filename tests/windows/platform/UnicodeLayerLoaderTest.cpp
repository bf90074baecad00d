// UnicodeLayerLoader, the layer's load hook: writes the carried library below TempBaseA() and
// hands back the module it loaded from there, or null - never some other file's module.
#include "platform/Handles.h"
#include "platform/UnicodeLayerLoader.h"
#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

using namespace platform_test;

namespace {

// TMP names the relative folder "layer" in a scratch folder that is the current directory, so
// the hook's target is <scratch>\layer\unicows.dll.
class UnicodeLayerLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA(m_layerFolder.c_str(), nullptr));
        ASSERT_TRUE(m_cwd.changed());
    }

    ScratchFolder m_scratch;
    const std::string m_layerFolder = m_scratch / "layer";
    const std::string m_target = m_layerFolder + "\\unicows.dll";
    CurrentDirectoryOverride m_cwd{m_scratch.path()};
    EnvironmentOverride m_tmp{"TMP", "layer"};
};

TEST_F(UnicodeLayerLoaderTest, LoadsTheLibraryItWroteBelowTheBase) {
    ASSERT_EQ(TempBaseA(), "layer");

    UniqueModule layer(UnicodeLayerLoader());

    ASSERT_TRUE(layer);
    EXPECT_EQ(ModulePath(layer.get()), m_target);
    EXPECT_TRUE(IsStandInLayer(layer.get()));
    EXPECT_TRUE(ReadFileBytes(m_target) == CarriedLayerBytes());
}

TEST_F(UnicodeLayerLoaderTest, ReplacesAnExistingFileAtTheTarget) {
    WriteFileBytes(m_target, std::string(CarriedLayerBytes().size() + 4096, 'x'));

    UniqueModule layer(UnicodeLayerLoader());

    ASSERT_TRUE(layer);
    EXPECT_TRUE(IsStandInLayer(layer.get()));
    layer.reset();
    EXPECT_TRUE(ReadFileBytes(m_target) == CarriedLayerBytes());
}

TEST_F(UnicodeLayerLoaderTest, TargetThatCannotBeCreatedGivesNullAndLoadsNothing) {
    ASSERT_TRUE(CreateDirectoryA(m_target.c_str(), nullptr));

    UniqueModule layer(UnicodeLayerLoader());

    EXPECT_FALSE(layer);

    EXPECT_EQ(GetModuleHandleA(m_target.c_str()), nullptr);
    EXPECT_TRUE(IsFolder(m_target));
}

// The fault this guards against: when the file could not be created, the hook used to report
// the extraction as done and load whatever library already lay at the path. Here a loadable
// copy lies there, held open by someone who does not share writing.
TEST_F(UnicodeLayerLoaderTest, DoesNotLoadALibraryLeftAtATargetItCannotWrite) {
    ASSERT_TRUE(ExtractLayerResource(kLayerResourceId, m_target.c_str()));
    UniqueFileHandle holder(CreateFileA(m_target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    {
        UniqueModule stale(LoadLibraryA(m_target.c_str()));
        ASSERT_TRUE(stale) << "the copy left at the target must be loadable for this test";
    }
    ASSERT_EQ(GetModuleHandleA(m_target.c_str()), nullptr);

    UniqueModule layer(UnicodeLayerLoader());

    EXPECT_FALSE(layer);
    EXPECT_EQ(GetModuleHandleA(m_target.c_str()), nullptr);
}

// At the runtime's start-up no TMP is seen: the base is empty and the library goes to the root
// of the current drive (C: of the test prefix here).
TEST(UnicodeLayerLoaderRoot, WithoutTmpWritesToTheRootOfTheCurrentDrive) {
    ScratchFolder scratch;
    CurrentDirectoryOverride cwd(scratch.path());
    ASSERT_TRUE(cwd.changed());
    EnvironmentOverride tmp("TMP", std::nullopt);
    const std::string target = "C:\\unicows.dll";
    FileRemovedAtExit removeTarget(target);
    WriteFileBytes(target, "left by an earlier run");

    UniqueModule layer(UnicodeLayerLoader());

    ASSERT_TRUE(layer);
    EXPECT_EQ(ModulePath(layer.get()), target);
    EXPECT_TRUE(IsStandInLayer(layer.get()));
    layer.reset();
    EXPECT_TRUE(ReadFileBytes(target) == CarriedLayerBytes());
}

// With the root of the current drive unreachable, the target is .\unicows.dll in a current
// directory that cannot be reached either: nothing is written and nothing loaded.
TEST(UnicodeLayerLoaderRoot, GivesNullWhenNeitherRootNorCurrentDirectoryCanBeReached) {
    EnvironmentOverride tmp("TMP", std::nullopt);
    UnreachableCurrentRoot root;
    if (!root.driveAvailable())
        GTEST_SKIP() << "needs drive U: from the ctest fixture layer_test_drive";
    ASSERT_TRUE(root.rootUnreachable());
    ASSERT_EQ(TempBaseA(), ".");

    UniqueModule layer(UnicodeLayerLoader());

    EXPECT_FALSE(layer);
}

}  // namespace
