// An Outlook of our own for the tests and the command line: Outlook's object
// model (application, session, folders, items, contacts, distribution lists,
// explorers, selection) as real IDispatch objects that behave as Outlook does
// where the system relies on it. In memory; on Linux it can also live in a
// SQLite file (OpenStore).
//
// Every COM object the stand-in hands out holds the shared data, so objects
// stay usable for as long as someone holds them, also after the StandIn is
// gone. The StandIn itself holds no COM object of its own, with one
// exception: items given to SetSelection that are not objects of a stand-in
// are kept as they were given (LiveObjects counts them while they are held).
#pragma once

#include "outlook/outlook.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

namespace detail {
struct Model;
}

class StandIn {
public:
    // An Outlook in memory, with the default tree: root "Personal Folders"
    // holding "Contacts" (the default contacts folder, DefaultItemType 2),
    // "Inbox" (0) and "Calendar" (1).
    explicit StandIn(std::u16string version = u"11.0.0.8010");
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

#ifndef _WIN32
    // A store persisted in SQLite at path, created with the default tree on
    // first use. Every Save and Delete is committed at once. Gives nullptr and
    // a one-line message in *error when the file is not a store (or one of a
    // newer format); the file is then left untouched.
    static std::unique_ptr<StandIn> OpenStore(const std::string& path, std::u16string version,
                                              std::string* error);
#endif

    outlook::Application App() const; // the _Application object
    outlook::NameSpace Session() const;
    outlook::MAPIFolder Contacts() const; // default contacts folder
    outlook::MAPIFolder Root() const;     // "Personal Folders"
    outlook::MAPIFolder AddFolder(const outlook::MAPIFolder& parent, std::u16string_view name,
                                  LONG defaultItemType);
    // A saved contact with the given text properties (any settable contact
    // property name; an unknown name throws std::invalid_argument).
    outlook::ContactItem
    AddContact(const outlook::MAPIFolder& folder,
               std::initializer_list<std::pair<const char16_t*, std::u16string_view>> text = {});
    // A saved distribution list (not a contact: it does not answer the
    // contact interface).
    outlook::DispatchPtr AddDistList(const outlook::MAPIFolder& folder, std::u16string_view name);

    void SetVersion(std::u16string_view version);
    // What NameSpace.PickFolder gives; a null folder = the user cancels.
    // Until set, PickFolder gives the default contacts folder.
    void SetPickFolder(const outlook::MAPIFolder& folder);
    // The active explorer's current folder (the contacts folder until set).
    void SetCurrentFolder(const outlook::MAPIFolder& folder);
    // The active explorer's selection (empty until set).
    void SetSelection(const std::vector<outlook::DispatchPtr>& items);

    // Failure injection: member `member` (its name as GetIDsOfNames knows it,
    // e.g. u"Count", u"Item", u"Save", u"FirstName", u"Body"; or u"*" for all)
    // of every object of kind `kind` fails with `hr` after `after` successful
    // calls, for `times` calls (-1 = every later call). Kinds: u"Application",
    // u"NameSpace", u"Explorers", u"Explorer", u"Folders", u"Folder",
    // u"Items", u"Selection", u"Contact", u"DistList". Only Invoke counts;
    // GetIDsOfNames always answers. Throws std::invalid_argument for an
    // unknown kind.
    void FailMember(std::u16string_view kind, std::u16string_view member, HRESULT hr, int after = 0,
                    int times = -1);
    void ClearFailures();

    // COM objects of this stand-in alive now. 0 once every object is
    // released (see the note at the top for what the StandIn may hold).
    long LiveObjects() const;

private:
    explicit StandIn(std::shared_ptr<detail::Model> model);
    std::shared_ptr<detail::Model> m_;
};

} // namespace standin
