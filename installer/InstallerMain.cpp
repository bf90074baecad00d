// MovieControlSetup: installs the movie control the player hosts.
//   MovieControlSetup /Q    install silently
//   MovieControlSetup       ask first, then install
//   MovieControlSetup /U    remove the control silently
//   MovieControlSetup /?    show the usage and the exit codes
#include "flashcheck/ModuleVersion.h"
#include "CarriedImage.h"
#include "ControlInstall.h"
#include "InstallPolicy.h"
#include "InstallerResources.h"
#include "control/MovieControlIds.h"
#include "platform/Handles.h"
#include "utf/Utf.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Movie Control Setup";

// Far more than the control needs; an archive that claims more is broken.
constexpr size_t kMaxControlBytes = size_t(64) << 20;

const wchar_t kUsage[] =
    L"Usage: MovieControlSetup [/Q | /U | /?]\r\n"
    L"Installs the Dovetta movie control as <system folder>\\Macromed\\Flash\\flash.ocx and registers it,\r\n"
    L"unless a newer control is installed there.\r\n"
    L"  (none)  ask, then install\r\n"
    L"  /Q      install without asking\r\n"
    L"  /U      unregister and remove the control\r\n"
    L"  /?      show this text\r\n"
    L"Exit codes: 0 done, 1 declined by the user, 2 the control file could not be written,\r\n"
    L"3 the control did not register, 4 unknown parameters.\r\n";

enum class Action { AskThenInstall, Install, Uninstall, Usage, Unknown };

Action ActionFromArguments() {
    int count = 0;
    const UniqueLocalMemory<LPWSTR> argsOwner(::CommandLineToArgvW(::GetCommandLineW(), &count));
    LPWSTR* args = argsOwner.get();
    Action action = count <= 1 ? Action::AskThenInstall : Action::Unknown;
    if (count == 2) {
        const std::wstring arg = args[1];
        if (::lstrcmpiW(arg.c_str(), L"/Q") == 0)
            action = Action::Install;
        else if (::lstrcmpiW(arg.c_str(), L"/U") == 0)
            action = Action::Uninstall;
        else if (arg == L"/?" || arg == L"-h" || arg == L"--help")
            action = Action::Usage;
    }
    return action;
}

// Writes the text to the console the program was started from, or shows it in a box.
void ShowText(const wchar_t* text, UINT style) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
        const std::string utf8 = utf::Utf8FromWide(text);
        DWORD written = 0;
        if (::WriteFile(out, utf8.data(), DWORD(utf8.size()), &written, nullptr))
            return;
    }
    ::MessageBoxW(nullptr, text, kTitle, style);
}

// The version of the control at `path`, or nullopt when there is none (or it has no version).
std::optional<ProductVersion> InstalledVersion(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    ModuleVersion module;
    if (!module.Load(path))
        return std::nullopt;
    return module.FileVersion();
}

SetupResult Install() {
    const std::wstring target = FlashOcxPath();
    constexpr ProductVersion kCarried{MOVIE_CONTROL_VERSION_MAJOR, MOVIE_CONTROL_VERSION_MINOR,
                                      MOVIE_CONTROL_VERSION_RELEASE, MOVIE_CONTROL_VERSION_BUILD};
    // A newer control is left as it is: it plays what this one plays, and more.
    if (!ShouldReplaceControl(InstalledVersion(target), kCarried))
        return SetupResult::Done;
    const HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_CONTROL_IMAGE), RT_RCDATA);
    const HGLOBAL loaded = info ? ::LoadResource(nullptr, info) : nullptr;
    const void* archive = loaded ? ::LockResource(loaded) : nullptr;
    if (!archive)
        return SetupResult::WriteFailed;
    const std::optional<std::vector<uint8_t>> image =
        UnpackCarriedImage(static_cast<const uint8_t*>(archive), ::SizeofResource(nullptr, info), kMaxControlBytes);
    if (!image)
        return SetupResult::WriteFailed;
    const SetupResult written = InstallControlFile(target, image->data(), image->size());
    if (written != SetupResult::Done)
        return written;
    return RegisterControl(target, false);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    switch (ActionFromArguments()) {
    case Action::Install:
        return int(Install());
    case Action::Uninstall:
        return int(UninstallControl(FlashOcxPath()));
    case Action::Usage:
        ShowText(kUsage, MB_OK | MB_ICONINFORMATION);
        return int(SetupResult::Done);
    case Action::Unknown:
        ShowText(kUsage, MB_OK | MB_ICONWARNING);
        return int(SetupResult::Usage);
    case Action::AskThenInstall:
        break;
    }
    if (::MessageBoxW(nullptr, L"Install the Dovetta movie control on this computer?", kTitle,
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return int(SetupResult::Declined);
    const SetupResult result = Install();
    ::MessageBoxW(
        nullptr,
        result == SetupResult::Done ? L"The movie control is installed." : L"The movie control could not be installed.",
        kTitle, MB_OK | (result == SetupResult::Done ? MB_ICONINFORMATION : MB_ICONERROR));
    return int(result);
}
