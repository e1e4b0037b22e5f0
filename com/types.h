// The COM and OLE Automation types the system uses. On Windows they come from
// the system headers; elsewhere these declarations have the same shapes and
// rules, so the same code builds on both.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#else
#include <cstddef>
#include <cstdint>

using HRESULT = int32_t;
using SCODE = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT = int;
using UINT = unsigned int;
using WORD = uint16_t;
using DWORD = uint32_t;
using BYTE = uint8_t;
using DISPID = int32_t;
using LCID = uint32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DATE = double;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

#define STDMETHODCALLTYPE

constexpr HRESULT MakeHresult(uint32_t value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHresult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHresult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHresult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHresult(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeHresult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000Eu);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111u);

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_NULL;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_INT = 22,
    VT_BYREF = 0x4000,
};

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct IDispatch;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        SHORT iVal;
        INT intVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        VARIANT_BOOL* pboolVal;
        VARIANT* pvarVal;
        void* byref;
    };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 8;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr USHORT VARIANT_NOVALUEPROP = 1;

struct ITypeInfo;

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                    LCID lcid, DISPID* ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                             DISPPARAMS* params, VARIANT* result,
                                             EXCEPINFO* excep, UINT* argErr) = 0;

protected:
    ~IDispatch() = default;
};

// BSTR: UTF-16 text with a 32-bit byte count stored just before it, and a NUL after.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

void VariantInit(VARIANTARG* v);
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
#endif

namespace com {
// Wide text crosses the COM boundary as OLECHAR; portable code keeps it as
// char16_t. Both are 16-bit UTF-16 units.
static_assert(sizeof(OLECHAR) == sizeof(char16_t), "OLECHAR must be 16 bits");
inline const OLECHAR* AsOle(const char16_t* s) { return reinterpret_cast<const OLECHAR*>(s); }
inline OLECHAR* AsOle(char16_t* s) { return reinterpret_cast<OLECHAR*>(s); }
inline const char16_t* AsU16(const OLECHAR* s) { return reinterpret_cast<const char16_t*>(s); }
} // namespace com
