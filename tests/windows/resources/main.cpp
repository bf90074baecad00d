// Runs the resource tests against the module named at build time, or against the one
// given as --module=PATH.
#include <gtest/gtest.h>

#include <cwchar>

#include "ResourceModule.h"

namespace {

class ModuleEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_NE(ResourceModule(), nullptr) << "cannot load the module under test, error " << GetLastError();
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    constexpr wchar_t kModuleOption[] = L"--module=";
    for (int i = 1; i < argc; ++i)
        if (std::wcsncmp(argv[i], kModuleOption, std::size(kModuleOption) - 1) == 0)
            SetResourceModulePath(argv[i] + std::size(kModuleOption) - 1);
    testing::AddGlobalTestEnvironment(new ModuleEnvironment);
    return RUN_ALL_TESTS();
}
