#include "TestControl.h"

#include "platform/ComObject.h"

#include <ocidl.h>

#include <algorithm>

namespace test_control {

namespace {

std::vector<std::shared_ptr<Record>> g_controls;
Options g_options;
int g_finalReleases = 0;

constexpr wchar_t kWindowClass[] = L"FrameworkTestControlWindow";

void RegisterWindowClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    registered = RegisterClassW(&wc) != 0;
}

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

class Control;

// The control's one connection point, for its event interface.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(Control& control) : m_control(control) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        *iid = kEventsIid;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }

private:
    Control& m_control;
};

class Control final : public ComDispatchObject<IOleObject, IOleInPlaceObject, IPersistStreamInit,
                                               IConnectionPointContainer, IProvideClassInfo2> {
public:
    explicit Control(std::shared_ptr<Record> record) : m_record(std::move(record)), m_point(*this) {}

    Record& record() { return *m_record; }
    void Log(const char* call) { m_record->calls.emplace_back(call); }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        Log(site ? "SetClientSite" : "SetClientSite(null)");
        ReleaseAndClear(m_clientSite);
        m_clientSite = site;
        if (site) {
            site->AddRef();
            IDispatch* ambient = nullptr;
            if (SUCCEEDED(site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient)))) {
                DISPPARAMS none{};
                VARIANT value;
                VariantInit(&value);
                if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value,
                                              nullptr, nullptr)) &&
                    value.vt == VT_BOOL)
                    m_record->userMode = value.boolVal != VARIANT_FALSE;
                VariantClear(&value);
                ambient->Release();
            }
        }
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        *site = m_clientSite;
        if (m_clientSite)
            m_clientSite->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        Log("Close");
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override {
        *m = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** d) override {
        *d = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) override {
        Log("DoVerb");
        if (verb != OLEIVERB_INPLACEACTIVATE || activeSite == nullptr || position == nullptr)
            return E_NOTIMPL;
        m_record->doVerbRect = *position;
        IOleInPlaceSite* site = nullptr;
        if (FAILED(activeSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))))
            return E_FAIL;
        if (site->CanInPlaceActivate() != S_OK) {
            site->Release();
            return E_FAIL;
        }
        site->OnInPlaceActivate();
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT pos{};
        RECT clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        if (FAILED(site->GetWindowContext(&frame, &document, &pos, &clip, &info))) {
            site->Release();
            return E_FAIL;
        }
        ReleaseAndClear(frame);
        ReleaseAndClear(document);
        m_record->contextRect = pos;
        HWND siteWindow = nullptr;
        site->GetWindow(&siteWindow);
        m_record->parent = siteWindow;
        (void)parent;
        RegisterWindowClass();
        m_window = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE, pos.left, pos.top, pos.right - pos.left,
                                   pos.bottom - pos.top, siteWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
        m_record->window = m_window;
        m_inPlaceSite = site;
        return m_window ? S_OK : E_FAIL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** e) override {
        *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override {
        *clsid = kClsid;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* name) override {
        *name = nullptr;
        return OLE_S_USEREG;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
        Log("SetExtent");
        m_record->extent = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        *size = m_record->extent;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* c) override {
        *c = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** e) override {
        *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        Log("GetMiscStatus");
        *status = g_options.miscStatus;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }
    STDMETHODIMP InPlaceDeactivate() override {
        Log("InPlaceDeactivate");
        if (m_window) {
            DestroyWindow(m_window);
            m_window = nullptr;
        }
        if (m_inPlaceSite) {
            m_inPlaceSite->OnInPlaceDeactivate();
            ReleaseAndClear(m_inPlaceSite);
        }
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        Log("SetObjectRects");
        m_record->objectRects.push_back(*position);
        if (m_window)
            SetWindowPos(m_window, nullptr, position->left, position->top, position->right - position->left,
                         position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = kClsid;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override {
        Log("Load");
        // Read in small pieces until a piece comes back short: Wine's memory stream reports
        // S_OK for a short read.
        std::byte piece[7];
        for (;;) {
            ULONG got = 0;
            if (FAILED(stream->Read(piece, sizeof(piece), &got)))
                return E_FAIL;
            m_record->loaded.insert(m_record->loaded.end(), piece, piece + got);
            if (got < sizeof(piece))
                return S_OK;
        }
    }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override {
        Log("InitNew");
        return S_OK;
    }

    // IDispatch
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (dispid != kDispidMovie)
            return DISP_E_MEMBERNOTFOUND;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
                params->rgvarg[0].vt != VT_BSTR)
                return DISP_E_BADPARAMCOUNT;
            Log("Movie");
            m_record->movie = params->rgvarg[0].bstrVal ? params->rgvarg[0].bstrVal : L"";
            ++m_record->moviePuts;
            if (g_options.onMovie)
                g_options.onMovie(m_record->movie);
            return S_OK;
        }
        if ((flags & DISPATCH_PROPERTYGET) && result) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(m_record->movie.c_str());
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** e) override {
        *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        *point = nullptr;
        if (!IsEqualIID(iid, kEventsIid))
            return CONNECT_E_NOCONNECTION;
        *point = &m_point;
        m_point.AddRef();
        return S_OK;
    }

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
            return E_INVALIDARG;
        *guid = kEventsIid;
        return S_OK;
    }

    // The connection point shares the control's lifetime.
    HRESULT Connect(IUnknown* sink, DWORD* cookie) {
        if (m_record->sink != nullptr)
            return CONNECT_E_ADVISELIMIT;
        IDispatch* events = nullptr;
        // Like a real control: the sink must answer for the event interface itself.
        if (FAILED(sink->QueryInterface(kEventsIid, reinterpret_cast<void**>(&events))))
            return CONNECT_E_CANNOTCONNECT;
        Log("Advise");
        m_record->sink = events;
        *cookie = 1;
        return S_OK;
    }
    HRESULT Disconnect(DWORD cookie) {
        if (cookie != 1 || m_record->sink == nullptr)
            return CONNECT_E_NOCONNECTION;
        Log("Unadvise");
        ReleaseAndClear(m_record->sink);
        return S_OK;
    }

private:
    // The final Release, logged before anything is torn down.
    ~Control() override {
        Log("Release(final)");
        m_record->finalReleaseOrder = ++g_finalReleases;
        if (m_window)
            DestroyWindow(m_window);
        ReleaseAndClear(m_record->sink);
        ReleaseAndClear(m_inPlaceSite);
        ReleaseAndClear(m_clientSite);
    }

    IUnknown* FindInterface(REFIID iid) noexcept override {
        IOleObject* const object = this;
        IOleInPlaceObject* const inPlace = this;
        IPersistStreamInit* const persist = this;
        IProvideClassInfo2* const classInfo = this;
        return FindIn(iid, {{IID_IUnknown, object},
                            {IID_IOleObject, object},
                            {IID_IOleWindow, inPlace},
                            {IID_IOleInPlaceObject, inPlace},
                            {IID_IPersistStreamInit, persist},
                            {IID_IPersist, persist},
                            {IID_IDispatch, static_cast<IDispatch*>(this)},
                            {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
                            {IID_IProvideClassInfo, classInfo},
                            {IID_IProvideClassInfo2, classInfo}});
    }

    std::shared_ptr<Record> m_record;
    EventPoint m_point;
    IOleClientSite* m_clientSite = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    HWND m_window = nullptr;
};

STDMETHODIMP_(ULONG) EventPoint::AddRef() {
    return m_control.AddRef();
}
STDMETHODIMP_(ULONG) EventPoint::Release() {
    return m_control.Release();
}
STDMETHODIMP EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    *out = &m_control;
    m_control.AddRef();
    return S_OK;
}
STDMETHODIMP EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
    return m_control.Connect(sink, cookie);
}
STDMETHODIMP EventPoint::Unadvise(DWORD cookie) {
    return m_control.Disconnect(cookie);
}

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // a static object
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (g_options.failCreate)
            return E_FAIL;
        auto record = std::make_shared<Record>();
        g_controls.push_back(record);
        Control* control = new Control(record);
        const HRESULT hr = control->QueryInterface(iid, out);
        control->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

Registration::Registration(REFCLSID clsid, Options options) {
    g_controls.clear();
    g_options = options;
    g_finalReleases = 0;
    if (FAILED(CoRegisterClassObject(clsid, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie)))
        m_cookie = 0;
}

Registration::~Registration() {
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
    g_options = Options{};
}

const std::vector<std::shared_ptr<Record>>& Controls() {
    return g_controls;
}

HRESULT FireEvent(Record& record, DISPID dispid, std::vector<VARIANT> args) {
    // DISPPARAMS holds the arguments last first.
    std::reverse(args.begin(), args.end());
    HRESULT hr = E_UNEXPECTED;
    if (record.sink) {
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        hr = record.sink->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    for (VARIANT& v : args)
        VariantClear(&v);
    return hr;
}

HRESULT FireFSCommand(Record& record, const wchar_t* command, const wchar_t* args) {
    VARIANT first;
    VARIANT second;
    VariantInit(&first);
    VariantInit(&second);
    first.vt = VT_BSTR;
    first.bstrVal = SysAllocString(command);
    second.vt = VT_BSTR;
    second.bstrVal = SysAllocString(args);
    return FireEvent(record, kDispidFSCommand, {first, second});
}

}  // namespace test_control
