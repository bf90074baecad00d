// A small in-process ActiveX control for the framework's tests, registered inside the test
// process with CoRegisterClassObject. It activates in place in a window of its own, reads its
// persisted state from a stream, takes a Movie property put (DISPID 102), fires events into a
// connected sink, and records every container call it receives, in order.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace test_control {

// {6F1C2A3B-8D4E-4F50-9A61-B7C8D9E0F123}
inline constexpr CLSID kClsid = {0x6F1C2A3B, 0x8D4E, 0x4F50, {0x9A, 0x61, 0xB7, 0xC8, 0xD9, 0xE0, 0xF1, 0x23}};
inline constexpr wchar_t kClsidText[] = L"{6F1C2A3B-8D4E-4F50-9A61-B7C8D9E0F123}";
// {0B7E4D21-5C3A-4B98-8F17-2E6D5C4B3A29}: the control's event interface
inline constexpr IID kEventsIid = {0x0B7E4D21, 0x5C3A, 0x4B98, {0x8F, 0x17, 0x2E, 0x6D, 0x5C, 0x4B, 0x3A, 0x29}};

constexpr DISPID kDispidMovie = 102;
constexpr DISPID kDispidFSCommand = 150;

// What one control instance saw. Kept after the control is gone, so tear-down can be checked.
struct Record {
    std::vector<std::string> calls;  // container calls in order, e.g. "Load", "DoVerb"
    std::vector<std::byte> loaded;   // the bytes read from the persisted stream
    RECT doVerbRect{};               // the rectangle DoVerb was given
    RECT contextRect{};              // the position the site reported in GetWindowContext
    HWND parent = nullptr;           // the window the site reported
    HWND window = nullptr;           // the control's own window
    std::vector<RECT> objectRects;   // every SetObjectRects position
    SIZEL extent{};                  // the last SetExtent
    std::wstring movie;              // the last Movie put
    int moviePuts = 0;
    bool userMode = false;      // the ambient user mode, asked at SetClientSite
    IDispatch* sink = nullptr;  // the connected event sink (not owned)
    int finalReleaseOrder = 0;  // order of the final release among all controls, from 1
};

// Behaviour of the controls created from now on.
struct Options {
    DWORD miscStatus =
        OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
    bool failCreate = false;                           // the factory refuses to create controls
    std::function<void(const std::wstring&)> onMovie;  // called at each Movie put
};

// Registers the control's class factory under a class identifier for the object's lifetime,
// and starts a fresh set of records.
class Registration {
public:
    explicit Registration(REFCLSID clsid = kClsid, Options options = {});
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    bool ok() const { return m_cookie != 0; }

private:
    DWORD m_cookie = 0;
};

// Every control created since the last Registration, in creation order.
const std::vector<std::shared_ptr<Record>>& Controls();

// Fires an event with the given arguments (first argument first) into the record's sink.
HRESULT FireEvent(Record& record, DISPID dispid, std::vector<VARIANT> args);
// FSCommand: two texts.
HRESULT FireFSCommand(Record& record, const wchar_t* command, const wchar_t* args);

}  // namespace test_control
