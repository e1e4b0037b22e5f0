#include "com/dispatch.h"

namespace com {

HRESULT DispIdCache::Lookup(IDispatch* object, const char16_t* name, DISPID* id) {
    if (!object)
        return E_POINTER;
    auto it = ids_.find(name);
    if (it != ids_.end()) {
        *id = it->second;
        return S_OK;
    }
    std::u16string copy(name);
    LPOLESTR names[1] = {AsOle(&copy[0])};
    DISPID found = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found);
    if (FAILED(hr))
        return hr;
    ids_.emplace(std::move(copy), found);
    *id = found;
    return S_OK;
}

HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::initializer_list<const Variant*> args,
               Variant* result) {
    if (!object)
        return E_POINTER;
    // Shallow copies: the callers' holders keep ownership of the values.
    std::vector<VARIANTARG> reversed;
    reversed.reserve(args.size());
    for (auto it = args.end(); it != args.begin();) {
        --it;
        reversed.push_back(*(*it)->Get());
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO excep{};
    UINT argErr = 0;
    Variant local;
    VARIANT* out = result ? result->Out() : local.Get();
    HRESULT hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &excep, &argErr);
    // The exception texts are not used; the HRESULT says what failed.
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && excep.scode != 0)
        hr = excep.scode;
    return hr;
}

HRESULT TryGet(IDispatch* object, DISPID id, Variant* result,
               std::initializer_list<const Variant*> args) {
    return Invoke(object, id, DISPATCH_PROPERTYGET, args, result);
}

HRESULT TryPut(IDispatch* object, DISPID id, const Variant& value) {
    return Invoke(object, id, DISPATCH_PROPERTYPUT, {&value}, nullptr);
}

HRESULT TryCall(IDispatch* object, DISPID id, Variant* result,
                std::initializer_list<const Variant*> args) {
    return Invoke(object, id, DISPATCH_METHOD, args, result);
}

HRESULT TryGet(IDispatch* object, DispIdCache& cache, const char16_t* name, Variant* result,
               std::initializer_list<const Variant*> args) {
    DISPID id;
    HRESULT hr = cache.Lookup(object, name, &id);
    return FAILED(hr) ? hr : TryGet(object, id, result, args);
}

HRESULT TryPut(IDispatch* object, DispIdCache& cache, const char16_t* name, const Variant& value) {
    DISPID id;
    HRESULT hr = cache.Lookup(object, name, &id);
    return FAILED(hr) ? hr : TryPut(object, id, value);
}

HRESULT TryCall(IDispatch* object, DispIdCache& cache, const char16_t* name, Variant* result,
                std::initializer_list<const Variant*> args) {
    DISPID id;
    HRESULT hr = cache.Lookup(object, name, &id);
    return FAILED(hr) ? hr : TryCall(object, id, result, args);
}

Variant Get(IDispatch* object, DispIdCache& cache, const char16_t* name,
            std::initializer_list<const Variant*> args) {
    Variant r;
    Check(TryGet(object, cache, name, &r, args), cache.Interface());
    return r;
}

void Put(IDispatch* object, DispIdCache& cache, const char16_t* name, const Variant& value) {
    Check(TryPut(object, cache, name, value), cache.Interface());
}

Variant Call(IDispatch* object, DispIdCache& cache, const char16_t* name,
             std::initializer_list<const Variant*> args) {
    Variant r;
    Check(TryCall(object, cache, name, &r, args), cache.Interface());
    return r;
}

} // namespace com
