#include "com/holders.h"

namespace com {

Bstr::Bstr(std::u16string_view text)
    : b_(SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size()))) {}

std::u16string ToU16(BSTR b) {
    if (!b)
        return {};
    return std::u16string(AsU16(b), SysStringLen(b));
}

Variant::Variant(const Variant& o) {
    VariantInit(&v_);
    VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
}

Variant& Variant::operator=(const Variant& o) {
    if (this != &o)
        VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
    return *this;
}

Variant::Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }

Variant& Variant::operator=(Variant&& o) noexcept {
    if (this != &o) {
        VariantClear(&v_);
        v_ = o.v_;
        VariantInit(&o.v_);
    }
    return *this;
}

Variant Variant::I4(LONG value) {
    Variant r;
    r.v_.vt = VT_I4;
    r.v_.lVal = value;
    return r;
}

Variant Variant::Int(INT value) {
    Variant r;
    r.v_.vt = VT_INT;
    r.v_.intVal = value;
    return r;
}

Variant Variant::I2(SHORT value) {
    Variant r;
    r.v_.vt = VT_I2;
    r.v_.iVal = value;
    return r;
}

Variant Variant::Bool(bool value) {
    Variant r;
    r.v_.vt = VT_BOOL;
    r.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

Variant Variant::R8(double value) {
    Variant r;
    r.v_.vt = VT_R8;
    r.v_.dblVal = value;
    return r;
}

Variant Variant::Date(DATE value) {
    Variant r;
    r.v_.vt = VT_DATE;
    r.v_.date = value;
    return r;
}

Variant Variant::Text(std::u16string_view value) {
    Variant r;
    r.v_.bstrVal = SysAllocStringLen(AsOle(value.data()), static_cast<UINT>(value.size()));
    r.v_.vt = r.v_.bstrVal ? VT_BSTR : VT_EMPTY;
    return r;
}

Variant Variant::Dispatch(IDispatch* value) {
    Variant r;
    r.v_.vt = VT_DISPATCH;
    r.v_.pdispVal = value;
    if (value)
        value->AddRef();
    return r;
}

Variant Variant::Missing() {
    Variant r;
    r.v_.vt = VT_ERROR;
    r.v_.scode = DISP_E_PARAMNOTFOUND;
    return r;
}

VARIANT Variant::Detach() {
    VARIANT r = v_;
    VariantInit(&v_);
    return r;
}

HRESULT Variant::ToText(std::u16string* out) const {
    if (v_.vt == VT_BSTR) {
        *out = ToU16(v_.bstrVal);
        return S_OK;
    }
    Variant tmp;
    HRESULT hr = VariantChangeType(tmp.Get(), const_cast<VARIANT*>(&v_), 0, VT_BSTR);
    if (FAILED(hr))
        return hr;
    *out = ToU16(tmp.v_.bstrVal);
    return S_OK;
}

HRESULT Variant::ToLong(LONG* out) const {
    Variant tmp;
    HRESULT hr = VariantChangeType(tmp.Get(), const_cast<VARIANT*>(&v_), 0, VT_I4);
    if (SUCCEEDED(hr))
        *out = tmp.v_.lVal;
    return hr;
}

HRESULT Variant::ToDouble(double* out) const {
    Variant tmp;
    HRESULT hr = VariantChangeType(tmp.Get(), const_cast<VARIANT*>(&v_), 0, VT_R8);
    if (SUCCEEDED(hr))
        *out = tmp.v_.dblVal;
    return hr;
}

HRESULT Variant::ToBool(bool* out) const {
    Variant tmp;
    HRESULT hr = VariantChangeType(tmp.Get(), const_cast<VARIANT*>(&v_), 0, VT_BOOL);
    if (SUCCEEDED(hr))
        *out = tmp.v_.boolVal != VARIANT_FALSE;
    return hr;
}

HRESULT Variant::ToDispatch(ComPtr<IDispatch>* out) const {
    out->Reset();
    if (v_.vt == VT_DISPATCH) {
        *out = ComPtr<IDispatch>(v_.pdispVal);
        return S_OK;
    }
    if (v_.vt == VT_UNKNOWN) {
        if (!v_.punkVal)
            return S_OK;
        return v_.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out->Out()));
    }
    if (v_.vt == VT_EMPTY || v_.vt == VT_NULL)
        return S_OK;
    return DISP_E_TYPEMISMATCH;
}

} // namespace com
