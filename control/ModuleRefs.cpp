#include "ModuleRefs.h"

#include <windows.h>

namespace control {
namespace {
LONG g_moduleRefs = 0;
}

void AddModuleRef() noexcept {
    InterlockedIncrement(&g_moduleRefs);
}
void ReleaseModuleRef() noexcept {
    InterlockedDecrement(&g_moduleRefs);
}
bool ModuleInUse() noexcept {
    return InterlockedCompareExchange(&g_moduleRefs, 0, 0) != 0;
}

}  // namespace control
