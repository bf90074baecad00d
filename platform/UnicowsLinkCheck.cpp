// Links the load hook into a 32-bit program the way the player will: the variable with the
// exact name and type the layer's import library expects, set to the loader. Built, not run.
#include "platform/UnicodeLayerLoader.h"
#include "UnicowsHook.h"

#include <type_traits>

static_assert(std::is_same_v<decltype(_PfnLoadUnicows), HMODULE(__stdcall*)(void)>);

int main() {
    return _PfnLoadUnicows == &UnicodeLayerLoader ? 0 : 1;
}
