#include "framework/RuntimeClass.h"

#include "framework/Wnd.h"

std::unique_ptr<CWnd> CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
        if (c == base)
            return true;
    }
    return false;
}
