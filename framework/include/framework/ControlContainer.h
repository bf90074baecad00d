// The ActiveX controls one window hosts: creation (from a dialog template's items, or one at a
// time), lookup by id or window, and tear-down in reverse order of creation.
#pragma once

#include "framework/DialogInit.h"
#include "platform/ComRef.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

class CWnd;
class ControlSite;

// A template item that names an ActiveX control.
struct HostedControlItem {
    CLSID clsid;
    UINT id;
    RECT dialogUnits;  // left, top, right, bottom in the template's dialog units
    DWORD style;
    std::size_t position;  // the item's index among all the template's items
};

class ControlContainer {
public:
    explicit ControlContainer(CWnd& owner);
    ~ControlContainer();
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    CWnd& Owner() const { return m_owner; }

    // Creates a dialog's hosted controls in template order, each at its item's rectangle
    // converted to pixels, with the persisted state the init list holds for its id, and puts
    // each control's window at its item's place in the tab order. Returns how many failed
    // (those are left out).
    int CreateDialogControls(const std::vector<HostedControlItem>& items, const std::vector<DialogInitEntry>& initList);

    // Creates one control; null on failure (nothing is left behind).
    ControlSite* CreateControl(REFCLSID clsid, UINT id, const RECT& pixels, DWORD style,
                               std::optional<std::span<const std::byte>> persisted);

    ControlSite* FindById(UINT id) const;
    ControlSite* FindByWindow(HWND window) const;

    void DestroyControl(ControlSite* site);
    // Every control, last created first.
    void DestroyAll();

private:
    CWnd& m_owner;
    std::vector<ComRef<ControlSite>> m_sites;
};
