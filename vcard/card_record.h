// One parsed card: one field per contact property that the import fills.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace vcard {

// Text fields hold wide text as it goes into the contact; a text field is
// absent when empty. Dates are OLE dates; a date is absent when 0.0.
struct CardRecord {
    std::u16string FirstName;
    std::u16string MiddleName;
    std::u16string LastName;
    std::u16string Title;
    std::u16string Suffix;
    std::u16string NickName;
    std::u16string Profession;
    std::u16string CompanyName;
    std::u16string Department;
    std::u16string JobTitle;
    std::u16string Body;
    double Birthday = 0.0;
    std::u16string BusinessAddressPostOfficeBox;
    std::u16string OfficeLocation;
    std::u16string BusinessAddressStreet;
    std::u16string BusinessAddressCity;
    std::u16string BusinessAddressState;
    std::u16string BusinessAddressPostalCode;
    std::u16string BusinessAddressCountry;
    std::u16string HomeAddressPostOfficeBox;
    std::u16string HomeAddressStreet;
    std::u16string HomeAddressCity;
    std::u16string HomeAddressState;
    std::u16string HomeAddressPostalCode;
    std::u16string HomeAddressCountry;
    std::u16string OtherAddressPostOfficeBox;
    std::u16string OtherAddressStreet;
    std::u16string OtherAddressCity;
    std::u16string OtherAddressState;
    std::u16string OtherAddressPostalCode;
    std::u16string OtherAddressCountry;
    std::u16string BusinessTelephoneNumber;
    std::u16string Business2TelephoneNumber;
    std::u16string BusinessFaxNumber;
    std::u16string HomeTelephoneNumber;
    std::u16string Home2TelephoneNumber;
    std::u16string HomeFaxNumber;
    std::u16string MobileTelephoneNumber;
    std::u16string CarTelephoneNumber;
    std::u16string PagerNumber;
    std::u16string ISDNNumber;
    std::u16string PrimaryTelephoneNumber;
    std::u16string OtherTelephoneNumber;
    std::u16string OtherFaxNumber;
    std::u16string Email1Address;
    std::u16string Email1AddressType;
    std::u16string Email2Address;
    std::u16string Email2AddressType;
    std::u16string Email3Address;
    std::u16string Email3AddressType;
    std::u16string IMAddress;
    std::u16string Categories;
    std::u16string ManagerName;
    std::u16string AssistantName;
    std::u16string Spouse;
    double Anniversary = 0.0;
    std::u16string NetMeetingServer;
    std::u16string NetMeetingAlias;
    std::u16string InternetFreeBusyAddress;
    std::u16string BusinessHomePage;
    std::u16string PersonalHomePage;

    // The two home numbers count as taken once any value was stored into
    // them, an empty one included.
    bool homeTelephoneStored = false;
    bool home2TelephoneStored = false;

    void Clear() { *this = CardRecord(); }
};

// A field of the record by the name of the contact property it feeds.
struct RecordField {
    const char16_t* name;
    std::u16string CardRecord::*text; // null for a date
    double CardRecord::*date;         // null for a text
};

constexpr size_t kRecordFieldCount = 61;

// Every field in the order in which a new contact receives them (also the
// order of the comparison of contacts); IMAddress is among them.
const std::array<RecordField, kRecordFieldCount>& PutOrder();

// Is the field present (a non-empty text, a date other than 0.0)?
bool IsPresent(const CardRecord& record, const RecordField& field);

} // namespace vcard
