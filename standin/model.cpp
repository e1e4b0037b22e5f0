#include "standin/model.h"

#include "outlook/outlook.h"
#include "platform/oledate.h"

#include <algorithm>

namespace standin::detail {

namespace {

std::vector<PropertyInfo> BuildTable() {
    std::vector<PropertyInfo> t;
    for (const char16_t* name : {u"FirstName",
                                 u"LastName",
                                 u"MiddleName",
                                 u"Title",
                                 u"Suffix",
                                 u"NickName",
                                 u"CompanyName",
                                 u"Department",
                                 u"JobTitle",
                                 u"Profession",
                                 u"Body",
                                 u"BusinessTelephoneNumber",
                                 u"Business2TelephoneNumber",
                                 u"BusinessFaxNumber",
                                 u"HomeTelephoneNumber",
                                 u"Home2TelephoneNumber",
                                 u"HomeFaxNumber",
                                 u"MobileTelephoneNumber",
                                 u"CarTelephoneNumber",
                                 u"OtherTelephoneNumber",
                                 u"OtherFaxNumber",
                                 u"PagerNumber",
                                 u"ISDNNumber",
                                 u"PrimaryTelephoneNumber",
                                 u"BusinessAddressPostOfficeBox",
                                 u"OfficeLocation",
                                 u"BusinessAddressStreet",
                                 u"BusinessAddressCity",
                                 u"BusinessAddressState",
                                 u"BusinessAddressPostalCode",
                                 u"BusinessAddressCountry",
                                 u"HomeAddressPostOfficeBox",
                                 u"HomeAddressStreet",
                                 u"HomeAddressCity",
                                 u"HomeAddressState",
                                 u"HomeAddressPostalCode",
                                 u"HomeAddressCountry",
                                 u"OtherAddressPostOfficeBox",
                                 u"OtherAddressStreet",
                                 u"OtherAddressCity",
                                 u"OtherAddressState",
                                 u"OtherAddressPostalCode",
                                 u"OtherAddressCountry",
                                 u"PersonalHomePage",
                                 u"BusinessHomePage",
                                 u"Email1Address",
                                 u"Email1AddressType",
                                 u"Email2Address",
                                 u"Email2AddressType",
                                 u"Email3Address",
                                 u"Email3AddressType",
                                 u"Categories",
                                 u"ManagerName",
                                 u"AssistantName",
                                 u"Spouse",
                                 u"NetMeetingServer",
                                 u"NetMeetingAlias",
                                 u"InternetFreeBusyAddress",
                                 u"FileAs",
                                 u"IMAddress",
                                 u"DLName"})
        t.push_back({name, PropType::Text});
    t.push_back({u"FullName", PropType::FullName});
    t.push_back({u"Birthday", PropType::Date});
    t.push_back({u"Anniversary", PropType::Date});
    t.push_back({u"LastModificationTime", PropType::Date});
    return t;
}

char16_t FoldChar(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c < 0xC0)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 80);
    // Latin Extended-A pairs capital/small by even/odd code points.
    if (c >= 0x100 && c <= 0x137 && c % 2 == 0)
        return static_cast<char16_t>(c + 1);
    if (c >= 0x14A && c <= 0x177 && c % 2 == 0)
        return static_cast<char16_t>(c + 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return c % 2 == 1 ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x178)
        return 0xFF;
    return c;
}

void AddKey(std::unordered_map<std::u16string, std::vector<ItemData*>>& map,
            const std::u16string& key, ItemData* item) {
    map[key].push_back(item);
}

void RemoveKey(std::unordered_map<std::u16string, std::vector<ItemData*>>& map,
               const std::u16string& key, ItemData* item) {
    auto it = map.find(key);
    if (it == map.end())
        return;
    auto& v = it->second;
    v.erase(std::remove(v.begin(), v.end(), item), v.end());
    if (v.empty())
        map.erase(it);
}

} // namespace

const std::vector<PropertyInfo>& PropertyTable() {
    static const std::vector<PropertyInfo> table = BuildTable();
    return table;
}

int PropertyIndex(std::u16string_view name) {
    static const auto map = [] {
        std::unordered_map<std::u16string, int> m;
        const auto& t = PropertyTable();
        for (size_t i = 0; i < t.size(); ++i)
            m.emplace(Fold(t[i].name), static_cast<int>(i));
        return m;
    }();
    auto it = map.find(Fold(name));
    return it == map.end() ? -1 : it->second;
}

const int kPropFirstName = PropertyIndex(u"FirstName");
const int kPropLastName = PropertyIndex(u"LastName");
const int kPropMiddleName = PropertyIndex(u"MiddleName");
const int kPropTitle = PropertyIndex(u"Title");
const int kPropSuffix = PropertyIndex(u"Suffix");
const int kPropCompanyName = PropertyIndex(u"CompanyName");
const int kPropFileAs = PropertyIndex(u"FileAs");
const int kPropFullName = PropertyIndex(u"FullName");
const int kPropIMAddress = PropertyIndex(u"IMAddress");
const int kPropDLName = PropertyIndex(u"DLName");
const int kPropBirthday = PropertyIndex(u"Birthday");
const int kPropAnniversary = PropertyIndex(u"Anniversary");
const int kPropLastModificationTime = PropertyIndex(u"LastModificationTime");

std::u16string Fold(std::u16string_view s) {
    std::u16string r(s);
    for (auto& c : r)
        c = FoldChar(c);
    return r;
}

const std::u16string* Props::Find(int index) const {
    for (const auto& [i, v] : text)
        if (i == index)
            return &v;
    return nullptr;
}

void Props::Set(int index, std::u16string_view value) {
    auto it =
        std::find_if(text.begin(), text.end(), [index](const auto& p) { return p.first == index; });
    if (value.empty()) {
        if (it != text.end())
            text.erase(it);
    } else if (it != text.end()) {
        it->second.assign(value);
    } else {
        text.emplace_back(static_cast<uint16_t>(index), std::u16string(value));
    }
}

double* Props::Date(int index) {
    if (index == kPropBirthday)
        return &birthday;
    if (index == kPropAnniversary)
        return &anniversary;
    if (index == kPropLastModificationTime)
        return &modified;
    return nullptr;
}

double Props::Date(int index) const {
    return *const_cast<Props*>(this)->Date(index);
}

namespace {
const std::u16string kEmpty;
const std::u16string& Get(const Props& p, int index) {
    const std::u16string* v = p.Find(index);
    return v ? *v : kEmpty;
}
void Join(std::u16string& out, const std::u16string& part) {
    if (part.empty())
        return;
    if (!out.empty())
        out += u' ';
    out += part;
}
} // namespace

std::u16string ComposeFullName(const Props& p) {
    std::u16string r;
    for (int i : {kPropTitle, kPropFirstName, kPropMiddleName, kPropLastName, kPropSuffix})
        Join(r, Get(p, i));
    return r;
}

std::u16string ComposeFileAs(const Props& p) {
    if (const std::u16string* set = p.Find(kPropFileAs))
        return *set;
    std::u16string given;
    Join(given, Get(p, kPropFirstName));
    Join(given, Get(p, kPropMiddleName));
    const std::u16string& last = Get(p, kPropLastName);
    if (!last.empty())
        return given.empty() ? last : last + u", " + given;
    if (!given.empty())
        return given;
    return Get(p, kPropCompanyName);
}

void FolderData::Insert(const ItemPtr& item) {
    // Ids grow, so appending keeps the order except for stores read back.
    if (items.empty() || items.back()->id < item->id)
        items.push_back(item);
    else
        items.insert(
            std::upper_bound(items.begin(), items.end(), item,
                             [](const ItemPtr& a, const ItemPtr& b) { return a->id < b->id; }),
            item);
    Index(item.get());
}

void FolderData::Remove(ItemData* item) {
    Unindex(item);
    auto it = std::lower_bound(items.begin(), items.end(), item->id,
                               [](const ItemPtr& a, int64_t key) { return a->id < key; });
    if (it != items.end() && it->get() == item)
        items.erase(it);
}

void FolderData::Index(ItemData* item) {
    if (item->distList)
        return;
    item->fullKey = Fold(ComposeFullName(item->props));
    item->companyKey = Fold(Get(item->props, kPropCompanyName));
    AddKey(byFullName, item->fullKey, item);
    AddKey(byCompany, item->companyKey, item);
}

void FolderData::Unindex(ItemData* item) {
    if (item->distList)
        return;
    RemoveKey(byFullName, item->fullKey, item);
    RemoveKey(byCompany, item->companyKey, item);
}

LONG Model::Major() const {
    return outlook::MajorVersion(version);
}

HRESULT Model::CheckFailure(Kind kind, std::u16string_view member) {
    for (auto& r : rules) {
        if (r.kind != kind || (r.member != u"*" && r.member != Fold(member)))
            continue;
        if (r.calls < r.after) {
            ++r.calls;
            continue;
        }
        if (r.times < 0 || r.failed < r.times) {
            ++r.failed;
            return r.hr;
        }
    }
    return S_OK;
}

FolderData* Model::NewFolder(FolderData* parent, std::u16string_view name, LONG type) {
    auto f = std::make_unique<FolderData>();
    f->id = nextFolderId++;
    f->name.assign(name);
    f->type = type;
    f->parent = parent;
    FolderData* raw = f.get();
    if (parent)
        parent->children.push_back(std::move(f));
    else
        root = std::move(f);
    return raw;
}

void Model::BuildDefaultTree() {
    FolderData* r = NewFolder(nullptr, u"Personal Folders", 0);
    contacts = NewFolder(r, u"Contacts", outlook::olContactItem);
    NewFolder(r, u"Inbox", 0);
    NewFolder(r, u"Calendar", 1);
}

HRESULT Model::Save(const ItemPtr& item, Props props) {
    // Outlook's "the item has been moved or deleted".
    if (item->deleted || !item->folder)
        return kItemGone;
    props.modified = platform::NowAsOleDate();
    const int64_t id = item->saved ? item->id : nextItemId;
    if (backend) {
        HRESULT hr = backend->PutItem(*item, props, id);
        if (FAILED(hr))
            return hr;
    }
    FolderData* f = item->folder;
    if (item->saved)
        f->Unindex(item.get());
    item->props = std::move(props);
    if (item->saved) {
        f->Index(item.get());
    } else {
        item->id = id;
        ++nextItemId;
        item->saved = true;
        f->Insert(item);
    }
    return S_OK;
}

HRESULT Model::Delete(const ItemPtr& item) {
    if (item->deleted)
        return kItemGone;
    if (item->saved) {
        if (backend) {
            HRESULT hr = backend->DeleteItem(item->id);
            if (FAILED(hr))
                return hr;
        }
        item->folder->Remove(item.get());
        ++deletions;
    }
    item->deleted = true;
    return S_OK;
}

const char16_t* KindName(Kind k) {
    static const char16_t* names[kKindCount] = {
        u"Application", u"NameSpace", u"Explorers", u"Explorer", u"Folders",
        u"Folder",      u"Items",     u"Selection", u"Contact",  u"DistList"};
    return names[static_cast<int>(k)];
}

bool KindFromName(std::u16string_view name, Kind* out) {
    for (int i = 0; i < kKindCount; ++i)
        if (Fold(KindName(static_cast<Kind>(i))) == Fold(name)) {
            *out = static_cast<Kind>(i);
            return true;
        }
    return false;
}

} // namespace standin::detail
