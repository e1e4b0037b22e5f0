#include "imbridge/imbridge.h"

#include <cstring>
#include <new>
#include <string>

#ifndef _WIN32
#include "platform/codepage.h"
#endif

namespace {

constexpr DISPID kDispIdIMAddress = 0x8062;

#ifdef _WIN32
bool WideToAnsi(const OLECHAR* text, UINT length, std::string* out) {
    out->clear();
    if (length == 0)
        return true;
    const int wide = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    out->resize(static_cast<size_t>(n));
    return WideCharToMultiByte(CP_THREAD_ACP, 0, text, wide, &(*out)[0], n, nullptr, nullptr) == n;
}

BSTR AnsiToBstr(const char* text) {
    const int bytes = static_cast<int>(std::strlen(text));
    if (bytes == 0)
        return SysAllocStringLen(nullptr, 0);
    const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, bytes, nullptr, 0);
    if (n <= 0)
        return nullptr;
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (b && MultiByteToWideChar(CP_THREAD_ACP, 0, text, bytes, b, n) != n) {
        SysFreeString(b);
        return nullptr;
    }
    return b;
}
#else
bool WideToAnsi(const OLECHAR* text, UINT length, std::string* out) {
    *out = platform::WideToAnsi(std::u16string_view(text, length));
    return true;
}

BSTR AnsiToBstr(const char* text) {
    const std::u16string wide = platform::AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}
#endif

// The failure an Invoke reports; for DISP_E_EXCEPTION the item's own code.
HRESULT InvokeFailure(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION) {
        if (info->pfnDeferredFillIn)
            info->pfnDeferredFillIn(info);
        if (FAILED(info->scode))
            hr = info->scode;
    }
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    std::memset(info, 0, sizeof *info);
    return FAILED(hr) ? hr : E_FAIL;
}

LONG GetAddress(IDispatch* item, char* buffer, LONG size) {
    std::string address;
    if (item) {
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        EXCEPINFO info;
        std::memset(&info, 0, sizeof info);
        UINT argErr = 0;
        HRESULT hr = item->Invoke(kDispIdIMAddress, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                  &result, &info, &argErr);
        if (FAILED(hr)) {
            VariantClear(&result);
            return InvokeFailure(hr, &info);
        }
        if (result.vt != VT_BSTR) {
            hr = VariantChangeType(&result, &result, 0, VT_BSTR);
            if (FAILED(hr)) {
                VariantClear(&result);
                return hr;
            }
        }
        const bool converted =
            WideToAnsi(result.bstrVal, result.bstrVal ? SysStringLen(result.bstrVal) : 0, &address);
        VariantClear(&result);
        if (!converted)
            return E_FAIL;
    }
    if (!buffer || size <= 0 || address.size() >= static_cast<unsigned long>(size))
        return -1;
    std::memcpy(buffer, address.c_str(), address.size() + 1);
    return 0;
}

LONG SetAddress(IDispatch* item, const char* address) {
    if (!item)
        return 0;
    BSTR text = AnsiToBstr(address ? address : "");
    if (!text)
        return E_OUTOFMEMORY;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = text;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &named, 1, 1};
    EXCEPINFO info;
    std::memset(&info, 0, sizeof info);
    UINT argErr = 0;
    HRESULT hr = item->Invoke(kDispIdIMAddress, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                              &info, &argErr);
    SysFreeString(text);
    if (FAILED(hr))
        return InvokeFailure(hr, &info);
    return 0;
}

} // namespace

extern "C" {

LONG IMBRIDGE_CALL OL10_getIMAddress(IDispatch* item, char* buffer, LONG size) {
    try {
        return GetAddress(item, buffer, size);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

LONG IMBRIDGE_CALL OL10_setIMAddress(IDispatch* item, const char* address) {
    try {
        return SetAddress(item, address);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
}
