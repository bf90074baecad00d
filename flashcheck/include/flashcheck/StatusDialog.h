// The window shown before the player when start-up did not end well: it offers to install the
// movie control carried in the album, or reports why the album could not be loaded.
#pragma once

#include "flashcheck/LoadResult.h"
#include "framework/Dialog.h"
#include "version/ProductVersion.h"

#include <cstdint>
#include <functional>
#include <string>

class StatusDialog : public CDialog {
public:
    // `required` is the version the movie needs.
    // `installerPath` names the carried installer; it is asked when the box comes up, as the
    // working folder is known to the caller (the loader), not to this dialog.
    StatusDialog(CWnd* parent, LoadResult loadResult, std::wstring title, const ProductVersion& required,
                 std::function<std::wstring()> installerPath);

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id);

    DECLARE_MESSAGE_MAP()

private:
    // Shows one box with the texts of two string-table entries, owned by this dialog.
    int ShowBox(UINT textId, UINT captionId, UINT style);
    void OfferInstallation(const std::wstring& installerPath);

    HICON m_hIcon;
    LoadResult m_loadResult;
    std::wstring m_title;
    ProductVersion m_required;
    std::function<std::wstring()> m_installerPath;
};

// Starts a program through the shell and waits until it has ended, dispatching this thread's
// messages meanwhile (timer messages are dropped). False when the program could not be started.
bool RunAndWait(const std::wstring& file, const std::wstring& parameters);
