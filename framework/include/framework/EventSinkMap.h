// Event sink maps: a static table per class from (control id, event DISPID) to a member
// handler, chained to the base class's table. The hosted control's events arrive through the
// control container and are delivered here.
//
//     BEGIN_EVENTSINK_MAP(PlayerDialog, CDialog)
//         ON_EVENT(PlayerDialog, IDC_MOVIE, 150, OnFSCommand, VTS_BSTR VTS_BSTR)
//     END_EVENTSINK_MAP()
//
// The parameter list names the event's parameter types in order; it must match the handler's
// signature (checked at compile time). Handler parameter types per code:
//     VTS_BSTR  const wchar_t*  (never null; valid during the call)
//     VTS_I2    short           VTS_I4  long
//     VTS_BOOL  bool            VTS_R8  double
// An event whose arguments cannot be converted to these types is not delivered.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

class CCmdTarget;

// Parameter type codes, concatenated into a list: VTS_BSTR VTS_BSTR is "\x08\x08".
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R8 "\x05"
#define VTS_BSTR "\x08"
#define VTS_BOOL "\x0B"

struct EventSinkEntry {
    UINT controlId;
    DISPID dispid;
    HRESULT (*handler)(CCmdTarget& target, const DISPPARAMS& params);
};

struct EventSinkMap {
    const EventSinkMap* (*base)();  // the base class's map; null at the root
    const EventSinkEntry* entries;  // ends with an entry whose handler is null
};

// The first entry for the control and event along the chain.
const EventSinkEntry* FindEventSinkEntry(const EventSinkMap* map, UINT controlId, DISPID dispid);

namespace event_sink_detail {

template <typename T>
struct Param;
template <>
struct Param<const wchar_t*> {
    static constexpr VARTYPE vt = VT_BSTR;
    static const wchar_t* From(const VARIANT& v) { return v.bstrVal ? v.bstrVal : L""; }
};
template <>
struct Param<short> {
    static constexpr VARTYPE vt = VT_I2;
    static short From(const VARIANT& v) { return v.iVal; }
};
template <>
struct Param<long> {
    static constexpr VARTYPE vt = VT_I4;
    static long From(const VARIANT& v) { return v.lVal; }
};
template <>
struct Param<bool> {
    static constexpr VARTYPE vt = VT_BOOL;
    static bool From(const VARIANT& v) { return v.boolVal != VARIANT_FALSE; }
};
template <>
struct Param<double> {
    static constexpr VARTYPE vt = VT_R8;
    static double From(const VARIANT& v) { return v.dblVal; }
};

template <typename T>
using ParamOf = Param<std::remove_cv_t<T>>;

// True when the list of type codes names exactly the handler's parameter types.
template <typename C, typename... Args>
constexpr bool ParamsMatch(void (C::*)(Args...), const char* codes) {
    constexpr std::array<VARTYPE, sizeof...(Args)> types = {ParamOf<Args>::vt...};
    std::size_t i = 0;
    for (; codes[i] != '\0'; ++i) {
        if (i >= types.size() || static_cast<unsigned char>(codes[i]) != types[i])
            return false;
    }
    return i == types.size();
}

// One converted argument, cleared when the call is over.
struct ConvertedArg {
    VARIANT value;
    ConvertedArg() { VariantInit(&value); }
    ~ConvertedArg() { VariantClear(&value); }
    ConvertedArg(const ConvertedArg&) = delete;
    ConvertedArg& operator=(const ConvertedArg&) = delete;
};

// Converts the event's arguments (which DISPPARAMS holds last-first) and calls the handler.
template <typename C, typename... Args, std::size_t... I>
HRESULT Call(C& target, void (C::*handler)(Args...), const DISPPARAMS& params, std::index_sequence<I...>) {
    constexpr std::size_t count = sizeof...(Args);
    if (params.cArgs != count || (count > 0 && params.rgvarg == nullptr))
        return DISP_E_BADPARAMCOUNT;
    constexpr std::array<VARTYPE, count> types = {ParamOf<Args>::vt...};
    std::array<ConvertedArg, count> args;
    for (std::size_t i = 0; i < count; ++i) {
        VARIANTARG* source = &params.rgvarg[count - 1 - i];
        if (FAILED(VariantChangeType(&args[i].value, source, 0, types[i])))
            return DISP_E_TYPEMISMATCH;
    }
    (target.*handler)(ParamOf<Args>::From(args[I].value)...);
    return S_OK;
}

template <typename C, typename... Args>
HRESULT CallEventHandler(C& target, void (C::*handler)(Args...), const DISPPARAMS& params) {
    return Call(target, handler, params, std::index_sequence_for<Args...>{});
}

}  // namespace event_sink_detail

#define DECLARE_EVENTSINK_MAP()                       \
protected:                                            \
    static const EventSinkMap* GetThisEventSinkMap(); \
    const EventSinkMap* GetEventSinkMap() const override;

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)            \
    const EventSinkMap* theClass::GetEventSinkMap() const { \
        return GetThisEventSinkMap();                       \
    }                                                       \
    const EventSinkMap* theClass::GetThisEventSinkMap() {   \
        using TheBaseClass = baseClass;                     \
        static const EventSinkEntry entries[] = {
#define ON_EVENT(theClass, controlId, dispid, handlerName, vtsParams)                                                \
    {(controlId), (dispid), [](CCmdTarget& target, const DISPPARAMS& params) -> HRESULT {                            \
         static_assert(event_sink_detail::ParamsMatch(&theClass::handlerName, vtsParams),                            \
                       "the parameter list does not match the handler's parameters");                                \
         return event_sink_detail::CallEventHandler(static_cast<theClass&>(target), &theClass::handlerName, params); \
     }},

#define END_EVENTSINK_MAP()                                                        \
    { 0, 0, nullptr }                                                              \
    }                                                                              \
    ;                                                                              \
    static const EventSinkMap map = {&TheBaseClass::GetThisEventSinkMap, entries}; \
    return &map;                                                                   \
    }
