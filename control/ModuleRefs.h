// The count of live objects and server locks that keeps the control's module loaded.
#pragma once

namespace control {

void AddModuleRef() noexcept;
void ReleaseModuleRef() noexcept;
bool ModuleInUse() noexcept;

}  // namespace control
