// The bridge against a small contact double that counts its references and
// records every Invoke, so borrowed-pointer and error paths can be checked.
#include "imbridge/imbridge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr DISPID kIMAddress = 0x8062;
const HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005u);

std::u16string FromBstr(BSTR b) {
    if (!b)
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b));
}

BSTR ToBstr(const std::u16string& s) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()),
                             static_cast<UINT>(s.size()));
}

class FakeContact : public IDispatch {
public:
    std::u16string address;
    VARTYPE resultType = VT_BSTR; // VT_I4 answers 42, VT_NULL answers null
    HRESULT failure = S_OK;
    SCODE exceptionCode = S_OK; // with DISP_E_EXCEPTION
    int invokes = 0;
    bool putWasBstr = false;
    bool putWasNamed = false;
    bool putBstrNull = true;
    ULONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        ADD_FAILURE() << "the bridge must not look the property up by name";
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT*) override {
        ++invokes;
        if (id != kIMAddress || !IsEqualGUID(riid, IID_NULL))
            return DISP_E_MEMBERNOTFOUND;
        if (failure != S_OK) {
            if (failure == DISP_E_EXCEPTION && excep) {
                excep->scode = exceptionCode;
                excep->bstrSource = ToBstr(u"Outlook");
                excep->bstrDescription = ToBstr(u"The operation failed.");
            }
            return failure;
        }
        if (flags == DISPATCH_PROPERTYGET) {
            if (!result || params->cArgs != 0)
                return DISP_E_BADPARAMCOUNT;
            VariantInit(result);
            result->vt = resultType;
            if (resultType == VT_BSTR)
                result->bstrVal = ToBstr(address);
            else if (resultType == VT_I4)
                result->lVal = 42;
            return S_OK;
        }
        if (flags == DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            putWasNamed =
                params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
            putWasBstr = params->rgvarg[0].vt == VT_BSTR;
            putBstrNull = params->rgvarg[0].bstrVal == nullptr;
            address = FromBstr(params->rgvarg[0].bstrVal);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

struct Buffer {
    char bytes[256];
    Buffer() { std::memset(bytes, 'Z', sizeof bytes); }
    bool Untouched() const {
        for (char b : bytes)
            if (b != 'Z')
                return false;
        return true;
    }
};

TEST(ImBridgeTest, AddressFitsOnlyWithItsNul) {
    struct Case {
        size_t length;
        LONG size;
        LONG expected;
    };
    const Case cases[] = {{255, 256, 0}, {256, 256, -1}, {0, 1, 0}, {1, 1, -1}, {10, 11, 0}};
    for (const Case& c : cases) {
        FakeContact contact;
        contact.address = std::u16string(c.length, u'x');
        Buffer buffer;
        EXPECT_EQ(OL10_getIMAddress(&contact, buffer.bytes, c.size), c.expected) << c.length;
        if (c.expected == 0)
            EXPECT_EQ(std::string(buffer.bytes), std::string(c.length, 'x'));
        else
            EXPECT_TRUE(buffer.Untouched()) << c.length;
        EXPECT_EQ(contact.refs, 1u);
    }
}

TEST(ImBridgeTest, SizeZeroOrBelowAlwaysFails) {
    for (LONG size : {0, -1, -256}) {
        FakeContact contact;
        Buffer buffer;
        EXPECT_EQ(OL10_getIMAddress(&contact, buffer.bytes, size), -1);
        EXPECT_EQ(OL10_getIMAddress(nullptr, buffer.bytes, size), -1);
        EXPECT_TRUE(buffer.Untouched());
    }
}

TEST(ImBridgeTest, NullBufferGetsNothing) {
    FakeContact contact;
    EXPECT_EQ(OL10_getIMAddress(&contact, nullptr, 256), -1);
    EXPECT_EQ(OL10_getIMAddress(nullptr, nullptr, 256), -1);
    EXPECT_EQ(contact.refs, 1u);
}

TEST(ImBridgeTest, NullItemIsAnEmptyAddressWithoutCalls) {
    Buffer buffer;
    EXPECT_EQ(OL10_getIMAddress(nullptr, buffer.bytes, 256), 0);
    EXPECT_EQ(buffer.bytes[0], '\0');
    EXPECT_EQ(OL10_setIMAddress(nullptr, "me@example.com"), 0);
}

TEST(ImBridgeTest, ReadsByDispatchIdAndConverts) {
    FakeContact contact;
    Buffer buffer;
    EXPECT_EQ(OL10_getIMAddress(&contact, buffer.bytes, 256), 0);
    EXPECT_STREQ(buffer.bytes, "");
    EXPECT_EQ(contact.invokes, 1);

    // Characters outside the code page come back replaced; length counts bytes.
    contact.address = u"caf\u00e9 \u4e2d";
    EXPECT_EQ(OL10_getIMAddress(&contact, buffer.bytes, 256), 0);
    EXPECT_STREQ(buffer.bytes, "caf\xE9 ?");
    Buffer small;
    EXPECT_EQ(OL10_getIMAddress(&contact, small.bytes, 6), -1);
    EXPECT_TRUE(small.Untouched());
    EXPECT_EQ(OL10_getIMAddress(&contact, small.bytes, 7), 0);

    // A result that is not text is changed to text.
    contact.resultType = VT_I4;
    EXPECT_EQ(OL10_getIMAddress(&contact, buffer.bytes, 256), 0);
    EXPECT_STREQ(buffer.bytes, "42");
    EXPECT_EQ(contact.refs, 1u);
}

TEST(ImBridgeTest, FailuresComeBackAsResultsNotExceptions) {
    struct Case {
        HRESULT failure;
        SCODE exceptionCode;
        VARTYPE resultType;
        HRESULT expected;
    };
    const Case cases[] = {
        {E_FAIL, S_OK, VT_BSTR, E_FAIL},
        {DISP_E_MEMBERNOTFOUND, S_OK, VT_BSTR, DISP_E_MEMBERNOTFOUND},
        {DISP_E_EXCEPTION, kAccessDenied, VT_BSTR, kAccessDenied},
        {DISP_E_EXCEPTION, S_OK, VT_BSTR, DISP_E_EXCEPTION},
        {S_OK, S_OK, VT_NULL, DISP_E_TYPEMISMATCH},
    };
    for (const Case& c : cases) {
        FakeContact contact;
        contact.failure = c.failure;
        contact.exceptionCode = c.exceptionCode;
        contact.resultType = c.resultType;
        Buffer buffer;
        LONG result = 0;
        EXPECT_NO_THROW(result = OL10_getIMAddress(&contact, buffer.bytes, 256));
        EXPECT_LT(result, 0);
        EXPECT_EQ(result, c.expected);
        EXPECT_TRUE(buffer.Untouched());
        EXPECT_EQ(contact.refs, 1u);
        if (c.resultType != VT_BSTR)
            continue; // a put of text cannot fail on the type
        EXPECT_NO_THROW(result = OL10_setIMAddress(&contact, "x"));
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(contact.refs, 1u);
    }
}

TEST(ImBridgeTest, SetPassesNamedBstr) {
    FakeContact contact;
    EXPECT_EQ(OL10_setIMAddress(&contact, "caf\xE9"), 0);
    EXPECT_TRUE(contact.putWasBstr);
    EXPECT_TRUE(contact.putWasNamed);
    EXPECT_EQ(contact.address, u"caf\u00e9");

    // The empty text still passes a (empty) string.
    EXPECT_EQ(OL10_setIMAddress(&contact, ""), 0);
    EXPECT_TRUE(contact.putWasBstr);
    EXPECT_FALSE(contact.putBstrNull);
    EXPECT_EQ(contact.address, u"");
    EXPECT_EQ(contact.refs, 1u);

    // What is set reads back.
    EXPECT_EQ(OL10_setIMAddress(&contact, "me@example.com"), 0);
    char buffer[256];
    EXPECT_EQ(OL10_getIMAddress(&contact, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "me@example.com");
}

} // namespace
