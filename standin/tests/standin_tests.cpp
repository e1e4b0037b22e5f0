#include "standin/standin.h"

#include "platform/oledate.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using outlook::ContactItem;
using outlook::DispatchPtr;
using outlook::Items;
using outlook::MAPIFolder;
using standin::StandIn;

namespace {

#define EXPECT_FAILED(expr) EXPECT_TRUE(FAILED(expr))

constexpr HRESULT E_ACCESSDENIED_FOR_TEST = static_cast<HRESULT>(0x80070005u);

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

DISPID IdOf(IDispatch* d, const char16_t* name, HRESULT* hr) {
    std::u16string copy(name);
    LPOLESTR names[1] = {com::AsOle(&copy[0])};
    DISPID id = DISPID_UNKNOWN;
    *hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// The stand-in's Outlook rules, one row per case.
struct NameCase {
    std::vector<std::pair<const char16_t*, std::u16string>> parts;
    std::u16string fullName;
    std::u16string fileAs;
};

TEST(StandInContact, ComposesFullNameAndFileAs) {
    const NameCase cases[] = {
        {{{u"FirstName", u"John"}, {u"LastName", u"Smith"}}, u"John Smith", u"Smith, John"},
        {{{u"Title", u"Dr."},
          {u"FirstName", u"John"},
          {u"MiddleName", u"Q"},
          {u"LastName", u"Public"},
          {u"Suffix", u"Jr."}},
         u"Dr. John Q Public Jr.",
         u"Public, John Q"},
        {{{u"LastName", u"Smith"}}, u"Smith", u"Smith"},
        {{{u"FirstName", u"Ann"}, {u"MiddleName", u"B"}}, u"Ann B", u"Ann B"},
        {{{u"CompanyName", u"Acme"}}, u"", u"Acme"},
        {{{u"Title", u"Mr."}, {u"Suffix", u"III"}}, u"Mr. III", u""},
        {{{u"FirstName", u"Jo"}, {u"LastName", u"Lee"}, {u"FileAs", u"Lee Jo (work)"}},
         u"Jo Lee",
         u"Lee Jo (work)"},
        {{}, u"", u""},
    };
    StandIn s;
    for (const auto& c : cases) {
        ContactItem item = s.Contacts().GetItems().AddContact();
        for (const auto& [name, value] : c.parts)
            item.SetText(name, value);
        EXPECT_EQ(item.Text(u"FullName"), c.fullName) << Narrow(c.fullName);
        EXPECT_EQ(item.Text(u"FileAs"), c.fileAs) << Narrow(c.fullName);
    }
}

TEST(StandInContact, FullNameIsReadOnlyAndDatesStartUnset) {
    StandIn s;
    ContactItem c = s.AddContact(s.Contacts(), {{u"FirstName", u"A"}});
    EXPECT_FAILED(c.TrySetText(u"FullName", u"Other"));
    EXPECT_EQ(c.Date(u"Birthday"), platform::kNoDate);
    EXPECT_EQ(c.Date(u"Anniversary"), platform::kNoDate);
    ContactItem fresh = s.Contacts().GetItems().AddContact();
    EXPECT_EQ(fresh.Date(u"LastModificationTime"), platform::kNoDate);
    EXPECT_EQ(fresh.Text(u"Body"), u"");
}

struct FilterCase {
    const char16_t* filter;
    int count; // -1: refused
};

TEST(StandInItems, RestrictAcceptsTheImportGrammarOnly) {
    StandIn s;
    MAPIFolder f = s.Contacts();
    s.AddContact(f, {{u"FirstName", u"John"}, {u"LastName", u"Smith"}, {u"CompanyName", u"Acme"}});
    s.AddContact(f, {{u"FirstName", u"John"}, {u"LastName", u"Smith"}});
    s.AddContact(f, {{u"FirstName", u"Pat"}, {u"LastName", u"O'Brien"}});
    s.AddContact(f,
                 {{u"NickName", u"\"Ace\""}, {u"LastName", u"Jones"}, {u"FirstName", u"\"Ace\""}});
    s.AddContact(f, {{u"CompanyName", u"ACME"}});
    s.AddDistList(f, u"John Smith");
    const FilterCase cases[] = {
        {u"[FullName] = \"John Smith\"", 2},
        {u"[FullName] = 'John Smith'", 2},
        {u"[FullName] = \"JOHN smith\"", 2},
        {u"[FullName] = \"John Smith\" AND [CompanyName] = \"Acme\"", 1},
        {u"[FullName] = \"John Smith\" AND [CompanyName] = 'acme'", 1},
        {u"[CompanyName] = \"Acme\"", 2},
        {u"[FullName] = \"Pat O'Brien\"", 1},
        {u"[FullName] = '\"Ace\" Jones'", 1},
        {u"[FullName] = \"Nobody\"", 0},
        {u"[FullName] = \"John\"", 0},
        {u"[FirstName] = \"john\" AND [LastName] = \"SMITH\"", 2},
        {u"[FullName] = \"John Smith\" OR [CompanyName] = \"Acme\"", -1},
        {u"[FullName] <> \"John Smith\"", -1},
        {u"[FullName] = John", -1},
        {u"[FullName] = \"John Smith", -1},
        {u"FullName = \"John Smith\"", -1},
        {u"[NoSuchProperty] = \"x\"", -1},
        {u"[Birthday] = \"1/1/2000\"", -1},
        {u"[FullName] = \"John Smith\" AND", -1},
        {u"[FullName] = \"John Smith\"AND [CompanyName] = \"Acme\"", -1},
        {u"", -1},
    };
    Items items = f.GetItems();
    for (const auto& c : cases) {
        Items r;
        const HRESULT hr = items.TryRestrict(c.filter, &r);
        if (c.count < 0) {
            EXPECT_TRUE(hr == E_INVALIDARG || hr == DISP_E_EXCEPTION) << Narrow(c.filter);
            continue;
        }
        ASSERT_EQ(hr, S_OK) << Narrow(c.filter);
        EXPECT_EQ(r.Count(), c.count) << Narrow(c.filter);
        for (LONG i = 1; i <= r.Count(); ++i)
            EXPECT_TRUE(outlook::IsContact(r.Item(i).Get())) << Narrow(c.filter);
    }
}

TEST(StandInItems, RestrictKeepsFolderOrderAndNarrowsFurther) {
    StandIn s;
    MAPIFolder f = s.Contacts();
    s.AddContact(f, {{u"LastName", u"Doe"}, {u"Body", u"first"}});
    s.AddContact(f, {{u"LastName", u"Roe"}});
    ContactItem second = s.AddContact(f, {{u"LastName", u"doe"}, {u"Body", u"second"}});
    // A re-saved item keeps its place.
    ContactItem(f.GetItems().Item(1)).Save();
    Items r = f.GetItems().Restrict(u"[FullName] = \"DOE\"");
    ASSERT_EQ(r.Count(), 2);
    EXPECT_EQ(ContactItem(r.Item(1)).Text(u"Body"), u"first");
    EXPECT_EQ(ContactItem(r.Item(2)).Text(u"Body"), u"second");
    Items narrower = r.Restrict(u"[Body] = 'SECOND'");
    EXPECT_EQ(narrower.Count(), 1);
    // A restricted collection adds into its folder.
    ContactItem added = narrower.AddContact();
    added.SetText(u"LastName", u"Doe");
    added.Save();
    EXPECT_EQ(f.GetItems().Count(), 4);
    EXPECT_EQ(f.GetItems().Restrict(u"[FullName] = 'doe'").Count(), 3);
    second.Delete();
    EXPECT_EQ(r.Count(), 1) << "a deleted item leaves a restricted collection";
}

TEST(StandInItems, AddGivesAnUnsavedContactThatSaveStores) {
    StandIn s;
    Items items = s.Contacts().GetItems();
    ContactItem c = items.AddContact();
    c.SetText(u"FirstName", u"New");
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.Restrict(u"[FullName] = \"New\"").Count(), 0);
    const double before = platform::NowAsOleDate();
    c.Save();
    const double after = platform::NowAsOleDate();
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Restrict(u"[FullName] = \"New\"").Count(), 1);
    const double modified = c.Date(u"LastModificationTime");
    EXPECT_GE(modified, before - 1.0 / 86400);
    EXPECT_LE(modified, after + 1.0 / 86400);

    // Changes to a saved contact are seen elsewhere only after Save.
    c.SetText(u"FirstName", u"Renamed");
    ContactItem other(items.Item(1));
    EXPECT_EQ(other.Text(u"FirstName"), u"New");
    EXPECT_EQ(items.Restrict(u"[FullName] = \"Renamed\"").Count(), 0);
    c.Save();
    EXPECT_EQ(ContactItem(items.Item(1)).Text(u"FirstName"), u"Renamed");
    EXPECT_EQ(items.Restrict(u"[FullName] = \"Renamed\"").Count(), 1);
    EXPECT_EQ(items.Restrict(u"[FullName] = \"New\"").Count(), 0);
}

TEST(StandInItems, DeleteRemovesAndTheItemIsGone) {
    StandIn s;
    MAPIFolder f = s.Contacts();
    s.AddContact(f, {{u"LastName", u"A"}});
    ContactItem b = s.AddContact(f, {{u"LastName", u"B"}});
    s.AddContact(f, {{u"LastName", u"C"}});
    ContactItem(f.GetItems().Item(2)).Delete();
    Items items = f.GetItems();
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(ContactItem(items.Item(2)).Text(u"LastName"), u"C");
    EXPECT_EQ(items.Restrict(u"[LastName] = 'B'").Count(), 0);
    std::u16string text;
    EXPECT_FAILED(b.TryText(u"LastName", &text));
    EXPECT_FAILED(b.TryDelete());
    EXPECT_FAILED(b.TrySave());
}

TEST(StandInItems, ItemCountsFromOneAndFailsPastCount) {
    StandIn s;
    s.AddContact(s.Contacts(), {{u"LastName", u"Only"}});
    Items items = s.Contacts().GetItems();
    DispatchPtr p;
    EXPECT_EQ(items.TryItem(1, &p), S_OK);
    EXPECT_TRUE(p);
    for (LONG bad : {0, 2, -1}) {
        const HRESULT hr = items.TryItem(bad, &p);
        EXPECT_TRUE(hr == DISP_E_BADINDEX || hr == E_INVALIDARG) << bad;
    }
    // The index may come as VT_I2 or VT_INT, and the call as a property get.
    for (const com::Variant& index : {com::Variant::I2(1), com::Variant::Int(1)}) {
        for (WORD flags : {WORD(DISPATCH_METHOD), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
            DISPID id;
            ASSERT_EQ(Items::Cache().Lookup(items.Dispatch(), u"Item", &id), S_OK);
            com::Variant r;
            EXPECT_EQ(com::Invoke(items.Dispatch(), id, flags, {&index}, &r), S_OK);
            EXPECT_EQ(r.Type(), VT_DISPATCH);
        }
    }
    com::Variant text = com::Variant::Text(u"1");
    DISPID id;
    ASSERT_EQ(Items::Cache().Lookup(items.Dispatch(), u"Item", &id), S_OK);
    EXPECT_FAILED(com::Invoke(items.Dispatch(), id, DISPATCH_METHOD, {&text}, nullptr));
}

TEST(StandInItems, DatesTakeDateOrDoubleVariants) {
    StandIn s;
    ContactItem c = s.AddContact(s.Contacts());
    c.SetDate(u"Birthday", 29295.0);
    EXPECT_EQ(c.Date(u"Birthday"), 29295.0);
    DISPID id;
    ASSERT_EQ(ContactItem::Cache().Lookup(c.Dispatch(), u"Anniversary", &id), S_OK);
    EXPECT_EQ(com::TryPut(c.Dispatch(), id, com::Variant::R8(36000.5)), S_OK);
    EXPECT_EQ(c.Date(u"Anniversary"), 36000.5);
    EXPECT_FAILED(com::TryPut(c.Dispatch(), id, com::Variant::Text(u"tomorrow")));
    ASSERT_EQ(ContactItem::Cache().Lookup(c.Dispatch(), u"FirstName", &id), S_OK);
    EXPECT_FAILED(com::TryPut(c.Dispatch(), id, com::Variant::I4(5)));
}

TEST(StandInItems, DistributionListIsNotAContact) {
    StandIn s;
    DispatchPtr list = s.AddDistList(s.Contacts(), u"Team");
    EXPECT_FALSE(outlook::IsContact(list.Get()));
    DispatchPtr asList;
    EXPECT_EQ(list.As(outlook::IID_DistListItem, &asList), S_OK);
    Items items = s.Contacts().GetItems();
    ASSERT_EQ(items.Count(), 1);
    EXPECT_FALSE(outlook::IsContact(items.Item(1).Get()));
    com::DispIdCache cache(outlook::IID_DistListItem);
    EXPECT_EQ(com::Get(list.Get(), cache, u"DLName").Type(), VT_BSTR);
    std::u16string name;
    com::Get(list.Get(), cache, u"FileAs").ToText(&name);
    EXPECT_EQ(name, u"Team");
    HRESULT hr;
    IdOf(list.Get(), u"FirstName", &hr);
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
}

TEST(StandInContact, IMAddressExistsFromVersionTen) {
    for (const auto& [version, present] : {std::pair<std::u16string, bool>{u"9.0.0.2711", false},
                                           {u"10.0.0.2627", true},
                                           {u"11.0.0.8010", true}}) {
        StandIn s(version);
        ContactItem c = s.AddContact(s.Contacts());
        HRESULT hr;
        const DISPID id = IdOf(c.Dispatch(), u"IMAddress", &hr);
        com::Variant value = com::Variant::Text(u"im:me");
        const HRESULT put = com::TryPut(c.Dispatch(), outlook::kDispIdIMAddress, value);
        com::Variant got;
        const HRESULT get = com::TryGet(c.Dispatch(), outlook::kDispIdIMAddress, &got);
        if (present) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(id, outlook::kDispIdIMAddress);
            EXPECT_EQ(put, S_OK);
            ASSERT_EQ(get, S_OK);
            std::u16string text;
            got.ToText(&text);
            EXPECT_EQ(text, u"im:me");
        } else {
            EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
            EXPECT_EQ(put, DISP_E_MEMBERNOTFOUND);
            EXPECT_EQ(get, DISP_E_MEMBERNOTFOUND);
        }
    }
}

TEST(StandInTree, DefaultTreeAndSession) {
    StandIn s(u"10.0.0.2627");
    outlook::Application app = s.App();
    EXPECT_EQ(app.Version(), u"10.0.0.2627");
    s.SetVersion(u"9.0.0.3821");
    EXPECT_EQ(app.Version(), u"9.0.0.3821");
    EXPECT_EQ(app.GetExplorers().Count(), 1);
    outlook::NameSpace ns = app.Session();
    MAPIFolder contacts = ns.GetDefaultFolder(outlook::olFolderContacts);
    EXPECT_EQ(contacts.Name(), u"Contacts");
    EXPECT_EQ(contacts.DefaultItemType(), outlook::olContactItem);
    EXPECT_EQ(contacts.Class(), outlook::olFolder);
    MAPIFolder root(contacts.Parent());
    EXPECT_EQ(root.Name(), u"Personal Folders");
    EXPECT_EQ(root.Class(), outlook::olFolder);
    // Above the root is the session, of class olNamespace.
    outlook::NameSpace top(root.Parent());
    LONG cls = 0;
    EXPECT_EQ(MAPIFolder(top.Ptr()).TryClass(&cls), S_OK);
    EXPECT_EQ(cls, 1);
    DispatchPtr sub;
    ASSERT_EQ(root.TryFolders(&sub), S_OK);
    outlook::Folders folders(sub);
    ASSERT_EQ(folders.Count(), 3);
    const std::pair<const char16_t*, LONG> expected[] = {
        {u"Contacts", 2}, {u"Inbox", 0}, {u"Calendar", 1}};
    for (LONG i = 1; i <= 3; ++i) {
        EXPECT_EQ(folders.Item(i).Name(), expected[i - 1].first);
        EXPECT_EQ(folders.Item(i).DefaultItemType(), expected[i - 1].second);
    }
    MAPIFolder made = s.AddFolder(contacts, u"Friends", outlook::olContactItem);
    EXPECT_EQ(MAPIFolder(made.Parent()).Name(), u"Contacts");
    ASSERT_EQ(contacts.TryFolders(&sub), S_OK);
    EXPECT_EQ(outlook::Folders(sub).Count(), 1);
}

TEST(StandInTree, PickFolderCurrentFolderAndSelection) {
    StandIn s;
    outlook::NameSpace ns = s.Session();
    EXPECT_EQ(ns.PickFolder().Name(), u"Contacts");
    MAPIFolder friends = s.AddFolder(s.Contacts(), u"Friends", 2);
    s.SetPickFolder(friends);
    EXPECT_EQ(ns.PickFolder().Name(), u"Friends");
    s.SetPickFolder(MAPIFolder());
    MAPIFolder picked;
    EXPECT_EQ(ns.TryPickFolder(&picked), S_OK);
    EXPECT_FALSE(picked);

    outlook::Explorer e = s.App().ActiveExplorer();
    EXPECT_EQ(e.CurrentFolder().Name(), u"Contacts");
    s.SetCurrentFolder(friends);
    EXPECT_EQ(e.CurrentFolder().Name(), u"Friends");
    EXPECT_EQ(e.GetSelection().Count(), 0);

    ContactItem a = s.AddContact(friends, {{u"LastName", u"A"}});
    DispatchPtr list = s.AddDistList(friends, u"L");
    s.SetSelection({a.Ptr(), list});
    outlook::Selection sel = e.GetSelection();
    ASSERT_EQ(sel.Count(), 2);
    EXPECT_EQ(ContactItem(sel.Item(1)).Text(u"LastName"), u"A");
    EXPECT_FALSE(outlook::IsContact(sel.Item(2).Get()));
    DispatchPtr none;
    EXPECT_FAILED(sel.TryItem(3, &none));

    // Folders of another stand-in are refused, not mixed in.
    StandIn other;
    EXPECT_THROW(s.SetPickFolder(other.Contacts()), std::invalid_argument);
    EXPECT_THROW(s.AddContact(other.Contacts()), std::invalid_argument);
}

TEST(StandInFailures, TestedAndUntestedReadsSeeTheInjectedResult) {
    StandIn s;
    ContactItem c = s.AddContact(s.Contacts(), {{u"FirstName", u"A"}, {u"Body", u"b"}});
    s.FailMember(u"Contact", u"Body", E_ACCESSDENIED_FOR_TEST, 1, 1);
    std::u16string body;
    EXPECT_EQ(c.TryText(u"Body", &body), S_OK) << "one call succeeds first";
    EXPECT_EQ(c.TryText(u"Body", &body), E_ACCESSDENIED_FOR_TEST);
    EXPECT_EQ(c.TryText(u"Body", &body), S_OK) << "then the failure is used up";
    EXPECT_EQ(c.Text(u"FirstName"), u"A");

    s.FailMember(u"Contact", u"FirstName", E_FAIL);
    try {
        c.Text(u"FirstName");
        ADD_FAILURE() << "no error raised";
    } catch (const com::ComError& e) {
        EXPECT_EQ(e.Result(), E_FAIL);
        EXPECT_TRUE(IsEqualIID(e.Interface(), outlook::IID_ContactItem));
    }
    s.ClearFailures();
    EXPECT_EQ(c.Text(u"FirstName"), u"A");
}

TEST(StandInFailures, EveryKindAndEveryMemberCanFail) {
    StandIn s;
    s.AddContact(s.Contacts(), {{u"LastName", u"A"}});
    const HRESULT hr = static_cast<HRESULT>(0x80040200u);
    s.FailMember(u"Items", u"*", hr, 0, 2);
    Items items = s.Contacts().GetItems();
    LONG n = 0;
    EXPECT_EQ(items.TryCount(&n), hr);
    DispatchPtr p;
    EXPECT_EQ(items.TryItem(1, &p), hr);
    EXPECT_EQ(items.TryCount(&n), S_OK);
    EXPECT_EQ(n, 1);

    s.FailMember(u"Application", u"Version", hr);
    EXPECT_THROW(s.App().Version(), com::ComError);
    s.FailMember(u"NameSpace", u"PickFolder", hr);
    MAPIFolder f;
    EXPECT_EQ(s.Session().TryPickFolder(&f), hr);
    s.FailMember(u"Folder", u"Items", hr, 0, 1);
    Items none;
    EXPECT_EQ(s.Contacts().TryItems(&none), hr);
    s.FailMember(u"Contact", u"Save", hr);
    ContactItem unsaved = s.Contacts().GetItems().AddContact();
    EXPECT_THROW(unsaved.Save(), com::ComError);
    EXPECT_EQ(s.Contacts().GetItems().Count(), 1);
    EXPECT_THROW(s.FailMember(u"Nothing", u"*", hr), std::invalid_argument);
}

TEST(StandInLifetime, ReferencesReturnToZero) {
    auto s = std::make_unique<StandIn>();
    EXPECT_EQ(s->LiveObjects(), 0);
    {
        ContactItem c = s->AddContact(s->Contacts(), {{u"LastName", u"A"}});
        Items items = s->Contacts().GetItems();
        Items r = items.Restrict(u"[LastName] = 'a'");
        DispatchPtr p = r.Item(1);
        s->SetSelection({c.Ptr()});
        outlook::Selection sel = s->App().ActiveExplorer().GetSelection();
        EXPECT_EQ(s->LiveObjects(), 5);
        IDispatch* raw = p.Get();
        raw->AddRef();
        EXPECT_EQ(raw->Release(), 1u);
    }
    EXPECT_EQ(s->LiveObjects(), 0);

    // Objects outlive the StandIn that made them.
    Items kept = s->Contacts().GetItems();
    s.reset();
    EXPECT_EQ(kept.Count(), 1);
    EXPECT_EQ(ContactItem(kept.Item(1)).Text(u"LastName"), u"A");
}

TEST(StandInDispatch, MembersAnswerByNameInAnyCaseAndQueryInterface) {
    StandIn s;
    ContactItem c = s.AddContact(s.Contacts(), {{u"FirstName", u"A"}});
    HRESULT hr;
    const DISPID a = IdOf(c.Dispatch(), u"firstname", &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(a, IdOf(c.Dispatch(), u"FIRSTNAME", &hr));
    IdOf(c.Dispatch(), u"NoSuchThing", &hr);
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &outlook::IID_ContactItem}) {
        void* p = nullptr;
        EXPECT_EQ(c.Dispatch()->QueryInterface(*iid, &p), S_OK);
        static_cast<IUnknown*>(p)->Release();
    }
    void* p = nullptr;
    EXPECT_EQ(c.Dispatch()->QueryInterface(outlook::IID_Items, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    // A put must name DISPID_PROPERTYPUT.
    com::Variant v = com::Variant::Text(u"x");
    VARIANTARG arg = *v.Get();
    DISPPARAMS params{&arg, nullptr, 1, 0};
    EXPECT_FAILED(c.Dispatch()->Invoke(a, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                       &params, nullptr, nullptr, nullptr));
}

TEST(StandInItems, RestrictUsesCaseInsensitiveKeysBeyondAscii) {
    StandIn s;
    s.AddContact(s.Contacts(), {{u"LastName", u"Ærøskøbing"}, {u"CompanyName", u"Ölwerk"}});
    Items r =
        s.Contacts().GetItems().Restrict(u"[FullName] = 'ærøSKØBING' AND [CompanyName] = 'ÖLWERK'");
    EXPECT_EQ(r.Count(), 1);
}

} // namespace

#ifndef _WIN32
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char16_t* const kAllText[] = {u"FirstName",
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
                                    u"FileAs"};

std::u16string ValueFor(size_t i) {
    // Every value distinct, with line breaks and text beyond Latin-1.
    std::u16string v = u"v\u00e9\u4e2d\r\n;,\\\"'";
    for (size_t k = 0; k <= i; ++k)
        v += static_cast<char16_t>(u'a' + k % 26);
    return v;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "standin_store_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        Remove();
    }
    void TearDown() override { Remove(); }
    void Remove() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::remove((path_ + suffix).c_str());
    }
    std::unique_ptr<StandIn> Open(std::u16string version = u"11.0.0.8010") {
        std::string error;
        auto s = StandIn::OpenStore(path_, std::move(version), &error);
        EXPECT_TRUE(s) << error;
        return s;
    }
    std::string Bytes() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    void Write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string path_;
};

TEST_F(StoreTest, EveryPropertySurvivesReopening) {
    {
        auto s = Open();
        ContactItem c = s->Contacts().GetItems().AddContact();
        for (size_t i = 0; i < std::size(kAllText); ++i)
            c.SetText(kAllText[i], ValueFor(i));
        c.SetDate(u"Birthday", 29295.0);
        c.SetDate(u"Anniversary", 36000.25);
        ASSERT_EQ(
            com::TryPut(c.Dispatch(), outlook::kDispIdIMAddress, com::Variant::Text(u"im\u00e9")),
            S_OK);
        c.Save();
        s->AddContact(s->Contacts(), {{u"LastName", u"Second"}});
        ContactItem unsaved = s->Contacts().GetItems().AddContact();
        unsaved.SetText(u"LastName", u"Never saved");
    }
    auto s = Open();
    Items items = s->Contacts().GetItems();
    ASSERT_EQ(items.Count(), 2);
    ContactItem c(items.Item(1));
    for (size_t i = 0; i < std::size(kAllText); ++i)
        EXPECT_EQ(c.Text(kAllText[i]), ValueFor(i)) << Narrow(kAllText[i]);
    EXPECT_EQ(c.Date(u"Birthday"), 29295.0);
    EXPECT_EQ(c.Date(u"Anniversary"), 36000.25);
    EXPECT_NE(c.Date(u"LastModificationTime"), platform::kNoDate);
    com::Variant im;
    ASSERT_EQ(com::TryGet(c.Dispatch(), outlook::kDispIdIMAddress, &im), S_OK);
    std::u16string imText;
    im.ToText(&imText);
    EXPECT_EQ(imText, u"im\u00e9");
    EXPECT_EQ(ContactItem(items.Item(2)).Text(u"LastName"), u"Second");
    // Unset dates stay unset.
    EXPECT_EQ(ContactItem(items.Item(2)).Date(u"Birthday"), platform::kNoDate);
    // The name index is rebuilt.
    EXPECT_EQ(items.Restrict(u"[FullName] = 'SECOND'").Count(), 1);
    EXPECT_EQ(items.Restrict(u"[FullName] = 'nobody'").Count(), 0);
}

TEST_F(StoreTest, FoldersListsAndDeletesSurvive) {
    {
        auto s = Open();
        MAPIFolder friends = s->AddFolder(s->Contacts(), u"Friends", outlook::olContactItem);
        s->AddContact(friends, {{u"LastName", u"A"}});
        s->AddContact(friends, {{u"LastName", u"B"}});
        s->AddContact(friends, {{u"LastName", u"C"}});
        s->AddDistList(friends, u"Team");
        ContactItem(friends.GetItems().Item(2)).Delete();
        // Changed and saved again: one contact, not two.
        ContactItem c(friends.GetItems().Item(1));
        c.SetText(u"FirstName", u"Ann");
        c.Save();
    }
    auto s = Open();
    DispatchPtr sub;
    ASSERT_EQ(s->Contacts().TryFolders(&sub), S_OK);
    outlook::Folders folders(sub);
    ASSERT_EQ(folders.Count(), 1);
    MAPIFolder friends = folders.Item(1);
    EXPECT_EQ(friends.Name(), u"Friends");
    EXPECT_EQ(friends.DefaultItemType(), outlook::olContactItem);
    Items items = friends.GetItems();
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(ContactItem(items.Item(1)).Text(u"FullName"), u"Ann A");
    EXPECT_EQ(ContactItem(items.Item(2)).Text(u"LastName"), u"C");
    EXPECT_FALSE(outlook::IsContact(items.Item(3).Get()));
    EXPECT_EQ(s->Session().GetDefaultFolder(outlook::olFolderContacts).Name(), u"Contacts");
    // New items after reopening come after the old ones.
    s->AddContact(friends, {{u"LastName", u"D"}});
    EXPECT_EQ(ContactItem(friends.GetItems().Item(4)).Text(u"LastName"), u"D");
}

TEST_F(StoreTest, SavedContactSurvivesTheProcessDying) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::string error;
        auto s = StandIn::OpenStore(path_, u"11.0", &error);
        if (!s)
            _exit(2);
        s->AddContact(s->Contacts(), {{u"LastName", u"Kept"}});
        // Dies without closing anything.
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    auto s = Open();
    Items items = s->Contacts().GetItems();
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(ContactItem(items.Item(1)).Text(u"LastName"), u"Kept");
}

TEST_F(StoreTest, RefusesWhatIsNotAStoreAndLeavesItAlone) {
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* message;
    };
    auto sqliteWith = [this](const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    };
    const Case cases[] = {
        {"text", [this] { Write("BEGIN:VCARD\r\nVERSION:2.1\r\nEND:VCARD\r\n"); },
         "not a Tallyport contact store"},
        {"short", [this] { Write("SQLite"); }, "not a Tallyport contact store"},
        {"other database",
         [&] { sqliteWith("CREATE TABLE notes(x TEXT); INSERT INTO notes VALUES('keep');"); },
         "not a Tallyport contact store"},
        {"newer store",
         [&] {
             Open().reset();
             Remove();
             Open().reset();
             sqliteWith("PRAGMA journal_mode=DELETE; PRAGMA user_version=7;");
         },
         "newer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Remove();
        c.make();
        const std::string before = Bytes();
        std::string error;
        EXPECT_FALSE(StandIn::OpenStore(path_, u"11.0", &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_NE(error.find(path_), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(Bytes(), before);
    }
    // A directory is no store either.
    std::string error;
    EXPECT_FALSE(StandIn::OpenStore(::testing::TempDir(), u"11.0", &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(StoreTest, FailedSaveKeepsMemoryAndFileAlike) {
    auto s = Open();
    s->AddContact(s->Contacts(), {{u"LastName", u"A"}});
    s->FailMember(u"Contact", u"Save", E_FAIL);
    ContactItem c = s->Contacts().GetItems().AddContact();
    c.SetText(u"LastName", u"B");
    EXPECT_EQ(c.TrySave(), E_FAIL);
    EXPECT_EQ(s->Contacts().GetItems().Count(), 1);
    s.reset();
    EXPECT_EQ(Open()->Contacts().GetItems().Count(), 1);
}

} // namespace
#endif
