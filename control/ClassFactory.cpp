#include "ClassFactory.h"

#include "ModuleRefs.h"
#include "MovieControl.h"

namespace control {
namespace {

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // References to the factory count as server locks, so the module stays while one is held.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {
        AddModuleRef();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        ReleaseModuleRef();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return MovieControl::Create(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        if (lock)
            AddModuleRef();
        else
            ReleaseModuleRef();
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

IClassFactory& MovieControlFactory() noexcept {
    return g_factory;
}

}  // namespace control
