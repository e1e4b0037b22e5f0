// The vCard writer against the stand-in: golden cards checked byte for byte,
// the small cases, the failure paths and cards far larger than a few kilobytes.
#include "vcard/writer.h"

#include "com/error.h"
#include "imbridge/imbridge.h"
#include "platform/oledate.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vcard {
namespace {

// 16 May 2005 13:41:10.
const double kModified = 38488.0 + (13 * 3600 + 41 * 60 + 10) / 86400.0;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = text.find("\r\n"); at != std::string_view::npos;
         at = text.find("\r\n", start)) {
        lines.emplace_back(text.substr(start, at - start));
        start = at + 2;
    }
    EXPECT_EQ(start, text.size()) << "the card must end with CR LF";
    return lines;
}

class WriterTest : public ::testing::Test {
protected:
    std::string Build(const outlook::ContactItem& contact, VCardVersionCode code, LONG host = 9) {
        contact.SetDate(u"LastModificationTime", kModified);
        writer_.SetContact(contact);
        writer_.SetVersionCode(code);
        writer_.SetHostVersion(host);
        EXPECT_EQ(writer_.BuildCard(), 0);
        return std::string(writer_.Card().View());
    }

    standin::StandIn s_;
    CardWriter writer_;
};

outlook::ContactItem AddFullContact(standin::StandIn& s) {
    auto c = s.AddContact(
        s.Contacts(),
        {{u"FirstName", u"J\u00fcrgen"},
         {u"MiddleName", u"Q"},
         {u"LastName", u"O'Neil, Smith"},
         {u"Title", u"Dr."},
         {u"Suffix", u"Jr."},
         {u"NickName", u"Jo\\Jo"},
         {u"CompanyName", u"Acme, Inc."},
         {u"Department", u"R&D"},
         {u"JobTitle", u"Engineer"},
         {u"Body", u"Met at the fair, 2004.\r\nPrefers tea; keeps cards in C:\\data\\cards = "
                   u"archive, sorted by name."},
         {u"BusinessTelephoneNumber", u"+1 555 0101"},
         {u"Business2TelephoneNumber", u"+1 555 0102"},
         {u"BusinessFaxNumber", u"+1 555 0103"},
         {u"HomeTelephoneNumber", u"+1 555 0104"},
         {u"Home2TelephoneNumber", u"+1 555 0105"},
         {u"HomeFaxNumber", u"+1 555 0106"},
         {u"MobileTelephoneNumber", u"+1 555 0107"},
         {u"CarTelephoneNumber", u"+1 555 0108"},
         {u"OtherTelephoneNumber", u"555 0109, ext. 2"},
         {u"OtherFaxNumber", u"+1 555 0110"},
         {u"PagerNumber", u"+1 555 0111"},
         {u"ISDNNumber", u"+1 555 0112"},
         {u"PrimaryTelephoneNumber", u"+1 555 0113"},
         {u"BusinessAddressPostOfficeBox", u"PO Box 12"},
         {u"OfficeLocation", u"Bldg 4"},
         {u"BusinessAddressStreet", u"1 Main St\r\nSuite 5"},
         {u"BusinessAddressCity", u"Springfield"},
         {u"BusinessAddressState", u"IL"},
         {u"BusinessAddressPostalCode", u"62701"},
         {u"BusinessAddressCountry", u"USA"},
         {u"HomeAddressStreet", u"2 Elm St"},
         {u"HomeAddressCity", u"Shelbyville"},
         {u"HomeAddressState", u"IL"},
         {u"HomeAddressPostalCode", u"62565"},
         {u"HomeAddressCountry", u"USA"},
         {u"OtherAddressCity", u"Capital City"},
         {u"PersonalHomePage", u"http://example.com/~jo,home"},
         {u"BusinessHomePage", u"http://acme.example.com/"},
         {u"Profession", u"Physicist"},
         {u"Email1Address", u"jo@example.com"},
         {u"Email1AddressType", u"SMTP"},
         {u"Email2Address", u"/o=Acme/cn=Jo"},
         {u"Email2AddressType", u"EX"},
         {u"Email3Address", u"jo@home.example"},
         {u"Email3AddressType", u"smtp"},
         {u"Categories", u"Business, Personal"},
         {u"ManagerName", u"Ann Boss"},
         {u"AssistantName", u"Al Help"},
         {u"Spouse", u"Mei \u4e2d"},
         {u"NetMeetingServer", u"nm.example.com"},
         {u"NetMeetingAlias", u"jo,nm"},
         {u"InternetFreeBusyAddress", u"http://fb.example.com/jo"}});
    EXPECT_EQ(OL10_setIMAddress(c.Dispatch(), "jo@im.example,work"), 0);
    c.SetDate(u"Birthday", 29295.0);    // 15 March 1980
    c.SetDate(u"Anniversary", 36000.0); // 24 July 1998
    return c;
}

TEST_F(WriterTest, FullContactMatchesGoldenCards) {
    const auto c = AddFullContact(s_);
    const std::string golden = std::string(TP_TEST_SOURCE_DIR) + "/tests/data/golden/";
    EXPECT_EQ(Build(c, kVCard21, 11), ReadFile(golden + "full_contact_21.vcf"));
    EXPECT_EQ(Build(c, kVCard30, 11), ReadFile(golden + "full_contact_30.vcf"));
}

TEST_F(WriterTest, EmptyContactGivesSixLines) {
    const auto c = s_.AddContact(s_.Contacts());
    for (VCardVersionCode code : {kVCard21, kVCard30}) {
        const std::string version = code == kVCard21 ? "VERSION:2.1" : "VERSION:3.0";
        EXPECT_EQ(Lines(Build(c, code, 11)),
                  (std::vector<std::string>{"BEGIN:VCARD", version, "N:;;;;",
                                            "FN:", "REV:20050516T134110", "END:VCARD"}));
    }
}

TEST_F(WriterTest, JohnSmithInBothVersions) {
    const auto c = s_.AddContact(s_.Contacts(), {{u"FirstName", u"John"},
                                                 {u"LastName", u"Smith"},
                                                 {u"CompanyName", u"Acme"},
                                                 {u"BusinessTelephoneNumber", u"+1 555 0100"},
                                                 {u"Email1Address", u"john@acme.example"},
                                                 {u"Email1AddressType", u"SMTP"}});
    EXPECT_EQ(Build(c, kVCard30),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;John;;;\r\nFN:John Smith\r\nORG:Acme\r\n"
              "TEL;TYPE=WORK:+1 555 0100\r\nEMAIL;TYPE=PREF;TYPE=INTERNET:john@acme.example\r\n"
              "REV:20050516T134110\r\nEND:VCARD\r\n");
    EXPECT_EQ(Build(c, kVCard21),
              "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;John;;;\r\nFN:John Smith\r\nORG:Acme\r\n"
              "TEL;WORK:+1 555 0100\r\nEMAIL;PREF;INTERNET:john@acme.example\r\n"
              "REV:20050516T134110\r\nEND:VCARD\r\n");
}

// One property set, the line(s) it gives between FN and REV.
struct SmallCase {
    const char* name;
    std::vector<std::pair<const char16_t*, std::u16string_view>> text;
    VCardVersionCode code;
    std::vector<std::string> lines; // the lines after FN and before REV
    const char* n = nullptr;        // the N line, when it matters
    const char* fn = nullptr;       // the FN line, when it matters
};

TEST_F(WriterTest, SmallCases) {
    const SmallCase cases[] = {
        {"name parts",
         {{u"FirstName", u"John"},
          {u"MiddleName", u"Q"},
          {u"LastName", u"Public"},
          {u"Suffix", u"Jr."},
          {u"Title", u"Dr."}},
         kVCard21,
         {},
         "N:Public;John;Q;Dr.;Jr.",
         "FN:John Q Public Jr."},
        {"comma in 3.0",
         {{u"LastName", u"Doe, Jr"}},
         kVCard30,
         {},
         "N:Doe\\, Jr;;;;",
         "FN:Doe\\, Jr"},
        {"comma in 2.1", {{u"LastName", u"Doe, Jr"}}, kVCard21, {}, "N:Doe, Jr;;;;", "FN:Doe, Jr"},
        {"department only", {{u"Department", u"Sales"}}, kVCard21, {"ORG:;Sales"}},
        {"company only", {{u"CompanyName", u"Acme"}}, kVCard30, {"ORG:Acme"}},
        {"note 2.1", {{u"Body", u"a=b"}}, kVCard21, {"NOTE;ENCODING=QUOTED-PRINTABLE:a=3Db"}},
        {"note break 2.1",
         {{u"Body", u"a\r\nb"}},
         kVCard21,
         {"NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab"}},
        {"note 3.0", {{u"Body", u"a=b\r\nc"}}, kVCard30, {"NOTE:a=b\\nc"}},
        {"65-byte note ends with a soft break",
         {{u"Body", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}},
         kVCard21,
         {"NOTE;ENCODING=QUOTED-PRINTABLE:"
          "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa=",
          ""}},
        {"street of two lines 2.1",
         {{u"BusinessAddressStreet", u"1 Main\r\nSuite 2"}},
         kVCard21,
         {"ADR;WORK;ENCODING=QUOTED-PRINTABLE:;;1 Main=0D=0ASuite 2;;;;"}},
        {"street of one line 2.1",
         {{u"BusinessAddressStreet", u"1 Main, back"}},
         kVCard21,
         {"ADR;WORK:;;1 Main, back;;;;"}},
        {"street of two lines 3.0",
         {{u"BusinessAddressStreet", u"1 Main\r\nSuite 2"}},
         kVCard30,
         {"ADR;TYPE=WORK:;;1 Main\\nSuite 2;;;;"}},
        {"office location only", {{u"OfficeLocation", u"B4"}}, kVCard21, {"ADR;WORK:;B4;;;;;"}},
        {"home city only", {{u"HomeAddressCity", u"city"}}, kVCard21, {"ADR;HOME:;;;city;;;"}},
        {"other address",
         {{u"OtherAddressPostOfficeBox", u"PO 1"}, {u"OtherAddressCountry", u"NZ"}},
         kVCard30,
         {"ADR;TYPE=POSTAL:PO 1;;;;;;NZ"}},
        {"email type EX",
         {{u"Email1Address", u"x"}, {u"Email1AddressType", u"EX"}},
         kVCard21,
         {"EMAIL;PREF:x"}},
        {"email type lower-case smtp",
         {{u"Email1Address", u"x"}, {u"Email1AddressType", u"smtp"}},
         kVCard21,
         {"EMAIL;PREF:x"}},
        {"only the first address is PREF",
         {{u"Email2Address", u"y@b"}, {u"Email2AddressType", u"SMTP"}, {u"Email3Address", u"z@c"}},
         kVCard30,
         {"EMAIL;TYPE=INTERNET:y@b", "EMAIL:z@c"}},
        {"plain values keep commas and backslashes",
         {{u"HomeFaxNumber", u"1,2\\3"}, {u"BusinessHomePage", u"http://a/b,c\\d"}},
         kVCard30,
         {"TEL;TYPE=HOME;TYPE=FAX:1,2\\3", "URL;TYPE=WORK:http://a/b,c\\d"}},
        {"profession plain", {{u"Profession", u"a,b"}}, kVCard30, {"ROLE:a,b"}},
        {"categories 3.0",
         {{u"Categories", u"Business, Personal"}},
         kVCard30,
         {"X-OUTL-CATEGORIES:Business\\, Personal"}},
        {"categories 2.1",
         {{u"Categories", u"Business, Personal"}},
         kVCard21,
         {"X-OUTL-CATEGORIES:Business, Personal"}},
    };
    for (const SmallCase& sc : cases) {
        SCOPED_TRACE(sc.name);
        const auto c = s_.AddContact(s_.Contacts());
        for (const auto& [property, value] : sc.text)
            c.SetText(property, value);
        const std::vector<std::string> lines = Lines(Build(c, sc.code));
        ASSERT_GE(lines.size(), 6u);
        if (sc.n) {
            EXPECT_EQ(lines[2], sc.n);
        }
        if (sc.fn) {
            EXPECT_EQ(lines[3], sc.fn);
        }
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 2), sc.lines);
        EXPECT_EQ(lines[lines.size() - 2], "REV:20050516T134110");
    }
}

TEST_F(WriterTest, DatesAndTheIMAddressFollowTheHost) {
    const auto c = s_.AddContact(s_.Contacts(), {{u"Categories", u"Friends"}});
    ASSERT_EQ(OL10_setIMAddress(c.Dispatch(), "me@im.example"), 0);
    EXPECT_EQ(Lines(Build(c, kVCard21, 9)),
              (std::vector<std::string>{"BEGIN:VCARD", "VERSION:2.1", "N:;;;;",
                                        "FN:", "X-OUTL-CATEGORIES:Friends", "REV:20050516T134110",
                                        "END:VCARD"}));
    c.SetDate(u"Birthday", 29295.0);
    const std::vector<std::string> lines = Lines(Build(c, kVCard30, 10));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 2),
              (std::vector<std::string>{"BDAY:19800315", "X-OUTL-IMADDRESS:me@im.example",
                                        "X-OUTL-CATEGORIES:Friends"}));
}

TEST_F(WriterTest, FailingBridgeLeavesOutOnlyTheIMAddress) {
    const auto c = s_.AddContact(s_.Contacts(), {{u"FirstName", u"Ann"}});
    ASSERT_EQ(OL10_setIMAddress(c.Dispatch(), "ann@im"), 0);
    s_.FailMember(u"Contact", u"IMAddress", E_FAIL);
    const std::string card = Build(c, kVCard21, 11);
    EXPECT_EQ(card.find("X-OUTL-IMADDRESS"), std::string::npos);
    EXPECT_NE(card.find("FN:Ann\r\nREV:"), std::string::npos);
}

TEST_F(WriterTest, MebibyteNoteIsWrittenWhole) {
    // Every byte of this note is escaped in 2.1, so the note triples.
    std::u16string note;
    while (note.size() < (1u << 20))
        note.append(u"\u00e9=\r\n");
    const auto c = s_.AddContact(s_.Contacts(), {{u"Body", note}, {u"LastName", u"Long"}});
    const std::string card = Build(c, kVCard21);
    EXPECT_EQ(writer_.Card().Size(), card.size());
    EXPECT_GT(card.size(), 3 * note.size());
    const std::string head = "\r\nNOTE;ENCODING=QUOTED-PRINTABLE:";
    const size_t start = card.find(head);
    ASSERT_NE(start, std::string::npos);
    const size_t end = card.find("\r\nREV:", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(card.substr(end), "\r\nREV:20050516T134110\r\nEND:VCARD\r\n");

    // Undo the soft breaks and escapes: every byte of the note is there.
    const std::string encoded = card.substr(start + head.size(), end - start - head.size());
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded.compare(i, 3, "=\r\n") == 0) {
            i += 2;
        } else if (encoded[i] == '=' && i + 2 < encoded.size()) {
            decoded.push_back(static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            decoded.push_back(encoded[i]);
        }
    }
    std::string ansiNote;
    while (ansiNote.size() < note.size())
        ansiNote.append("\xE9=\r\n");
    EXPECT_TRUE(decoded == ansiNote) << "decoded note differs; " << decoded.size() << " bytes";

    const std::string card30 = Build(c, kVCard30);
    EXPECT_GT(card30.size(), note.size());
    EXPECT_EQ(card30.substr(card30.size() - 34), "\r\nREV:20050516T134110\r\nEND:VCARD\r\n");
}

TEST_F(WriterTest, TestedReadsFailWithMinusOne) {
    const char16_t* tested[] = {u"Body",
                                u"Email1Address",
                                u"Email1AddressType",
                                u"Email2Address",
                                u"Email2AddressType",
                                u"Email3Address",
                                u"Email3AddressType",
                                u"NetMeetingServer",
                                u"NetMeetingAlias"};
    const auto c = s_.AddContact(
        s_.Contacts(),
        {{u"Email1Address", u"a@b"}, {u"Email2Address", u"c@d"}, {u"Email3Address", u"e@f"}});
    c.SetDate(u"LastModificationTime", kModified);
    writer_.SetContact(c);
    writer_.SetHostVersion(11);
    for (const char16_t* member : tested) {
        s_.ClearFailures();
        s_.FailMember(u"Contact", member, E_FAIL);
        for (VCardVersionCode code : {kVCard21, kVCard30}) {
            writer_.SetVersionCode(code);
            int result = 0;
            EXPECT_NO_THROW(result = writer_.BuildCard());
            EXPECT_EQ(result, -1);
            EXPECT_EQ(writer_.Card().View().find("END:VCARD"), std::string::npos);
        }
    }
}

TEST_F(WriterTest, UntestedReadsRaiseComError) {
    const char16_t* untested[] = {
        u"LastName",      u"FirstName",           u"CompanyName",     u"JobTitle",
        u"HomeFaxNumber", u"OfficeLocation",      u"HomeAddressCity", u"Profession",
        u"Birthday",      u"Categories",          u"Spouse",          u"InternetFreeBusyAddress",
        u"Anniversary",   u"LastModificationTime"};
    const auto c = s_.AddContact(s_.Contacts());
    writer_.SetContact(c);
    writer_.SetVersionCode(kVCard30);
    for (const char16_t* member : untested) {
        s_.ClearFailures();
        s_.FailMember(u"Contact", member, DISP_E_EXCEPTION);
        try {
            writer_.BuildCard();
            ADD_FAILURE() << "no error for a failing read";
        } catch (const com::ComError& e) {
            EXPECT_EQ(e.Result(), DISP_E_EXCEPTION);
            EXPECT_TRUE(IsEqualGUID(e.Interface(), outlook::IID_ContactItem));
        }
    }
}

TEST_F(WriterTest, LeavesTheContactsReferencesAsTheyWere) {
    {
        CardWriter writer;
        const auto c = AddFullContact(s_);
        writer.SetContact(c);
        writer.SetVersionCode(kVCard21);
        writer.SetHostVersion(11);
        EXPECT_EQ(writer.BuildCard(), 0);
    }
    EXPECT_EQ(s_.LiveObjects(), 0);
}

} // namespace
} // namespace vcard
