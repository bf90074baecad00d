// Movie files for the control tests, written into a scratch folder that is removed afterwards.
// (The movies and streams themselves are portable: ControlSamples.h.)
#pragma once

#include "ControlSamples.h"

#include <cstdint>
#include <string>
#include <vector>

namespace controltest {

// A folder under %TEMP% made for one test and removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    const std::wstring& Path() const { return m_path; }
    // Writes `bytes` to a file of that name in the folder and returns its full path.
    std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const;
    std::wstring PathOf(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

}  // namespace controltest
