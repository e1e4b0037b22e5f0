// What every property line of a card does to the record, and how a record
// becomes a new contact.
#include "imbridge/imbridge.h"
#include "platform/codepage.h"
#include "vcard/reader.h"

#include <cstring>

namespace vcard {

namespace {

// The bridge call behind one small function, so the mapping does not care
// how the bridge is bound.
void PutIMAddress(IDispatch* contact, const std::string& address) {
    OL10_setIMAddress(contact, address.c_str());
}

} // namespace

bool CardReader::ReadParameters() {
    if (parametersRead_) {
        if (parametersEndInColon_)
            lineCursor_ = valueStart_ - 1;
        return parametersEndInColon_;
    }
    parametersRead_ = true;
    params_.clear();
    while (lineCursor_ < line_.size() && line_[lineCursor_] == ';') {
        if (!NextParameter())
            break;
        const std::string_view token = token_;
        const size_t equals = token.find('=');
        if (equals != std::string_view::npos) {
            // A named parameter: only the encoding, the character set and a
            // preference matter; its value is no type word.
            const std::string_view key = token.substr(0, equals);
            std::string_view value = token.substr(equals + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (key == "ENCODING" && value == "QUOTED-PRINTABLE")
                quotedPrintable_ = true;
            else if (key == "CHARSET")
                charset_.assign(value);
            else if (key == "PREF")
                params_.emplace_back("PREF");
            continue;
        }
        if (token == "QUOTED-PRINTABLE") {
            quotedPrintable_ = true;
            continue;
        }
        if (token == "BASE64" || token == "B" || token == "8BIT" || token == "7BIT")
            continue;
        // A list of type words, as in WORK,VOICE (quotes around it mean nothing).
        size_t start = 0;
        while (start <= token.size()) {
            size_t comma = token.find(',', start);
            if (comma == std::string_view::npos)
                comma = token.size();
            std::string_view word = token.substr(start, comma - start);
            while (!word.empty() && (word.front() == '"' || word.front() == ' '))
                word.remove_prefix(1);
            while (!word.empty() && (word.back() == '"' || word.back() == ' '))
                word.remove_suffix(1);
            if (!word.empty())
                params_.emplace_back(word);
            start = comma + 1;
        }
    }
    parametersEndInColon_ = lineCursor_ < line_.size() && line_[lineCursor_] == ':';
    if (parametersEndInColon_)
        valueStart_ = lineCursor_ + 1;
    return parametersEndInColon_;
}

bool CardReader::HasParameter(std::string_view word) const {
    for (const std::string& p : params_)
        if (p == word)
            return true;
    return false;
}

const std::string& CardReader::Value() {
    if (valueReady_)
        return value_;
    valueReady_ = true;
    value_.clear();
    if (!ReadParameters())
        return value_;
    if (quotedPrintable_ || name_ == "ADR") {
        // Decoded before the property's own rules; text without "=" passes
        // unchanged.
        lineCursor_ = valueStart_;
        value_ = ReadQuotedPrintableValue();
    } else {
        value_.assign(line_, valueStart_, std::string::npos);
    }
    lineCursor_ = valueStart_ - 1;
    return value_;
}

void CardReader::ApplyProperty() {
    CardRecord& r = record_;
    const std::string& n = name_;
    if (n == "VERSION")
        ApplyVersion();
    else if (n == "N")
        ParseName();
    else if (n == "NICKNAME")
        SetIfEmpty(r.NickName);
    else if (n == "ROLE")
        SetIfEmpty(r.Profession);
    else if (n == "TITLE")
        SetIfEmpty(r.JobTitle);
    else if (n == "ORG")
        ParseOrganization();
    else if (n == "BDAY")
        ParseDate(r.Birthday);
    else if (n == "ADR")
        ParseAddress();
    else if (n == "TEL")
        ParseTelephone();
    else if (n == "EMAIL")
        ParseEmail();
    else if (n == "NOTE")
        ParseNote();
    else if (n == "URL")
        ParseUrl();
    else if (n == "X-OUTL-IMADDRESS") {
        if (outlookVersion_ > 9)
            SetIfEmpty(r.IMAddress);
    } else if (n == "X-OUTL-CATEGORIES")
        SetIfEmpty(r.Categories);
    else if (n == "X-OUTL-MANAGERNAME")
        SetIfEmpty(r.ManagerName);
    else if (n == "X-OUTL-ASSISTANTNAME")
        SetIfEmpty(r.AssistantName);
    else if (n == "X-OUTL-SPOUSE")
        SetIfEmpty(r.Spouse);
    else if (n == "X-OUTL-ANNIVERSARY")
        ParseDate(r.Anniversary);
    else if (n == "X-OUTL-NMSERVER")
        SetIfEmpty(r.NetMeetingServer);
    else if (n == "X-OUTL-NMALIAS")
        SetIfEmpty(r.NetMeetingAlias);
    else if (n == "X-OUTL-IFBADDRESS")
        SetIfEmpty(r.InternetFreeBusyAddress);
}

void CardReader::SetIfEmpty(std::u16string& field) {
    if (!field.empty() || !ReadParameters())
        return;
    StoreValue(field, Value());
}

void CardReader::ParseName() {
    if (!ReadParameters())
        return;
    std::string_view value = Value();
    value = StoreComponent(record_.LastName, value);
    value = StoreComponent(record_.FirstName, value);
    value = StoreComponent(record_.MiddleName, value);
    value = StoreComponent(record_.Title, value);
    StoreValue(record_.Suffix, value);
}

void CardReader::ParseOrganization() {
    if (!record_.CompanyName.empty() || !record_.Department.empty() || !ReadParameters())
        return;
    std::string_view value = StoreComponent(record_.CompanyName, Value());
    StoreValue(record_.Department, value);
}

void CardReader::ParseNote() {
    if (!record_.Body.empty())
        return;
    if (!ReadParameters())
        return;
    if (quotedPrintable_) {
        // Neither trimmed nor unescaped.
        record_.Body = DecodeText(Value());
        return;
    }
    StoreValue(record_.Body, Value());
}

void CardReader::ParseAddress() {
    if (!ReadParameters())
        return;
    bool work = HasParameter("WORK");
    bool home = HasParameter("HOME");
    bool postal = HasParameter("POSTAL");
    if (!work && !home && !postal)
        work = true;
    const std::string_view value = Value();
    CardRecord& r = record_;

    if (work) {
        if (r.BusinessAddressPostOfficeBox.empty() && r.OfficeLocation.empty() &&
            r.BusinessAddressStreet.empty() && r.BusinessAddressState.empty() &&
            r.BusinessAddressPostalCode.empty() && r.BusinessAddressCountry.empty()) {
            std::string_view rest = StoreComponent(r.BusinessAddressPostOfficeBox, value);
            rest = StoreComponent(r.OfficeLocation, rest);
            rest = StoreComponent(r.BusinessAddressStreet, rest);
            rest = StoreComponent(r.BusinessAddressCity, rest);
            rest = StoreComponent(r.BusinessAddressState, rest);
            rest = StoreComponent(r.BusinessAddressPostalCode, rest);
            StoreValue(r.BusinessAddressCountry, rest);
        } else {
            postal = true;
        }
    }
    auto fill = [&](std::u16string& box, std::u16string& street, std::u16string& city,
                    std::u16string& state, std::u16string& code, std::u16string& country) {
        if (!box.empty() || !street.empty() || !state.empty() || !code.empty() || !country.empty())
            return false;
        std::string_view rest = StoreComponent(box, value);
        std::u16string extended; // a home or other address has no place for it
        rest = StoreComponent(extended, rest);
        rest = StoreComponent(street, rest);
        rest = StoreComponent(city, rest);
        rest = StoreComponent(state, rest);
        rest = StoreComponent(code, rest);
        StoreValue(country, rest);
        return true;
    };
    if (home && !fill(r.HomeAddressPostOfficeBox, r.HomeAddressStreet, r.HomeAddressCity,
                      r.HomeAddressState, r.HomeAddressPostalCode, r.HomeAddressCountry))
        postal = true;
    if (postal)
        fill(r.OtherAddressPostOfficeBox, r.OtherAddressStreet, r.OtherAddressCity,
             r.OtherAddressState, r.OtherAddressPostalCode, r.OtherAddressCountry);
}

void CardReader::ParseTelephone() {
    if (!ReadParameters())
        return;
    const bool work = HasParameter("WORK");
    const bool home = HasParameter("HOME");
    const bool cell = HasParameter("CELL");
    const bool fax = HasParameter("FAX");
    const bool car = HasParameter("CAR");
    const bool pager = HasParameter("PAGER");
    const bool isdn = HasParameter("ISDN");
    const bool pref = HasParameter("PREF");
    bool voice = HasParameter("VOICE");
    if (!work && !home && !cell && !fax && !car && !pager && !isdn && !pref)
        voice = true;
    std::string_view number = Value();
    // vCard 4.0 writes numbers as tel: addresses.
    if (number.size() >= 4 && (number[0] == 't' || number[0] == 'T') &&
        (number[1] == 'e' || number[1] == 'E') && (number[2] == 'l' || number[2] == 'L') &&
        number[3] == ':')
        number.remove_prefix(4);
    CardRecord& r = record_;
    auto storeIfAbsent = [&](std::u16string& field) {
        if (!field.empty())
            return false;
        StoreValue(field, number);
        return true;
    };
    if (work) {
        if (!(fax && storeIfAbsent(r.BusinessFaxNumber)))
            if (!storeIfAbsent(r.BusinessTelephoneNumber))
                storeIfAbsent(r.Business2TelephoneNumber);
    }
    if (home) {
        if (!(fax && storeIfAbsent(r.HomeFaxNumber))) {
            if (!r.homeTelephoneStored) {
                StoreValue(r.HomeTelephoneNumber, number);
                r.homeTelephoneStored = true;
            } else if (!r.home2TelephoneStored) {
                StoreValue(r.Home2TelephoneNumber, number);
                r.home2TelephoneStored = true;
            }
        }
    }
    if (cell)
        storeIfAbsent(r.MobileTelephoneNumber);
    if (car)
        storeIfAbsent(r.CarTelephoneNumber);
    if (pager)
        storeIfAbsent(r.PagerNumber);
    if (isdn)
        storeIfAbsent(r.ISDNNumber);
    if (pref)
        storeIfAbsent(r.PrimaryTelephoneNumber);
    if (fax && !work && !home)
        storeIfAbsent(r.OtherFaxNumber);
    if (voice)
        storeIfAbsent(r.OtherTelephoneNumber);
}

void CardReader::ParseEmail() {
    if (!ReadParameters())
        return;
    bool preferred = false;
    bool internet = false;
    bool otherType = false;
    for (const std::string& p : params_) {
        if (p == "PREF")
            preferred = true;
        else if (p == "INTERNET")
            internet = true;
        else if (p != "WORK" && p != "HOME")
            otherType = true;
    }
    if (!otherType && !internet)
        internet = true;
    const std::string_view address = Value();
    CardRecord& r = record_;
    std::u16string* slotType = nullptr;
    if (preferred) {
        if (!r.Email1Address.empty()) {
            if (!r.Email2Address.empty()) {
                r.Email3Address = r.Email2Address;
                r.Email3AddressType = r.Email2AddressType;
            }
            r.Email2Address = r.Email1Address;
            r.Email2AddressType = r.Email1AddressType;
            r.Email1Address.clear();
            r.Email1AddressType.clear();
        }
        StoreValue(r.Email1Address, address);
        slotType = &r.Email1AddressType;
    } else if (r.Email1Address.empty()) {
        StoreValue(r.Email1Address, address);
        slotType = &r.Email1AddressType;
    } else if (r.Email2Address.empty()) {
        StoreValue(r.Email2Address, address);
        slotType = &r.Email2AddressType;
    } else if (r.Email3Address.empty()) {
        StoreValue(r.Email3Address, address);
        slotType = &r.Email3AddressType;
    }
    // The slot's type is that of the address just stored, whatever an earlier
    // empty address left there.
    if (slotType != nullptr)
        *slotType = internet ? u"SMTP" : u"";
}

void CardReader::ParseUrl() {
    if (!ReadParameters())
        return;
    bool work = HasParameter("WORK");
    const bool home = HasParameter("HOME");
    if (!work && !home)
        work = true;
    if (work)
        StoreValue(record_.BusinessHomePage, Value());
    if (home)
        StoreValue(record_.PersonalHomePage, Value());
}

bool CardReader::CreateContact() {
    outlook::ContactItem contact;
    if (FAILED(items_.TryAddContact(&contact)))
        return false;
    newContact_ = contact;
    for (const RecordField& f : PutOrder()) {
        if (!IsPresent(record_, f))
            continue;
        if (f.date != nullptr) {
            contact.TrySetDate(f.name, record_.*f.date);
        } else if (std::u16string_view(f.name) == u"IMAddress") {
            PutIMAddress(contact.Dispatch(), platform::WideToAnsi(record_.IMAddress));
        } else {
            contact.TrySetText(f.name, record_.*f.text);
        }
    }
    return true;
}

} // namespace vcard
