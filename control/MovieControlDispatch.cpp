// The movie control's automation surface: the Movie property and a few read-only properties.
#include "MovieControl.h"

#include "control/MovieControlIds.h"
#include "platform/OleScopes.h"

namespace control {
namespace {

struct NamedMember {
    const wchar_t* name;
    DISPID id;
};

constexpr NamedMember kMembers[] = {
    {L"Movie", DISPID_MOVIE_MOVIE},
    {L"FrameNum", DISPID_MOVIE_FRAMENUM},
    {L"TotalFrames", DISPID_MOVIE_TOTALFRAMES},
    {L"Quality", DISPID_MOVIE_QUALITY},
    {L"Scale", DISPID_MOVIE_SCALE},
    {L"WMode", DISPID_MOVIE_WMODE},
    {L"AllowScriptAccess", DISPID_MOVIE_SCRIPTACCESS},
};

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

    if (id == DISPID_MOVIE_MOVIE && IsPut(flags))
        return PutMovie(*params, argumentError);
    // Everything else is read-only; a put on it, or any other id, is not a member we have.
    if (!IsGet(flags) || IsPut(flags))
        return DISP_E_MEMBERNOTFOUND;
    switch (id) {
    case DISPID_MOVIE_MOVIE:
    case DISPID_MOVIE_FRAMENUM:
    case DISPID_MOVIE_TOTALFRAMES:
    case DISPID_MOVIE_QUALITY:
    case DISPID_MOVIE_SCALE:
    case DISPID_MOVIE_WMODE:
    case DISPID_MOVIE_SCRIPTACCESS:
        if (params->cArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    switch (id) {
    case DISPID_MOVIE_MOVIE:
        return ReturnText(std::wstring_view(m_moviePath), result);
    case DISPID_MOVIE_FRAMENUM:
        return ReturnInteger(m_timeline.CurrentFrame(), result);
    case DISPID_MOVIE_TOTALFRAMES:
        return ReturnInteger(m_timeline.FrameCount(), result);
    case DISPID_MOVIE_QUALITY:
        return ReturnText(m_state.Quality(), result);
    case DISPID_MOVIE_SCALE:
        return ReturnText(m_state.Scale(), result);
    case DISPID_MOVIE_WMODE:
        return ReturnText(m_state.WindowMode(), result);
    default:
        return ReturnText(m_state.ScriptAccess(), result);
    }
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
