#include "framework/ControlContainer.h"

#include "framework/ControlSite.h"
#include "framework/Wnd.h"

#include <new>

namespace {

// The child window at a place in the dialog's z-order (which is its tab order); null past the end.
HWND ChildAt(HWND parent, std::size_t index) {
    HWND child = ::GetWindow(parent, GW_CHILD);
    for (std::size_t i = 0; child != nullptr && i < index; ++i)
        child = ::GetWindow(child, GW_HWNDNEXT);
    return child;
}

}  // namespace

ControlContainer::ControlContainer(CWnd& owner) : m_owner(owner) {}

ControlContainer::~ControlContainer() {
    DestroyAll();
}

int ControlContainer::CreateDialogControls(const std::vector<HostedControlItem>& items,
                                           const std::vector<DialogInitEntry>& initList) {
    int failed = 0;
    for (const HostedControlItem& item : items) {
        RECT pixels = item.dialogUnits;
        MapDialogRect(m_owner.m_hWnd, &pixels);
        ControlSite* site =
            CreateControl(item.clsid, item.id, pixels, item.style, FindPersistedStream(initList, item.id));
        if (site == nullptr) {
            ++failed;
            continue;
        }
        // The items before this one that have a window: all of them but the hosted ones that
        // failed.
        const std::size_t before = item.position - static_cast<std::size_t>(failed);
        if (HWND window = site->GetControlWindow()) {
            HWND after = before == 0 ? HWND_TOP : ChildAt(m_owner.m_hWnd, before - 1);
            if (after != nullptr && after != window)
                SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    return failed;
}

ControlSite* ControlContainer::CreateControl(REFCLSID clsid, UINT id, const RECT& pixels, DWORD style,
                                             std::optional<std::span<const std::byte>> persisted) {
    ControlSite* raw = new (std::nothrow) ControlSite(*this, id);
    if (raw == nullptr)
        return nullptr;
    ComRef<ControlSite> site = ComRef<ControlSite>::Adopt(raw);
    m_sites.reserve(m_sites.size() + 1);  // storing the site cannot fail once it is created
    if (FAILED(site->Create(clsid, pixels, style, persisted)))
        return nullptr;
    m_sites.push_back(std::move(site));
    return raw;
}

ControlSite* ControlContainer::FindById(UINT id) const {
    for (const ComRef<ControlSite>& site : m_sites) {
        if (site->GetId() == id)
            return site.get();
    }
    return nullptr;
}

ControlSite* ControlContainer::FindByWindow(HWND window) const {
    if (window == nullptr)
        return nullptr;
    for (const ComRef<ControlSite>& site : m_sites) {
        if (site->GetControlWindow() == window)
            return site.get();
    }
    return nullptr;
}

void ControlContainer::DestroyControl(ControlSite* site) {
    for (auto it = m_sites.begin(); it != m_sites.end(); ++it) {
        if (it->get() == site) {
            ComRef<ControlSite> taken = std::move(*it);
            m_sites.erase(it);
            taken->Destroy();
            return;
        }
    }
}

void ControlContainer::DestroyAll() {
    while (!m_sites.empty()) {
        ComRef<ControlSite> last = std::move(m_sites.back());
        m_sites.pop_back();
        last->Destroy();
    }
}
