// The error raised for an Outlook or COM call whose failure the caller does
// not test: it carries the failing HRESULT and the interface that failed.
#pragma once

#include "com/types.h"

#include <exception>
#include <string>

namespace com {

class ComError : public std::exception {
public:
    ComError(HRESULT hr, const IID& iid);
    HRESULT Result() const { return hr_; }
    const IID& Interface() const { return iid_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    HRESULT hr_;
    IID iid_;
    std::string what_;
};

// "{00063021-0000-0000-C000-000000000046}"
std::string FormatGuid(const GUID& g);

// Raises ComError when hr is a failure; returns hr otherwise.
inline HRESULT Check(HRESULT hr, const IID& iid) {
    if (FAILED(hr))
        throw ComError(hr, iid);
    return hr;
}

} // namespace com
