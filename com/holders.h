// RAII holders: every COM reference, BSTR and VARIANT has exactly one owner.
#pragma once

#include "com/types.h"

#include <string>
#include <string_view>
#include <utility>

namespace com {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).Swap(*this);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a reference the caller already owns.
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    // For out parameters: releases what is held and hands out the slot.
    T** Out() {
        Reset();
        return &p_;
    }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

    template <class U> HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, reinterpret_cast<void**>(out->Out()));
    }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept {
        std::swap(b_, o.b_);
        return *this;
    }
    ~Bstr() { SysFreeString(b_); }

    static Bstr Adopt(BSTR b) {
        Bstr r;
        r.b_ = b;
        return r;
    }
    BSTR Get() const { return b_; }
    BSTR* Out() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    BSTR Detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    size_t Length() const { return b_ ? SysStringLen(b_) : 0; }
    std::u16string Str() const { return std::u16string(AsU16(b_ ? b_ : AsOle(u"")), Length()); }

private:
    BSTR b_ = nullptr;
};

// Text of a BSTR; null counts as empty.
std::u16string ToU16(BSTR b);

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& o);
    Variant& operator=(const Variant& o);
    Variant(Variant&& o) noexcept;
    Variant& operator=(Variant&& o) noexcept;
    ~Variant() { VariantClear(&v_); }

    static Variant I4(LONG value);
    static Variant Int(INT value);
    static Variant I2(SHORT value);
    static Variant Bool(bool value);
    static Variant R8(double value);
    static Variant Date(DATE value);
    static Variant Text(std::u16string_view value);
    static Variant Dispatch(IDispatch* value); // takes a new reference
    // The "missing" argument of an optional parameter.
    static Variant Missing();

    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARIANT* Out() {
        VariantClear(&v_);
        return &v_;
    }
    VARTYPE Type() const { return v_.vt; }
    void Clear() { VariantClear(&v_); }
    // Hands the value over to a VARIANT the caller then owns.
    VARIANT Detach();

    // Coercions; they return the HRESULT of VariantChangeType.
    HRESULT ToText(std::u16string* out) const;
    HRESULT ToLong(LONG* out) const;
    HRESULT ToDouble(double* out) const;
    HRESULT ToBool(bool* out) const;
    // Takes the dispatch pointer (null when the variant holds none or a null).
    HRESULT ToDispatch(ComPtr<IDispatch>* out) const;

private:
    VARIANT v_;
};

} // namespace com
