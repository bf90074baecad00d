// The application object: the program defines one static object of a class derived from
// CWinApp; the framework's entry point runs it.
//
//     InitInstance()  -- true: run the message loop (Run), then ExitInstance
//                     -- false: ExitInstance at once
//     ExitInstance()  -- its result is the process's exit code
#pragma once

#include "framework/CmdTarget.h"
#include "framework/Resources.h"

#include <windows.h>

#include <string>

class CWnd;

// The framework's help command.
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

class CWinApp : public CCmdTarget {
public:
    // Registers the object as the application. Without a name the application is named
    // after the program file, without its folder and extension.
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Takes and dispatches messages until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    // The base returns the exit code of the message loop's WM_QUIT, or 0 when no loop ran.
    virtual int ExitInstance();

    // The window the application treats as its main one: the in-place active window if there
    // is one, else m_pMainWnd, else the thread's active window.
    virtual CWnd* GetMainWnd();

    // Kept for the call site: the system draws dialog controls in three dimensions by itself.
    BOOL Enable3dControlsStatic() { return TRUE; }

    // The ID_HELP command: no help file comes with the program.
    void OnHelp() {}

    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_lpCmdLine = L"";
    int m_nCmdShow = SW_SHOWNORMAL;
    std::wstring m_appName;
    CWnd* m_pMainWnd = nullptr;
    CWnd* m_pActiveWnd = nullptr;  // an in-place active window; this framework sets none

protected:
    DECLARE_MESSAGE_MAP()

private:
    int m_quitCode = 0;
};

// The application object, or null when the program defines none.
CWinApp* AfxGetApp();
// The application's main window as GetMainWnd reports it; null without an application.
CWnd* AfxGetMainWnd();
// The application's name (the program file's name without extension when there is no app).
std::wstring AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();

// Lets dialogs host ActiveX controls: initialises OLE on this thread, once.
void AfxEnableControlContainer();
// Undoes AfxEnableControlContainer; the entry point calls it after ExitInstance.
void AfxOleTerm();

// The body of the program's entry point: runs the application object.
int AfxWinMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand);
