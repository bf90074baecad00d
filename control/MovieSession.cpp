#include "MovieSession.h"

#include "MovieFile.h"
#include "control/Timeline.h"
#include "movie/SwfTags.h"
#include "playback/LocalFile.h"
#include "utf/Utf.h"

#include <algorithm>

namespace control {
namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

}  // namespace

MovieSession::MovieSession(std::shared_ptr<const movie::Movie> movie, std::wstring folder)
    : m_movie(std::move(movie)), m_folder(std::move(folder)), m_sharedObjects(SharedObjectFolderOfThisAlbum()) {
    m_player =
        std::make_unique<playback::Player>(m_movie, [this](const std::string& url) { return LoadResource(url); });
    // Every action block of the movie runs in the interpreter, which sets itself as the player's
    // script runner. A projector shows no trace output, so trace lines go nowhere.
    m_scripts = std::make_unique<script::PlayerScripts>(*m_player, [](const std::string&) {});
    m_scripts->SetSharedObjectStore(&m_sharedObjects);
    m_player->SetFsCommandHandler([this](const std::string& command, const std::string& args) {
        Request(MovieRequest::Kind::FsCommand, command, args);
    });
    m_player->SetOpenUrlHandler([this](const std::string& url, const std::string& target) {
        Request(MovieRequest::Kind::OpenUrl, url, target);
    });
}

MovieSession::~MovieSession() = default;

std::unique_ptr<MovieSession> MovieSession::Open(const std::wstring& path, std::string* problem) noexcept {
    try {
        std::string reason;
        if (auto bytes = ReadFileBytes(path, movie::kMaxMovieBytes, &reason)) {
            if (auto read = movie::ReadMovie(bytes->data(), bytes->size(), &reason)) {
                auto movie = std::make_shared<const movie::Movie>(std::move(*read));
                return std::unique_ptr<MovieSession>(new MovieSession(std::move(movie), FolderOf(path)));
            }
        }
        if (problem)
            *problem = std::move(reason);
    } catch (...) {
        // Out of memory on the way: the control shows an empty stage, as for any unplayable file.
        if (problem)
            *problem = "out of memory";
    }
    return nullptr;
}

uint32_t MovieSession::FrameIntervalMs() const noexcept {
    return control::FrameIntervalMs(m_movie->header.FramesPerSecond());
}

bool MovieSession::AdvanceFrame() noexcept {
    try {
        m_player->AdvanceFrame();
        return true;
    } catch (...) {
        return false;
    }
}

uint32_t MovieSession::CurrentFrame() noexcept {
    return m_player->Stage().currentFrame;
}

uint32_t MovieSession::TotalFrames() noexcept {
    // A movie without a ShowFrame still shows its stage: one frame.
    return std::max<uint32_t>(m_player->Stage().FrameCount(), 1);
}

bool MovieSession::IsPlaying() noexcept {
    return m_player->Stage().playing;
}

void MovieSession::Play() noexcept {
    m_player->Play(m_player->Stage());
}

void MovieSession::Stop() noexcept {
    m_player->Stop(m_player->Stage());
}

void MovieSession::GotoFrame(uint32_t frame) noexcept {
    try {
        m_player->GotoFrame(m_player->Stage(), frame, false);
    } catch (...) {
    }
}

void MovieSession::NextFrame() noexcept {
    try {
        m_player->NextFrame(m_player->Stage());
    } catch (...) {
    }
}

void MovieSession::PrevFrame() noexcept {
    try {
        m_player->PrevFrame(m_player->Stage());
    } catch (...) {
    }
}

void MovieSession::KeyDown(int code, int character) noexcept {
    try {
        m_scripts->KeyDown(code, character);
    } catch (...) {
    }
}

void MovieSession::KeyUp(int code) noexcept {
    try {
        m_scripts->KeyUp(code);
    } catch (...) {
    }
}

std::vector<MovieRequest> MovieSession::TakeRequests() noexcept {
    std::vector<MovieRequest> taken;
    taken.swap(m_requests);
    return taken;
}

void MovieSession::Request(MovieRequest::Kind kind, const std::string& first, const std::string& second) {
    const uint8_t version = m_movie->header.version;
    m_requests.push_back(
        {kind, utf::ToWide(movie::DecodeSwfText(first, version)), utf::ToWide(movie::DecodeSwfText(second, version))});
}

// Files the movie loads (imported assets, loaded movies and texts) come from the movie's folder
// only; web and file addresses, and paths out of the folder, load nothing.
std::optional<std::vector<uint8_t>> MovieSession::LoadResource(const std::string& url) const {
    const auto relative = playback::LocalFilePath(url);
    if (!relative)
        return std::nullopt;
    std::wstring name = utf::ToWide(movie::DecodeSwfText(*relative, m_movie->header.version));
    for (wchar_t& c : name) {
        if (c == L'/')
            c = L'\\';
    }
    return ReadFileBytes(m_folder + L"\\" + name, movie::kMaxMovieBytes);
}

}  // namespace control
