#include "com/types.h"

#ifndef _WIN32
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > (std::numeric_limits<uint32_t>::max() - 8) / 2)
        return nullptr;
    const size_t bytes = size_t{length} * 2;
    auto* block = static_cast<unsigned char*>(std::malloc(4 + bytes + 2));
    if (!block)
        return nullptr;
    const uint32_t prefix = static_cast<uint32_t>(bytes);
    std::memcpy(block, &prefix, 4);
    auto* str = reinterpret_cast<OLECHAR*>(block + 4);
    if (text)
        std::memcpy(str, text, bytes);
    else
        std::memset(str, 0, bytes);
    str[length] = 0;
    return str;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text)
        return nullptr;
    UINT n = 0;
    while (text[n])
        ++n;
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text) {
    if (text)
        std::free(reinterpret_cast<unsigned char*>(text) - 4);
}

UINT SysStringByteLen(BSTR text) {
    if (!text)
        return 0;
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<unsigned char*>(text) - 4, 4);
    return prefix;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / 2; }

void VariantInit(VARIANTARG* v) {
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
    if (!v)
        return E_INVALIDARG;
    switch (v->vt) {
    case VT_BSTR:
        SysFreeString(v->bstrVal);
        break;
    case VT_DISPATCH:
        if (v->pdispVal)
            v->pdispVal->Release();
        break;
    case VT_UNKNOWN:
        if (v->punkVal)
            v->punkVal->Release();
        break;
    default:
        break;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    VARIANT copy = *src;
    switch (src->vt) {
    case VT_BSTR:
        if (src->bstrVal) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        }
        break;
    case VT_DISPATCH:
        if (copy.pdispVal)
            copy.pdispVal->AddRef();
        break;
    case VT_UNKNOWN:
        if (copy.punkVal)
            copy.punkVal->AddRef();
        break;
    default:
        break;
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

namespace {

BSTR AllocAscii(const std::string& s) {
    std::u16string w(s.begin(), s.end());
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

bool AsDouble(const VARIANT& v, double* out) {
    switch (v.vt) {
    case VT_EMPTY: *out = 0; return true;
    case VT_I2: *out = v.iVal; return true;
    case VT_I4: *out = v.lVal; return true;
    case VT_INT: *out = v.intVal; return true;
    case VT_R8: *out = v.dblVal; return true;
    case VT_DATE: *out = v.date; return true;
    case VT_BOOL: *out = v.boolVal ? -1 : 0; return true;
    case VT_BSTR: {
        std::string ascii;
        for (UINT i = 0, n = SysStringLen(v.bstrVal); i < n; ++i) {
            if (v.bstrVal[i] > 127)
                return false;
            ascii += static_cast<char>(v.bstrVal[i]);
        }
        if (ascii.empty())
            return false;
        char* end = nullptr;
        errno = 0;
        const double d = std::strtod(ascii.c_str(), &end);
        if (*end != '\0' || errno == ERANGE)
            return false;
        *out = d;
        return true;
    }
    default:
        return false;
    }
}

std::string FormatNumber(double d) {
    char buf[64];
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", d);
    else
        std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

} // namespace

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT, VARTYPE vt) {
    if (!dest || !src)
        return E_INVALIDARG;
    VARIANT result;
    VariantInit(&result);
    if (src->vt == vt) {
        HRESULT hr = VariantCopy(&result, src);
        if (FAILED(hr))
            return hr;
    } else {
        double d = 0;
        switch (vt) {
        case VT_BSTR:
            if (src->vt == VT_EMPTY) {
                result.bstrVal = SysAllocStringLen(nullptr, 0);
            } else if (src->vt == VT_BOOL) {
                result.bstrVal = AllocAscii(src->boolVal ? "True" : "False");
            } else if (AsDouble(*src, &d)) {
                result.bstrVal = AllocAscii(FormatNumber(d));
            } else {
                return DISP_E_TYPEMISMATCH;
            }
            if (!result.bstrVal)
                return E_OUTOFMEMORY;
            break;
        case VT_I2:
        case VT_I4:
        case VT_INT: {
            if (!AsDouble(*src, &d))
                return DISP_E_TYPEMISMATCH;
            const double r = std::nearbyint(d);
            const double lo = vt == VT_I2 ? -32768.0 : -2147483648.0;
            const double hi = vt == VT_I2 ? 32767.0 : 2147483647.0;
            if (!(r >= lo && r <= hi))
                return DISP_E_OVERFLOW;
            if (vt == VT_I2)
                result.iVal = static_cast<SHORT>(r);
            else if (vt == VT_I4)
                result.lVal = static_cast<LONG>(r);
            else
                result.intVal = static_cast<INT>(r);
            break;
        }
        case VT_R8:
        case VT_DATE:
            if (!AsDouble(*src, &d))
                return DISP_E_TYPEMISMATCH;
            if (vt == VT_R8)
                result.dblVal = d;
            else
                result.date = d;
            break;
        case VT_BOOL:
            if (!AsDouble(*src, &d))
                return DISP_E_TYPEMISMATCH;
            result.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        default:
            return DISP_E_BADVARTYPE;
        }
        result.vt = vt;
    }
    VariantClear(dest);
    *dest = result;
    return S_OK;
}
#endif
