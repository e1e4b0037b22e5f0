// Thin typed wrappers over Outlook's object model, late bound by name.
// The same code talks to a real Outlook and to the stand-in.
//
// Each member comes in two forms: TryX returns the HRESULT (for reads whose
// failure the caller tests) and X raises com::ComError with the HRESULT and
// the object's interface id.
#pragma once

#include "com/dispatch.h"

#include <string>
#include <string_view>

namespace outlook {

extern const IID IID_Application;  // {00063001-0000-0000-C000-000000000046}
extern const IID IID_NameSpace;    // {00063002-...}
extern const IID IID_Explorer;     // {00063003-...}
extern const IID IID_MAPIFolder;   // {00063006-...}
extern const IID IID_Explorers;    // {0006300A-...}
extern const IID IID_Folders;      // {00063040-...}
extern const IID IID_ContactItem;  // {00063021-...}
extern const IID IID_Items;        // {00063041-...}
extern const IID IID_DistListItem; // {00063081-...}
extern const IID IID_Selection;    // {00063087-...}

constexpr DISPID kDispIdIMAddress = 0x8062; // ContactItem.IMAddress, Outlook 2002 on
constexpr LONG olFolderContacts = 10;
constexpr LONG olContactItem = 2;
constexpr LONG olFolder = 2; // MAPIFolder.Class

using DispatchPtr = com::ComPtr<IDispatch>;

// Common base: one owned IDispatch reference and the helpers for members.
class Object {
public:
    Object() = default;
    explicit Object(DispatchPtr d) : d_(std::move(d)) {}
    IDispatch* Dispatch() const { return d_.Get(); }
    const DispatchPtr& Ptr() const { return d_; }
    explicit operator bool() const { return static_cast<bool>(d_); }
    void Reset() { d_.Reset(); }

protected:
    HRESULT TryGetVariant(com::DispIdCache& c, const char16_t* name, com::Variant* out,
                          std::initializer_list<const com::Variant*> args = {}) const;
    HRESULT TryGetText(com::DispIdCache& c, const char16_t* name, std::u16string* out) const;
    HRESULT TryGetLong(com::DispIdCache& c, const char16_t* name, LONG* out) const;
    HRESULT TryGetDouble(com::DispIdCache& c, const char16_t* name, double* out) const;
    HRESULT TryGetObject(com::DispIdCache& c, const char16_t* name, DispatchPtr* out,
                         std::initializer_list<const com::Variant*> args = {}) const;
    HRESULT TryCallObject(com::DispIdCache& c, const char16_t* name, DispatchPtr* out,
                          std::initializer_list<const com::Variant*> args = {}) const;
    HRESULT TryCallVoid(com::DispIdCache& c, const char16_t* name) const;
    HRESULT TryPutVariant(com::DispIdCache& c, const char16_t* name, const com::Variant& v) const;

    DispatchPtr d_;
};

class ContactItem : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();

    // Any text property by name ("FirstName", "Body", "Email1AddressType", ...).
    HRESULT TryText(const char16_t* property, std::u16string* out) const;
    std::u16string Text(const char16_t* property) const;
    HRESULT TrySetText(const char16_t* property, std::u16string_view value) const;
    void SetText(const char16_t* property, std::u16string_view value) const;

    // Date properties ("Birthday", "Anniversary", "LastModificationTime").
    HRESULT TryDate(const char16_t* property, double* out) const;
    double Date(const char16_t* property) const;
    HRESULT TrySetDate(const char16_t* property, double value) const;
    void SetDate(const char16_t* property, double value) const;

    HRESULT TrySave() const;
    void Save() const;
    HRESULT TryDelete() const;
    void Delete() const;
};

// Is the item a contact (does it answer the contact interface)? When it is
// and `contact` is given, it receives the contact interface.
bool IsContact(IDispatch* item, DispatchPtr* contact = nullptr);

class Items : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryCount(LONG* out) const;
    LONG Count() const;
    // Index from 1.
    HRESULT TryItem(LONG index, DispatchPtr* out) const;
    DispatchPtr Item(LONG index) const;
    HRESULT TryRestrict(std::u16string_view filter, Items* out) const;
    Items Restrict(std::u16string_view filter) const;
    // Add(olContactItem): a new, unsaved contact.
    HRESULT TryAddContact(ContactItem* out) const;
    ContactItem AddContact() const;
};

class Selection : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryCount(LONG* out) const;
    LONG Count() const;
    HRESULT TryItem(LONG index, DispatchPtr* out) const;
    DispatchPtr Item(LONG index) const;
};

class MAPIFolder : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryName(std::u16string* out) const;
    std::u16string Name() const;
    // The parent object: a folder (Class olFolder) or the session at the top.
    HRESULT TryParent(DispatchPtr* out) const;
    DispatchPtr Parent() const;
    HRESULT TryClass(LONG* out) const;
    LONG Class() const;
    HRESULT TryDefaultItemType(LONG* out) const;
    LONG DefaultItemType() const;
    HRESULT TryItems(Items* out) const;
    Items GetItems() const;
    // Subfolders (a Folders collection: Count, Item from 1).
    HRESULT TryFolders(DispatchPtr* out) const;
};

class NameSpace : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryGetDefaultFolder(LONG type, MAPIFolder* out) const;
    MAPIFolder GetDefaultFolder(LONG type) const;
    // Null folder when the user cancels.
    HRESULT TryPickFolder(MAPIFolder* out) const;
    MAPIFolder PickFolder() const;
    // The top-level folders (a Folders collection).
    HRESULT TryFolders(DispatchPtr* out) const;
};

class Explorer : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryCurrentFolder(MAPIFolder* out) const;
    MAPIFolder CurrentFolder() const;
    HRESULT TrySelection(Selection* out) const;
    Selection GetSelection() const;
};

class Explorers : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryCount(LONG* out) const;
    LONG Count() const;
};

class Application : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryVersion(std::u16string* out) const;
    std::u16string Version() const;
    HRESULT TryExplorers(Explorers* out) const;
    Explorers GetExplorers() const;
    HRESULT TryActiveExplorer(Explorer* out) const;
    Explorer ActiveExplorer() const;
    HRESULT TrySession(NameSpace* out) const;
    NameSpace Session() const;
};

// A Folders collection (NameSpace.Folders, MAPIFolder.Folders).
class Folders : public Object {
public:
    using Object::Object;
    static com::DispIdCache& Cache();
    HRESULT TryCount(LONG* out) const;
    LONG Count() const;
    HRESULT TryItem(LONG index, MAPIFolder* out) const;
    MAPIFolder Item(LONG index) const;
};

// The major version: the digits of the version text before the first ".".
LONG MajorVersion(std::u16string_view versionText);

} // namespace outlook
