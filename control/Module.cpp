// The in-process server's entry points: DllMain and the four exports named in MovieControl.def.
#include "ClassFactory.h"
#include "control/ControlGuids.h"
#include "ModuleRefs.h"
#include "Registration.h"
#include "StageWindow.h"

#include <windows.h>

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary while the process goes on: a class left behind would point
        // at code that is gone.
        control::StageWindow::UnregisterWindowClass();
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kMovieControlClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return control::MovieControlFactory().QueryInterface(iid, object);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return control::ModuleInUse() ? S_FALSE : S_OK;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    return control::RegisterMovieControl(g_module);
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    return control::UnregisterMovieControl(g_module);
}
