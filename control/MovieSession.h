// One movie playing in the control: the engine's movie and player, the requests its actions
// made (FSCommand calls, web addresses), and where the files it loads come from.
#pragma once

#include "movie/Movie.h"
#include "playback/Player.h"
#include "SharedObjectFiles.h"
#include "script/PlayerScripts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace control {

// Something the movie asked the control to do, kept until the frame is over: a sink that
// answers an event may replace the movie, so nothing reaches a sink from inside the engine.
struct MovieRequest {
    enum class Kind : uint8_t { FsCommand, OpenUrl };
    Kind kind = Kind::FsCommand;
    std::wstring first;   // the command, or the address
    std::wstring second;  // the arguments, or the target window
};

class MovieSession {
public:
    // The movie at `path`, read by the engine, or nullptr when the file is missing, unreadable,
    // larger than movie::kMaxMovieBytes or not a movie; `problem` then says why. Never throws.
    static std::unique_ptr<MovieSession> Open(const std::wstring& path, std::string* problem = nullptr) noexcept;
    ~MovieSession();
    MovieSession(const MovieSession&) = delete;
    MovieSession& operator=(const MovieSession&) = delete;

    playback::Player& Player() noexcept { return *m_player; }
    const movie::Movie& Movie() const noexcept { return *m_movie; }
    // Its scripts are ActionScript 3, which this engine does not run: it is shown, not played.
    bool NeedsActionScript3() const noexcept { return m_movie->actionScript3; }
    uint32_t FrameIntervalMs() const noexcept;
    int32_t StageWidth() const noexcept { return m_movie->header.WidthPixels(); }
    int32_t StageHeight() const noexcept { return m_movie->header.HeightPixels(); }

    // One frame of the movie; the first call enters the first frame. False when it did not run
    // (the engine failed; the movie then stays where it was).
    bool AdvanceFrame() noexcept;
    bool Entered() const noexcept { return m_player->FramesRun() > 0; }

    // The main timeline, as a host's methods move it. Frames are 0-based.
    uint32_t CurrentFrame() noexcept;
    uint32_t TotalFrames() noexcept;
    bool IsPlaying() noexcept;
    void Play() noexcept;
    void Stop() noexcept;
    void GotoFrame(uint32_t frame) noexcept;  // and stops there
    void NextFrame() noexcept;
    void PrevFrame() noexcept;

    // A key went down (virtual key code, and the character it typed or 0) or up: the movie's
    // Key object, its listeners and its clips' key events hear it.
    void KeyDown(int code, int character) noexcept;
    void KeyUp(int code) noexcept;

    // The requests made since the last call, in the order the movie made them.
    std::vector<MovieRequest> TakeRequests() noexcept;

private:
    explicit MovieSession(std::shared_ptr<const movie::Movie> movie, std::wstring folder);
    std::optional<std::vector<uint8_t>> LoadResource(const std::string& url) const;
    void Request(MovieRequest::Kind kind, const std::string& first, const std::string& second);

    std::shared_ptr<const movie::Movie> m_movie;
    std::wstring m_folder;  // the movie's folder: relative names the movie loads start there
    std::unique_ptr<playback::Player> m_player;
    // This album's shared objects for this user; the interpreter saves into it when it ends.
    FileSharedObjectStore m_sharedObjects;
    // The interpreter that runs the movie's action code, made after the player and gone before it.
    std::unique_ptr<script::PlayerScripts> m_scripts;
    std::vector<MovieRequest> m_requests;
};

}  // namespace control
