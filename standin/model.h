// The data behind the stand-in's COM objects: folders, items and the rules
// for failing members. Shared by every object through a shared_ptr.
#pragma once

#include "com/holders.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin::detail {

enum class Kind {
    Application,
    NameSpace,
    Explorers,
    Explorer,
    Folders,
    Folder,
    Items,
    Selection,
    Contact,
    DistList
};
constexpr int kKindCount = 10;

// Stored properties of an item. Index into PropertyTable().
enum class PropType { Text, Date, FullName };
struct PropertyInfo {
    const char16_t* name;
    PropType type;
};
const std::vector<PropertyInfo>& PropertyTable();
// Index of a stored property by name (case-insensitive); -1 when unknown.
int PropertyIndex(std::u16string_view name);
extern const int kPropFirstName, kPropLastName, kPropMiddleName, kPropTitle, kPropSuffix,
    kPropCompanyName, kPropFileAs, kPropFullName, kPropIMAddress, kPropDLName, kPropBirthday,
    kPropAnniversary, kPropLastModificationTime;

constexpr double kNoDate = 949998.0;
// Outlook's "the item has been moved or deleted" (MAPI_E_NOT_FOUND).
constexpr HRESULT kItemGone = static_cast<HRESULT>(0x8004010Fu);

// Sparse: most contacts have a handful of values.
struct Props {
    std::vector<std::pair<uint16_t, std::u16string>> text;
    double birthday = kNoDate, anniversary = kNoDate, modified = kNoDate;

    const std::u16string* Find(int index) const;
    void Set(int index, std::u16string_view value); // empty removes
    double* Date(int index);
    double Date(int index) const;
};

std::u16string ComposeFullName(const Props& p);
std::u16string ComposeFileAs(const Props& p);
// Case folding for comparisons that ignore letter case.
std::u16string Fold(std::u16string_view s);

struct FolderData;

struct ItemData : std::enable_shared_from_this<ItemData> {
    int64_t id = 0; // 0 until first saved; also the order within the folder
    bool distList = false;
    bool saved = false;
    bool deleted = false;
    FolderData* folder = nullptr; // where Save puts it
    Props props;
    std::u16string fullKey, companyKey; // folded, as indexed
};
using ItemPtr = std::shared_ptr<ItemData>;

struct FolderData {
    int64_t id = 0;
    std::u16string name;
    LONG type = 0;
    FolderData* parent = nullptr;
    std::vector<std::unique_ptr<FolderData>> children;
    std::vector<ItemPtr> items; // saved items in id order
    std::unordered_map<std::u16string, std::vector<ItemData*>> byFullName, byCompany;

    void Insert(const ItemPtr& item);
    void Remove(ItemData* item);
    void Index(ItemData* item);
    void Unindex(ItemData* item);
};

// Where saved data goes besides memory. Each call is one committed change.
class Backend {
public:
    virtual ~Backend() = default;
    virtual HRESULT PutItem(const ItemData& item, const Props& props, int64_t id) = 0;
    virtual HRESULT DeleteItem(int64_t id) = 0;
    virtual HRESULT PutFolder(const FolderData& folder) = 0;
};

struct FailRule {
    Kind kind;
    std::u16string member; // folded; u"*" for all
    HRESULT hr;
    int after;
    int times;
    int calls = 0;
    int failed = 0;
};

struct Model {
    std::u16string version;
    std::unique_ptr<FolderData> root;
    FolderData* contacts = nullptr;
    bool pickSet = false;
    FolderData* pick = nullptr;
    FolderData* current = nullptr;
    // The selection: items of a stand-in by their data, anything else as given.
    struct Selected {
        ItemPtr item;
        com::ComPtr<IDispatch> other;
    };
    std::vector<Selected> selection;
    std::vector<FailRule> rules;
    long live = 0;
    int64_t nextItemId = 1;
    int64_t nextFolderId = 1;
    uint64_t deletions = 0; // bumped at every delete, so snapshots know to drop items
    std::unique_ptr<Backend> backend;

    LONG Major() const;
    // The failure configured for this call, or S_OK.
    HRESULT CheckFailure(Kind kind, std::u16string_view member);
    FolderData* NewFolder(FolderData* parent, std::u16string_view name, LONG type);
    HRESULT Save(const ItemPtr& item, Props props);
    HRESULT Delete(const ItemPtr& item);
    // Default tree for a new store.
    void BuildDefaultTree();
};

const char16_t* KindName(Kind k);
bool KindFromName(std::u16string_view name, Kind* out);

// The data behind an object of the stand-in with model m; null for anything else.
IDispatch* NewFolderObject(const std::shared_ptr<Model>& m, FolderData* f);
IDispatch* NewItemObject(const std::shared_ptr<Model>& m, const ItemPtr& item);
IDispatch* NewApplicationObject(const std::shared_ptr<Model>& m);
IDispatch* NewNameSpaceObject(const std::shared_ptr<Model>& m);
FolderData* FolderOf(IDispatch* d, const Model* m);
ItemPtr ItemOf(IDispatch* d, const Model* m);

} // namespace standin::detail
