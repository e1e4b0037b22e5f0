#include "com/dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

using namespace com;

namespace {

const IID kTestIid = {0x00063021, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A small dispatch object: one text property "Name" (id 1), a method
// "Join" (id 2) that joins its arguments, and a call counter for lookups.
class FakeDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
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
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* ids) override {
        ++lookups;
        std::u16string wanted(AsU16(names[0]));
        if (wanted == u"Name")
            *ids = 1;
        else if (wanted == u"Join")
            *ids = 2;
        else
            return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (failWith)
            return failWith;
        if (id == 1 && (flags & DISPATCH_PROPERTYPUT)) {
            if (params->cArgs != 1 || params->cNamedArgs != 1 ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
                params->rgvarg[0].vt != VT_BSTR)
                return DISP_E_PARAMNOTFOUND;
            name = ToU16(params->rgvarg[0].bstrVal);
            return S_OK;
        }
        if (id == 1 && (flags & DISPATCH_PROPERTYGET)) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocStringLen(AsOle(name.data()), static_cast<UINT>(name.size()));
            return S_OK;
        }
        if (id == 2 && (flags & DISPATCH_METHOD)) {
            std::u16string joined;
            for (UINT i = params->cArgs; i-- > 0;) {
                const VARIANT& a = params->rgvarg[i];
                if (a.vt == VT_ERROR && a.scode == DISP_E_PARAMNOTFOUND)
                    joined += u"?";
                else if (a.vt == VT_I4)
                    joined += static_cast<char16_t>(u'0' + a.lVal);
                else if (a.vt == VT_BSTR)
                    joined += ToU16(a.bstrVal);
            }
            result->vt = VT_BSTR;
            result->bstrVal =
                SysAllocStringLen(AsOle(joined.data()), static_cast<UINT>(joined.size()));
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    ULONG refs = 1;
    int lookups = 0;
    HRESULT failWith = S_OK;
    std::u16string name = u"initial";
};

} // namespace

TEST(Bstr, KeepsLengthPrefixAndEmbeddedNul) {
    const char16_t text[] = {u'a', 0, u'b'};
    Bstr b(std::u16string_view(text, 3));
    ASSERT_NE(b.Get(), nullptr);
    EXPECT_EQ(SysStringLen(b.Get()), 3u);
    EXPECT_EQ(SysStringByteLen(b.Get()), 6u);
    EXPECT_EQ(b.Get()[3], 0) << "a BSTR is NUL-terminated";
    EXPECT_EQ(b.Str(), std::u16string(text, 3));
}

TEST(Bstr, NullCountsAsEmpty) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(ToU16(nullptr), u"");
    Bstr empty;
    EXPECT_EQ(empty.Str(), u"");
}

TEST(Variant, CopyDuplicatesTextAndMoveEmptiesSource) {
    Variant a = Variant::Text(u"hello");
    Variant b = a;
    ASSERT_EQ(b.Type(), VT_BSTR);
    EXPECT_NE(a.Get()->bstrVal, b.Get()->bstrVal);
    Variant c = std::move(a);
    EXPECT_EQ(a.Type(), VT_EMPTY);
    std::u16string s;
    ASSERT_EQ(c.ToText(&s), S_OK);
    EXPECT_EQ(s, u"hello");
}

TEST(Variant, CoercionTable) {
    struct Case {
        Variant in;
        VARTYPE to;
        HRESULT hr;
        double number;
    };
    std::vector<Case> cases;
    cases.push_back({Variant::I2(7), VT_I4, S_OK, 7});
    cases.push_back({Variant::Int(-3), VT_I4, S_OK, -3});
    cases.push_back({Variant::R8(2.5), VT_R8, S_OK, 2.5});
    cases.push_back({Variant::Text(u"42"), VT_I4, S_OK, 42});
    cases.push_back({Variant::Text(u"x"), VT_I4, DISP_E_TYPEMISMATCH, 0});
    cases.push_back({Variant::R8(1e12), VT_I4, DISP_E_OVERFLOW, 0});
    cases.push_back({Variant::Bool(true), VT_I4, S_OK, -1});
    cases.push_back({Variant::Date(29295.0), VT_R8, S_OK, 29295.0});
    for (auto& c : cases) {
        if (c.to == VT_I4) {
            LONG l = 0;
            EXPECT_EQ(c.in.ToLong(&l), c.hr);
            if (c.hr == S_OK) {
                EXPECT_EQ(l, static_cast<LONG>(c.number));
            }
        } else {
            double d = 0;
            EXPECT_EQ(c.in.ToDouble(&d), c.hr);
            if (c.hr == S_OK) {
                EXPECT_EQ(d, c.number);
            }
        }
    }
    std::u16string s;
    EXPECT_EQ(Variant::I4(-15).ToText(&s), S_OK);
    EXPECT_EQ(s, u"-15");
    EXPECT_EQ(Variant().ToText(&s), S_OK);
    EXPECT_EQ(s, u"");
}

TEST(Variant, MissingIsParamNotFound) {
    Variant m = Variant::Missing();
    EXPECT_EQ(m.Type(), VT_ERROR);
    EXPECT_EQ(m.Get()->scode, DISP_E_PARAMNOTFOUND);
}

TEST(ComPtr, CountsReferencesHonestly) {
    FakeDispatch fake;
    {
        ComPtr<IDispatch> a(&fake);
        EXPECT_EQ(fake.refs, 2u);
        ComPtr<IDispatch> b = a;
        EXPECT_EQ(fake.refs, 3u);
        ComPtr<IDispatch> c = std::move(b);
        EXPECT_EQ(fake.refs, 3u);
        EXPECT_FALSE(b);
        Variant v = Variant::Dispatch(&fake);
        EXPECT_EQ(fake.refs, 4u);
        ComPtr<IDispatch> d;
        ASSERT_EQ(v.ToDispatch(&d), S_OK);
        EXPECT_EQ(d.Get(), &fake);
        EXPECT_EQ(fake.refs, 5u);
        ComPtr<IUnknown> unk;
        ASSERT_EQ(a.As(IID_IUnknown, &unk), S_OK);
        EXPECT_EQ(fake.refs, 6u);
    }
    EXPECT_EQ(fake.refs, 1u);
}

TEST(LateBinding, PutGetAndCallWithArgumentsInOrder) {
    FakeDispatch fake;
    DispIdCache cache(kTestIid);
    Put(&fake, cache, u"Name", Variant::Text(u"Ann"));
    std::u16string s;
    ASSERT_EQ(Get(&fake, cache, u"Name").ToText(&s), S_OK);
    EXPECT_EQ(s, u"Ann");
    Variant one = Variant::I4(1), two = Variant::Text(u"b"), missing = Variant::Missing();
    ASSERT_EQ(Call(&fake, cache, u"Join", {&one, &two, &missing}).ToText(&s), S_OK);
    EXPECT_EQ(s, u"1b?");
    EXPECT_EQ(fake.lookups, 2) << "each name is looked up once";
    EXPECT_EQ(fake.refs, 1u);
}

TEST(LateBinding, FailuresAreReturnedOrRaisedWithInterface) {
    FakeDispatch fake;
    DispIdCache cache(kTestIid);
    Variant r;
    EXPECT_EQ(TryGet(&fake, cache, u"Nope", &r), DISP_E_UNKNOWNNAME);
    fake.failWith = static_cast<HRESULT>(0x80070005u);
    try {
        Get(&fake, cache, u"Name");
        FAIL() << "expected ComError";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Result(), fake.failWith);
        EXPECT_TRUE(IsEqualIID(e.Interface(), kTestIid));
        EXPECT_NE(std::string(e.what()).find("{00063021-0000-0000-C000-000000000046}"),
                  std::string::npos);
    }
    EXPECT_EQ(TryGet(nullptr, cache, u"Name", &r), E_POINTER);
}
