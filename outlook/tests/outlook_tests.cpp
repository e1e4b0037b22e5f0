#include "outlook/outlook.h"

#include "standin/standin.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace outlook;
using standin::StandIn;

namespace {

std::string Narrow(std::u16string_view s) {
    return std::string(s.begin(), s.end());
}

TEST(MajorVersion, DigitsBeforeTheFirstDot) {
    const std::pair<const char16_t*, LONG> cases[] = {
        {u"11.0.0.8010", 11},
        {u"9.0.0.2711", 9},
        {u"10.0", 10},
        {u"8.5", 8},
        {u"", 0},
        {u"11", 0},
        {u"abc.1", 0},
        {u"12x.0", 12},
        {u"-3.0", -3},
        {u"+9.1", 9},
        {u".5", 0},
        {u"0009.0", 9},
        {u"99999999999.0", 0x7FFFFFFF},
    };
    for (const auto& [text, major] : cases)
        EXPECT_EQ(MajorVersion(text), major) << Narrow(text);
}

TEST(Wrappers, ReadTheObjectModel) {
    StandIn s(u"10.0.0.2627");
    Application app = s.App();
    std::u16string version;
    ASSERT_EQ(app.TryVersion(&version), S_OK);
    EXPECT_EQ(version, u"10.0.0.2627");
    Explorers explorers;
    ASSERT_EQ(app.TryExplorers(&explorers), S_OK);
    LONG n = 0;
    EXPECT_EQ(explorers.TryCount(&n), S_OK);
    EXPECT_EQ(n, 1);
    Explorer explorer;
    ASSERT_EQ(app.TryActiveExplorer(&explorer), S_OK);
    MAPIFolder current;
    ASSERT_EQ(explorer.TryCurrentFolder(&current), S_OK);
    EXPECT_EQ(current.Name(), u"Contacts");
    NameSpace ns;
    ASSERT_EQ(app.TrySession(&ns), S_OK);
    MAPIFolder contacts;
    ASSERT_EQ(ns.TryGetDefaultFolder(olFolderContacts, &contacts), S_OK);
    LONG type = -1, cls = -1;
    EXPECT_EQ(contacts.TryDefaultItemType(&type), S_OK);
    EXPECT_EQ(type, olContactItem);
    EXPECT_EQ(contacts.TryClass(&cls), S_OK);
    EXPECT_EQ(cls, olFolder);
    DispatchPtr top;
    ASSERT_EQ(ns.TryFolders(&top), S_OK);
    Folders folders(top);
    EXPECT_EQ(folders.Count(), 1);
    EXPECT_EQ(folders.Item(1).Name(), u"Personal Folders");
    MAPIFolder none;
    EXPECT_FALSE(SUCCEEDED(folders.TryItem(2, &none)));

    s.AddContact(contacts, {{u"FirstName", u"Ann"}, {u"CompanyName", u"Acme"}});
    Items items;
    ASSERT_EQ(contacts.TryItems(&items), S_OK);
    EXPECT_EQ(items.Count(), 1);
    Items found;
    ASSERT_EQ(items.TryRestrict(u"[FullName] = \"ann\" AND [CompanyName] = \"ACME\"", &found),
              S_OK);
    EXPECT_EQ(found.Count(), 1);
    DispatchPtr item;
    ASSERT_EQ(found.TryItem(1, &item), S_OK);
    DispatchPtr asContact;
    ASSERT_TRUE(IsContact(item.Get(), &asContact));
    ContactItem c(asContact);
    std::u16string text;
    EXPECT_EQ(c.TryText(u"FullName", &text), S_OK);
    EXPECT_EQ(text, u"Ann");
}

TEST(Wrappers, WriteSaveAndDeleteContacts) {
    StandIn s;
    Items items = s.Contacts().GetItems();
    ContactItem c;
    ASSERT_EQ(items.TryAddContact(&c), S_OK);
    EXPECT_EQ(c.TrySetText(u"LastName", u"Lee"), S_OK);
    EXPECT_EQ(c.TrySetDate(u"Birthday", 29295.0), S_OK);
    double d = 0;
    EXPECT_EQ(c.TryDate(u"Birthday", &d), S_OK);
    EXPECT_EQ(d, 29295.0);
    EXPECT_EQ(c.TrySave(), S_OK);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(ContactItem(items.Item(1)).Text(u"LastName"), u"Lee");
    EXPECT_EQ(c.TryDelete(), S_OK);
    EXPECT_EQ(items.Count(), 0);
    // An unknown property fails like the call would.
    EXPECT_EQ(c.TrySetText(u"NoSuchProperty", u"x"), DISP_E_UNKNOWNNAME);
}

TEST(Wrappers, IsContactTellsContactsFromOtherItems) {
    StandIn s;
    EXPECT_FALSE(IsContact(nullptr));
    DispatchPtr list = s.AddDistList(s.Contacts(), u"Team");
    DispatchPtr out;
    EXPECT_FALSE(IsContact(list.Get(), &out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(IsContact(s.Contacts().Dispatch()));
    ContactItem c = s.AddContact(s.Contacts());
    EXPECT_TRUE(IsContact(c.Dispatch(), &out));
    EXPECT_TRUE(out);
}

TEST(Wrappers, SelectionAndPickFolder) {
    StandIn s;
    ContactItem a = s.AddContact(s.Contacts(), {{u"LastName", u"A"}});
    ContactItem b = s.AddContact(s.Contacts(), {{u"LastName", u"B"}});
    s.SetSelection({b.Ptr(), a.Ptr()});
    Selection sel = s.App().ActiveExplorer().GetSelection();
    LONG n = 0;
    EXPECT_EQ(sel.TryCount(&n), S_OK);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(ContactItem(sel.Item(1)).Text(u"LastName"), u"B");
    EXPECT_EQ(ContactItem(sel.Item(2)).Text(u"LastName"), u"A");
    s.SetPickFolder(MAPIFolder());
    MAPIFolder picked(s.Contacts());
    EXPECT_EQ(s.Session().TryPickFolder(&picked), S_OK);
    EXPECT_FALSE(picked) << "cancel gives a null folder";
    EXPECT_FALSE(s.Session().PickFolder());
}

// Every raising member carries the failing code and its object's interface;
// its Try form returns the code.
struct RaiseCase {
    const char16_t* kind;
    const char16_t* member;
    const IID* iid;
    std::function<void(StandIn&)> raise;
    std::function<HRESULT(StandIn&)> tried;
};

TEST(Wrappers, UntestedFailuresRaiseWithCodeAndInterface) {
    const HRESULT code = static_cast<HRESULT>(0x80040301u);
    auto item1 = [](StandIn& s) { return ContactItem(s.Contacts().GetItems().Item(1)); };
    const RaiseCase cases[] = {
        {u"Application", u"Version", &IID_Application, [](StandIn& s) { s.App().Version(); },
         [](StandIn& s) {
             std::u16string v;
             return s.App().TryVersion(&v);
         }},
        {u"Application", u"Explorers", &IID_Application, [](StandIn& s) { s.App().GetExplorers(); },
         [](StandIn& s) {
             Explorers e;
             return s.App().TryExplorers(&e);
         }},
        {u"Application", u"ActiveExplorer", &IID_Application,
         [](StandIn& s) { s.App().ActiveExplorer(); },
         [](StandIn& s) {
             Explorer e;
             return s.App().TryActiveExplorer(&e);
         }},
        {u"Application", u"Session", &IID_Application, [](StandIn& s) { s.App().Session(); },
         [](StandIn& s) {
             NameSpace n;
             return s.App().TrySession(&n);
         }},
        {u"Explorers", u"Count", &IID_Explorers, [](StandIn& s) { s.App().GetExplorers().Count(); },
         [](StandIn& s) {
             LONG n;
             return s.App().GetExplorers().TryCount(&n);
         }},
        {u"Explorer", u"CurrentFolder", &IID_Explorer,
         [](StandIn& s) { s.App().ActiveExplorer().CurrentFolder(); },
         [](StandIn& s) {
             MAPIFolder f;
             return s.App().ActiveExplorer().TryCurrentFolder(&f);
         }},
        {u"Explorer", u"Selection", &IID_Explorer,
         [](StandIn& s) { s.App().ActiveExplorer().GetSelection(); },
         [](StandIn& s) {
             Selection x;
             return s.App().ActiveExplorer().TrySelection(&x);
         }},
        {u"NameSpace", u"GetDefaultFolder", &IID_NameSpace,
         [](StandIn& s) { s.Session().GetDefaultFolder(olFolderContacts); },
         [](StandIn& s) {
             MAPIFolder f;
             return s.Session().TryGetDefaultFolder(olFolderContacts, &f);
         }},
        {u"NameSpace", u"PickFolder", &IID_NameSpace, [](StandIn& s) { s.Session().PickFolder(); },
         [](StandIn& s) {
             MAPIFolder f;
             return s.Session().TryPickFolder(&f);
         }},
        {u"Folder", u"Name", &IID_MAPIFolder, [](StandIn& s) { s.Contacts().Name(); },
         [](StandIn& s) {
             std::u16string n;
             return s.Contacts().TryName(&n);
         }},
        {u"Folder", u"Parent", &IID_MAPIFolder, [](StandIn& s) { s.Contacts().Parent(); },
         [](StandIn& s) {
             DispatchPtr p;
             return s.Contacts().TryParent(&p);
         }},
        {u"Folder", u"Class", &IID_MAPIFolder, [](StandIn& s) { s.Contacts().Class(); },
         [](StandIn& s) {
             LONG n;
             return s.Contacts().TryClass(&n);
         }},
        {u"Folder", u"DefaultItemType", &IID_MAPIFolder,
         [](StandIn& s) { s.Contacts().DefaultItemType(); },
         [](StandIn& s) {
             LONG n;
             return s.Contacts().TryDefaultItemType(&n);
         }},
        {u"Folder", u"Items", &IID_MAPIFolder, [](StandIn& s) { s.Contacts().GetItems(); },
         [](StandIn& s) {
             Items i;
             return s.Contacts().TryItems(&i);
         }},
        {u"Folders", u"Count", &IID_Folders,
         [](StandIn& s) {
             DispatchPtr f;
             s.Root().TryFolders(&f);
             Folders(f).Count();
         },
         [](StandIn& s) {
             DispatchPtr f;
             s.Root().TryFolders(&f);
             LONG n;
             return Folders(f).TryCount(&n);
         }},
        {u"Folders", u"Item", &IID_Folders,
         [](StandIn& s) {
             DispatchPtr f;
             s.Root().TryFolders(&f);
             Folders(f).Item(1);
         },
         [](StandIn& s) {
             DispatchPtr f;
             s.Root().TryFolders(&f);
             MAPIFolder x;
             return Folders(f).TryItem(1, &x);
         }},
        {u"Items", u"Count", &IID_Items, [](StandIn& s) { s.Contacts().GetItems().Count(); },
         [](StandIn& s) {
             LONG n;
             return s.Contacts().GetItems().TryCount(&n);
         }},
        {u"Items", u"Item", &IID_Items, [](StandIn& s) { s.Contacts().GetItems().Item(1); },
         [](StandIn& s) {
             DispatchPtr p;
             return s.Contacts().GetItems().TryItem(1, &p);
         }},
        {u"Items", u"Restrict", &IID_Items,
         [](StandIn& s) { s.Contacts().GetItems().Restrict(u"[FullName] = \"A\""); },
         [](StandIn& s) {
             Items r;
             return s.Contacts().GetItems().TryRestrict(u"[FullName] = \"A\"", &r);
         }},
        {u"Items", u"Add", &IID_Items, [](StandIn& s) { s.Contacts().GetItems().AddContact(); },
         [](StandIn& s) {
             ContactItem c;
             return s.Contacts().GetItems().TryAddContact(&c);
         }},
        {u"Selection", u"Count", &IID_Selection,
         [](StandIn& s) { s.App().ActiveExplorer().GetSelection().Count(); },
         [](StandIn& s) {
             LONG n;
             return s.App().ActiveExplorer().GetSelection().TryCount(&n);
         }},
        {u"Contact", u"FirstName", &IID_ContactItem,
         [=](StandIn& s) { item1(s).Text(u"FirstName"); },
         [=](StandIn& s) {
             std::u16string t;
             return item1(s).TryText(u"FirstName", &t);
         }},
        {u"Contact", u"Body", &IID_ContactItem,
         [=](StandIn& s) { item1(s).SetText(u"Body", u"x"); },
         [=](StandIn& s) { return item1(s).TrySetText(u"Body", u"x"); }},
        {u"Contact", u"Birthday", &IID_ContactItem, [=](StandIn& s) { item1(s).Date(u"Birthday"); },
         [=](StandIn& s) {
             double d;
             return item1(s).TryDate(u"Birthday", &d);
         }},
        {u"Contact", u"Anniversary", &IID_ContactItem,
         [=](StandIn& s) { item1(s).SetDate(u"Anniversary", 1.0); },
         [=](StandIn& s) { return item1(s).TrySetDate(u"Anniversary", 1.0); }},
        {u"Contact", u"Save", &IID_ContactItem, [=](StandIn& s) { item1(s).Save(); },
         [=](StandIn& s) { return item1(s).TrySave(); }},
        {u"Contact", u"Delete", &IID_ContactItem, [=](StandIn& s) { item1(s).Delete(); },
         [=](StandIn& s) { return item1(s).TryDelete(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.kind) + "." + Narrow(c.member));
        StandIn s;
        s.SetSelection({s.AddContact(s.Contacts(), {{u"FirstName", u"A"}}).Ptr()});
        s.FailMember(c.kind, c.member, code);
        EXPECT_EQ(c.tried(s), code);
        try {
            c.raise(s);
            ADD_FAILURE() << "nothing raised";
        } catch (const com::ComError& e) {
            EXPECT_EQ(e.Result(), code);
            EXPECT_EQ(com::FormatGuid(e.Interface()), com::FormatGuid(*c.iid));
        }
        s.ClearFailures();
        EXPECT_NO_THROW(c.raise(s));
    }
}

TEST(Wrappers, OutlookExceptionInfoGivesItsCode) {
    // A refused filter comes back as DISP_E_EXCEPTION with the real code
    // in the exception info; the wrappers report the real code.
    StandIn s;
    Items r;
    EXPECT_EQ(s.Contacts().GetItems().TryRestrict(u"[FullName] LIKE \"A%\"", &r), E_INVALIDARG);
    EXPECT_FALSE(r);
}

} // namespace
