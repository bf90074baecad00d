// The wrapper of the hosted Shockwave Flash ActiveX control: its class identifier and its
// operations as calls by DISPID.
#pragma once

#include "framework/Wnd.h"

#include <string>

class CShockwaveFlash : public CWnd {
    DECLARE_DYNCREATE(CShockwaveFlash)

public:
    CShockwaveFlash() = default;
    ~CShockwaveFlash() override;

    // The movie control's class (control/ControlGuids.h).
    static const CLSID& GetClsid();

    // Creates the control as a child of the parent, with fresh state. The player never calls
    // it: its control comes from the dialog template.
    BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id, CCreateContext* context = nullptr) override;

    // The Movie property (DISPID 102): the path of the movie to play. Nothing happens when the
    // wrapper is bound to no control.
    void SetMovie(const std::wstring& path);
};
