#include "GuiDriver.h"

#include <gtest/gtest.h>

#include <cwchar>

#include <tlhelp32.h>

RunningProgram::RunningProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                               const std::vector<std::wstring>& environment) {
    // The child's environment: ours, with the given entries replacing those of the same name.
    std::vector<std::wstring> entries;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1)
            entries.emplace_back(p);
        ::FreeEnvironmentStringsW(block);
    }
    for (const std::wstring& entry : environment) {
        const std::wstring name = entry.substr(0, entry.find(L'=') + 1);
        std::erase_if(entries,
                      [&](const std::wstring& e) { return _wcsnicmp(e.c_str(), name.c_str(), name.size()) == 0; });
        entries.push_back(entry);
    }
    std::wstring block;
    for (const std::wstring& e : entries)
        block += e + L'\0';
    block += L'\0';

    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                         block.data(), folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        ::CloseHandle(info.hThread);
        m_process.reset(info.hProcess);
        m_processId = info.dwProcessId;
    }
}

RunningProgram::~RunningProgram() {
    if (Running()) {
        Kill();
        ADD_FAILURE() << "the program was still running at the end of the test and was killed";
    }
}

std::optional<DWORD> RunningProgram::WaitForExit(DWORD timeoutMs) {
    if (!m_process || ::WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.get(), &code);
    return code;
}

bool RunningProgram::Running() const {
    return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

void RunningProgram::Kill() {
    if (m_process) {
        ::TerminateProcess(m_process.get(), 99);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

std::optional<DWORD> RunToEnd(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
    RunningProgram program(exe, arguments, L"");
    if (!program.Started())
        return std::nullopt;
    std::optional<DWORD> code = program.WaitForExit(timeoutMs);
    if (!code)
        program.Kill();
    return code;
}

namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !::IsWindowVisible(window))
        return TRUE;
    if (search.className && ClassName(window) != search.className)
        return TRUE;
    if (search.caption && WindowText(window) != search.caption)
        return TRUE;
    search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, const wchar_t* caption) {
    Search search{processId, className, caption, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const wchar_t* className, const wchar_t* caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> windows = TopLevelWindows(processId, className, caption);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(25);
    }
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = L"";
    ::GetClassNameW(window, name, 256);
    return name;
}

RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

RECT WorkArea(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

std::wstring MessageBoxText(HWND box) {
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

void PressButton(HWND dialog, int buttonId) {
    if (HWND button = ::GetDlgItem(dialog, buttonId))
        ::PostMessageW(button, BM_CLICK, 0, 0);
    else
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

bool SaveWindowImage(HWND window, const std::wstring& bmpPath) {
    const RECT r = WindowRect(window);
    const int w = Width(r), h = Height(r);
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (DWORD(w) * 3 + 3) & ~3u;
    std::string pixels(size_t(stride) * h, '\0');
    ::GetDIBits(memory, bitmap, 0, UINT(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    UniqueFileHandle out(::CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return out && ::WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           ::WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
           ::WriteFile(out.get(), pixels.data(), DWORD(pixels.size()), &written, nullptr);
}

std::wstring ModulePathIn(DWORD processId, const std::wstring& name) {
    UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot)
        return L"";
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Module32FirstW(snapshot.get(), &entry); more; more = ::Module32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szModule, name.c_str()) == 0)
            return entry.szExePath;
    return L"";
}
