// The class object that makes movie controls.
#pragma once

#include <unknwn.h>

namespace control {

// The module's one class factory (static: its reference count does not govern its life).
IClassFactory& MovieControlFactory() noexcept;

}  // namespace control
