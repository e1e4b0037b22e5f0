// What other programs write: byte-order marks, UTF-16, folded lines,
// character sets, parameters on every property, comma-separated types,
// vCard 4.0, and quoted-printable on any property. Every case here was read
// wrongly by the first reader.
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

std::string Utf8(const std::u16string& s) {
    return platform::WideToUtf8(s);
}

std::u16string FieldOf(const CardRecord& r, const std::u16string& name) {
    for (const auto& f : vcard::PutOrder())
        if (f.text != nullptr && name == f.name)
            return r.*f.text;
    ADD_FAILURE() << "no field " << Utf8(name);
    return u"";
}

struct Case {
    std::string text; // the lines between BEGIN:VCARD and END:VCARD
    std::map<std::u16string, std::u16string> fields;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const auto cards =
            CardReader::ReadRecords("BEGIN:VCARD\r\n" + c.text + "END:VCARD\r\n", 11);
        ASSERT_EQ(cards.size(), 1u) << c.text;
        for (const auto& [name, value] : c.fields)
            EXPECT_EQ(Utf8(FieldOf(cards[0], name)), Utf8(value)) << c.text << Utf8(name);
    }
}

TEST(ReaderDialect, Utf8ByteOrderMarkKeepsTheFirstCard) {
    const std::string text = "\xEF\xBB\xBF"
                             "BEGIN:VCARD\r\nN:Jos\xC3\xA9\r\nEND:VCARD\r\n";
    CardReader r;
    r.LoadText(text);
    EXPECT_EQ(r.CountLoadedCards(), 1);
    const auto cards = CardReader::ReadRecords(text);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].LastName, u"Jos\u00e9");
}

std::string Utf16(const std::u16string& text, bool littleEndian, bool mark) {
    std::string bytes;
    if (mark)
        bytes += littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += littleEndian ? lo : hi;
        bytes += littleEndian ? hi : lo;
    }
    return bytes;
}

TEST(ReaderDialect, Utf16FilesAreDecoded) {
    const std::u16string card = u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:\u0141uk\u0105;Zo\u00eb\r\n"
                                u"NOTE:\U0001F600 ok\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:B\r\n"
                                u"END:VCARD\r\n";
    for (bool le : {true, false}) {
        for (bool mark : {true, false}) {
            const std::string bytes = Utf16(card, le, mark);
            CardReader r;
            r.LoadText(bytes);
            EXPECT_EQ(r.CountLoadedCards(), 2) << le << mark;
            const auto cards = CardReader::ReadRecords(bytes);
            ASSERT_EQ(cards.size(), 2u);
            EXPECT_EQ(cards[0].LastName, u"\u0141uk\u0105");
            EXPECT_EQ(cards[0].FirstName, u"Zo\u00eb");
            EXPECT_EQ(cards[0].Body, u"\U0001F600 ok");
            EXPECT_EQ(cards[1].LastName, u"B");
        }
    }
}

TEST(ReaderDialect, FoldedLinesAreUnfolded) {
    RunCases({
        {"NOTE:This is a long\r\n  note\r\n", {{u"Body", u"This is a long note"}}},
        {"NOTE:ab\r\n\tcd\r\n ef\r\n", {{u"Body", u"abcdef"}}},
        {"TITLE:Head of\r\n  R&D: Europe; North\r\nNICKNAME:Bo\r\n",
         {{u"JobTitle", u"Head of R&D: Europe; North"}, {u"NickName", u"Bo"}}},
        {"TEL;TYPE=WORK,\r\n VOICE:1\r\n",
         {{u"BusinessTelephoneNumber", u"1"}, {u"OtherTelephoneNumber", u"1"}}},
        {"N:Sm\r\n ith;Jo\r\n hn\r\n", {{u"LastName", u"Smith"}, {u"FirstName", u"John"}}},
        {"NO\r\n TE:split name\r\n", {{u"Body", u"split name"}}},
        // Folds of the same card in LF-only text.
        {"EMAIL;TYPE=INTERNET:a@exam\n ple.org\n", {{u"Email1Address", u"a@example.org"}}},
        // Quoted-printable: after "=" the next line goes on as it stands.
        {"NOTE;ENCODING=QUOTED-PRINTABLE:one=\r\n two=\r\n  three\r\n",
         {{u"Body", u"one two  three"}}},
        {"ADR;WORK:;;Main=\r\n Street;Town\r\n",
         {{u"BusinessAddressStreet", u"Main Street"}, {u"BusinessAddressCity", u"Town"}}},
        // ...and without "=" at its end it is folded like any other.
        {"NOTE;QUOTED-PRINTABLE:ab\r\n cd=3D\r\n", {{u"Body", u"abcd="}}},
        // The continuation of a property nobody reads is no property.
        {"LABEL;ENCODING=QUOTED-PRINTABLE:x=\r\nTITLE:no\r\nX-Y:z\r\n ROLE:no\r\n",
         {{u"JobTitle", u""}, {u"Profession", u""}}},
    });
}

TEST(ReaderDialect, FoldedEndLineIsNoCardEnd) {
    const std::string text = "BEGIN:VCARD\r\nNOTE:a\r\n END:VCARD\r\nN:x\r\nEND:VCARD\r\n";
    CardReader r;
    r.LoadText(text);
    EXPECT_EQ(r.CountLoadedCards(), 1);
    const auto cards = CardReader::ReadRecords(text);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].Body, u"aEND:VCARD");
    EXPECT_EQ(cards[0].LastName, u"x");
}

TEST(ReaderDialect, CharacterSets) {
    RunCases({
        // Declared UTF-8 in a file that is not UTF-8 as a whole.
        {"N;CHARSET=UTF-8:M\xC3\xBCller;J\xC3\xBCrgen\r\nNOTE:caf\xE9\r\n",
         {{u"LastName", u"M\u00fcller"}, {u"FirstName", u"J\u00fcrgen"}, {u"Body", u"caf\u00e9"}}},
        {"TITLE;CHARSET=utf-8:\xC5\x81ukasz\r\n", {{u"JobTitle", u"\u0141ukasz"}}},
        {"TITLE;CHARSET=ISO-8859-1:Gen\xE8ve\r\n", {{u"JobTitle", u"Gen\u00e8ve"}}},
        {"TITLE;CHARSET=Windows-1252:\x80 5\r\n", {{u"JobTitle", u"\u20ac 5"}}},
        {"TITLE;CHARSET=X-UNKNOWN:caf\xE9\r\n", {{u"JobTitle", u"caf\u00e9"}}},
        // Declared UTF-8 that is not: the bytes stay ANSI.
        {"TITLE;CHARSET=UTF-8:caf\xE9\r\n", {{u"JobTitle", u"caf\u00e9"}}},
        // Quoted-printable first, then the character set.
        {"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=85str=C3=B6m;Bj=C3=B6rn\r\n",
         {{u"LastName", u"\u00c5str\u00f6m"}, {u"FirstName", u"Bj\u00f6rn"}}},
        {"NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E2=82=AC=0D=0A=C5=81\r\n",
         {{u"Body", u"\u20ac\r\n\u0141"}}},
    });
    // A whole file of valid UTF-8 with a multi-byte sequence is UTF-8.
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\r\nN:Jos\xC3\xA9;\xC5\x81\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].LastName, u"Jos\u00e9");
    EXPECT_EQ(cards[0].FirstName, u"\u0141");
    // One byte that is not UTF-8 anywhere: the file is ANSI.
    cards = CardReader::ReadRecords("BEGIN:VCARD\r\nN:Jos\xC3\xA9;\xE9\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].LastName, u"Jos\u00c3\u00a9");
}

TEST(ReaderDialect, ValuesStartAfterTheParameters) {
    double d1980 = 0.0;
    ASSERT_TRUE(platform::FieldsToOleDate(1980, 3, 15, 0, 0, 0, &d1980));
    RunCases({
        {"TITLE;CHARSET=Windows-1252:Boss\r\n", {{u"JobTitle", u"Boss"}}},
        {"N;CHARSET=UTF-8:Smith;John\r\n", {{u"LastName", u"Smith"}, {u"FirstName", u"John"}}},
        {"ORG;CHARSET=UTF-8:Acme;Dev\r\n", {{u"CompanyName", u"Acme"}, {u"Department", u"Dev"}}},
        {"NICKNAME;LANGUAGE=en:Bob\r\nROLE;X-Y=\"a:b\":Chief\r\n",
         {{u"NickName", u"Bob"}, {u"Profession", u"Chief"}}},
        {"X-OUTL-SPOUSE;CHARSET=UTF-8:Ann\r\nX-OUTL-CATEGORIES;X=1:Work\r\n",
         {{u"Spouse", u"Ann"}, {u"Categories", u"Work"}}},
        {"TITLE;CHARSET=UTF-8 Boss\r\n", {{u"JobTitle", u""}}}, // no ':' after them
        // A quoted parameter value may hold ':' and ';'; a quote never closed
        // is an ordinary character.
        {"TEL;X-A=\"p:q;r\";HOME:5\r\nURL;X=\"a:u\r\n",
         {{u"HomeTelephoneNumber", u"5"}, {u"BusinessHomePage", u"u"}}},
    });
    auto cards = CardReader::ReadRecords(
        "BEGIN:VCARD\r\nBDAY;VALUE=date:1980-03-15\r\nX-OUTL-ANNIVERSARY;VALUE=DATE:19800315\r\n"
        "END:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].Birthday, d1980);
    EXPECT_EQ(cards[0].Anniversary, d1980);
}

TEST(ReaderDialect, CommaSeparatedTypes) {
    RunCases({
        {"TEL;TYPE=WORK,VOICE:1\r\n",
         {{u"BusinessTelephoneNumber", u"1"}, {u"OtherTelephoneNumber", u"1"}}},
        {"TEL;TYPE=work,fax:2\r\n", {{u"BusinessFaxNumber", u"2"}, {u"OtherTelephoneNumber", u""}}},
        {"TEL;HOME,FAX:3\r\n", {{u"HomeFaxNumber", u"3"}}},
        {"TEL;TYPE=\"cell,voice\":4\r\n",
         {{u"MobileTelephoneNumber", u"4"}, {u"OtherTelephoneNumber", u"4"}}},
        {"EMAIL;TYPE=INTERNET,PREF:a\r\nEMAIL;TYPE=INTERNET,X400:b\r\nEMAIL;TYPE=pref:c\r\n",
         {{u"Email1Address", u"c"},
          {u"Email1AddressType", u"SMTP"},
          {u"Email2Address", u"a"},
          {u"Email2AddressType", u"SMTP"},
          {u"Email3Address", u"b"},
          {u"Email3AddressType", u"SMTP"}}},
        {"ADR;TYPE=home,postal:;;s\r\n",
         {{u"HomeAddressStreet", u"s"}, {u"OtherAddressStreet", u"s"}}},
        {"URL;TYPE=WORK,HOME:u\r\n", {{u"BusinessHomePage", u"u"}, {u"PersonalHomePage", u"u"}}},
        // Parameters that are no type words leave the type alone.
        {"EMAIL;CHARSET=UTF-8:a\r\n", {{u"Email1Address", u"a"}, {u"Email1AddressType", u"SMTP"}}},
        {"TEL;VALUE=uri;PREF=1:tel:+1-555\r\n",
         {{u"PrimaryTelephoneNumber", u"+1-555"}, {u"OtherTelephoneNumber", u""}}},
    });
}

TEST(ReaderDialect, Version40UsesThe30ValueRules) {
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\r\nVERSION:4.0\r\nN:A\\,b;C\r\n"
                                         "NOTE:x\\ny\\\\z\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].LastName, u"A,b");
    EXPECT_EQ(cards[0].Body, u"x\r\ny\\z");
}

TEST(ReaderDialect, QuotedPrintableOnAnyProperty) {
    double d1961 = 0.0;
    ASSERT_TRUE(platform::FieldsToOleDate(1961, 2, 28, 0, 0, 0, &d1961));
    RunCases({
        {"TITLE;ENCODING=QUOTED-PRINTABLE:Head of=\r\n R&D\r\n", {{u"JobTitle", u"Head of R&D"}}},
        {"ORG;QUOTED-PRINTABLE:A=3Bb=3Bc\r\n", {{u"CompanyName", u"A"}, {u"Department", u"b;c"}}},
        {"TEL;HOME;ENCODING=QUOTED-PRINTABLE:=2B1 555\r\n", {{u"HomeTelephoneNumber", u"+1 555"}}},
        {"EMAIL;QUOTED-PRINTABLE:a=40b.org\r\n",
         {{u"Email1Address", u"a@b.org"}, {u"Email1AddressType", u"SMTP"}}},
        {"NICKNAME;ENCODING=QUOTED-PRINTABLE:=20 Bo =20\r\nNICKNAME:late\r\n",
         {{u"NickName", u"Bo"}}},
        {"X-OUTL-NMSERVER;ENCODING=QUOTED-PRINTABLE:srv=\r\n1\r\n",
         {{u"NetMeetingServer", u"srv1"}}},
        {"URL;ENCODING=QUOTED-PRINTABLE:http://x/=3Fa\r\n",
         {{u"BusinessHomePage", u"http://x/?a"}}},
    });
    auto cards = CardReader::ReadRecords(
        "BEGIN:VCARD\r\nBDAY;ENCODING=QUOTED-PRINTABLE:1961=2D02=2D28\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].Birthday, d1961);
}

} // namespace
