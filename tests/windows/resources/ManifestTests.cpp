// The manifests of the player and of the installer, read by the system's own activation-context
// code: what rights each asks for, the common controls it binds, and its display-scale setting.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "ResourceModule.h"

namespace {

struct ActivationContextTraits {
    void operator()(HANDLE context) const { ::ReleaseActCtx(context); }
};
using ActivationContext = std::unique_ptr<void, ActivationContextTraits>;

// The activation context the system makes from a program's manifest; null when it has none or
// the manifest does not parse.
ActivationContext ContextOf(const std::wstring& program) {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    const HANDLE context = ::CreateActCtxW(&request);
    return ActivationContext(context == INVALID_HANDLE_VALUE ? nullptr : context);
}

ACTCTX_REQUESTED_RUN_LEVEL RunLevelOf(HANDLE context) {
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION info{};
    SIZE_T needed = 0;
    if (!::QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &info, sizeof info, &needed))
        return ACTCTX_RUN_LEVEL_UNSPECIFIED;
    return info.RunLevel;
}

// The text of one <windowsSettings> entry, empty when absent.
std::wstring WindowsSetting(HANDLE context, const wchar_t* schema, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!::QueryActCtxSettingsW(0, context, schema, name, value, std::size(value), &written))
        return L"";
    return value;
}

// Whether the context binds version 6 of the common controls.
bool BindsCommonControlsSix(HANDLE context) {
    for (DWORD index = 1;; ++index) {
        SIZE_T needed = 0;
        ::QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
        if (needed == 0)
            return false;
        auto buffer = std::make_unique<unsigned char[]>(needed);
        auto* assembly = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.get());
        if (!::QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, assembly, needed,
                            &needed))
            return false;
        const std::wstring identity =
            assembly->lpAssemblyEncodedAssemblyIdentity ? assembly->lpAssemblyEncodedAssemblyIdentity : L"";
        if (identity.find(L"Microsoft.Windows.Common-Controls") != std::wstring::npos)
            return identity.find(L"version=\"6.") != std::wstring::npos;
    }
}

const wchar_t kSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const wchar_t kSettings2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";

std::wstring InstallerPath() {
    return ToWindowsPath(L"" DOVETTA_INSTALLER_MODULE);
}

}  // namespace

TEST(PlayerManifest, RunsAsInvokerWithCommonControlsSixUnawareOfScale) {
    const ActivationContext context = ContextOf(ResourceModulePath());
    ASSERT_TRUE(context) << "no manifest the system accepts, error " << ::GetLastError();
    EXPECT_EQ(RunLevelOf(context.get()), ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_TRUE(BindsCommonControlsSix(context.get()));
    EXPECT_EQ(WindowsSetting(context.get(), kSettings2005, L"dpiAware"), L"false");
    EXPECT_EQ(WindowsSetting(context.get(), kSettings2016, L"dpiAwareness"), L"unaware");
}

TEST(InstallerManifest, AsksForAnAdministrator) {
    const ActivationContext context = ContextOf(InstallerPath());
    ASSERT_TRUE(context) << "no manifest the system accepts, error " << ::GetLastError();
    EXPECT_EQ(RunLevelOf(context.get()), ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
}
