#include "player/AboutDialog.h"

BEGIN_MESSAGE_MAP(AboutDialog, CDialog)
END_MESSAGE_MAP()

AboutDialog::AboutDialog() : CDialog(IDD) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
