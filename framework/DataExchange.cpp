#include "framework/DataExchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX == nullptr || pDX->m_pDlgWnd == nullptr)
        return;
    pDX->m_pDlgWnd->BindDlgItem(nIDC, rControl);
}
