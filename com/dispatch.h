// Late binding over IDispatch: members are found by name once per object
// type (the ids are the same for every object of a type) and then invoked.
#pragma once

#include "com/error.h"
#include "com/holders.h"

#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace com {

// The dispatch ids of one object type, found by name on first use.
class DispIdCache {
public:
    explicit DispIdCache(const IID& iid) : iid_(iid) {}
    const IID& Interface() const { return iid_; }
    HRESULT Lookup(IDispatch* object, const char16_t* name, DISPID* id);

private:
    IID iid_;
    std::unordered_map<std::u16string, DISPID> ids_;
};

// The arguments are given in their natural order; Invoke wants them reversed.
HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::initializer_list<const Variant*> args,
               Variant* result);

// Tested calls: they return the HRESULT.
HRESULT TryGet(IDispatch* object, DISPID id, Variant* result,
               std::initializer_list<const Variant*> args = {});
HRESULT TryPut(IDispatch* object, DISPID id, const Variant& value);
HRESULT TryCall(IDispatch* object, DISPID id, Variant* result,
                std::initializer_list<const Variant*> args = {});

// Calls by name through a cache; an unknown name fails like the call would.
HRESULT TryGet(IDispatch* object, DispIdCache& cache, const char16_t* name, Variant* result,
               std::initializer_list<const Variant*> args = {});
HRESULT TryPut(IDispatch* object, DispIdCache& cache, const char16_t* name, const Variant& value);
HRESULT TryCall(IDispatch* object, DispIdCache& cache, const char16_t* name, Variant* result,
                std::initializer_list<const Variant*> args = {});

// Untested calls: a failure raises ComError with the cache's interface id.
Variant Get(IDispatch* object, DispIdCache& cache, const char16_t* name,
            std::initializer_list<const Variant*> args = {});
void Put(IDispatch* object, DispIdCache& cache, const char16_t* name, const Variant& value);
Variant Call(IDispatch* object, DispIdCache& cache, const char16_t* name,
             std::initializer_list<const Variant*> args = {});

} // namespace com
