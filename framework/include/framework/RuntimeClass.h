// Run-time class information for window classes that support creation by class description:
// the class name, its base, the schema number and a factory.
//
//     class CShockwaveFlash : public CWnd {
//         DECLARE_DYNCREATE(CShockwaveFlash)
//         ...
//     };
//     IMPLEMENT_DYNCREATE(CShockwaveFlash, CWnd)
#pragma once

#include <memory>

class CWnd;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned m_wSchema;  // 0xFFFF for classes that are created dynamically, not serialised
    std::unique_ptr<CWnd> (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class; null for a class without a factory.
    std::unique_ptr<CWnd> CreateObject() const;
    // True when the class is this one or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(className) (&className::class##className)

#define DECLARE_DYNCREATE(className)                       \
public:                                                    \
    static const CRuntimeClass class##className;           \
    const CRuntimeClass* GetRuntimeClass() const override; \
    static std::unique_ptr<CWnd> CreateObject();

#define IMPLEMENT_DYNCREATE(className, baseClassName)                                                           \
    std::unique_ptr<CWnd> className::CreateObject() {                                                           \
        return std::make_unique<className>();                                                                   \
    }                                                                                                           \
    const CRuntimeClass className::class##className = {#className, sizeof(className), 0xFFFF,                   \
                                                       &className::CreateObject, RUNTIME_CLASS(baseClassName)}; \
    const CRuntimeClass* className::GetRuntimeClass() const {                                                   \
        return RUNTIME_CLASS(className);                                                                        \
    }
