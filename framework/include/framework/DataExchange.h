// Dialog data exchange: DoDataExchange is called with a CDataExchange that says the direction
// (into the dialog's controls, or back into its members), and binds wrappers to controls.
#pragma once

#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // Marks the exchange as failed; UpdateData then reports false.
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

    BOOL m_bSaveAndValidate;  // TRUE: from the controls into the members
    CWnd* m_pDlgWnd;

private:
    bool m_failed = false;
};

// Binds the wrapper to the dialog's control with the id (an ordinary child or a hosted
// ActiveX control), once; a control that does not exist leaves the wrapper unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
