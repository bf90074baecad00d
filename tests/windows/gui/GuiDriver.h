// Drives the built programs from outside, as a person would: start a program, find its windows,
// read their rectangles and texts, press buttons. Every wait has a bound.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A program started for a test. A program still running when the object goes is killed, and the
// test is told so: a stuck program is a failure, never a hang.
class RunningProgram {
public:
    // Starts `exe` with `arguments` in `folder`, with `environment` entries ("NAME=value")
    // replacing or adding to this process's environment.
    RunningProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                   const std::vector<std::wstring>& environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return bool(m_process); }
    DWORD ProcessId() const { return m_processId; }
    // The exit code, or nullopt when the program has not ended within the time.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    bool Running() const;
    void Kill();

private:
    UniqueKernelHandle m_process;
    DWORD m_processId = 0;
};

// Runs a console program to its end (bounded) and gives its exit code, or nullopt if it hung.
std::optional<DWORD> RunToEnd(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 60000);

// Visible top-level windows of the process whose class and (when given) caption match.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className = nullptr,
                                  const wchar_t* caption = nullptr);
// Waits for the first such window; null after the time.
HWND WaitForWindow(DWORD processId, const wchar_t* className, const wchar_t* caption, DWORD timeoutMs);
// Waits until `condition` holds; false after the time.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
RECT WindowRect(HWND window);
int Width(const RECT& r);
int Height(const RECT& r);
RECT WorkArea(HWND window);
// The text of the message box's static text control (id 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Presses a button of a dialog or message box (BM_CLICK posted, so a modal loop may start).
void PressButton(HWND dialog, int buttonId);

// The full path of the module `name` ("comctl32.dll") loaded in the process; empty when none is.
std::wstring ModulePathIn(DWORD processId, const std::wstring& name);

// Saves the screen area of the window as a BMP file (for the closing notes and for people).
bool SaveWindowImage(HWND window, const std::wstring& bmpPath);
