// The About box: icon, version line, notice and OK button, all from template IDD_ABOUT.
#pragma once

#include "framework/Dialog.h"
#include "player/resource.h"

class AboutDialog : public CDialog {
public:
    enum { IDD = IDD_ABOUT };

    AboutDialog();
    ~AboutDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
