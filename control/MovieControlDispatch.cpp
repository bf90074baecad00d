// The movie control's automation surface: the Movie property and a few read-only properties.
#include "MovieControl.h"

#include "control/MovieControlIds.h"
#include "control/StageLayout.h"
#include "platform/OleScopes.h"

namespace control {
namespace {

enum class MemberKind : uint8_t { ReadOnly, ReadWrite, Method };

struct NamedMember {
    const wchar_t* name;
    DISPID id;
    MemberKind kind;
    VARTYPE type = VT_EMPTY;  // what a put converts its value to (ReadWrite)
};

constexpr NamedMember kMembers[] = {
    {L"Movie", DISPID_MOVIE_MOVIE, MemberKind::ReadWrite, VT_BSTR},
    {L"FrameNum", DISPID_MOVIE_FRAMENUM, MemberKind::ReadWrite, VT_I4},
    {L"TotalFrames", DISPID_MOVIE_TOTALFRAMES, MemberKind::ReadOnly},
    {L"Quality", DISPID_MOVIE_QUALITY, MemberKind::ReadWrite, VT_BSTR},
    {L"Scale", DISPID_MOVIE_SCALE, MemberKind::ReadWrite, VT_BSTR},
    {L"WMode", DISPID_MOVIE_WMODE, MemberKind::ReadOnly},
    {L"AllowScriptAccess", DISPID_MOVIE_SCRIPTACCESS, MemberKind::ReadOnly},
    {L"Loop", DISPID_MOVIE_LOOP, MemberKind::ReadWrite, VT_BOOL},
    {L"ScaleMode", DISPID_MOVIE_SCALEMODE, MemberKind::ReadWrite, VT_I4},
    {L"AlignMode", DISPID_MOVIE_ALIGNMODE, MemberKind::ReadWrite, VT_I4},
    {L"SAlign", DISPID_MOVIE_SALIGN, MemberKind::ReadWrite, VT_BSTR},
    {L"Playing", DISPID_MOVIE_PLAYING, MemberKind::ReadWrite, VT_BOOL},
    {L"Play", DISPID_MOVIE_PLAY, MemberKind::Method},
    {L"Stop", DISPID_MOVIE_STOP, MemberKind::Method},
    {L"Back", DISPID_MOVIE_BACK, MemberKind::Method},
    {L"Forward", DISPID_MOVIE_FORWARD, MemberKind::Method},
    {L"Rewind", DISPID_MOVIE_REWIND, MemberKind::Method},
    {L"StopPlay", DISPID_MOVIE_STOPPLAY, MemberKind::Method},
    {L"GotoFrame", DISPID_MOVIE_GOTOFRAME, MemberKind::Method},
    {L"CurrentFrame", DISPID_MOVIE_CURRENTFRAME, MemberKind::Method},
    {L"IsPlaying", DISPID_MOVIE_ISPLAYING, MemberKind::Method},
    {L"FlashVersion", DISPID_MOVIE_FLASHVERSION, MemberKind::Method},
};

const NamedMember* FindMember(DISPID id) {
    for (const NamedMember& member : kMembers) {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

bool IsPut(WORD flags) {
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
}
// VBScript-style callers ask for a property with DISPATCH_METHOD | DISPATCH_PROPERTYGET.
bool IsGet(WORD flags) {
    return (flags & DISPATCH_PROPERTYGET) != 0;
}

HRESULT ReturnText(std::wstring_view text, VARIANT* result) noexcept {
    if (!result)
        return S_OK;
    BSTR value = SysAllocStringLen(text.data(), UINT(text.size()));
    if (!value)
        return E_OUTOFMEMORY;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = value;
    return S_OK;
}

HRESULT ReturnText(std::u16string_view text, VARIANT* result) noexcept {
    return ReturnText(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()), result);
}

HRESULT ReturnInteger(uint32_t value, VARIANT* result) noexcept {
    if (!result)
        return S_OK;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = LONG(value);
    return S_OK;
}

HRESULT ReturnFlag(bool value, VARIANT* result) noexcept {
    if (!result)
        return S_OK;
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// The one argument of a put or a call as `type`; rgvarg[0] is the value of a put.
HRESULT ArgumentAs(const VARIANT& argument, VARTYPE type, ScopedVariant& out) noexcept {
    return FAILED(VariantChangeType(out.get(), const_cast<VARIANT*>(&argument), 0, type)) ? DISP_E_TYPEMISMATCH : S_OK;
}

std::u16string_view TextOf(const ScopedVariant& text) {
    return {reinterpret_cast<const char16_t*>(text->bstrVal ? text->bstrVal : L""), SysStringLen(text->bstrVal)};
}

}  // namespace

HRESULT MovieControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;  // there is no type information at any index
}

HRESULT MovieControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    // Only the member name is looked up; none of our members has named parameters.
    if (count > 0 && names[0]) {
        for (const NamedMember& member : kMembers) {
            if (CompareStringOrdinal(names[0], -1, member.name, -1, TRUE) == CSTR_EQUAL)
                ids[0] = member.id;
        }
    }
    for (UINT i = 0; i < count; ++i) {
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT MovieControl::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                             UINT* argumentError) noexcept {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!params)
        return E_INVALIDARG;
    const NamedMember* member = FindMember(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;

    if (member->kind == MemberKind::Method) {
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        return CallMethod(id, *params, result, argumentError);
    }
    if (IsPut(flags)) {
        if (member->kind != MemberKind::ReadWrite)
            return DISP_E_MEMBERNOTFOUND;
        if (id == DISPID_MOVIE_MOVIE)
            return PutMovie(*params, argumentError);
        if (params->cArgs != 1 || !params->rgvarg)
            return DISP_E_BADPARAMCOUNT;
        const HRESULT hr = PutProperty(id, member->type, params->rgvarg[0]);
        if (hr == DISP_E_TYPEMISMATCH && argumentError)
            *argumentError = 0;
        return hr;
    }
    if (!IsGet(flags))
        return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    MovieSession* const session = m_session.get();
    switch (id) {
    case DISPID_MOVIE_MOVIE:
        return ReturnText(std::wstring_view(m_moviePath), result);
    case DISPID_MOVIE_FRAMENUM:
        return ReturnInteger(session ? session->CurrentFrame() : 0, result);
    case DISPID_MOVIE_TOTALFRAMES:
        return ReturnInteger(session ? session->TotalFrames() : 0, result);
    case DISPID_MOVIE_QUALITY:
        return ReturnText(m_state.Quality(), result);
    case DISPID_MOVIE_SCALE:
        return ReturnText(m_state.Scale(), result);
    case DISPID_MOVIE_WMODE:
        return ReturnText(m_state.WindowMode(), result);
    case DISPID_MOVIE_SCRIPTACCESS:
        return ReturnText(m_state.ScriptAccess(), result);
    case DISPID_MOVIE_LOOP:
        return ReturnFlag(m_state.Loop(), result);
    case DISPID_MOVIE_SCALEMODE:
        return ReturnInteger(uint32_t(ScaleModeFromText(m_state.Scale())), result);
    case DISPID_MOVIE_ALIGNMODE:
        return ReturnInteger(AlignmentFromText(m_state.Alignment()), result);
    case DISPID_MOVIE_SALIGN:
        return ReturnText(m_state.Alignment(), result);
    case DISPID_MOVIE_PLAYING:
        return ReturnFlag(session && session->IsPlaying(), result);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT MovieControl::PutProperty(DISPID id, VARTYPE type, const VARIANT& value) noexcept {
    ScopedVariant converted;
    if (FAILED(ArgumentAs(value, type, converted)))
        return DISP_E_TYPEMISMATCH;
    try {
        switch (id) {
        case DISPID_MOVIE_FRAMENUM:
            if (converted->lVal < 0)
                return E_INVALIDARG;
            if (m_session)
                m_session->GotoFrame(uint32_t(converted->lVal));
            break;
        case DISPID_MOVIE_QUALITY:
            m_state.SetText(kQualitySlot, std::u16string(TextOf(converted)));
            break;
        case DISPID_MOVIE_SCALE:
            m_state.SetText(kScaleSlot, std::u16string(TextOf(converted)));
            break;
        case DISPID_MOVIE_SALIGN:
            m_state.SetText(kAlignSlot, std::u16string(TextOf(converted)));
            break;
        case DISPID_MOVIE_LOOP:
            m_state.SetFlag(kLoopSlot, converted->boolVal != VARIANT_FALSE);
            break;
        case DISPID_MOVIE_SCALEMODE:
            if (converted->lVal < 0 || converted->lVal > 3)
                return E_INVALIDARG;
            m_state.SetText(kScaleSlot, std::u16string(ScaleModeText(ScaleMode(converted->lVal))));
            break;
        case DISPID_MOVIE_ALIGNMODE:
            if (converted->lVal < 0 || converted->lVal > 15)
                return E_INVALIDARG;
            m_state.SetText(kAlignSlot, AlignmentText(uint8_t(converted->lVal)));
            break;
        case DISPID_MOVIE_PLAYING:
            if (m_session) {
                if (converted->boolVal != VARIANT_FALSE)
                    m_session->Play();
                else
                    m_session->Stop();
            }
            break;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (id != DISPID_MOVIE_FRAMENUM && id != DISPID_MOVIE_PLAYING)
        ApplySettings();
    else if (m_session && m_painter.IsStale(*m_session))
        m_stage.Invalidate();
    return S_OK;
}

HRESULT MovieControl::CallMethod(DISPID id, const DISPPARAMS& params, VARIANT* result, UINT* argumentError) noexcept {
    const UINT wanted = id == DISPID_MOVIE_GOTOFRAME ? 1 : 0;
    if (params.cArgs != wanted || (wanted && !params.rgvarg))
        return DISP_E_BADPARAMCOUNT;
    MovieSession* const session = m_session.get();
    switch (id) {
    case DISPID_MOVIE_CURRENTFRAME:
        return ReturnInteger(session ? session->CurrentFrame() : 0, result);
    case DISPID_MOVIE_ISPLAYING:
        return ReturnFlag(session && session->IsPlaying(), result);
    case DISPID_MOVIE_FLASHVERSION:
        return ReturnInteger(uint32_t(MOVIE_CONTROL_VERSION_MAJOR) << 16 | MOVIE_CONTROL_VERSION_MINOR, result);
    default:
        break;
    }
    int32_t frame = 0;
    if (id == DISPID_MOVIE_GOTOFRAME) {
        ScopedVariant converted;
        if (FAILED(ArgumentAs(params.rgvarg[0], VT_I4, converted))) {
            if (argumentError)
                *argumentError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        frame = converted->lVal;
        if (frame < 0)
            return E_INVALIDARG;
    }
    if (!session)
        return S_OK;  // nothing to move
    // What the timeline does in answer (a frame's FSCommand) reaches the sinks on the next tick,
    // never inside the host's call.
    switch (id) {
    case DISPID_MOVIE_PLAY:
        session->Play();
        break;
    case DISPID_MOVIE_STOP:
    case DISPID_MOVIE_STOPPLAY:
        session->Stop();
        break;
    case DISPID_MOVIE_BACK:
        session->PrevFrame();
        break;
    case DISPID_MOVIE_FORWARD:
        session->NextFrame();
        break;
    case DISPID_MOVIE_REWIND:
        session->GotoFrame(0);
        break;
    case DISPID_MOVIE_GOTOFRAME:
        session->GotoFrame(uint32_t(frame));
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (m_painter.IsStale(*session))
        m_stage.Invalidate();
    return S_OK;
}

HRESULT MovieControl::PutMovie(const DISPPARAMS& params, UINT* argumentError) noexcept {
    if (params.cArgs != 1 || !params.rgvarg)
        return DISP_E_BADPARAMCOUNT;
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), &params.rgvarg[0], 0, VT_BSTR))) {
        if (argumentError)
            *argumentError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    try {
        std::wstring path(text->bstrVal ? text->bstrVal : L"", SysStringLen(text->bstrVal));
        OpenMovie(std::move(path));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace control
