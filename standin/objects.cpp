// The stand-in's COM objects. Each is a thin IDispatch over the shared model;
// objects are made afresh for every call that returns one, as Outlook does.
#include "outlook/outlook.h"
#include "standin/model.h"

#include <algorithm>
#include <atomic>

namespace standin::detail {

namespace {

// Members shared by several kinds have the same id everywhere (as in
// Outlook), so that an id found on one kind of object works on another;
// every other id is unique to its kind.
// Lets the stand-in find its own data behind an IDispatch.
// {5F1C3A2E-8B47-4D0A-9E61-2C7B0F3D9A14}
const IID IID_StandInObject = {
    0x5f1c3a2e, 0x8b47, 0x4d0a, {0x9e, 0x61, 0x2c, 0x7b, 0x0f, 0x3d, 0x9a, 0x14}};

constexpr LONG olApplication = 0, olNamespace = 1, olExplorer = 34, olExplorers = 60,
               olFolders = 15, olItems = 16, olSelection = 74, olContact = 40,
               olDistributionList = 69, olDistributionListItem = 7;
constexpr LONG olFolderInbox = 6, olFolderCalendar = 9;

struct Member {
    const char16_t* name;
    DISPID id;
};

bool FindMember(const Member* table, size_t n, std::u16string_view name, DISPID* id) {
    const std::u16string folded = Fold(name);
    for (size_t i = 0; i < n; ++i)
        if (Fold(table[i].name) == folded) {
            *id = table[i].id;
            return true;
        }
    return false;
}

const char16_t* MemberName(const Member* table, size_t n, DISPID id) {
    for (size_t i = 0; i < n; ++i)
        if (table[i].id == id)
            return table[i].name;
    return nullptr;
}

// One call of Invoke, with the arguments in their natural order.
struct Call {
    WORD flags;
    DISPPARAMS* params;
    VARIANT* result;
    EXCEPINFO* excep;

    UINT Count() const { return params ? params->cArgs : 0; }
    const VARIANT* Arg(UINT i) const {
        const VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
        if (v->vt == (VT_BYREF | VT_VARIANT) && v->byref)
            v = static_cast<const VARIANT*>(v->byref);
        return v;
    }
    bool Put() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    bool Get() const { return (flags & DISPATCH_PROPERTYGET) != 0; }
    bool Method() const { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }

    // A property read: no arguments, no put.
    HRESULT CheckGet() const {
        if (Put() || !Get())
            return DISP_E_MEMBERNOTFOUND;
        return Count() == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
    }
    HRESULT CheckMethod(UINT minArgs, UINT maxArgs) const {
        if (Put() || !Method())
            return DISP_E_MEMBERNOTFOUND;
        return Count() >= minArgs && Count() <= maxArgs ? S_OK : DISP_E_BADPARAMCOUNT;
    }

    void SetLong(LONG v) const {
        if (result) {
            result->vt = VT_I4;
            result->lVal = v;
        }
    }
    void SetText(std::u16string_view s) const {
        if (result) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocStringLen(com::AsOle(s.data()), static_cast<UINT>(s.size()));
        }
    }
    void SetDate(double d) const {
        if (result) {
            result->vt = VT_DATE;
            result->date = d;
        }
    }
    // Takes over the reference of a new object (null gives a null dispatch).
    void SetObject(IDispatch* d) const {
        if (result) {
            result->vt = VT_DISPATCH;
            result->pdispVal = d;
        } else if (d) {
            d->Release();
        }
    }
    // Outlook reports a refused argument through the exception info.
    HRESULT Raise(HRESULT scode, std::u16string_view text) const {
        if (!excep)
            return scode;
        *excep = EXCEPINFO{};
        excep->bstrSource = SysAllocString(com::AsOle(u"Microsoft Outlook"));
        excep->bstrDescription =
            SysAllocStringLen(com::AsOle(text.data()), static_cast<UINT>(text.size()));
        excep->scode = scode;
        return DISP_E_EXCEPTION;
    }
};

HRESULT ArgLong(const VARIANT* v, LONG* out) {
    switch (v->vt) {
    case VT_I4:
        *out = v->lVal;
        return S_OK;
    case VT_I2:
        *out = v->iVal;
        return S_OK;
    case VT_INT:
        *out = v->intVal;
        return S_OK;
    case VT_I4 | VT_BYREF:
        *out = *static_cast<const LONG*>(v->byref);
        return S_OK;
    case VT_I2 | VT_BYREF:
        *out = *static_cast<const SHORT*>(v->byref);
        return S_OK;
    case VT_INT | VT_BYREF:
        *out = *static_cast<const INT*>(v->byref);
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ArgText(const VARIANT* v, std::u16string* out) {
    if (v->vt == VT_BSTR) {
        *out = com::ToU16(v->bstrVal);
        return S_OK;
    }
    if (v->vt == (VT_BSTR | VT_BYREF)) {
        *out = com::ToU16(*static_cast<const BSTR*>(v->byref));
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ArgDate(const VARIANT* v, double* out) {
    switch (v->vt) {
    case VT_DATE:
        *out = v->date;
        return S_OK;
    case VT_R8:
        *out = v->dblVal;
        return S_OK;
    case VT_DATE | VT_BYREF:
    case VT_R8 | VT_BYREF:
        *out = *static_cast<const double*>(v->byref);
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

class Base : public IDispatch {
public:
    Base(std::shared_ptr<Model> m, Kind k) : m_(std::move(m)), kind_(k) { ++m_->live; }
    virtual ~Base() { --m_->live; }
    const Model* Owner() const { return m_.get(); }
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, Iid()) || IsEqualIID(riid, IID_StandInObject)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids)
            return E_POINTER;
        if (count == 0)
            return S_OK;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        if (!names[0] || !Find(com::AsU16(names[0]), &ids[0]))
            return DISP_E_UNKNOWNNAME;
        // No member has named parameters.
        return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT*) override {
        const char16_t* name = NameOf(id);
        if (!name)
            return DISP_E_MEMBERNOTFOUND;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!params || params->cArgs != 1 || params->cNamedArgs != 1 ||
                !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTFOUND;
        } else if (params && params->cNamedArgs) {
            return DISP_E_NONAMEDARGS;
        }
        if (params && params->cArgs && !params->rgvarg)
            return E_POINTER;
        HRESULT hr = m_->CheckFailure(kind_, name);
        if (FAILED(hr))
            return hr;
        if (result)
            VariantInit(result);
        return Do(id, Call{flags, params, result, excep});
    }

protected:
    virtual const IID& Iid() const = 0;
    virtual bool Find(std::u16string_view name, DISPID* id) const = 0;
    virtual const char16_t* NameOf(DISPID id) const = 0;
    virtual HRESULT Do(DISPID id, const Call& c) = 0;

    std::shared_ptr<Model> m_;
    Kind kind_;

private:
    std::atomic<ULONG> refs_{1};
};

// An object with a fixed table of members.
template <size_t N> class Fixed : public Base {
public:
    Fixed(std::shared_ptr<Model> m, Kind k, const Member (&table)[N])
        : Base(std::move(m), k), table_(table) {}

protected:
    bool Find(std::u16string_view name, DISPID* id) const override {
        return FindMember(table_, N, name, id);
    }
    const char16_t* NameOf(DISPID id) const override { return MemberName(table_, N, id); }
    HRESULT Do(DISPID id, const Call& c) override {
        for (size_t i = 0; i < N; ++i)
            if (table_[i].id == id)
                return DoMember(static_cast<int>(i + 1), c);
        return DISP_E_MEMBERNOTFOUND;
    }
    // `member` counts from 1 in the order of the table.
    virtual HRESULT DoMember(int member, const Call& c) = 0;

private:
    const Member (&table_)[N];
};

IDispatch* NewExplorers(const std::shared_ptr<Model>& m);
IDispatch* NewExplorer(const std::shared_ptr<Model>& m);
IDispatch* NewFolders(const std::shared_ptr<Model>& m, FolderData* parent);
IDispatch* NewItems(const std::shared_ptr<Model>& m, FolderData* f);
IDispatch* NewSelection(const std::shared_ptr<Model>& m);

// Application

const Member kApplicationMembers[] = {
    {u"Version", 0x2001}, {u"Explorers", 0x2002},    {u"ActiveExplorer", 0x2003},
    {u"Session", 0xF00B}, {u"GetNamespace", 0x2005}, {u"Class", 0xF00A},
    {u"Name", 0x2007}};

class ApplicationObj : public Fixed<7> {
public:
    explicit ApplicationObj(std::shared_ptr<Model> m)
        : Fixed(std::move(m), Kind::Application, kApplicationMembers) {}

protected:
    const IID& Iid() const override { return outlook::IID_Application; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 3 ? c.CheckMethod(0, 0) : id == 5 ? c.CheckMethod(1, 1) : c.CheckGet();
        if (FAILED(hr))
            return hr;
        switch (id) {
        case 1:
            c.SetText(m_->version);
            return S_OK;
        case 2:
            c.SetObject(NewExplorers(m_));
            return S_OK;
        case 3:
            c.SetObject(NewExplorer(m_));
            return S_OK;
        case 4:
            c.SetObject(NewNameSpaceObject(m_));
            return S_OK;
        case 5: {
            std::u16string type;
            if (FAILED(ArgText(c.Arg(0), &type)))
                return DISP_E_TYPEMISMATCH;
            if (Fold(type) != u"mapi")
                return c.Raise(E_INVALIDARG, u"Only the MAPI name space exists.");
            c.SetObject(NewNameSpaceObject(m_));
            return S_OK;
        }
        case 6:
            c.SetLong(olApplication);
            return S_OK;
        default:
            c.SetText(u"Outlook");
            return S_OK;
        }
    }
};

// NameSpace

const Member kNameSpaceMembers[] = {{u"GetDefaultFolder", 0x2101},
                                    {u"PickFolder", 0x2102},
                                    {u"Folders", 0x2103},
                                    {u"Class", 0xF00A},
                                    {u"Application", 0xF000},
                                    {u"Parent", 0xF001},
                                    {u"Type", 0x2107}};

class NameSpaceObj : public Fixed<7> {
public:
    explicit NameSpaceObj(std::shared_ptr<Model> m)
        : Fixed(std::move(m), Kind::NameSpace, kNameSpaceMembers) {}

protected:
    const IID& Iid() const override { return outlook::IID_NameSpace; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 1 ? c.CheckMethod(1, 1) : id == 2 ? c.CheckMethod(0, 0) : c.CheckGet();
        if (FAILED(hr))
            return hr;
        switch (id) {
        case 1: {
            LONG type = 0;
            if (FAILED(ArgLong(c.Arg(0), &type)))
                return DISP_E_TYPEMISMATCH;
            FolderData* f = nullptr;
            if (type == outlook::olFolderContacts)
                f = m_->contacts;
            else if (type == olFolderInbox || type == olFolderCalendar)
                for (auto& child : m_->root->children)
                    if (child->name == (type == olFolderInbox ? u"Inbox" : u"Calendar"))
                        f = child.get();
            if (!f)
                return c.Raise(E_INVALIDARG, u"There is no such default folder.");
            c.SetObject(NewFolderObject(m_, f));
            return S_OK;
        }
        case 2: {
            FolderData* f = m_->pickSet ? m_->pick : m_->contacts;
            c.SetObject(f ? NewFolderObject(m_, f) : nullptr);
            return S_OK;
        }
        case 3:
            c.SetObject(NewFolders(m_, nullptr));
            return S_OK;
        case 4:
            c.SetLong(olNamespace);
            return S_OK;
        case 5:
        case 6:
            c.SetObject(NewApplicationObject(m_));
            return S_OK;
        default:
            c.SetText(u"MAPI");
            return S_OK;
        }
    }
};

// Explorers and Explorer: one explorer window, always open.

const Member kExplorersMembers[] = {{u"Count", 0x50}, {u"Item", 0x51}, {u"Class", 0xF00A}};

class ExplorersObj : public Fixed<3> {
public:
    explicit ExplorersObj(std::shared_ptr<Model> m)
        : Fixed(std::move(m), Kind::Explorers, kExplorersMembers) {}

protected:
    const IID& Iid() const override { return outlook::IID_Explorers; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 2 ? c.CheckMethod(1, 1) : c.CheckGet();
        if (FAILED(hr))
            return hr;
        if (id == 1) {
            c.SetLong(1);
        } else if (id == 2) {
            LONG i = 0;
            if (FAILED(ArgLong(c.Arg(0), &i)))
                return DISP_E_TYPEMISMATCH;
            if (i != 1)
                return DISP_E_BADINDEX;
            c.SetObject(NewExplorer(m_));
        } else {
            c.SetLong(olExplorers);
        }
        return S_OK;
    }
};

const Member kExplorerMembers[] = {
    {u"CurrentFolder", 0x2301}, {u"Selection", 0x2302}, {u"Class", 0xF00A}};

class ExplorerObj : public Fixed<3> {
public:
    explicit ExplorerObj(std::shared_ptr<Model> m)
        : Fixed(std::move(m), Kind::Explorer, kExplorerMembers) {}

protected:
    const IID& Iid() const override { return outlook::IID_Explorer; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = c.CheckGet();
        if (FAILED(hr))
            return hr;
        if (id == 1)
            c.SetObject(m_->current ? NewFolderObject(m_, m_->current) : nullptr);
        else if (id == 2)
            c.SetObject(NewSelection(m_));
        else
            c.SetLong(olExplorer);
        return S_OK;
    }
};

// Folders: the subfolders of a folder, or the top of the name space.

const Member kFoldersMembers[] = {{u"Count", 0x50}, {u"Item", 0x51}, {u"Class", 0xF00A}};

class FoldersObj : public Fixed<3> {
public:
    FoldersObj(std::shared_ptr<Model> m, FolderData* parent)
        : Fixed(std::move(m), Kind::Folders, kFoldersMembers), parent_(parent) {}

protected:
    const IID& Iid() const override { return outlook::IID_Folders; }
    std::vector<FolderData*> List() const {
        std::vector<FolderData*> r;
        if (!parent_)
            r.push_back(m_->root.get());
        else
            for (auto& f : parent_->children)
                r.push_back(f.get());
        return r;
    }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 2 ? c.CheckMethod(1, 1) : c.CheckGet();
        if (FAILED(hr))
            return hr;
        const auto list = List();
        if (id == 1) {
            c.SetLong(static_cast<LONG>(list.size()));
        } else if (id == 2) {
            std::u16string name;
            LONG i = 0;
            if (SUCCEEDED(ArgText(c.Arg(0), &name))) {
                for (FolderData* f : list)
                    if (Fold(f->name) == Fold(name)) {
                        c.SetObject(NewFolderObject(m_, f));
                        return S_OK;
                    }
                return c.Raise(E_INVALIDARG, u"The folder does not exist.");
            }
            if (FAILED(ArgLong(c.Arg(0), &i)))
                return DISP_E_TYPEMISMATCH;
            if (i < 1 || static_cast<size_t>(i) > list.size())
                return DISP_E_BADINDEX;
            c.SetObject(NewFolderObject(m_, list[static_cast<size_t>(i - 1)]));
        } else {
            c.SetLong(olFolders);
        }
        return S_OK;
    }

private:
    FolderData* parent_;
};

// MAPIFolder

const Member kFolderMembers[] = {{u"Name", 0x2501},  {u"Parent", 0xF001},
                                 {u"Class", 0xF00A}, {u"DefaultItemType", 0x2504},
                                 {u"Items", 0x2505}, {u"Folders", 0x2506}};

class FolderObj : public Fixed<6> {
public:
    FolderObj(std::shared_ptr<Model> m, FolderData* f)
        : Fixed(std::move(m), Kind::Folder, kFolderMembers), f_(f) {}
    FolderData* Data() const { return f_; }

protected:
    const IID& Iid() const override { return outlook::IID_MAPIFolder; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = c.CheckGet();
        if (FAILED(hr))
            return hr;
        switch (id) {
        case 1:
            c.SetText(f_->name);
            break;
        case 2:
            c.SetObject(f_->parent ? NewFolderObject(m_, f_->parent) : NewNameSpaceObject(m_));
            break;
        case 3:
            c.SetLong(outlook::olFolder);
            break;
        case 4:
            c.SetLong(f_->type);
            break;
        case 5:
            c.SetObject(NewItems(m_, f_));
            break;
        default:
            c.SetObject(NewFolders(m_, f_));
            break;
        }
        return S_OK;
    }

private:
    FolderData* f_;
};

// Items: a folder's items, or the subset a Restrict left.

struct Term {
    int prop;
    std::u16string value; // folded
};

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

// `[Name] = "text"` or `[Name] = 'text'` terms joined by AND; a quote inside
// the text is written twice. Text properties only.
bool ParseFilter(std::u16string_view f, std::vector<Term>* out) {
    size_t i = 0;
    const size_t n = f.size();
    auto skip = [&] {
        const size_t start = i;
        while (i < n && IsSpace(f[i]))
            ++i;
        return i - start;
    };
    skip();
    for (;;) {
        if (i >= n || f[i] != u'[')
            return false;
        const size_t close = f.find(u']', i + 1);
        if (close == std::u16string_view::npos)
            return false;
        const int prop = PropertyIndex(f.substr(i + 1, close - i - 1));
        if (prop < 0 || PropertyTable()[static_cast<size_t>(prop)].type == PropType::Date)
            return false;
        i = close + 1;
        skip();
        if (i >= n || f[i] != u'=')
            return false;
        ++i;
        skip();
        if (i >= n || (f[i] != u'"' && f[i] != u'\''))
            return false;
        const char16_t quote = f[i++];
        std::u16string value;
        for (;;) {
            if (i >= n)
                return false;
            if (f[i] == quote) {
                if (i + 1 < n && f[i + 1] == quote) {
                    value += quote;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            value += f[i++];
        }
        out->push_back({prop, Fold(value)});
        const size_t spaces = skip();
        if (i >= n)
            return true;
        if (spaces == 0 || n - i < 3 || Fold(f.substr(i, 3)) != u"and")
            return false;
        i += 3;
        if (skip() == 0)
            return false;
    }
}

std::u16string TextOf(const ItemData& item, int prop) {
    if (prop == kPropFullName)
        return ComposeFullName(item.props);
    if (prop == kPropFileAs)
        return ComposeFileAs(item.props);
    const std::u16string* v = item.props.Find(prop);
    return v ? *v : std::u16string();
}

bool Matches(const ItemData& item, const std::vector<Term>& terms) {
    if (item.distList)
        return false;
    for (const auto& t : terms) {
        if (t.prop == kPropFullName      ? item.fullKey != t.value
            : t.prop == kPropCompanyName ? item.companyKey != t.value
                                         : Fold(TextOf(item, t.prop)) != t.value)
            return false;
    }
    return true;
}

const Member kItemsMembers[] = {
    {u"Count", 0x50}, {u"Item", 0x51}, {u"Restrict", 0x2603}, {u"Add", 0x2604}, {u"Class", 0xF00A}};

class ItemsObj : public Fixed<5> {
public:
    ItemsObj(std::shared_ptr<Model> m, FolderData* f)
        : Fixed(std::move(m), Kind::Items, kItemsMembers), f_(f) {}
    ItemsObj(std::shared_ptr<Model> m, FolderData* f, std::vector<ItemPtr> subset)
        : Fixed(std::move(m), Kind::Items, kItemsMembers), f_(f), restricted_(true),
          subset_(std::move(subset)), seen_(m_->deletions) {}

protected:
    const IID& Iid() const override { return outlook::IID_Items; }

    const std::vector<ItemPtr>& List() {
        if (!restricted_)
            return f_->items;
        if (seen_ != m_->deletions) {
            subset_.erase(std::remove_if(subset_.begin(), subset_.end(),
                                         [](const ItemPtr& p) { return p->deleted; }),
                          subset_.end());
            seen_ = m_->deletions;
        }
        return subset_;
    }

    HRESULT Restrict(const Call& c) {
        std::u16string filter;
        if (FAILED(ArgText(c.Arg(0), &filter)))
            return DISP_E_TYPEMISMATCH;
        std::vector<Term> terms;
        if (!ParseFilter(filter, &terms))
            return c.Raise(E_INVALIDARG, u"Cannot parse condition. Error at \"" + filter + u"\".");
        std::vector<ItemPtr> found;
        // On the whole folder a name or company term is answered from the index.
        const Term* keyed = nullptr;
        for (const auto& t : terms)
            if (t.prop == kPropFullName || t.prop == kPropCompanyName) {
                keyed = &t;
                break;
            }
        if (!restricted_ && keyed) {
            const auto& index = keyed->prop == kPropFullName ? f_->byFullName : f_->byCompany;
            auto it = index.find(keyed->value);
            if (it != index.end()) {
                for (ItemData* p : it->second)
                    if (Matches(*p, terms))
                        found.push_back(p->shared_from_this());
                std::sort(found.begin(), found.end(),
                          [](const ItemPtr& a, const ItemPtr& b) { return a->id < b->id; });
            }
        } else {
            for (const auto& p : List())
                if (Matches(*p, terms))
                    found.push_back(p);
        }
        c.SetObject(new ItemsObj(m_, f_, std::move(found)));
        return S_OK;
    }

    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 1 || id == 5 ? c.CheckGet()
                     : id == 4          ? c.CheckMethod(0, 1)
                                        : c.CheckMethod(1, 1);
        if (FAILED(hr))
            return hr;
        switch (id) {
        case 1:
            c.SetLong(static_cast<LONG>(List().size()));
            return S_OK;
        case 2: {
            LONG i = 0;
            if (FAILED(ArgLong(c.Arg(0), &i)))
                return DISP_E_TYPEMISMATCH;
            const auto& list = List();
            if (i < 1 || static_cast<size_t>(i) > list.size())
                return DISP_E_BADINDEX;
            c.SetObject(NewItemObject(m_, list[static_cast<size_t>(i - 1)]));
            return S_OK;
        }
        case 3:
            return Restrict(c);
        case 4: {
            LONG type = f_->type;
            if (c.Count() == 1 && c.Arg(0)->vt != VT_ERROR && FAILED(ArgLong(c.Arg(0), &type)))
                return DISP_E_TYPEMISMATCH;
            if (type != outlook::olContactItem && type != olDistributionListItem)
                return c.Raise(E_INVALIDARG, u"The stand-in makes contacts and lists only.");
            auto item = std::make_shared<ItemData>();
            item->distList = type == olDistributionListItem;
            item->folder = f_;
            c.SetObject(NewItemObject(m_, item));
            return S_OK;
        }
        default:
            c.SetLong(olItems);
            return S_OK;
        }
    }

private:
    FolderData* f_;
    bool restricted_ = false;
    std::vector<ItemPtr> subset_;
    uint64_t seen_ = 0;
};

// Selection: the explorer's selection when it was asked for.

const Member kSelectionMembers[] = {{u"Count", 0x50}, {u"Item", 0x51}, {u"Class", 0xF00A}};

class SelectionObj : public Fixed<3> {
public:
    explicit SelectionObj(std::shared_ptr<Model> m)
        : Fixed(std::move(m), Kind::Selection, kSelectionMembers), items_(m_->selection) {}

protected:
    const IID& Iid() const override { return outlook::IID_Selection; }
    HRESULT DoMember(int id, const Call& c) override {
        HRESULT hr = id == 2 ? c.CheckMethod(1, 1) : c.CheckGet();
        if (FAILED(hr))
            return hr;
        if (id == 1) {
            c.SetLong(static_cast<LONG>(items_.size()));
        } else if (id == 2) {
            LONG i = 0;
            if (FAILED(ArgLong(c.Arg(0), &i)))
                return DISP_E_TYPEMISMATCH;
            if (i < 1 || static_cast<size_t>(i) > items_.size())
                return DISP_E_BADINDEX;
            const auto& s = items_[static_cast<size_t>(i - 1)];
            if (s.item) {
                c.SetObject(NewItemObject(m_, s.item));
            } else {
                s.other->AddRef();
                c.SetObject(s.other.Get());
            }
        } else {
            c.SetLong(olSelection);
        }
        return S_OK;
    }

private:
    std::vector<Model::Selected> items_;
};

// Contacts and distribution lists. Changes stay with the object that made
// them until Save, as in Outlook.

constexpr DISPID kDispIdBase = 0x100, kDispSave = 0xF048, kDispDelete = 0xF04A, kDispClass = 0xF00A,
                 kDispSubject = 0x2801, kDispMemberCount = 0x2802;

class ItemObj : public Base {
public:
    ItemObj(std::shared_ptr<Model> m, ItemPtr item)
        : Base(std::move(m), item->distList ? Kind::DistList : Kind::Contact),
          item_(std::move(item)) {}
    const ItemPtr& Data() const { return item_; }

protected:
    const IID& Iid() const override {
        return item_->distList ? outlook::IID_DistListItem : outlook::IID_ContactItem;
    }

    bool HasProperty(int prop) const {
        if (prop < 0)
            return false;
        if (item_->distList)
            return prop == kPropDLName || prop == kPropFileAs;
        if (prop == kPropDLName)
            return false;
        if (prop == kPropIMAddress)
            return m_->Major() >= 10;
        return true;
    }
    static DISPID IdOf(int prop) {
        return prop == kPropIMAddress ? outlook::kDispIdIMAddress : kDispIdBase + prop;
    }
    int PropOf(DISPID id) const {
        const int prop = id == outlook::kDispIdIMAddress ? kPropIMAddress : id - kDispIdBase;
        if (id != outlook::kDispIdIMAddress &&
            (prop < 0 || prop >= static_cast<int>(PropertyTable().size()) ||
             prop == kPropIMAddress))
            return -1;
        return HasProperty(prop) ? prop : -1;
    }

    bool Find(std::u16string_view name, DISPID* id) const override {
        const int prop = PropertyIndex(name);
        if (HasProperty(prop)) {
            *id = IdOf(prop);
            return true;
        }
        static const Member methods[] = {{u"Save", kDispSave},
                                         {u"Delete", kDispDelete},
                                         {u"Class", kDispClass},
                                         {u"Subject", kDispSubject},
                                         {u"MemberCount", kDispMemberCount}};
        return FindMember(methods, item_->distList ? 5 : 4, name, id);
    }
    const char16_t* NameOf(DISPID id) const override {
        switch (id) {
        case kDispSave:
            return u"Save";
        case kDispDelete:
            return u"Delete";
        case kDispClass:
            return u"Class";
        case kDispSubject:
            return u"Subject";
        case kDispMemberCount:
            return item_->distList ? u"MemberCount" : nullptr;
        default: {
            const int prop = PropOf(id);
            return prop < 0 ? nullptr : PropertyTable()[static_cast<size_t>(prop)].name;
        }
        }
    }

    const Props& View() const { return draft_ ? *draft_ : item_->props; }
    Props& Edit() {
        if (!item_->saved)
            return item_->props;
        if (!draft_)
            draft_ = std::make_unique<Props>(item_->props);
        return *draft_;
    }

    HRESULT Do(DISPID id, const Call& c) override {
        if (item_->deleted)
            return kItemGone;
        if (id == kDispSave || id == kDispDelete) {
            HRESULT hr = c.CheckMethod(0, 0);
            if (FAILED(hr))
                return hr;
            if (id == kDispDelete)
                return m_->Delete(item_);
            hr = m_->Save(item_, View());
            if (SUCCEEDED(hr))
                draft_.reset();
            return hr;
        }
        if (id == kDispClass || id == kDispSubject || id == kDispMemberCount) {
            HRESULT hr = c.CheckGet();
            if (FAILED(hr))
                return hr;
            if (id == kDispClass)
                c.SetLong(item_->distList ? olDistributionList : olContact);
            else if (id == kDispMemberCount)
                c.SetLong(0);
            else
                c.SetText(item_->distList ? TextOf(*ViewItem(), kPropDLName)
                                          : ComposeFullName(View()));
            return S_OK;
        }
        const int prop = PropOf(id);
        const PropType type = PropertyTable()[static_cast<size_t>(prop)].type;
        if (c.Put()) {
            if (type == PropType::FullName)
                return DISP_E_MEMBERNOTFOUND;
            if (type == PropType::Date) {
                double d = 0;
                if (FAILED(ArgDate(c.Arg(0), &d)))
                    return DISP_E_TYPEMISMATCH;
                *Edit().Date(prop) = d;
                return S_OK;
            }
            std::u16string text;
            if (FAILED(ArgText(c.Arg(0), &text)))
                return DISP_E_TYPEMISMATCH;
            Edit().Set(prop, text);
            return S_OK;
        }
        HRESULT hr = c.CheckGet();
        if (FAILED(hr))
            return hr;
        if (type == PropType::Date)
            c.SetDate(View().Date(prop));
        else if (item_->distList && prop == kPropFileAs)
            c.SetText(View().Find(kPropFileAs) ? *View().Find(kPropFileAs)
                                               : TextOf(*ViewItem(), kPropDLName));
        else
            c.SetText(TextOf(*ViewItem(), prop));
        return S_OK;
    }

    // The item as this object sees it (with its unsaved changes).
    const ItemData* ViewItem() {
        if (!draft_)
            return item_.get();
        scratch_.distList = item_->distList;
        scratch_.props = *draft_;
        return &scratch_;
    }

private:
    ItemPtr item_;
    std::unique_ptr<Props> draft_;
    ItemData scratch_;
};

IDispatch* NewExplorers(const std::shared_ptr<Model>& m) {
    return new ExplorersObj(m);
}
IDispatch* NewExplorer(const std::shared_ptr<Model>& m) {
    return new ExplorerObj(m);
}
IDispatch* NewFolders(const std::shared_ptr<Model>& m, FolderData* parent) {
    return new FoldersObj(m, parent);
}
IDispatch* NewItems(const std::shared_ptr<Model>& m, FolderData* f) {
    return new ItemsObj(m, f);
}
IDispatch* NewSelection(const std::shared_ptr<Model>& m) {
    return new SelectionObj(m);
}

Base* BaseOf(IDispatch* d) {
    if (!d)
        return nullptr;
    void* p = nullptr;
    if (FAILED(d->QueryInterface(IID_StandInObject, &p)) || !p)
        return nullptr;
    Base* b = static_cast<Base*>(static_cast<IDispatch*>(p));
    b->Release(); // the caller's reference keeps it alive
    return b;
}

} // namespace

IDispatch* NewFolderObject(const std::shared_ptr<Model>& m, FolderData* f) {
    return new FolderObj(m, f);
}
IDispatch* NewItemObject(const std::shared_ptr<Model>& m, const ItemPtr& item) {
    return new ItemObj(m, item);
}
IDispatch* NewApplicationObject(const std::shared_ptr<Model>& m) {
    return new ApplicationObj(m);
}
IDispatch* NewNameSpaceObject(const std::shared_ptr<Model>& m) {
    return new NameSpaceObj(m);
}

FolderData* FolderOf(IDispatch* d, const Model* m) {
    auto* f = dynamic_cast<FolderObj*>(BaseOf(d));
    return f && f->Owner() == m ? f->Data() : nullptr;
}

ItemPtr ItemOf(IDispatch* d, const Model* m) {
    auto* i = dynamic_cast<ItemObj*>(BaseOf(d));
    return i && i->Owner() == m ? i->Data() : nullptr;
}

} // namespace standin::detail
