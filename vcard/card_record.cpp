#include "vcard/card_record.h"

namespace vcard {

namespace {
using R = CardRecord;
constexpr RecordField T(const char16_t* name, std::u16string R::*text) {
    return RecordField{name, text, nullptr};
}
constexpr RecordField D(const char16_t* name, double R::*date) {
    return RecordField{name, nullptr, date};
}
} // namespace

const std::array<RecordField, kRecordFieldCount>& PutOrder() {
    static const std::array<RecordField, kRecordFieldCount> order = {{
        T(u"FirstName", &R::FirstName),
        T(u"LastName", &R::LastName),
        T(u"MiddleName", &R::MiddleName),
        T(u"Title", &R::Title),
        T(u"Suffix", &R::Suffix),
        T(u"NickName", &R::NickName),
        T(u"Profession", &R::Profession),
        T(u"CompanyName", &R::CompanyName),
        T(u"Department", &R::Department),
        T(u"JobTitle", &R::JobTitle),
        T(u"Body", &R::Body),
        D(u"Birthday", &R::Birthday),
        T(u"OfficeLocation", &R::OfficeLocation),
        T(u"BusinessAddressPostOfficeBox", &R::BusinessAddressPostOfficeBox),
        T(u"BusinessAddressStreet", &R::BusinessAddressStreet),
        T(u"BusinessAddressCity", &R::BusinessAddressCity),
        T(u"BusinessAddressState", &R::BusinessAddressState),
        T(u"BusinessAddressPostalCode", &R::BusinessAddressPostalCode),
        T(u"BusinessAddressCountry", &R::BusinessAddressCountry),
        T(u"HomeAddressPostOfficeBox", &R::HomeAddressPostOfficeBox),
        T(u"HomeAddressStreet", &R::HomeAddressStreet),
        T(u"HomeAddressCity", &R::HomeAddressCity),
        T(u"HomeAddressState", &R::HomeAddressState),
        T(u"HomeAddressPostalCode", &R::HomeAddressPostalCode),
        T(u"HomeAddressCountry", &R::HomeAddressCountry),
        T(u"OtherAddressPostOfficeBox", &R::OtherAddressPostOfficeBox),
        T(u"OtherAddressStreet", &R::OtherAddressStreet),
        T(u"OtherAddressCity", &R::OtherAddressCity),
        T(u"OtherAddressState", &R::OtherAddressState),
        T(u"OtherAddressPostalCode", &R::OtherAddressPostalCode),
        T(u"OtherAddressCountry", &R::OtherAddressCountry),
        T(u"BusinessTelephoneNumber", &R::BusinessTelephoneNumber),
        T(u"Business2TelephoneNumber", &R::Business2TelephoneNumber),
        T(u"BusinessFaxNumber", &R::BusinessFaxNumber),
        T(u"HomeTelephoneNumber", &R::HomeTelephoneNumber),
        T(u"Home2TelephoneNumber", &R::Home2TelephoneNumber),
        T(u"HomeFaxNumber", &R::HomeFaxNumber),
        T(u"MobileTelephoneNumber", &R::MobileTelephoneNumber),
        T(u"CarTelephoneNumber", &R::CarTelephoneNumber),
        T(u"PagerNumber", &R::PagerNumber),
        T(u"ISDNNumber", &R::ISDNNumber),
        T(u"PrimaryTelephoneNumber", &R::PrimaryTelephoneNumber),
        T(u"OtherTelephoneNumber", &R::OtherTelephoneNumber),
        T(u"OtherFaxNumber", &R::OtherFaxNumber),
        T(u"Email1Address", &R::Email1Address),
        T(u"Email1AddressType", &R::Email1AddressType),
        T(u"Email2Address", &R::Email2Address),
        T(u"Email2AddressType", &R::Email2AddressType),
        T(u"Email3Address", &R::Email3Address),
        T(u"Email3AddressType", &R::Email3AddressType),
        T(u"IMAddress", &R::IMAddress),
        T(u"Categories", &R::Categories),
        T(u"ManagerName", &R::ManagerName),
        T(u"AssistantName", &R::AssistantName),
        T(u"Spouse", &R::Spouse),
        D(u"Anniversary", &R::Anniversary),
        T(u"NetMeetingServer", &R::NetMeetingServer),
        T(u"NetMeetingAlias", &R::NetMeetingAlias),
        T(u"InternetFreeBusyAddress", &R::InternetFreeBusyAddress),
        T(u"PersonalHomePage", &R::PersonalHomePage),
        T(u"BusinessHomePage", &R::BusinessHomePage),
    }};
    return order;
}

bool IsPresent(const CardRecord& record, const RecordField& field) {
    if (field.text != nullptr)
        return !(record.*field.text).empty();
    return (record.*field.date) != 0.0;
}

} // namespace vcard
