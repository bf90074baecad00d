#include "GuiAlbum.h"

#include "movie/SwfWriter.h"
#include "utf/Utf.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::wstring Quoted(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

}  // namespace

std::wstring Bin(const std::wstring& name) {
    return ProgramFolder() + L"\\" + name;
}

PlayerRun::PlayerRun(const AlbumOptions& options) : m_options(options) {
    MakeFolder(m_scratch / L"work");
    movie::SwfSpecimen specimen;
    specimen.version = options.movieVersion;
    specimen.width = options.width;
    specimen.height = options.height;
    specimen.red = 0x20, specimen.green = 0x60, specimen.blue = 0xA0;
    specimen.frameCount = 24;
    std::vector<uint8_t> movie = movie::BuildSwf(specimen);
    movie.resize(movie.size() + options.moviePadding);
    WriteBytes(m_scratch / L"movie.swf", movie);
    if (!options.movieFile.empty())
        ::CopyFileW(options.movieFile.c_str(), (m_scratch / L"movie.swf").c_str(), FALSE);
    m_album = m_scratch / L"album.exe";
    std::wstring args = L"build --player " + Quoted(Bin(options.player)) + L" --installer " +
                        Quoted(Bin(options.installer)) + L" --movie " + Quoted(m_scratch / L"movie.swf") +
                        L" --title " + Quoted(options.title) + L" -o " + Quoted(m_album);
    if (!options.require.empty())
        args += L" --require " + options.require;
    for (size_t i = 0; i < options.extraFileSizes.size(); ++i) {
        const std::wstring extra = m_scratch / (L"extra-" + std::to_wstring(i) + L".bin");
        WriteBytes(extra, std::vector<uint8_t>(options.extraFileSizes[i], uint8_t('e')));
        args += L" --file " + Quoted(extra);
    }
    m_packExit = RunToEnd(Bin(L"dovetta-pack.exe"), args);
}

std::vector<std::wstring> PlayerRun::Environment() const {
    std::vector<std::wstring> environment = m_options.environment;
    environment.push_back(L"TMP=" + m_options.tmp);
    return environment;
}

RunningProgram& PlayerRun::Start(const std::wstring& exe) {
    m_program = std::make_unique<RunningProgram>(exe.empty() ? m_album : exe, L"", m_scratch.Path(), Environment());
    return *m_program;
}

HWND PlayerRun::WaitForPlayer(const std::wstring& caption) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(m_program->ProcessId(), L"#32770", caption.c_str()))
                if (::GetDlgItem(window, kMovieControlId))
                    found = window;
            return found != nullptr;
        },
        kStartTimeoutMs);
    return found;
}

HWND PlayerRun::OpenPlayer(const std::wstring& caption) {
    EXPECT_TRUE(Packed()) << "the album was not packed";
    if (!Packed())
        return nullptr;
    Start();
    HWND player = WaitForPlayer(caption);
    EXPECT_TRUE(player) << "no player window";
    return player;
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

std::vector<std::wstring> TraceLines(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::vector<std::wstring> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(utf::WideFromUtf8(line));
    }
    return lines;
}
