// Shows the thread's last system error to the user.
#include "diagnostics/Diagnostics.h"

#include "platform/Handles.h"

#include <windows.h>

#include <cwchar>

namespace {

// FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM
constexpr DWORD kFormatFlags = 0x1300;
// MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT): the user's default language
constexpr DWORD kUserDefaultLanguage = 0x400;
// MB_OK | MB_ICONINFORMATION
constexpr UINT kBoxStyle = 0x40;

void ShowError(const wchar_t* text) {
    DebugTrace(std::wstring(L"Error msg = ") + text);
    MessageBoxW(nullptr, text, L"Error", kBoxStyle);
}

}  // namespace

void ReportLastError() {
    const DWORD code = GetLastError();
    if (code == 0)
        return;

    UniqueLocalMemory<wchar_t> systemText;
    const DWORD length = FormatMessageW(kFormatFlags, nullptr, code, kUserDefaultLanguage,
                                        reinterpret_cast<wchar_t*>(systemText.put()), 0, nullptr);
    if (length != 0 && systemText.get()) {
        ShowError(systemText.get());
        return;
    }

    wchar_t missing[64];
    std::swprintf(missing, sizeof missing / sizeof missing[0], L"Error message 0x%lx not found",
                  static_cast<unsigned long>(code));
    ShowError(missing);
}
