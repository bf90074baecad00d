// Movie files for the control tests, written into a scratch folder that is removed afterwards.
#pragma once

#include "movie/SwfWriter.h"

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

    const std::wstring& Path() const { return path_; }
    // Writes `bytes` to a file of that name in the folder and returns its full path.
    std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const;
    std::wstring PathOf(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A movie's stage and look: `width` x `height` pixels, background `colour`, `frames` frames.
movie::SwfSpecimen Specimen(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue,
                            uint16_t frames = 1, double frameRate = 12.0);

// The persisted property stream the player template carries (170 bytes).
const std::vector<uint8_t>& PlayerPropertyStream();

// The same stream with the scale setting's text replaced (other lengths change the size).
std::vector<uint8_t> PropertyStreamWithScale(const std::u16string& scale);

}  // namespace controltest
