#include "player/ShockwaveFlash.h"

#include "control/MovieControlIds.h"

IMPLEMENT_DYNCREATE(CShockwaveFlash, CWnd)

CShockwaveFlash::~CShockwaveFlash() = default;

const CLSID& CShockwaveFlash::GetClsid() {
    static const CLSID clsid = {
        0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    return clsid;
}

BOOL CShockwaveFlash::Create(const wchar_t*, const wchar_t* windowName, DWORD style, const RECT& rect,
                             CWnd* parent, UINT id, CCreateContext*) {
    return CreateControl(GetClsid(), windowName, style, rect, parent, id);
}

void CShockwaveFlash::SetMovie(const std::wstring& path) {
    static const BYTE params[] = VTS_BSTR;
    InvokeHelper(DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, path.c_str());
}
