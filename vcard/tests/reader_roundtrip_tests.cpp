// Contacts written by our own writer, in 2.1 and 3.0, read back field for
// field.
//
// Inputs that do not come back by the format's own design, and that the
// generator therefore never produces:
// - ";" in a component of N, ORG or ADR (it separates components);
// - white space at the start or end of a value (values are trimmed), and
//   values made only of white space;
// - line breaks anywhere but the note and the streets, and a CR or LF that is
//   not part of a CR LF pair;
// - a backslash in a value written plain in 3.0 (telephone numbers, web
//   pages, role, e-mail addresses): the reader unescapes every 3.0 value;
// - "=" in an address that is not written quoted-printable (every 2.1
//   address without a line break, every 3.0 address): addresses are always
//   decoded as quoted-printable;
// - an e-mail address type other than SMTP, a second or third address
//   without the ones before it, a second business or home number without
//   the first: their slots are assigned again on reading;
// - characters outside the ANSI code page, and ANSI text that happens to be
//   valid UTF-8 (such as the two characters of "Ã©"): a file that is valid
//   UTF-8 with multi-byte sequences is read as UTF-8;
// - dates with a time of day (only the date is written).
#include "vcard/reader.h"
#include "vcard/writer.h"

#include "imbridge/imbridge.h"
#include "platform/codepage.h"
#include "platform/oledate.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using vcard::CardReader;
using vcard::CardRecord;

enum class Kind { Plain, Escaped, Structured, Address, Street, Note };

struct Generator {
    std::mt19937 rng{20260517};

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // No byte of 0x80..0xBF, so no run of these can be valid UTF-8.
    std::u16string Text(Kind kind, size_t length) {
        std::u16string awkward = u",:='\"!?#%&()*+-./<>@[]^_{|}~\u00e9\u00fc\u00f1\u00df\u00c4\t";
        if (kind != Kind::Plain)
            awkward += u"\\";
        if (kind != Kind::Structured && kind != Kind::Address && kind != Kind::Street)
            awkward += u";";
        std::u16string s = u"A"; // trimmed on reading: keep the ends visible
        while (s.size() < length) {
            const int r = Pick(10);
            if (r < 5)
                s += static_cast<char16_t>(u'a' + Pick(26));
            else if (r < 7)
                s += u' ';
            else if (r < 9)
                s += awkward[static_cast<size_t>(Pick(static_cast<int>(awkward.size())))];
            else if (kind == Kind::Note || kind == Kind::Street)
                s += u"\r\n";
            else
                s += static_cast<char16_t>(u'0' + Pick(10));
        }
        return s + u"Z";
    }
};

struct Property {
    const char16_t* name;
    Kind kind;
};

const Property kProperties[] = {
    {u"FirstName", Kind::Structured},
    {u"LastName", Kind::Structured},
    {u"MiddleName", Kind::Structured},
    {u"Title", Kind::Structured},
    {u"Suffix", Kind::Structured},
    {u"NickName", Kind::Escaped},
    {u"Profession", Kind::Plain},
    {u"CompanyName", Kind::Structured},
    {u"Department", Kind::Structured},
    {u"JobTitle", Kind::Escaped},
    {u"Body", Kind::Note},
    {u"OfficeLocation", Kind::Address},
    {u"BusinessAddressPostOfficeBox", Kind::Address},
    {u"BusinessAddressStreet", Kind::Street},
    {u"BusinessAddressCity", Kind::Address},
    {u"BusinessAddressState", Kind::Address},
    {u"BusinessAddressPostalCode", Kind::Address},
    {u"BusinessAddressCountry", Kind::Address},
    {u"HomeAddressPostOfficeBox", Kind::Address},
    {u"HomeAddressStreet", Kind::Street},
    {u"HomeAddressCity", Kind::Address},
    {u"HomeAddressState", Kind::Address},
    {u"HomeAddressPostalCode", Kind::Address},
    {u"HomeAddressCountry", Kind::Address},
    {u"OtherAddressPostOfficeBox", Kind::Address},
    {u"OtherAddressStreet", Kind::Street},
    {u"OtherAddressCity", Kind::Address},
    {u"OtherAddressState", Kind::Address},
    {u"OtherAddressPostalCode", Kind::Address},
    {u"OtherAddressCountry", Kind::Address},
    {u"BusinessTelephoneNumber", Kind::Plain},
    {u"Business2TelephoneNumber", Kind::Plain},
    {u"BusinessFaxNumber", Kind::Plain},
    {u"HomeTelephoneNumber", Kind::Plain},
    {u"Home2TelephoneNumber", Kind::Plain},
    {u"HomeFaxNumber", Kind::Plain},
    {u"MobileTelephoneNumber", Kind::Plain},
    {u"CarTelephoneNumber", Kind::Plain},
    {u"PagerNumber", Kind::Plain},
    {u"ISDNNumber", Kind::Plain},
    {u"PrimaryTelephoneNumber", Kind::Plain},
    {u"OtherTelephoneNumber", Kind::Plain},
    {u"OtherFaxNumber", Kind::Plain},
    {u"Email1Address", Kind::Plain},
    {u"Email2Address", Kind::Plain},
    {u"Email3Address", Kind::Plain},
    {u"Categories", Kind::Escaped},
    {u"ManagerName", Kind::Escaped},
    {u"AssistantName", Kind::Escaped},
    {u"Spouse", Kind::Escaped},
    {u"NetMeetingServer", Kind::Escaped},
    {u"NetMeetingAlias", Kind::Escaped},
    {u"InternetFreeBusyAddress", Kind::Escaped},
    {u"PersonalHomePage", Kind::Plain},
    {u"BusinessHomePage", Kind::Plain},
};

std::u16string Find(const std::vector<std::pair<std::u16string, std::u16string>>& values,
                    const std::u16string& name) {
    for (const auto& [n, v] : values)
        if (n == name)
            return v;
    return u"";
}

// The values of one generated contact; `index` picks lengths that put spaces
// and "=" right at quoted-printable soft breaks for the first contacts.
std::vector<std::pair<std::u16string, std::u16string>> MakeContact(Generator& g, int index,
                                                                   bool v21) {
    std::vector<std::pair<std::u16string, std::u16string>> values;
    for (const Property& p : kProperties) {
        if (g.Pick(3) == 0)
            continue;
        std::u16string name = p.name;
        if ((name == u"Business2TelephoneNumber" &&
             Find(values, u"BusinessTelephoneNumber").empty()) ||
            (name == u"Home2TelephoneNumber" && Find(values, u"HomeTelephoneNumber").empty()) ||
            (name == u"Email2Address" && Find(values, u"Email1Address").empty()) ||
            (name == u"Email3Address" && Find(values, u"Email2Address").empty()))
            continue;
        std::u16string value;
        if (p.kind == Kind::Note && index < 40) {
            // 55..74 letters, then a space or "=" where the break falls.
            value = std::u16string(static_cast<size_t>(55 + index / 2), u'n') +
                    (index % 2 ? u" =tail" : u"= tail");
        } else if (p.kind == Kind::Street && v21 && index < 40) {
            value = std::u16string(static_cast<size_t>(40 + index), u's') + u" = x\r\nLine 2";
        } else {
            value = g.Text(p.kind, p.kind == Kind::Note ? 1 + static_cast<size_t>(g.Pick(300))
                                                        : 1 + static_cast<size_t>(g.Pick(40)));
        }
        values.emplace_back(name, value);
    }
    // "=" only in addresses written quoted-printable: 2.1 ones with a line break.
    for (const char16_t* group : {u"Business", u"Home", u"Other"}) {
        auto inGroup = [&](const std::u16string& name) {
            return name.rfind(group, 0) == 0 && name.find(u"Address") != std::u16string::npos &&
                   name.find(u"Email") == std::u16string::npos;
        };
        bool encoded = false;
        for (const auto& [name, value] : values)
            if ((inGroup(name) || (group[0] == u'B' && name == u"OfficeLocation")) &&
                value.find(u"\r\n") != std::u16string::npos)
                encoded = v21;
        for (auto& [name, value] : values)
            if ((inGroup(name) || (group[0] == u'B' && name == u"OfficeLocation")) && !encoded)
                for (char16_t& c : value)
                    if (c == u'=')
                        c = u'-';
    }
    return values;
}

void RoundTrip(bool v21) {
    standin::StandIn s;
    auto folder = s.Contacts();
    Generator g;
    g.rng.seed(v21 ? 2101u : 3001u);
    for (int i = 0; i < 300; ++i) {
        const auto values = MakeContact(g, i, v21);
        outlook::ContactItem c = s.AddContact(folder);
        for (const auto& [name, value] : values) {
            c.SetText(name.c_str(), value);
            if (name.rfind(u"Email", 0) == 0)
                c.SetText((name.substr(0, 6) + u"AddressType").c_str(), u"SMTP");
        }
        double birthday = 0.0, anniversary = 0.0;
        if (g.Pick(2)) {
            ASSERT_TRUE(platform::FieldsToOleDate(1900 + g.Pick(150), 1 + g.Pick(12),
                                                  1 + g.Pick(28), 0, 0, 0, &birthday));
        }
        if (g.Pick(2)) {
            ASSERT_TRUE(platform::FieldsToOleDate(1950 + g.Pick(100), 1 + g.Pick(12),
                                                  1 + g.Pick(28), 0, 0, 0, &anniversary));
        }
        if (birthday != 0.0)
            c.SetDate(u"Birthday", birthday);
        if (anniversary != 0.0)
            c.SetDate(u"Anniversary", anniversary);
        if (g.Pick(2)) {
            ASSERT_EQ(OL10_setIMAddress(c.Dispatch(), "im\xe9,x\\y@example.org"), 0);
        }

        vcard::CardWriter w;
        w.SetContact(c);
        w.SetHostVersion(11);
        w.SetVersionCode(v21 ? vcard::kVCard21 : vcard::kVCard30);
        ASSERT_EQ(w.BuildCard(), 0);
        const std::string card(w.Card().View());
        const auto records = CardReader::ReadRecords(card, 11);
        ASSERT_EQ(records.size(), 1u) << card;
        const CardRecord& r = records[0];
        for (const auto& f : vcard::PutOrder()) {
            const std::string field = platform::WideToUtf8(f.name);
            if (f.date != nullptr) {
                const double want = std::u16string(f.name) == u"Birthday" ? birthday : anniversary;
                EXPECT_EQ(r.*f.date, want) << field << "\n" << card;
            } else if (field == "IMAddress") {
                char im[256] = {};
                ASSERT_EQ(OL10_getIMAddress(c.Dispatch(), im, sizeof im), 0);
                EXPECT_EQ(platform::WideToAnsi(r.IMAddress), std::string(im)) << card;
            } else {
                EXPECT_EQ(platform::WideToUtf8(r.*f.text), platform::WideToUtf8(c.Text(f.name)))
                    << field << "\n"
                    << card;
            }
        }
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(ReaderRoundTrip, Version21) {
    RoundTrip(true);
}
TEST(ReaderRoundTrip, Version30) {
    RoundTrip(false);
}

} // namespace
