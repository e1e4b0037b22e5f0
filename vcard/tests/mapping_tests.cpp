// What each property line does to the record, grouped by handler.
#include "vcard/reader.h"

#include "platform/codepage.h"
#include "platform/oledate.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using vcard::CardReader;
using vcard::CardRecord;
using Fields = std::map<std::u16string, std::u16string>;

std::string Utf8(const std::u16string& s) {
    return platform::WideToUtf8(s);
}

// The record of one card made of `lines` (each ended with CR LF).
CardRecord ReadOne(const std::vector<std::string>& lines, LONG outlook = 11) {
    std::string text = "BEGIN:VCARD\r\n";
    for (const std::string& l : lines)
        text += l + "\r\n";
    text += "END:VCARD\r\n";
    auto cards = CardReader::ReadRecords(text, outlook);
    EXPECT_EQ(cards.size(), 1u);
    return cards.empty() ? CardRecord() : cards[0];
}

// Every text field is as listed, or empty.
void ExpectFields(const CardRecord& r, const Fields& expected, const std::string& what) {
    for (const auto& f : vcard::PutOrder()) {
        if (f.text == nullptr)
            continue;
        auto it = expected.find(f.name);
        const std::u16string want = it == expected.end() ? u"" : it->second;
        EXPECT_EQ(Utf8(r.*f.text), Utf8(want)) << what << " / " << Utf8(f.name);
    }
    for (const auto& [name, value] : expected) {
        bool known = false;
        for (const auto& f : vcard::PutOrder())
            known = known || name == f.name;
        EXPECT_TRUE(known) << Utf8(name);
    }
}

struct Case {
    std::vector<std::string> lines;
    Fields fields;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        std::string what;
        for (const auto& l : c.lines)
            what += l + " | ";
        ExpectFields(ReadOne(c.lines), c.fields, what);
    }
}

TEST(MappingPlain, NameOrganizationAndFirstValueWins) {
    RunCases({
        {{"FN:John Smith"}, {}},
        {{"N:Fam;Giv;;Pre", "N:;;Mid"},
         {{u"LastName", u"Fam"},
          {u"FirstName", u"Giv"},
          {u"MiddleName", u"Mid"},
          {u"Title", u"Pre"}}},
        {{"N:a;b;c;d;e;f"},
         {{u"LastName", u"a"},
          {u"FirstName", u"b"},
          {u"MiddleName", u"c"},
          {u"Title", u"d"},
          {u"Suffix", u"e;f"}}},
        {{"ORG:Org;Unit1;Unit2", "ORG:Other"},
         {{u"CompanyName", u"Org"}, {u"Department", u"Unit1;Unit2"}}},
        {{"ORG:;Dept", "ORG:Late"}, {{u"Department", u"Dept"}}},
        {{"NICKNAME:one", "NICKNAME:two", "ROLE:r", "TITLE:t", "TITLE:u"},
         {{u"NickName", u"one"}, {u"Profession", u"r"}, {u"JobTitle", u"t"}}},
        {{"X-OUTL-CATEGORIES:A, B", "X-OUTL-MANAGERNAME:M", "X-OUTL-ASSISTANTNAME:As",
          "X-OUTL-SPOUSE:S", "X-OUTL-NMSERVER:srv", "X-OUTL-NMALIAS:al", "X-OUTL-IFBADDRESS:fb",
          "X-OUTL-IMADDRESS:im", "X-OUTL-IMADDRESS:late"},
         {{u"Categories", u"A, B"},
          {u"ManagerName", u"M"},
          {u"AssistantName", u"As"},
          {u"Spouse", u"S"},
          {u"NetMeetingServer", u"srv"},
          {u"NetMeetingAlias", u"al"},
          {u"InternetFreeBusyAddress", u"fb"},
          {u"IMAddress", u"im"}}},
        {{"REV:20050516T134110", "PHOTO:xyz", "LABEL:abc", "UID:1", "CATEGORIES:x"}, {}},
        {{"VERSION:3.0", "X-OUTL-CATEGORIES:A\\, B", "N:O\\,Brien\\;x;J"},
         {{u"Categories", u"A, B"},
          {u"LastName", u"O,Brien\\"},
          {u"FirstName", u"x"},
          {u"MiddleName", u"J"}}},
    });
}

TEST(MappingPlain, IMAddressIgnoredWithOutlook2000) {
    EXPECT_EQ(ReadOne({"X-OUTL-IMADDRESS:im"}, 9).IMAddress, u"");
    EXPECT_EQ(ReadOne({"X-OUTL-IMADDRESS:im"}, 10).IMAddress, u"im");
}

TEST(MappingTelephone, TypeWordsFillTheirFields) {
    RunCases({
        {{"TEL:1"}, {{u"OtherTelephoneNumber", u"1"}}},
        {{"TEL;X-UNKNOWN:1"}, {{u"OtherTelephoneNumber", u"1"}}},
        {{"TEL;WORK:1", "TEL;WORK:2", "TEL;WORK:3"},
         {{u"BusinessTelephoneNumber", u"1"}, {u"Business2TelephoneNumber", u"2"}}},
        {{"TEL;HOME:", "TEL;HOME:2"}, {{u"Home2TelephoneNumber", u"2"}}},
        {{"TEL;HOME:1", "TEL;HOME:2", "TEL;HOME:3"},
         {{u"HomeTelephoneNumber", u"1"}, {u"Home2TelephoneNumber", u"2"}}},
        {{"TEL;WORK;FAX:1", "TEL;WORK;FAX:2"},
         {{u"BusinessFaxNumber", u"1"}, {u"BusinessTelephoneNumber", u"2"}}},
        {{"TEL;FAX:1"}, {{u"OtherFaxNumber", u"1"}}},
        {{"TEL;HOME;FAX:1"}, {{u"HomeFaxNumber", u"1"}}},
        {{"TEL;WORK;PREF:1"},
         {{u"BusinessTelephoneNumber", u"1"}, {u"PrimaryTelephoneNumber", u"1"}}},
        {{"TEL;TYPE=WORK;TYPE=VOICE:1"},
         {{u"BusinessTelephoneNumber", u"1"}, {u"OtherTelephoneNumber", u"1"}}},
        {{"TEL;CELL:1", "TEL;CAR:2", "TEL;PAGER:3", "TEL;ISDN:4", "TEL;cell:5"},
         {{u"MobileTelephoneNumber", u"1"},
          {u"CarTelephoneNumber", u"2"},
          {u"PagerNumber", u"3"},
          {u"ISDNNumber", u"4"}}},
        {{"TEL;WORK 1"}, {}}, // no ':' after the parameters
        {{"item1.TEL;HOME:1"}, {{u"HomeTelephoneNumber", u"1"}}},
    });
}

TEST(MappingEmail, SlotsAndTypes) {
    RunCases({
        {{"EMAIL:a", "EMAIL;INTERNET:b", "EMAIL;X400:c", "EMAIL:d"},
         {{u"Email1Address", u"a"},
          {u"Email1AddressType", u"SMTP"},
          {u"Email2Address", u"b"},
          {u"Email2AddressType", u"SMTP"},
          {u"Email3Address", u"c"}}},
        {{"EMAIL:a", "EMAIL:b", "EMAIL;X400:c", "EMAIL;PREF:d"},
         {{u"Email1Address", u"d"},
          {u"Email1AddressType", u"SMTP"},
          {u"Email2Address", u"a"},
          {u"Email2AddressType", u"SMTP"},
          {u"Email3Address", u"b"},
          {u"Email3AddressType", u"SMTP"}}},
        {{"EMAIL;WORK;HOME:a"}, {{u"Email1Address", u"a"}, {u"Email1AddressType", u"SMTP"}}},
        {{"EMAIL;PREF;INTERNET:a", "EMAIL;PREF:b"},
         {{u"Email1Address", u"b"},
          {u"Email1AddressType", u"SMTP"},
          {u"Email2Address", u"a"},
          {u"Email2AddressType", u"SMTP"}}},
        // An empty address takes no slot and leaves no type behind.
        {{"EMAIL;INTERNET:", "EMAIL;X400:x"}, {{u"Email1Address", u"x"}}},
    });
}

TEST(MappingAddress, GroupsAndTakenRules) {
    RunCases({
        {{"ADR;WORK:b;o;s;c;st;p;co;x", "ADR;WORK:;;s2", "ADR;WORK:;;s3"},
         {{u"BusinessAddressPostOfficeBox", u"b"},
          {u"OfficeLocation", u"o"},
          {u"BusinessAddressStreet", u"s"},
          {u"BusinessAddressCity", u"c"},
          {u"BusinessAddressState", u"st"},
          {u"BusinessAddressPostalCode", u"p"},
          {u"BusinessAddressCountry", u"co;x"},
          {u"OtherAddressStreet", u"s2"}}},
        {{"ADR;POSTAL:;;s"}, {{u"OtherAddressStreet", u"s"}}},
        {{"ADR:;;s"}, {{u"BusinessAddressStreet", u"s"}}},
        {{"ADR;WORK:;;;City", "ADR;WORK:;;s2"},
         {{u"BusinessAddressCity", u"City"}, {u"BusinessAddressStreet", u"s2"}}},
        {{"ADR;HOME:b;ext;s;c;st;p;co", "ADR;HOME:;;s2"},
         {{u"HomeAddressPostOfficeBox", u"b"},
          {u"HomeAddressStreet", u"s"},
          {u"HomeAddressCity", u"c"},
          {u"HomeAddressState", u"st"},
          {u"HomeAddressPostalCode", u"p"},
          {u"HomeAddressCountry", u"co"},
          {u"OtherAddressStreet", u"s2"}}},
        {{"ADR;WORK;HOME:;;s"}, {{u"BusinessAddressStreet", u"s"}, {u"HomeAddressStreet", u"s"}}},
        {{"ADR;WORK:;;Street=3D5;Town"},
         {{u"BusinessAddressStreet", u"Street=5"}, {u"BusinessAddressCity", u"Town"}}},
        {{"ADR;WORK;ENCODING=QUOTED-PRINTABLE:;;Street=3D5;Town"},
         {{u"BusinessAddressStreet", u"Street=5"}, {u"BusinessAddressCity", u"Town"}}},
        {{"ADR;WORK;ENCODING=QUOTED-PRINTABLE:;;Line 1=0D=0ALine 2;To=", "wn"},
         {{u"BusinessAddressStreet", u"Line 1\r\nLine 2"}, {u"BusinessAddressCity", u"Town"}}},
        {{"ADR;WORK;QUOTED-PRINTABLE:;;bad =?x;=41"},
         {{u"BusinessAddressStreet", u"bad =?x"}, {u"BusinessAddressCity", u"=41"}}},
    });
}

TEST(MappingNote, FirstNoteAndQuotedPrintable) {
    RunCases({
        {{"NOTE:Hello", "NOTE:Later"}, {{u"Body", u"Hello"}}},
        {{"NOTE;ENCODING=QUOTED-PRINTABLE:a=", "b"}, {{u"Body", u"ab"}}},
        {{"NOTE;ENCODING=QUOTED-PRINTABLE: caf=E9 "}, {{u"Body", u" caf\u00e9 "}}},
        {{"NOTE;QUOTED-PRINTABLE:x=?", "NOTE:y"}, {{u"Body", u"x=?"}}},
        {{"NOTE;X-Y"}, {}},
    });
}

TEST(MappingUrl, WorkHomeAndLaterWins) {
    RunCases({
        {{"URL:a", "URL;WORK:b"}, {{u"BusinessHomePage", u"b"}}},
        {{"URL;HOME:h"}, {{u"PersonalHomePage", u"h"}}},
        {{"URL;WORK;HOME:x"}, {{u"BusinessHomePage", u"x"}, {u"PersonalHomePage", u"x"}}},
    });
}

TEST(MappingDates, BirthdayAndAnniversary) {
    double d1980 = 0.0, d1990 = 0.0;
    ASSERT_TRUE(platform::FieldsToOleDate(1980, 3, 15, 0, 0, 0, &d1980));
    ASSERT_TRUE(platform::FieldsToOleDate(1990, 6, 1, 0, 0, 0, &d1990));
    CardRecord r = ReadOne({"BDAY:19800315", "X-OUTL-ANNIVERSARY:1990-06-01"});
    EXPECT_EQ(r.Birthday, d1980);
    EXPECT_EQ(r.Anniversary, d1990);
    r = ReadOne({"BDAY:19800315", "BDAY:1990-06-01"});
    EXPECT_EQ(r.Birthday, d1990); // a later readable date replaces the earlier
    r = ReadOne({"BDAY:19800315", "BDAY:--0315"});
    EXPECT_EQ(r.Birthday, d1980);
    r = ReadOne({"BDAY:19800315", "BDAY:1980-13-01"});
    EXPECT_EQ(r.Birthday, 0.0); // a date the system rejects clears it
}

TEST(MappingCards, NothingPassesFromOneCardToTheNext) {
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\r\nVERSION:3.0\r\nN:A\r\nTEL;HOME:\r\n"
                                         "END:VCARD\r\nBEGIN:VCARD\r\nNOTE:x\\,y\r\nTEL;HOME:1\r\n"
                                         "END:VCARD\r\n");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[1].LastName, u"");
    EXPECT_EQ(cards[1].Body, u"x\\,y"); // the second card is 2.1 again
    EXPECT_EQ(cards[1].HomeTelephoneNumber, u"1");
}

} // namespace
