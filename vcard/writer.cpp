#include "vcard/writer.h"

#include "imbridge/imbridge.h"
#include "platform/codepage.h"
#include "platform/oledate.h"

#include <string>

namespace vcard {
namespace {

struct TelephoneRow {
    const char16_t* property;
    const char* words[2];
};

const TelephoneRow kTelephones[] = {
    {u"BusinessTelephoneNumber", {"WORK", nullptr}},
    {u"Business2TelephoneNumber", {"WORK", nullptr}},
    {u"BusinessFaxNumber", {"WORK", "FAX"}},
    {u"HomeTelephoneNumber", {"HOME", nullptr}},
    {u"Home2TelephoneNumber", {"HOME", nullptr}},
    {u"HomeFaxNumber", {"HOME", "FAX"}},
    {u"MobileTelephoneNumber", {"CELL", nullptr}},
    {u"CarTelephoneNumber", {"CAR", nullptr}},
    {u"OtherTelephoneNumber", {"VOICE", nullptr}},
    {u"OtherFaxNumber", {"FAX", nullptr}},
    {u"PagerNumber", {"PAGER", nullptr}},
    {u"ISDNNumber", {"ISDN", nullptr}},
    {u"PrimaryTelephoneNumber", {"PREF", nullptr}},
};

// The seven components of an address; a null second one is always empty.
struct AddressRow {
    const char* word;
    const char16_t* components[7];
};

const AddressRow kAddresses[] = {
    {"WORK",
     {u"BusinessAddressPostOfficeBox", u"OfficeLocation", u"BusinessAddressStreet",
      u"BusinessAddressCity", u"BusinessAddressState", u"BusinessAddressPostalCode",
      u"BusinessAddressCountry"}},
    {"HOME",
     {u"HomeAddressPostOfficeBox", nullptr, u"HomeAddressStreet", u"HomeAddressCity",
      u"HomeAddressState", u"HomeAddressPostalCode", u"HomeAddressCountry"}},
    {"POSTAL",
     {u"OtherAddressPostOfficeBox", nullptr, u"OtherAddressStreet", u"OtherAddressCity",
      u"OtherAddressState", u"OtherAddressPostalCode", u"OtherAddressCountry"}},
};

constexpr int kIMAddressBufferSize = 256;

} // namespace

int CardWriter::BuildCard() {
    const outlook::ContactItem& c = contact_;
    CardText& card = card_;
    const bool v30 = card.VersionCode() == kVCard30;

    card.Clear();
    card.AppendLine("BEGIN:VCARD");
    card.AppendLine(v30 ? "VERSION:3.0" : "VERSION:2.1");

    // N: family;given;additional;prefix;suffix
    const std::u16string last = c.Text(u"LastName");
    const std::u16string first = c.Text(u"FirstName");
    const std::u16string middle = c.Text(u"MiddleName");
    const std::u16string title = c.Text(u"Title");
    const std::u16string suffix = c.Text(u"Suffix");
    card.Append("N:");
    card.AppendEscaped(last);
    card.Append(";");
    card.AppendEscaped(first);
    card.Append(";");
    card.AppendEscaped(middle);
    card.Append(";");
    card.AppendEscaped(title);
    card.Append(";");
    card.AppendEscaped(suffix);
    card.EndLine();

    // FN: the name parts joined by single spaces; the title is left out.
    std::u16string full;
    for (const std::u16string* part : {&first, &middle, &last, &suffix}) {
        if (part->empty())
            continue;
        if (!full.empty())
            full.push_back(u' ');
        full.append(*part);
    }
    card.Append("FN:");
    card.AppendEscapedLine(full);

    const std::u16string nick = c.Text(u"NickName");
    if (!nick.empty()) {
        card.Append("NICKNAME:");
        card.AppendEscapedLine(nick);
    }

    const std::u16string company = c.Text(u"CompanyName");
    const std::u16string department = c.Text(u"Department");
    if (!company.empty() || !department.empty()) {
        card.Append("ORG:");
        card.AppendEscaped(company);
        if (!department.empty()) {
            card.Append(";");
            card.AppendEscaped(department);
        }
        card.EndLine();
    }

    const std::u16string jobTitle = c.Text(u"JobTitle");
    if (!jobTitle.empty()) {
        card.Append("TITLE:");
        card.AppendEscapedLine(jobTitle);
    }

    std::u16string body;
    if (FAILED(c.TryText(u"Body", &body)))
        return -1;
    if (!body.empty()) {
        if (v30) {
            card.Append("NOTE:");
            card.AppendEscapedLine(body);
        } else {
            card.Append("NOTE;ENCODING=QUOTED-PRINTABLE:");
            card.AppendQuotedPrintable(body);
            card.EndLine();
        }
    }

    for (const TelephoneRow& row : kTelephones) {
        const std::u16string number = c.Text(row.property);
        if (number.empty())
            continue;
        card.Append("TEL");
        for (const char* word : row.words)
            if (word)
                card.AppendTypeParameter(word);
        card.Append(":");
        card.AppendValueLine(number);
    }

    for (const AddressRow& row : kAddresses) {
        std::u16string value;
        bool any = false;
        for (size_t i = 0; i < 7; ++i) {
            if (i > 0)
                value.push_back(u';');
            if (!row.components[i])
                continue;
            const std::u16string part = c.Text(row.components[i]);
            any = any || !part.empty();
            value.append(part);
        }
        if (!any)
            continue;
        card.Append("ADR");
        card.AppendTypeParameter(row.word);
        if (!v30 && platform::WideToAnsi(value).find("\r\n") != std::string::npos) {
            card.Append(";ENCODING=QUOTED-PRINTABLE:");
            card.AppendQuotedPrintable(value);
            card.EndLine();
        } else {
            card.Append(":");
            card.AppendEscapedLine(value);
        }
    }

    const std::u16string personalPage = c.Text(u"PersonalHomePage");
    if (!personalPage.empty()) {
        card.Append("URL");
        card.AppendTypeParameter("HOME");
        card.Append(":");
        card.AppendValueLine(personalPage);
    }
    const std::u16string businessPage = c.Text(u"BusinessHomePage");
    if (!businessPage.empty()) {
        card.Append("URL");
        card.AppendTypeParameter("WORK");
        card.Append(":");
        card.AppendValueLine(businessPage);
    }

    const std::u16string profession = c.Text(u"Profession");
    if (!profession.empty()) {
        card.Append("ROLE:");
        card.AppendValueLine(profession);
    }

    const double birthday = c.Date(u"Birthday");
    if (birthday != platform::kNoDate) {
        card.Append("BDAY:");
        card.AppendLine(FormatOleDate(birthday, "%Y%m%d"));
    }

    static const char16_t* const kEmails[3][2] = {
        {u"Email1Address", u"Email1AddressType"},
        {u"Email2Address", u"Email2AddressType"},
        {u"Email3Address", u"Email3AddressType"},
    };
    for (int i = 0; i < 3; ++i) {
        std::u16string address;
        if (FAILED(c.TryText(kEmails[i][0], &address)))
            return -1;
        if (address.empty())
            continue;
        card.Append("EMAIL");
        if (i == 0)
            card.AppendTypeParameter("PREF");
        std::u16string type;
        if (FAILED(c.TryText(kEmails[i][1], &type)))
            return -1;
        if (type == u"SMTP")
            card.AppendTypeParameter("INTERNET");
        card.Append(":");
        card.AppendValueLine(address);
    }

    const std::u16string categories = c.Text(u"Categories");
    const std::u16string manager = c.Text(u"ManagerName");
    const std::u16string assistant = c.Text(u"AssistantName");
    const std::u16string spouse = c.Text(u"Spouse");
    std::u16string nmServer;
    std::u16string nmAlias;
    if (FAILED(c.TryText(u"NetMeetingServer", &nmServer)) ||
        FAILED(c.TryText(u"NetMeetingAlias", &nmAlias)))
        return -1;
    const std::u16string freeBusy = c.Text(u"InternetFreeBusyAddress");
    const double anniversaryDate = c.Date(u"Anniversary");
    const std::string anniversary = anniversaryDate == platform::kNoDate
                                        ? std::string()
                                        : FormatOleDate(anniversaryDate, "%Y%m%d");

    if (hostVersion_ > 9) {
        char im[kIMAddressBufferSize] = {};
        if (OL10_getIMAddress(c.Dispatch(), im, kIMAddressBufferSize) == 0 && im[0] != '\0') {
            card.Append("X-OUTL-IMADDRESS:");
            card.AppendEscaped(std::string_view(im));
            card.EndLine();
        }
    }

    const struct {
        const char* head;
        const std::u16string* value;
    } privates[] = {
        {"X-OUTL-CATEGORIES:", &categories},
        {"X-OUTL-MANAGERNAME:", &manager},
        {"X-OUTL-ASSISTANTNAME:", &assistant},
        {"X-OUTL-SPOUSE:", &spouse},
    };
    for (const auto& p : privates) {
        if (p.value->empty())
            continue;
        card.Append(p.head);
        card.AppendEscapedLine(*p.value);
    }
    if (!anniversary.empty()) {
        card.Append("X-OUTL-ANNIVERSARY:");
        card.AppendEscaped(std::string_view(anniversary));
        card.EndLine();
    }
    const struct {
        const char* head;
        const std::u16string* value;
    } lastPrivates[] = {
        {"X-OUTL-NMSERVER:", &nmServer},
        {"X-OUTL-NMALIAS:", &nmAlias},
        {"X-OUTL-IFBADDRESS:", &freeBusy},
    };
    for (const auto& p : lastPrivates) {
        if (p.value->empty())
            continue;
        card.Append(p.head);
        card.AppendEscapedLine(*p.value);
    }

    card.Append("REV:");
    card.AppendLine(FormatOleDate(c.Date(u"LastModificationTime"), "%Y%m%dT%H%M%S"));
    card.AppendLine("END:VCARD");
    return 0;
}

} // namespace vcard
