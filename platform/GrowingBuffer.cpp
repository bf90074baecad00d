#include "platform/GrowingBuffer.h"

std::wstring ModuleFileName(HMODULE module) {
    return FillGrowingBuffer<wchar_t>(
        [module](wchar_t* buffer, DWORD capacity) { return ::GetModuleFileNameW(module, buffer, capacity); });
}
