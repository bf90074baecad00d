// dovetta-window: drives a program's windows from outside for the demo script, as a person
// would, with every wait bounded.
//   dovetta-window wait  CAPTION [TIMEOUT_MS]          waits until a window with that caption shows
//   dovetta-window wait-player CAPTION [TIMEOUT_MS]   the same, for a window hosting the movie control
//   dovetta-window press CAPTION BUTTON_ID [TIMEOUT_MS] presses a button of that dialog or box
//   dovetta-window close CAPTION [TIMEOUT_MS]          asks that window to close
// Exit status: 0 done, 1 no such window in time, 2 wrong usage.
#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

// The player window's movie control.
constexpr int kMovieControlId = 1000;

struct Search {
    const wchar_t* caption;
    bool player;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    if (::IsWindowVisible(window) && std::wcscmp(text, search.caption) == 0 &&
        (!search.player || ::GetDlgItem(window, kMovieControlId))) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForCaption(const wchar_t* caption, bool player, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        Search search{caption, player, nullptr};
        ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found || ::GetTickCount64() >= end)
            return search.found;
        ::Sleep(50);
    }
}

int Usage() {
    std::fputws(
        L"Usage: dovetta-window wait|wait-player|close CAPTION [TIMEOUT_MS]\n"
        L"       dovetta-window press CAPTION BUTTON_ID [TIMEOUT_MS]\n",
        stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return Usage();
    const std::wstring verb = argv[1];
    const bool press = verb == L"press";
    if (press && argc < 4)
        return Usage();
    const int timeoutArg = press ? 4 : 3;
    const DWORD timeoutMs = argc > timeoutArg ? DWORD(_wtoi(argv[timeoutArg])) : 30000;

    HWND window = WaitForCaption(argv[2], verb == L"wait-player", timeoutMs);
    if (!window) {
        std::fwprintf(stderr, L"dovetta-window: no window \"%ls\" within %lu ms\n", argv[2], timeoutMs);
        return 1;
    }
    if (verb == L"wait" || verb == L"wait-player")
        return 0;
    if (verb == L"close") {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (press) {
        const int id = _wtoi(argv[3]);
        if (HWND button = ::GetDlgItem(window, id))
            ::PostMessageW(button, BM_CLICK, 0, 0);
        else
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return 0;
    }
    return Usage();
}
