#include "DispatchCall.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// The arguments of one call, in DISPPARAMS order (last argument first); cleared at the end.
class ArgumentList {
public:
    explicit ArgumentList(std::size_t count) : m_values(count) {
        for (VARIANT& v : m_values)
            VariantInit(&v);
    }
    ~ArgumentList() {
        for (VARIANT& v : m_values)
            VariantClear(&v);
    }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    VARIANT& ForParameter(std::size_t index) { return m_values[m_values.size() - 1 - index]; }
    VARIANT* data() { return m_values.empty() ? nullptr : m_values.data(); }
    UINT size() const { return static_cast<UINT>(m_values.size()); }

private:
    std::vector<VARIANT> m_values;
};

HRESULT TakeArgument(BYTE code, va_list& args, VARIANT& out) {
    switch (code) {
    case VT_BSTR: {
        const wchar_t* text = va_arg(args, const wchar_t*);
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocString(text ? text : L"");
        return out.bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    case VT_I2:
        out.vt = VT_I2;
        out.iVal = static_cast<SHORT>(va_arg(args, int));
        return S_OK;
    case VT_I4:
        out.vt = VT_I4;
        out.lVal = va_arg(args, long);
        return S_OK;
    case VT_BOOL:
        out.vt = VT_BOOL;
        out.boolVal = va_arg(args, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case VT_R8:
        out.vt = VT_R8;
        out.dblVal = va_arg(args, double);
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

bool IsKnownResultType(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_I4 || vt == VT_BOOL || vt == VT_BSTR;
}

HRESULT StoreResult(VARIANT& result, VARTYPE vtRet, void* pvRet) {
    if (vtRet == VT_EMPTY || pvRet == nullptr)
        return S_OK;
    HRESULT hr = VariantChangeType(&result, &result, 0, vtRet);
    if (FAILED(hr))
        return hr;
    switch (vtRet) {
    case VT_I4:
        *static_cast<long*>(pvRet) = result.lVal;
        break;
    case VT_BOOL:
        *static_cast<BOOL*>(pvRet) = result.boolVal != VARIANT_FALSE;
        break;
    case VT_BSTR:
        *static_cast<std::wstring*>(pvRet) =
            result.bstrVal ? std::wstring(result.bstrVal, SysStringLen(result.bstrVal)) : std::wstring();
        break;
    }
    return S_OK;
}

}  // namespace

HRESULT InvokeDispatchV(IDispatch* dispatch, DISPID dispid, WORD flags, VARTYPE vtRet, void* pvRet,
                        const BYTE* paramInfo, va_list args) noexcept try {
    if (dispatch == nullptr)
        return E_POINTER;
    if (!IsKnownResultType(vtRet))
        return E_INVALIDARG;
    const std::size_t count = paramInfo ? std::strlen(reinterpret_cast<const char*>(paramInfo)) : 0;
    ArgumentList arguments(count);
    va_list cursor;
    va_copy(cursor, args);
    HRESULT hr = S_OK;
    for (std::size_t i = 0; i < count && SUCCEEDED(hr); ++i)
        hr = TakeArgument(paramInfo[i], cursor, arguments.ForParameter(i));
    va_end(cursor);
    if (FAILED(hr))
        return hr;

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.data(), nullptr, arguments.size(), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT badArgument = 0;
    hr = dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, vtRet == VT_EMPTY ? nullptr : &result,
                          &exception, &badArgument);
    if (hr == DISP_E_EXCEPTION) {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    if (SUCCEEDED(hr))
        hr = StoreResult(result, vtRet, pvRet);
    VariantClear(&result);
    return hr;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
