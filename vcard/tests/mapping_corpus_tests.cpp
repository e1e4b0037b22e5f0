// Files in the styles users meet, imported into the stand-in (read, new
// contact, save) and checked field by field: every field not listed must
// stay empty.
#include "vcard/reader.h"

#include "platform/codepage.h"
#include "platform/oledate.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using vcard::CardReader;

struct Card {
    std::vector<std::pair<std::u16string, std::u16string>> fields;
};

struct File {
    const char* name;
    std::vector<Card> cards;
};

// Imports every card of the file as the import run does, without its
// duplicate search.
int Import(const std::string& path, const outlook::MAPIFolder& folder) {
    CardReader reader;
    reader.SetOutlookVersion(11);
    if (reader.LoadFile(path) != 0)
        return -1;
    int saved = 0;
    while (reader.FindCardStart()) {
        while (reader.NextPropertyLine()) {
            if (reader.IsCardEnd()) {
                reader.SetItems(folder.GetItems());
                if (reader.CreateContact()) {
                    reader.NewContact().Save();
                    ++saved;
                }
                break;
            }
            reader.ApplyProperty();
        }
        reader.Record().Clear();
    }
    return saved;
}

double Date(const std::u16string& text) {
    const std::string t = platform::WideToUtf8(text);
    double d = 0.0;
    EXPECT_TRUE(platform::FieldsToOleDate(std::stoi(t.substr(0, 4)), std::stoi(t.substr(5, 2)),
                                          std::stoi(t.substr(8, 2)), 0, 0, 0, &d));
    return d;
}

void Check(const File& file) {
    standin::StandIn s;
    auto folder = s.Contacts();
    const std::string path = std::string(TP_TEST_SOURCE_DIR "/tests/data/cards/") + file.name;
    ASSERT_EQ(Import(path, folder), static_cast<int>(file.cards.size())) << file.name;
    auto items = folder.GetItems();
    ASSERT_EQ(items.Count(), static_cast<LONG>(file.cards.size()));
    for (size_t i = 0; i < file.cards.size(); ++i) {
        outlook::ContactItem c(items.Item(static_cast<LONG>(i + 1)));
        const auto& want = file.cards[i].fields;
        for (const auto& f : vcard::PutOrder()) {
            const std::u16string name = f.name;
            std::u16string expected;
            bool listed = false;
            for (const auto& [n, v] : want)
                if (n == name) {
                    expected = v;
                    listed = true;
                }
            const std::string where = std::string(file.name) + " card " + std::to_string(i + 1) +
                                      " " + platform::WideToUtf8(name);
            if (f.date != nullptr) {
                EXPECT_EQ(c.Date(f.name), listed ? Date(expected) : platform::kNoDate) << where;
            } else if (name != u"IMAddress") {
                EXPECT_EQ(platform::WideToUtf8(c.Text(f.name)), platform::WideToUtf8(expected))
                    << where;
            }
        }
        for (const auto& [n, v] : want) {
            bool known = false;
            for (const auto& f : vcard::PutOrder())
                known = known || n == f.name;
            EXPECT_TRUE(known) << platform::WideToUtf8(n);
        }
    }
}

TEST(MappingCorpus, WebmailExport30Utf8FoldedWithTypeLists) {
    Check({"webmail-30-utf8.vcf",
           {{{{u"LastName", u"L\u00f8vstr\u00f6m"},
              {u"FirstName", u"\u00c5sa"},
              {u"MiddleName", u"\u0141ucja"},
              {u"Title", u"Dr."},
              {u"CompanyName", u"Nordic Widgets AB"},
              {u"Department", u"Research & Development"},
              {u"JobTitle", u"Head of Research"},
              {u"BusinessTelephoneNumber", u"+46 8 123 456"},
              {u"OtherTelephoneNumber", u"+46 8 123 456"},
              {u"MobileTelephoneNumber", u"+46 70 123 4567"},
              {u"BusinessFaxNumber", u"+46 8 123 457"},
              {u"Email1Address", u"asa@example.se"},
              {u"Email1AddressType", u"SMTP"},
              {u"Email2Address", u"asa.private@example.net"},
              {u"Email2AddressType", u"SMTP"},
              {u"BusinessAddressStreet", u"Storgatan 12"},
              {u"BusinessAddressCity", u"G\u00f6teborg"},
              {u"BusinessAddressPostalCode", u"411 38"},
              {u"BusinessAddressCountry", u"Sweden"},
              {u"OtherAddressStreet", u"Storgatan 12"},
              {u"OtherAddressCity", u"G\u00f6teborg"},
              {u"OtherAddressPostalCode", u"411 38"},
              {u"OtherAddressCountry", u"Sweden"},
              {u"HomeAddressStreet", u"Lillgatan 3, lgh 1102"},
              {u"HomeAddressCity", u"M\u00f6lndal"},
              {u"HomeAddressPostalCode", u"431 30"},
              {u"HomeAddressCountry", u"Sweden"},
              {u"Body", u"Met at the conference in Malm\u00f6. Prefers e-mail, never calls before "
                        u"9:00. Speaks Swedish, English and some Finnish.\r\nLives near "
                        u"\u0141\u00f3d\u017a in summer."},
              {u"Birthday", u"1975-04-23"},
              {u"BusinessHomePage", u"https://example.se/people/asa"}}},
            {{{u"LastName", u"Kowalski"},
              {u"FirstName", u"Jan"},
              {u"HomeTelephoneNumber", u"+48 22 123 45 67"},
              {u"OtherTelephoneNumber", u"+48 22 123 45 67"},
              {u"Email1Address", u"jan@example.pl"},
              {u"Email1AddressType", u"SMTP"},
              {u"JobTitle", u"Specjalista ds. sprzeda\u017cy na region: p\u00f3\u0142noc"}}}}});
}

TEST(MappingCorpus, PhoneExport21QuotedPrintableUtf8) {
    Check({"phone-21-qp.vcf",
           {{{{u"LastName", u"\u00c5str\u00f6m"},
              {u"FirstName", u"Bj\u00f6rn"},
              {u"MobileTelephoneNumber", u"+46701234567"},
              {u"PrimaryTelephoneNumber", u"+46701234567"},
              {u"HomeTelephoneNumber", u"+4681234567"},
              {u"BusinessTelephoneNumber", u"+4687654321"},
              {u"Email1Address", u"bjorn@example.se"},
              {u"Email1AddressType", u"SMTP"},
              {u"Body", u"Tr\u00e4ffade p\u00e5 m\u00e4ssan i G\u00f6teborg. Ring efter kl 9 "
                        u"p\u00e5 morgonen.\r\nBor i Sk\u00e5ne."},
              {u"HomeAddressStreet", u"Kungsv\u00e4gen 1\r\nL\u00e4genhet 4"},
              {u"HomeAddressCity", u"Sm\u00e5land"},
              {u"HomeAddressPostalCode", u"123 45"},
              {u"HomeAddressCountry", u"Sverige"},
              {u"CompanyName", u"\u00d6resund AB"},
              {u"JobTitle", u"Ansvarig f\u00f6r f\u00f6rs\u00e4ljning: syd"}}},
            {{{u"LastName", u"M\u00fcller"},
              {u"FirstName", u"J\u00fcrgen"},
              {u"MobileTelephoneNumber", u"+491701234567"},
              {u"Birthday", u"1961-02-28"}}}}});
}

TEST(MappingCorpus, AddressBook30GroupsAndFoldedPhoto) {
    Check({"addressbook-30-groups.vcf",
           {{{{u"LastName", u"Appleseed"},
              {u"FirstName", u"Johnny"},
              {u"CompanyName", u"Example Orchards"},
              {u"JobTitle", u"Orchard Keeper"},
              {u"Email1Address", u"johnny@example.com"},
              {u"Email1AddressType", u"SMTP"},
              {u"PrimaryTelephoneNumber", u"+1 (555) 010-0199"},
              {u"MobileTelephoneNumber", u"+1 555 010 0100"},
              {u"OtherTelephoneNumber", u"+1 555 010 0100"},
              {u"HomeFaxNumber", u"+1 555 010 0101"},
              {u"HomeAddressStreet", u"1 Apple Lane\r\nUnit 2"},
              {u"HomeAddressCity", u"Cupertino"},
              {u"HomeAddressState", u"CA"},
              {u"HomeAddressPostalCode", u"95014"},
              {u"HomeAddressCountry", u"USA"},
              {u"BusinessHomePage", u"http://example.com/johnny"},
              {u"Birthday", u"1970-01-01"},
              {u"Body", u"Grows apples; likes: pears too"}}}}});
}

TEST(MappingCorpus, AddressBookUtf16) {
    Check({"addressbook-30-utf16.vcf",
           {{{{u"LastName", u"Nguy\u1ec5n"},
              {u"FirstName", u"Th\u1ecb Minh"},
              {u"CompanyName", u"C\u00f4ng ty V\u00ed d\u1ee5"},
              {u"PrimaryTelephoneNumber", u"+84 28 3822 1234"},
              {u"Email1Address", u"minh@example.vn"},
              {u"Email1AddressType", u"SMTP"},
              {u"Body", u"G\u1eb7p \u1edf H\u00e0 N\u1ed9i"}}}}});
    Check({"addressbook-30-utf16be.vcf",
           {{{{u"LastName", u"\u00d8ster"},
              {u"FirstName", u"\u00c6r\u00f8"},
              {u"BusinessTelephoneNumber", u"+45 1234 5678"}}}}});
}

TEST(MappingCorpus, DesktopMail21Windows1252) {
    Check({"desktop-21-1252.vcf",
           {{{{u"LastName", u"Dubois"},
              {u"FirstName", u"Fr\u00e9d\u00e9ric"},
              {u"Title", u"M."},
              {u"NickName", u"Fr\u00e9d"},
              {u"CompanyName", u"Caf\u00e9 Cr\u00e8me SARL"},
              {u"Department", u"Comptabilit\u00e9"},
              {u"JobTitle", u"Directeur g\u00e9n\u00e9ral"},
              {u"BusinessTelephoneNumber", u"+33 1 23 45 67 89"},
              {u"OtherTelephoneNumber", u"+33 1 23 45 67 89"},
              {u"HomeTelephoneNumber", u"+33 1 98 76 54 32"},
              {u"MobileTelephoneNumber", u"+33 6 12 34 56 78"},
              {u"BusinessFaxNumber", u"+33 1 23 45 67 80"},
              {u"OfficeLocation", u"B\u00e2timent B"},
              {u"BusinessAddressStreet", u"12 rue de la Paix"},
              {u"BusinessAddressCity", u"Paris"},
              {u"BusinessAddressState", u"\u00cele-de-France"},
              {u"BusinessAddressPostalCode", u"75002"},
              {u"BusinessAddressCountry", u"France"},
              {u"BusinessHomePage", u"http://www.example.fr/"},
              {u"Profession", u"Tr\u00e9sorier"},
              {u"Birthday", u"1968-07-04"},
              {u"Body", u"Prix: 20 \u20ac la bo\u00eete\r\n\u00c0 rappeler en ao\u00fbt."},
              {u"Email1Address", u"frederic.dubois@example.fr"},
              {u"Email1AddressType", u"SMTP"}}}}});
}

TEST(MappingCorpus, Version40) {
    Check({"card-40.vcf",
           {{{{u"LastName", u"Stevenson"},
              {u"FirstName", u"John"},
              {u"MiddleName", u"Philip,Paul"},
              {u"Title", u"Dr."},
              {u"Suffix", u"Jr.,M.D.,A.C.P."},
              {u"CompanyName", u"Example, Inc."},
              {u"Department", u"North American Division"},
              {u"JobTitle", u"Research Scientist"},
              {u"BusinessTelephoneNumber", u"+1-555-555-5555;ext=5555"},
              {u"OtherTelephoneNumber", u"+1-555-555-5555;ext=5555"},
              {u"PrimaryTelephoneNumber", u"+1-555-555-5555;ext=5555"},
              {u"HomeTelephoneNumber", u"+33-01-23-45-67"},
              {u"MobileTelephoneNumber", u"+1 555 555 0123"},
              {u"Email1Address", u"jps@example.com"},
              {u"Email1AddressType", u"SMTP"},
              {u"BusinessAddressStreet", u"100 Waters Edge"},
              {u"BusinessAddressCity", u"Baytown"},
              {u"BusinessAddressState", u"LA"},
              {u"BusinessAddressPostalCode", u"30314"},
              {u"BusinessAddressCountry", u"United States of America"},
              {u"Body", u"Likes commas, backslashes \\ and\r\nnew lines."},
              {u"Birthday", u"1953-04-15"}}}}});
}

} // namespace
