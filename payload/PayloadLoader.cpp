#include "payload/PayloadLoader.h"

#include "diagnostics/Diagnostics.h"
#include "flashcheck/ModuleVersion.h"
#include "AlbumFile.h"
#include "payload/AlbumNames.h"
#include "workspace/ExtractFolder.h"
#include "platform/GrowingBuffer.h"
#include "workspace/ResolvedPath.h"
#include "utf/Utf.h"

#include <windows.h>

#include <cwchar>

namespace {

// Trace texts carry numbers as signed decimal, so stored values of 2^31 or more show negative.
std::wstring Number(uint32_t value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", int32_t(value));
    return text;
}

// Where an extra file goes. A name the tool would not store (one ending in a dot or a space, a
// stream, characters a file system may reject) is given to the system literally, so that it
// writes that very name or refuses it, and never a name it made from it (without the dot).
std::wstring DependencyPath(const std::wstring& folder, const std::u16string& name) {
    if (album::IsSafeFileName(name))
        return folder + L"\\" + utf::ToWide(name);
    return LiteralPath(folder, utf::ToWide(name));
}

uint32_t ReadU32At(AlbumFile& file, uint64_t offset) {
    unsigned char bytes[4] = {};
    if (!file.readAt(offset, bytes, 4))
        return 0;
    return album::ReadU32(bytes);
}

}  // namespace

std::wstring InstallerPath(const std::wstring& folder) {
    return folder + L"\\" + utf::ToWide(album::kInstallerFileName);
}

std::wstring MoviePath(const std::wstring& folder) {
    return folder + L"\\" + utf::ToWide(album::kMovieFileName);
}

uint64_t FileSizeOf(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size))
        return 0;
    return uint64_t(size.QuadPart);
}

LoadResult PlayerData::LoadPayload() {
    return LoadPayload(ModuleFileName());
}

LoadResult PlayerData::LoadPayload(const std::wstring& programPath) {
    LoadResult result = LoadResult::NoError;
    const std::wstring folder = GetExtractFolder();
    const uint64_t size = FileSizeOf(programPath);

    AlbumFile file;
    file.Open(programPath, size);
    const uint32_t signature = size >= 4 ? ReadU32At(file, size - 4) : 0;
    DebugTrace(L"Checking file signature = " + Number(signature));
    if (signature != album::kSignature)
        return result;
    DebugTrace(L"Signature ok");

    // The whole block is checked before anything is written: a damaged album writes nothing.
    album::WalkResult walk = album::Walk(file);
    DebugTrace(L"datasize = " + Number(walk.layout.datasize));
    if (walk.status != album::WalkStatus::Ok) {
        const std::string where = walk.field.empty() ? "datasize" : walk.field;
        DebugTrace(L"Payload damaged at " + std::wstring(where.begin(), where.end()));
        return LoadResult::ResourceInstallFailed;
    }
    const album::Layout& layout = walk.layout;
    DebugTrace(L"exeSize = " + Number(layout.exeSize));
    m_requiredVersion = layout.required;

    // A machine that already has the control still plays the movie without the installer.
    if (!WriteFileFromRange(InstallerPath(folder), file, layout.installer))
        DebugTrace(L"Installer save error");

    DebugTrace(L"Reading External Dependency");
    file.position = layout.installer.end();
    file.bodyEnd = layout.fileSize - album::kTrailerSize;
    if (!ReadExternalDependencies(folder, file)) {
        DebugTrace(L"Reading External Dependency error");
        return LoadResult::ResourceInstallFailed;
    }

    DebugTrace(L"Reading SWF file");
    DebugTrace(L"Reading SWF size = " + Number(layout.swfSize));
    m_width = layout.width;
    m_height = layout.height;
    m_titleText = utf::ToWide(layout.title);

    const std::wstring moviePath = MoviePath(folder);
    DebugTrace(L"SWF is saved into " + moviePath);
    OutputFile movie;
    if (movie.Open(moviePath)) {
        DebugTrace(L"SWF save ok");
        if (!album::CopyRange(file, layout.movie, movie) || !movie.Commit()) {
            movie.Discard();
            DebugTrace(L"SWF write error");
            result = LoadResult::ResourceInstallFailed;
        }
    } else {
        DebugTrace(L"SWF save error");
        result = LoadResult::ResourceInstallFailed;
    }
    file.Close();

    if (!CheckModuleVersion(FlashOcxPath(), m_requiredVersion)) {
        DebugTrace(L"No flash player detected");
        m_flashPresent = false;
    }
    DebugTrace(FileExists(moviePath) ? L"SWF file exist" : L"SWF file does not exist");
    return result;
}

bool PlayerData::ReadExternalDependencies(std::wstring folder, AlbumFile& file) {
    m_dependencyCount = 0;
    // The walk has seen this field; failing to read it now means the file changed under us.
    unsigned char count[4] = {};
    if (!file.readAt(file.position, count, sizeof count))
        return false;
    m_dependencyCount = int32_t(album::ReadU32(count));
    file.position += 4;
    DebugTrace(L"Total external dependency = " + Number(uint32_t(m_dependencyCount)));

    for (int32_t i = 0; i < m_dependencyCount; ++i) {
        const std::optional<album::DependencyRecord> record = album::ReadDependency(file, file.position, file.bodyEnd);
        if (!record)
            return false;
        // A name that could reach outside the folder or a device is never handed to the system.
        if (record->nameLength > album::kMaxTextUnits || album::UnsafeStoredName(record->name))
            return false;
        if (!WriteFileFromRange(DependencyPath(folder, record->name), file, record->contents))
            return false;
        file.position = record->next();
    }
    return true;
}
