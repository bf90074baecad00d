// Whether an installed module carries a file version of at least a required one.
#pragma once

#include "platform/SystemLibrary.h"
#include "version/ProductVersion.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Reads the version resource of a module file through the Windows loader.
class ModuleVersion {
public:
    bool Load(const std::wstring& path);
    bool IsAtLeast(const std::wstring& path, const ProductVersion& required);
    // The file version of the module loaded last.
    ProductVersion FileVersion() const;

    const VS_FIXEDFILEINFO& FixedInfo() const { return m_fixed; }
    WORD Language() const { return m_language; }
    WORD CodePage() const { return m_codePage; }

private:
    VS_FIXEDFILEINFO m_fixed{};
    std::unique_ptr<unsigned char[]> m_data;
    WORD m_language = 0;
    WORD m_codePage = 1252;
};

bool CheckModuleVersion(const std::wstring& path, const ProductVersion& required);

// GetSystemFolder() + "\Macromed\Flash\flash.ocx": where the movie control is installed.
std::wstring FlashOcxPath();
