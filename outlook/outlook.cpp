#include "outlook/outlook.h"

namespace outlook {

#define OUTLOOK_IID(name, d1)                                                                      \
    const IID name = {d1, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}
OUTLOOK_IID(IID_Application, 0x00063001);
OUTLOOK_IID(IID_NameSpace, 0x00063002);
OUTLOOK_IID(IID_Explorer, 0x00063003);
OUTLOOK_IID(IID_MAPIFolder, 0x00063006);
OUTLOOK_IID(IID_Explorers, 0x0006300A);
OUTLOOK_IID(IID_ContactItem, 0x00063021);
OUTLOOK_IID(IID_Folders, 0x00063040);
OUTLOOK_IID(IID_Items, 0x00063041);
OUTLOOK_IID(IID_DistListItem, 0x00063081);
OUTLOOK_IID(IID_Selection, 0x00063087);
#undef OUTLOOK_IID

using com::Check;
using com::Variant;

HRESULT Object::TryGetVariant(com::DispIdCache& c, const char16_t* name, Variant* out,
                              std::initializer_list<const Variant*> args) const {
    return com::TryGet(d_.Get(), c, name, out, args);
}

HRESULT Object::TryGetText(com::DispIdCache& c, const char16_t* name, std::u16string* out) const {
    Variant v;
    HRESULT hr = TryGetVariant(c, name, &v);
    if (FAILED(hr))
        return hr;
    if (v.Type() == VT_NULL) {
        out->clear();
        return S_OK;
    }
    return v.ToText(out);
}

HRESULT Object::TryGetLong(com::DispIdCache& c, const char16_t* name, LONG* out) const {
    Variant v;
    HRESULT hr = TryGetVariant(c, name, &v);
    return FAILED(hr) ? hr : v.ToLong(out);
}

HRESULT Object::TryGetDouble(com::DispIdCache& c, const char16_t* name, double* out) const {
    Variant v;
    HRESULT hr = TryGetVariant(c, name, &v);
    return FAILED(hr) ? hr : v.ToDouble(out);
}

HRESULT Object::TryGetObject(com::DispIdCache& c, const char16_t* name, DispatchPtr* out,
                             std::initializer_list<const Variant*> args) const {
    Variant v;
    HRESULT hr = TryGetVariant(c, name, &v, args);
    return FAILED(hr) ? hr : v.ToDispatch(out);
}

HRESULT Object::TryCallObject(com::DispIdCache& c, const char16_t* name, DispatchPtr* out,
                              std::initializer_list<const Variant*> args) const {
    Variant v;
    HRESULT hr = com::TryCall(d_.Get(), c, name, &v, args);
    return FAILED(hr) ? hr : v.ToDispatch(out);
}

HRESULT Object::TryCallVoid(com::DispIdCache& c, const char16_t* name) const {
    return com::TryCall(d_.Get(), c, name, nullptr);
}

HRESULT Object::TryPutVariant(com::DispIdCache& c, const char16_t* name, const Variant& v) const {
    return com::TryPut(d_.Get(), c, name, v);
}

// ContactItem

com::DispIdCache& ContactItem::Cache() {
    static com::DispIdCache cache(IID_ContactItem);
    return cache;
}

HRESULT ContactItem::TryText(const char16_t* property, std::u16string* out) const {
    return TryGetText(Cache(), property, out);
}

std::u16string ContactItem::Text(const char16_t* property) const {
    std::u16string s;
    Check(TryText(property, &s), IID_ContactItem);
    return s;
}

HRESULT ContactItem::TrySetText(const char16_t* property, std::u16string_view value) const {
    return TryPutVariant(Cache(), property, Variant::Text(value));
}

void ContactItem::SetText(const char16_t* property, std::u16string_view value) const {
    Check(TrySetText(property, value), IID_ContactItem);
}

HRESULT ContactItem::TryDate(const char16_t* property, double* out) const {
    return TryGetDouble(Cache(), property, out);
}

double ContactItem::Date(const char16_t* property) const {
    double d = 0;
    Check(TryDate(property, &d), IID_ContactItem);
    return d;
}

HRESULT ContactItem::TrySetDate(const char16_t* property, double value) const {
    return TryPutVariant(Cache(), property, Variant::Date(value));
}

void ContactItem::SetDate(const char16_t* property, double value) const {
    Check(TrySetDate(property, value), IID_ContactItem);
}

HRESULT ContactItem::TrySave() const { return TryCallVoid(Cache(), u"Save"); }
void ContactItem::Save() const { Check(TrySave(), IID_ContactItem); }
HRESULT ContactItem::TryDelete() const { return TryCallVoid(Cache(), u"Delete"); }
void ContactItem::Delete() const { Check(TryDelete(), IID_ContactItem); }

bool IsContact(IDispatch* item, DispatchPtr* contact) {
    if (!item)
        return false;
    DispatchPtr found;
    if (FAILED(item->QueryInterface(IID_ContactItem, reinterpret_cast<void**>(found.Out()))) ||
        !found)
        return false;
    if (contact)
        *contact = std::move(found);
    return true;
}

// Items

com::DispIdCache& Items::Cache() {
    static com::DispIdCache cache(IID_Items);
    return cache;
}

HRESULT Items::TryCount(LONG* out) const { return TryGetLong(Cache(), u"Count", out); }

LONG Items::Count() const {
    LONG n = 0;
    Check(TryCount(&n), IID_Items);
    return n;
}

HRESULT Items::TryItem(LONG index, DispatchPtr* out) const {
    Variant i = Variant::I4(index);
    return TryCallObject(Cache(), u"Item", out, {&i});
}

DispatchPtr Items::Item(LONG index) const {
    DispatchPtr p;
    Check(TryItem(index, &p), IID_Items);
    return p;
}

HRESULT Items::TryRestrict(std::u16string_view filter, Items* out) const {
    Variant f = Variant::Text(filter);
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"Restrict", &p, {&f});
    if (SUCCEEDED(hr))
        *out = Items(std::move(p));
    return hr;
}

Items Items::Restrict(std::u16string_view filter) const {
    Items r;
    Check(TryRestrict(filter, &r), IID_Items);
    return r;
}

HRESULT Items::TryAddContact(ContactItem* out) const {
    Variant type = Variant::I4(olContactItem);
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"Add", &p, {&type});
    if (FAILED(hr))
        return hr;
    DispatchPtr contact;
    if (!IsContact(p.Get(), &contact))
        return E_NOINTERFACE;
    *out = ContactItem(std::move(contact));
    return S_OK;
}

ContactItem Items::AddContact() const {
    ContactItem c;
    Check(TryAddContact(&c), IID_Items);
    return c;
}

// Selection

com::DispIdCache& Selection::Cache() {
    static com::DispIdCache cache(IID_Selection);
    return cache;
}

HRESULT Selection::TryCount(LONG* out) const { return TryGetLong(Cache(), u"Count", out); }

LONG Selection::Count() const {
    LONG n = 0;
    Check(TryCount(&n), IID_Selection);
    return n;
}

HRESULT Selection::TryItem(LONG index, DispatchPtr* out) const {
    Variant i = Variant::I4(index);
    return TryCallObject(Cache(), u"Item", out, {&i});
}

DispatchPtr Selection::Item(LONG index) const {
    DispatchPtr p;
    Check(TryItem(index, &p), IID_Selection);
    return p;
}

// MAPIFolder

com::DispIdCache& MAPIFolder::Cache() {
    static com::DispIdCache cache(IID_MAPIFolder);
    return cache;
}

HRESULT MAPIFolder::TryName(std::u16string* out) const { return TryGetText(Cache(), u"Name", out); }

std::u16string MAPIFolder::Name() const {
    std::u16string s;
    Check(TryName(&s), IID_MAPIFolder);
    return s;
}

HRESULT MAPIFolder::TryParent(DispatchPtr* out) const {
    return TryGetObject(Cache(), u"Parent", out);
}

DispatchPtr MAPIFolder::Parent() const {
    DispatchPtr p;
    Check(TryParent(&p), IID_MAPIFolder);
    return p;
}

HRESULT MAPIFolder::TryClass(LONG* out) const { return TryGetLong(Cache(), u"Class", out); }

LONG MAPIFolder::Class() const {
    LONG n = 0;
    Check(TryClass(&n), IID_MAPIFolder);
    return n;
}

HRESULT MAPIFolder::TryDefaultItemType(LONG* out) const {
    return TryGetLong(Cache(), u"DefaultItemType", out);
}

LONG MAPIFolder::DefaultItemType() const {
    LONG n = 0;
    Check(TryDefaultItemType(&n), IID_MAPIFolder);
    return n;
}

HRESULT MAPIFolder::TryItems(Items* out) const {
    DispatchPtr p;
    HRESULT hr = TryGetObject(Cache(), u"Items", &p);
    if (SUCCEEDED(hr))
        *out = Items(std::move(p));
    return hr;
}

Items MAPIFolder::GetItems() const {
    Items r;
    Check(TryItems(&r), IID_MAPIFolder);
    return r;
}

HRESULT MAPIFolder::TryFolders(DispatchPtr* out) const {
    return TryGetObject(Cache(), u"Folders", out);
}

// NameSpace

com::DispIdCache& NameSpace::Cache() {
    static com::DispIdCache cache(IID_NameSpace);
    return cache;
}

HRESULT NameSpace::TryGetDefaultFolder(LONG type, MAPIFolder* out) const {
    Variant t = Variant::I4(type);
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"GetDefaultFolder", &p, {&t});
    if (SUCCEEDED(hr))
        *out = MAPIFolder(std::move(p));
    return hr;
}

MAPIFolder NameSpace::GetDefaultFolder(LONG type) const {
    MAPIFolder f;
    Check(TryGetDefaultFolder(type, &f), IID_NameSpace);
    return f;
}

HRESULT NameSpace::TryPickFolder(MAPIFolder* out) const {
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"PickFolder", &p);
    if (SUCCEEDED(hr))
        *out = MAPIFolder(std::move(p));
    return hr;
}

MAPIFolder NameSpace::PickFolder() const {
    MAPIFolder f;
    Check(TryPickFolder(&f), IID_NameSpace);
    return f;
}

HRESULT NameSpace::TryFolders(DispatchPtr* out) const {
    return TryGetObject(Cache(), u"Folders", out);
}

// Explorer, Explorers

com::DispIdCache& Explorer::Cache() {
    static com::DispIdCache cache(IID_Explorer);
    return cache;
}

HRESULT Explorer::TryCurrentFolder(MAPIFolder* out) const {
    DispatchPtr p;
    HRESULT hr = TryGetObject(Cache(), u"CurrentFolder", &p);
    if (SUCCEEDED(hr))
        *out = MAPIFolder(std::move(p));
    return hr;
}

MAPIFolder Explorer::CurrentFolder() const {
    MAPIFolder f;
    Check(TryCurrentFolder(&f), IID_Explorer);
    return f;
}

HRESULT Explorer::TrySelection(Selection* out) const {
    DispatchPtr p;
    HRESULT hr = TryGetObject(Cache(), u"Selection", &p);
    if (SUCCEEDED(hr))
        *out = Selection(std::move(p));
    return hr;
}

Selection Explorer::GetSelection() const {
    Selection s;
    Check(TrySelection(&s), IID_Explorer);
    return s;
}

com::DispIdCache& Explorers::Cache() {
    static com::DispIdCache cache(IID_Explorers);
    return cache;
}

HRESULT Explorers::TryCount(LONG* out) const { return TryGetLong(Cache(), u"Count", out); }

LONG Explorers::Count() const {
    LONG n = 0;
    Check(TryCount(&n), IID_Explorers);
    return n;
}

// Application

com::DispIdCache& Application::Cache() {
    static com::DispIdCache cache(IID_Application);
    return cache;
}

HRESULT Application::TryVersion(std::u16string* out) const {
    return TryGetText(Cache(), u"Version", out);
}

std::u16string Application::Version() const {
    std::u16string s;
    Check(TryVersion(&s), IID_Application);
    return s;
}

HRESULT Application::TryExplorers(Explorers* out) const {
    DispatchPtr p;
    HRESULT hr = TryGetObject(Cache(), u"Explorers", &p);
    if (SUCCEEDED(hr))
        *out = Explorers(std::move(p));
    return hr;
}

Explorers Application::GetExplorers() const {
    Explorers e;
    Check(TryExplorers(&e), IID_Application);
    return e;
}

HRESULT Application::TryActiveExplorer(Explorer* out) const {
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"ActiveExplorer", &p);
    if (SUCCEEDED(hr))
        *out = Explorer(std::move(p));
    return hr;
}

Explorer Application::ActiveExplorer() const {
    Explorer e;
    Check(TryActiveExplorer(&e), IID_Application);
    return e;
}

HRESULT Application::TrySession(NameSpace* out) const {
    DispatchPtr p;
    HRESULT hr = TryGetObject(Cache(), u"Session", &p);
    if (SUCCEEDED(hr))
        *out = NameSpace(std::move(p));
    return hr;
}

NameSpace Application::Session() const {
    NameSpace n;
    Check(TrySession(&n), IID_Application);
    return n;
}

// Folders

com::DispIdCache& Folders::Cache() {
    static com::DispIdCache cache(IID_Folders);
    return cache;
}

HRESULT Folders::TryCount(LONG* out) const { return TryGetLong(Cache(), u"Count", out); }

LONG Folders::Count() const {
    LONG n = 0;
    Check(TryCount(&n), IID_Folders);
    return n;
}

HRESULT Folders::TryItem(LONG index, MAPIFolder* out) const {
    Variant i = Variant::I4(index);
    DispatchPtr p;
    HRESULT hr = TryCallObject(Cache(), u"Item", &p, {&i});
    if (SUCCEEDED(hr))
        *out = MAPIFolder(std::move(p));
    return hr;
}

MAPIFolder Folders::Item(LONG index) const {
    MAPIFolder f;
    Check(TryItem(index, &f), IID_Folders);
    return f;
}

LONG MajorVersion(std::u16string_view text) {
    const size_t dot = text.find(u'.');
    if (text.empty() || dot == std::u16string_view::npos)
        return 0;
    // StrToIntA: an optional sign, then leading decimal digits.
    size_t i = 0;
    bool negative = false;
    if (i < dot && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < dot && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 0x7FFFFFFF)
            value = 0x7FFFFFFF;
    }
    return static_cast<LONG>(negative ? -value : value);
}

} // namespace outlook
