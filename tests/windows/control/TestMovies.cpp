#include "TestMovies.h"

#include "control/ControlState.h"
#include "platform/Handles.h"

#include <windows.h>

#include <stdexcept>

namespace controltest {

ScratchFolder::ScratchFolder() {
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + L"dovetta-control-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create the scratch folder");
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") DeleteFileW(PathOf(name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    const std::wstring path = PathOf(name);
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create a test movie");
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
                           written != bytes.size())) {
        throw std::runtime_error("cannot write a test movie");
    }
    return path;
}

movie::SwfSpecimen Specimen(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue,
                            uint16_t frames, double frameRate) {
    movie::SwfSpecimen specimen;
    specimen.width = width;
    specimen.height = height;
    specimen.red = red;
    specimen.green = green;
    specimen.blue = blue;
    specimen.frameCount = frames;
    specimen.frameRate = frameRate;
    return specimen;
}

// Offsets 0-15: signature, header value 0x300, extent 17939 x 13123 HIMETRIC; then the sixteen
// typed values: "", "", "", "Window", true, true, "High", "", true, "", "always", "ShowAll",
// false, false, "", "".
const std::vector<uint8_t>& PlayerPropertyStream() {
    static const std::vector<uint8_t> bytes{
    0x67, 0x55, 0x66, 0x55, 0x00, 0x03, 0x00, 0x00, 0x13, 0x46, 0x00, 0x00,
    0x43, 0x33, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x57, 0x00,
    0x69, 0x00, 0x6E, 0x00, 0x64, 0x00, 0x6F, 0x00, 0x77, 0x00, 0x00, 0x00,
    0x0B, 0x00, 0xFF, 0xFF, 0x0B, 0x00, 0xFF, 0xFF, 0x08, 0x00, 0x0A, 0x00,
    0x00, 0x00, 0x48, 0x00, 0x69, 0x00, 0x67, 0x00, 0x68, 0x00, 0x00, 0x00,
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x00, 0xFF, 0xFF,
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x0E, 0x00,
    0x00, 0x00, 0x61, 0x00, 0x6C, 0x00, 0x77, 0x00, 0x61, 0x00, 0x79, 0x00,
    0x73, 0x00, 0x00, 0x00, 0x08, 0x00, 0x10, 0x00, 0x00, 0x00, 0x53, 0x00,
    0x68, 0x00, 0x6F, 0x00, 0x77, 0x00, 0x41, 0x00, 0x6C, 0x00, 0x6C, 0x00,
    0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x08, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x00, 0x00,
    };
    return bytes;
}

std::vector<uint8_t> PropertyStreamWithScale(const std::u16string& scale) {
    const std::vector<uint8_t>& original = PlayerPropertyStream();
    control::MemoryInput input(original.data(), original.size());
    control::ControlState state = control::ReadControlState(input).value();
    state.values[control::kScaleSlot].text = scale;
    return control::WriteControlState(state);
}

}  // namespace controltest
