#include "player/ShockwaveFlash.h"

#include "control/ControlGuids.h"
#include "control/MovieControlIds.h"

IMPLEMENT_DYNCREATE(CShockwaveFlash, CWnd)

CShockwaveFlash::~CShockwaveFlash() = default;

const CLSID& CShockwaveFlash::GetClsid() {
    return kMovieControlClsid;
}

BOOL CShockwaveFlash::Create(const wchar_t*, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                             UINT id, CCreateContext*) {
    return CreateControl(GetClsid(), windowName, style, rect, parent, id);
}

void CShockwaveFlash::SetMovie(const std::wstring& path) {
    static const BYTE params[] = VTS_BSTR;
    InvokeHelper(DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, path.c_str());
}
