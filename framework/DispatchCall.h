// A call through IDispatch with arguments given as a VTS_ type list and a variable argument
// list: what InvokeHelper does for a hosted control.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdarg>

// Arguments per code: VTS_BSTR const wchar_t* (null is an empty text), VTS_I2 short,
// VTS_I4 long, VTS_BOOL BOOL, VTS_R8 double. A property put passes its one argument as the
// named DISPID_PROPERTYPUT argument. Results per vtRet: VT_EMPTY none (pvRet may be null),
// VT_I4 long*, VT_BOOL BOOL*, VT_BSTR std::wstring*. An unknown code or result type gives
// E_INVALIDARG and no call.
HRESULT InvokeDispatchV(IDispatch* dispatch, DISPID dispid, WORD flags, VARTYPE vtRet, void* pvRet,
                        const BYTE* paramInfo, va_list args) noexcept;
