// The movie control's persisted state: the property stream the host hands over at creation.
#include "MovieControl.h"

#include "control/ControlGuids.h"

namespace control {
namespace {

// Reads from an IStream until every byte asked for has come. Some streams (Wine's HGLOBAL
// stream among them) report success on a short read, so a short read is not the end yet.
class StreamInput final : public ByteInput {
public:
    explicit StreamInput(IStream& stream) : m_stream(stream) {}
    bool Read(void* buffer, size_t size) override {
        auto* out = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            ULONG got = 0;
            const ULONG want = ULONG(size < (1u << 30) ? size : (1u << 30));
            if (FAILED(m_stream.Read(out, want, &got)) || got == 0)
                return false;
            out += got;
            size -= got;
        }
        return true;
    }

private:
    IStream& m_stream;
};

}  // namespace

HRESULT MovieControl::GetClassID(CLSID* clsid) noexcept {
    if (!clsid)
        return E_POINTER;
    *clsid = kMovieControlClsid;
    return S_OK;
}

HRESULT MovieControl::IsDirty() noexcept {
    return S_FALSE;
}

HRESULT MovieControl::Load(IStream* stream) noexcept {
    if (!stream)
        return E_POINTER;
    try {
        StreamInput input(*stream);
        std::optional<ControlState> state = ReadControlState(input);
        // A stream that is not ours (or is broken) leaves the current settings as they were.
        if (!state)
            return E_FAIL;
        ApplyState(std::move(*state));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT MovieControl::Save(IStream* stream, BOOL) noexcept {
    if (!stream)
        return E_POINTER;
    try {
        const std::vector<uint8_t> bytes = WriteControlState(m_state);
        ULONG written = 0;
        const HRESULT hr = stream->Write(bytes.data(), ULONG(bytes.size()), &written);
        if (FAILED(hr))
            return hr;
        return written == bytes.size() ? S_OK : STG_E_CANTSAVE;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT MovieControl::GetSizeMax(ULARGE_INTEGER* size) noexcept {
    if (!size)
        return E_POINTER;
    try {
        size->QuadPart = WriteControlState(m_state).size();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT MovieControl::InitNew() noexcept {
    try {
        ApplyState(DefaultControlState());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void MovieControl::ApplyState(ControlState state) noexcept {
    m_state = std::move(state);
    // Only windowed drawing exists: a window mode other than "Window" (transparent, opaque) is
    // kept for Save and reported, but the movie still draws into the control's own window.
    // Script access is kept and reported; no script reaches out of the movie yet.
    ApplySettings();
}

void MovieControl::ApplySettings() noexcept {
    if (m_session) {
        playback::Player& player = m_session->Player();
        player.SetScaleMode(ScaleModeFromText(m_state.Scale()));
        player.SetAlignment(AlignmentFromText(m_state.Alignment()));
        player.SetQuality(QualityFromText(m_state.Quality()));
        player.SetLoop(m_state.Loop());
    }
    m_painter.Forget();
    m_stage.Invalidate();
}

}  // namespace control
