// A read card becoming a new contact of the stand-in.
#include "vcard/reader.h"

#include "imbridge/imbridge.h"
#include "platform/oledate.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using vcard::CardReader;

// Reads the first card of `text` into the reader's record.
bool ReadFirstCard(CardReader& reader, const std::string& text) {
    reader.LoadText(text);
    if (!reader.FindCardStart())
        return false;
    while (reader.NextPropertyLine()) {
        if (reader.IsCardEnd())
            return true;
        reader.ApplyProperty();
    }
    return false;
}

const char* const kCard = "BEGIN:VCARD\r\n"
                          "VERSION:2.1\r\n"
                          "N:Public;John;Q;Dr.;Jr.\r\n"
                          "ORG:Acme;Sales\r\n"
                          "TITLE:Boss\r\n"
                          "NOTE;ENCODING=QUOTED-PRINTABLE:Two=0D=0Alines\r\n"
                          "BDAY:19800315\r\n"
                          "TEL;WORK:1\r\n"
                          "ADR;HOME:;;Street;Town;;;\r\n"
                          "EMAIL;PREF;INTERNET:j@example.org\r\n"
                          "X-OUTL-IMADDRESS:j@im.example.org\r\n"
                          "X-OUTL-ANNIVERSARY:20010609\r\n"
                          "URL;HOME:http://example.org/\r\n"
                          "END:VCARD\r\n";

TEST(MappingContact, EveryPresentFieldReachesTheContact) {
    standin::StandIn s;
    auto folder = s.Contacts();
    CardReader reader;
    reader.SetOutlookVersion(11);
    ASSERT_TRUE(ReadFirstCard(reader, kCard));
    reader.SetItems(folder.GetItems());
    ASSERT_TRUE(reader.CreateContact());
    EXPECT_EQ(folder.GetItems().Count(), 0); // not saved here
    reader.NewContact().Save();

    auto items = folder.GetItems();
    ASSERT_EQ(items.Count(), 1);
    outlook::ContactItem c(items.Item(1));
    const std::vector<std::pair<const char16_t*, std::u16string>> expected = {
        {u"FirstName", u"John"},
        {u"LastName", u"Public"},
        {u"MiddleName", u"Q"},
        {u"Title", u"Dr."},
        {u"Suffix", u"Jr."},
        {u"FullName", u"Dr. John Q Public Jr."},
        {u"CompanyName", u"Acme"},
        {u"Department", u"Sales"},
        {u"JobTitle", u"Boss"},
        {u"Body", u"Two\r\nlines"},
        {u"BusinessTelephoneNumber", u"1"},
        {u"HomeAddressStreet", u"Street"},
        {u"HomeAddressCity", u"Town"},
        {u"Email1Address", u"j@example.org"},
        {u"Email1AddressType", u"SMTP"},
        {u"PersonalHomePage", u"http://example.org/"},
        {u"BusinessHomePage", u""},
        {u"NickName", u""},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(c.Text(name), value)
            << std::string(name, name + std::char_traits<char16_t>::length(name));
    double d1980 = 0.0, d2001 = 0.0;
    ASSERT_TRUE(platform::FieldsToOleDate(1980, 3, 15, 0, 0, 0, &d1980));
    ASSERT_TRUE(platform::FieldsToOleDate(2001, 6, 9, 0, 0, 0, &d2001));
    EXPECT_EQ(c.Date(u"Birthday"), d1980);
    EXPECT_EQ(c.Date(u"Anniversary"), d2001);
    char im[256] = {};
    ASSERT_EQ(OL10_getIMAddress(c.Dispatch(), im, sizeof im), 0);
    EXPECT_STREQ(im, "j@im.example.org");
}

TEST(MappingContact, AddThatFailsGivesNoContact) {
    standin::StandIn s;
    auto folder = s.Contacts();
    CardReader reader;
    ASSERT_TRUE(ReadFirstCard(reader, kCard));
    reader.SetItems(folder.GetItems());
    s.FailMember(u"Items", u"Add", E_FAIL);
    EXPECT_FALSE(reader.CreateContact());
    EXPECT_FALSE(reader.NewContact());
}

TEST(MappingContact, APutThatFailsLeavesOnlyThatPropertyUnset) {
    standin::StandIn s;
    auto folder = s.Contacts();
    CardReader reader;
    ASSERT_TRUE(ReadFirstCard(reader, kCard));
    reader.SetItems(folder.GetItems());
    s.FailMember(u"Contact", u"JobTitle", E_FAIL);
    ASSERT_TRUE(reader.CreateContact());
    s.ClearFailures();
    EXPECT_EQ(reader.NewContact().Text(u"JobTitle"), u"");
    EXPECT_EQ(reader.NewContact().Text(u"CompanyName"), u"Acme");
    EXPECT_EQ(reader.NewContact().Text(u"Body"), u"Two\r\nlines");
}

} // namespace
