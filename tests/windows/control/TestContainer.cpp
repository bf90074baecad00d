#include "TestContainer.h"

#include "control/MovieControlIds.h"
#include "platform/ComObject.h"
#include "platform/GdiScopes.h"
#include "platform/OleScopes.h"

#include <gtest/gtest.h>

#include <olectl.h>

namespace controltest {
namespace {

constexpr wchar_t kHostClass[] = L"DovettaControlTestHost";

std::wstring FolderOfProgram() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

void RegisterHostClassOnce() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostClass;
    registered = RegisterClassExW(&wc) != 0;
}

// One visible top-level window for the whole test program; each hosted control gets a child
// window of it as its host. (Destroying a visible top-level window costs Wine about two seconds
// on a display without a window manager; a child window goes at once.)
HWND SharedTopLevel() {
    static HWND window = CreateWindowExW(0, kHostClass, L"control tests", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                         800, 700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    return window;
}

}  // namespace

// --- Module -----------------------------------------------------------------------------------

std::wstring ControlModulePath() {
    return FolderOfProgram() + L"MovieControl.ocx";
}

HMODULE ControlModule() {
    static HMODULE module = LoadLibraryW(ControlModulePath().c_str());
    return module;
}

ComRef<IClassFactory> ControlFactory() {
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto entry =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(ControlModule(), "DllGetClassObject")));
    ComRef<IClassFactory> factory;
    CLSID clsid{};
    if (entry && SUCCEEDED(CLSIDFromString(MOVIE_CONTROL_CLSID_TEXT, &clsid))) {
        entry(clsid, IID_IClassFactory, factory.put_void());
    }
    return factory;
}

bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(std::min<ULONGLONG>(deadline - now, 20)), QS_ALLINPUT);
    }
}

void PumpFor(uint32_t ms) {
    PumpUntil([] { return false; }, ms);
}

LONG HimetricFromPixels(int pixels, bool horizontal) {
    WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), horizontal ? LOGPIXELSX : LOGPIXELSY);
    return MulDiv(pixels, 2540, dpi);
}

ComRef<IStream> StreamOver(const std::vector<uint8_t>& bytes) {
    ComRef<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())))
        return {};
    ULONG written = 0;
    if (!bytes.empty())
        stream->Write(bytes.data(), ULONG(bytes.size()), &written);
    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::vector<uint8_t> StreamBytes(IStream* stream) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<uint8_t> bytes(size_t(stat.cbSize.QuadPart));
    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    size_t done = 0;
    while (done < bytes.size()) {
        ULONG got = 0;
        if (FAILED(stream->Read(bytes.data() + done, ULONG(bytes.size() - done), &got)) || got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// --- Event sink -------------------------------------------------------------------------------

class EventSink final : public ComDispatchObject<> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        FsCall call;
        call.id = id;
        call.argumentCount = params ? params->cArgs : 0;
        if (params && params->cArgs == 2) {
            call.commandType = params->rgvarg[1].vt;
            call.argsType = params->rgvarg[0].vt;
            if (call.commandType == VT_BSTR && params->rgvarg[1].bstrVal)
                call.command = params->rgvarg[1].bstrVal;
            if (call.argsType == VT_BSTR && params->rgvarg[0].bstrVal)
                call.args = params->rgvarg[0].bstrVal;
        }
        calls.push_back(call);
        if (handler)
            handler(call);
        return S_OK;
    }

    std::vector<FsCall> calls;
    std::function<void(const FsCall&)> handler;

private:
    IUnknown* FindInterface(REFIID iid) noexcept override {
        IDispatch* const self = this;
        return FindIn(iid, {{IID_IUnknown, self}, {IID_IDispatch, self}});
    }
};

// --- Site -------------------------------------------------------------------------------------

class TestSite final : public ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame> {
public:
    TestSite(HWND host, const RECT& position) : m_host(host), m_position(position) {}

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        log.push_back("GetWindow");
        *window = m_host;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        log.push_back("OnInPlaceActivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        log.push_back("GetWindowContext");
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        *position = m_position;
        *clip = m_position;
        info->fMDIApp = FALSE;
        info->hwndFrame = m_host;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        log.push_back("OnInPlaceDeactivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    // As ATL's host does: accept the rectangle and hand it back to the control.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override {
        log.push_back("OnPosRectChange");
        m_position = *position;
        if (inPlaceObject)
            inPlaceObject->SetObjectRects(position, position);
        return S_OK;
    }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no borders, menus or status line.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    SiteLog log;
    ComRef<IOleInPlaceObject> inPlaceObject;  // for OnPosRectChange; dropped at teardown

private:
    IUnknown* FindInterface(REFIID iid) noexcept override {
        IOleClientSite* const client = this;
        IOleInPlaceSite* const inPlace = this;
        IOleInPlaceFrame* const frame = this;
        return FindIn(iid, {{IID_IUnknown, client},
                            {IID_IOleClientSite, client},
                            {IID_IOleWindow, inPlace},
                            {IID_IOleInPlaceSite, inPlace},
                            {IID_IOleInPlaceUIWindow, frame},
                            {IID_IOleInPlaceFrame, frame}});
    }

    HWND m_host;
    RECT m_position;
};

// --- Hosted control ---------------------------------------------------------------------------

std::unique_ptr<HostedControl> HostedControl::Create(const Options& options) {
    RegisterHostClassOnce();
    std::unique_ptr<HostedControl> hosted(new HostedControl());
    hosted->m_host = CreateWindowExW(0, kHostClass, L"control test host", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                     options.hostClient.cx, options.hostClient.cy, SharedTopLevel(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(hosted->m_host, nullptr);
    if (!hosted->m_host)
        return nullptr;

    ComRef<IClassFactory> factory = ControlFactory();
    EXPECT_TRUE(factory);
    if (!factory)
        return nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IOleObject, hosted->m_object.put_void());
    EXPECT_EQ(hr, S_OK);
    if (FAILED(hr))
        return nullptr;
    IOleObject* object = hosted->m_object.get();
    hosted->m_dispatch = hosted->m_object.As<IDispatch>(IID_IDispatch);
    hosted->m_site = ComRef<TestSite>::Adopt(new TestSite(hosted->m_host, options.site));
    hosted->m_sink = ComRef<EventSink>::Adopt(new EventSink());

    // The order of an ATL-style host: misc status, client site first when asked, persisted
    // state, extent, in-place activation, then the event sink.
    DWORD misc = 0;
    EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    IOleClientSite* clientSite = static_cast<IOleClientSite*>(hosted->m_site.get());
    if (misc & OLEMISC_SETCLIENTSITEFIRST) {
        EXPECT_EQ(object->SetClientSite(clientSite), S_OK);
    }

    ComRef<IPersistStreamInit> persist = hosted->m_object.As<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_TRUE(persist);
    if (!persist)
        return nullptr;
    if (options.stream) {
        ComRef<IStream> stream = StreamOver(*options.stream);
        EXPECT_EQ(persist->Load(stream.get()), S_OK);
    } else {
        EXPECT_EQ(persist->InitNew(), S_OK);
    }
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) {
        EXPECT_EQ(object->SetClientSite(clientSite), S_OK);
    }

    SIZEL extent{HimetricFromPixels(options.site.right - options.site.left, true),
                 HimetricFromPixels(options.site.bottom - options.site.top, false)};
    EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
    if (!options.movieBeforeActivation.empty()) {
        EXPECT_EQ(hosted->PutMovie(options.movieBeforeActivation), S_OK);
    }
    hosted->m_site->inPlaceObject = hosted->m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, hosted->m_host, &options.site);
    EXPECT_EQ(hr, S_OK);
    if (FAILED(hr))
        return nullptr;
    hosted->m_active = true;

    if (options.connectSink) {
        ComRef<IProvideClassInfo2> info = hosted->m_object.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
        ComRef<IConnectionPointContainer> points =
            hosted->m_object.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        GUID events{};
        EXPECT_TRUE(info && points);
        if (!info || !points)
            return nullptr;
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
        EXPECT_EQ(points->FindConnectionPoint(events, hosted->m_point.put()), S_OK);
        if (!hosted->m_point)
            return nullptr;
        EXPECT_EQ(hosted->m_point->Advise(static_cast<IDispatch*>(hosted->m_sink.get()), &hosted->m_cookie), S_OK);
    }
    return hosted;
}

void HostedControl::Deactivate() {
    if (m_point) {
        m_point->Unadvise(m_cookie);
        m_point.reset();
    }
    if (m_active && m_object) {
        if (auto inPlace = m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
            inPlace->InPlaceDeactivate();
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_active = false;
    }
    if (m_site)
        m_site->inPlaceObject.reset();
}

HostedControl::~HostedControl() {
    Deactivate();
    m_dispatch.reset();
    m_object.reset();
    if (m_host)
        DestroyWindow(m_host);
}

HWND HostedControl::StageWindow() const {
    HWND window = nullptr;
    if (auto inPlace = m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
        inPlace->GetWindow(&window);
    return window;
}

const SiteLog& HostedControl::Log() const {
    return m_site->log;
}
const std::vector<FsCall>& HostedControl::Events() const {
    return m_sink->calls;
}
void HostedControl::OnEvent(std::function<void(const FsCall&)> handler) {
    m_sink->handler = std::move(handler);
}

HRESULT HostedControl::PutMovie(const std::wstring& path) {
    UniqueBstr text(SysAllocString(path.c_str()));
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    return m_dispatch->Invoke(DISPID_MOVIE_MOVIE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                              nullptr, nullptr);
}

int32_t HostedControl::GetInteger(DISPID id) {
    ScopedVariant result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                                 nullptr),
              S_OK);
    EXPECT_EQ(result->vt, VT_I4);
    return result->vt == VT_I4 ? result->lVal : -1;
}

std::wstring HostedControl::GetText(DISPID id) {
    ScopedVariant result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                                 nullptr),
              S_OK);
    EXPECT_EQ(result->vt, VT_BSTR);
    if (result->vt != VT_BSTR || !result->bstrVal)
        return {};
    return std::wstring(result->bstrVal, SysStringLen(result->bstrVal));
}

uint32_t HostedControl::FrameNum() {
    return uint32_t(GetInteger(DISPID_MOVIE_FRAMENUM));
}
uint32_t HostedControl::TotalFrames() {
    return uint32_t(GetInteger(DISPID_MOVIE_TOTALFRAMES));
}

COLORREF HostedControl::StagePixel(int x, int y) {
    HWND stage = StageWindow();
    if (!stage)
        return CLR_INVALID;
    InvalidateRect(stage, nullptr, FALSE);
    UpdateWindow(stage);
    WindowDc dc(stage);
    return GetPixel(dc.get(), x, y);
}

}  // namespace controltest
