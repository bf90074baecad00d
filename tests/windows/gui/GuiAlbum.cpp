#include "GuiAlbum.h"

#include "movie/SwfWriter.h"

#include <fstream>

namespace {

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

std::wstring Bin(const std::wstring& name) { return ProgramFolder() + L"\\" + name; }

PlayerRun::PlayerRun(const AlbumOptions& options) : m_options(options) {
    MakeFolder(m_scratch / L"work");
    movie::SwfSpecimen specimen;
    specimen.width = options.width;
    specimen.height = options.height;
    specimen.red = 0x20, specimen.green = 0x60, specimen.blue = 0xA0;
    specimen.frameCount = 24;
    WriteBytes(m_scratch / L"movie.swf", movie::BuildSwf(specimen));
    m_album = m_scratch / L"album.exe";
    std::wstring args = L"build --player " + Quoted(Bin(options.player)) + L" --installer " +
                        Quoted(Bin(options.installer)) + L" --movie " + Quoted(m_scratch / L"movie.swf") +
                        L" --title " + Quoted(options.title) + L" -o " + Quoted(m_album);
    if (!options.require.empty())
        args += L" --require " + options.require;
    m_packExit = RunToEnd(Bin(L"dovetta-pack.exe"), args);
}

RunningProgram& PlayerRun::Start(const std::wstring& exe) {
    std::vector<std::wstring> environment = m_options.environment;
    environment.push_back(L"TMP=work");
    m_program = std::make_unique<RunningProgram>(exe.empty() ? m_album : exe, L"", m_scratch.Path(), environment);
    return *m_program;
}

HWND PlayerRun::WaitForPlayer(const std::wstring& caption) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(m_program->ProcessId(), L"#32770", caption.c_str()))
            if (::GetDlgItem(window, kMovieControlId))
                found = window;
        return found != nullptr;
    }, kStartTimeoutMs);
    return found;
}

std::wstring PlayerRun::WorkFolder() const {
    const std::vector<std::wstring> numbers = FolderEntries(WorkRoot());
    return numbers.size() == 1 ? WorkRoot() + L"\\" + numbers[0] : L"";
}

bool PlayerIsOpen(DWORD processId) {
    for (HWND window : TopLevelWindows(processId))
        if (::GetDlgItem(window, kMovieControlId))
            return true;
    return false;
}
