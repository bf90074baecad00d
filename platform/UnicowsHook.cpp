// The load hook, set at build time to the loader and never changed. Linked only into 32-bit
// programs, the only ones the layer exists for.
#include "UnicowsHook.h"
#include "platform/UnicodeLayerLoader.h"

HMODULE(__stdcall* _PfnLoadUnicows)(void) = &UnicodeLayerLoader;
