// Puts the movie control in place and registers it, or takes it away again.
#pragma once

#include <string>

enum class SetupResult {
    Done = 0,            // installed (or removed)
    Declined = 1,        // the user answered No
    WriteFailed = 2,     // the control file could not be written in place
    RegisterFailed = 3,  // the control was written but did not register (or unregister)
    Usage = 4,           // unknown parameters
};

// Writes `image` (the control's file) to `target`: first to a temporary name in the same
// folder, then moved over the target, so a failed install never leaves a half-written control.
// Creates the folders up to the target's folder when missing.
SetupResult InstallControlFile(const std::wstring& target, const void* image, size_t size);

// Calls the module's DllRegisterServer (or DllUnregisterServer).
SetupResult RegisterControl(const std::wstring& path, bool unregister);

// Unregisters and deletes the control, then removes its folders when they are empty.
SetupResult UninstallControl(const std::wstring& target);
