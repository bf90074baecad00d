// CDialog: a dialog built from a numbered template of the program, run modally.
//
// The modal run: reads the template (classic or extended form) and its initialisation list,
// takes out the items whose class names an ActiveX control, creates the dialog from the rest
// with the owner disabled, creates the ActiveX controls before OnInitDialog, centres the
// dialog after it (DialogPlacement.h), shows a hidden dialog when the loop first goes idle,
// and runs until EndDialog. Then the owner is enabled and activated again and the dialog,
// with its controls, destroyed.
#pragma once

#include "framework/ControlContainer.h"
#include "framework/DataExchange.h"
#include "framework/DialogInit.h"
#include "framework/Wnd.h"

#include <vector>

class CDialog : public CWnd {
public:
    // No parent: the application's main window (m_pMainWnd), if it has one, owns the dialog.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // The value passed to EndDialog; -1 when the template is missing or malformed, the
    // dialog cannot be created, or WM_QUIT arrives (which is posted again).
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    // Runs the data exchange; TRUE: from the controls into the members. False when it failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    // The base applies the initialisation list to ordinary controls and runs UpdateData(FALSE);
    // when either fails it ends the dialog with -1 and returns FALSE.
    virtual BOOL OnInitDialog();
    // UpdateData(TRUE), then EndDialog(IDOK).
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    // Commands the dialog does not handle go to the application's message map.
    bool OnCmdMsg(UINT commandId) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    DECLARE_MESSAGE_MAP()

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    LRESULT HandleInitDialog();
    HWND OwnerForModalRun() const;
    void RunModalLoop();

    std::vector<HostedControlItem> m_hostedItems;
    std::vector<DialogInitEntry> m_initList;
    bool m_initListValid = true;
    DWORD m_templateStyle = 0;
    INT_PTR m_nModalResult = -1;
    bool m_continueModal = false;
};
