// A minimal ActiveX container for the movie control: a host window, one site object
// (IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame) and an event sink, driving the control
// through the activation and teardown an ATL-style host performs.
#pragma once

#include "platform/ComRef.h"

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace controltest {

// The ocx next to the test program, loaded once per test program.
HMODULE ControlModule();
std::wstring ControlModulePath();
// The control's class factory, obtained from the module's DllGetClassObject (no registry).
ComRef<IClassFactory> ControlFactory();

// Runs the message loop until `done` is true or `timeoutMs` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs);
// Runs the message loop for `ms` milliseconds.
void PumpFor(uint32_t ms);

// One FSCommand as the sink received it.
struct FsCall {
    DISPID id = 0;
    UINT argumentCount = 0;
    VARTYPE commandType = VT_EMPTY, argsType = VT_EMPTY;
    std::wstring command;  // rgvarg[1]
    std::wstring args;     // rgvarg[0]
};

class EventSink;
class TestSite;

// Calls on the site, in order: "OnInPlaceActivate", "GetWindow", "GetWindowContext",
// "OnPosRectChange", "OnInPlaceDeactivate", ...
using SiteLog = std::vector<std::string>;

class HostedControl {
public:
    struct Options {
        RECT site{0, 0, 400, 300};  // the control's rectangle in the host's client area
        SIZE hostClient{400, 300};
        const std::vector<uint8_t>* stream = nullptr;  // persisted state; nullptr: InitNew
        bool connectSink = true;
        std::wstring movieBeforeActivation;  // put after the state is loaded, before DoVerb
    };

    // Creates the control and activates it; a failed step fails the calling test (ASSERT) and
    // gives nullptr.
    static std::unique_ptr<HostedControl> Create(const Options& options);
    ~HostedControl();  // the reverse teardown

    IOleObject* Object() const { return m_object.get(); }
    IDispatch* Dispatch() const { return m_dispatch.get(); }
    HWND HostWindow() const { return m_host; }  // a child of a shared top-level window
    HWND StageWindow() const;                   // from IOleInPlaceObject::GetWindow; nullptr when inactive
    const SiteLog& Log() const;
    const std::vector<FsCall>& Events() const;
    // Called inside the sink's Invoke, after the call is recorded.
    void OnEvent(std::function<void(const FsCall&)> handler);

    HRESULT PutMovie(const std::wstring& path);
    int32_t GetInteger(DISPID id);
    std::wstring GetText(DISPID id);
    uint32_t FrameNum();
    uint32_t TotalFrames();

    // Paints the stage window now and reads one of its pixels (client coordinates).
    COLORREF StagePixel(int x, int y);

    // Ends the activation by hand (the destructor then skips what is already done).
    void Deactivate();

private:
    HostedControl() = default;
    HWND m_host = nullptr;
    ComRef<TestSite> m_site;
    ComRef<EventSink> m_sink;
    ComRef<IOleObject> m_object;
    ComRef<IDispatch> m_dispatch;
    ComRef<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    bool m_active = false;
};

// HIMETRIC for a pixel length at the screen's resolution.
LONG HimetricFromPixels(int pixels, bool horizontal);

// An IStream over a copy of `bytes` (seek pointer at the start).
ComRef<IStream> StreamOver(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> StreamBytes(IStream* stream);

}  // namespace controltest
