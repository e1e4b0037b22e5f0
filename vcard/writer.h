// The vCard writer: one Outlook contact becomes the text of one vCard 2.1 or
// 3.0. The export run derives from CardWriter and adds its run operations.
#pragma once

#include "outlook/outlook.h"
#include "vcard/card_text.h"

namespace vcard {

class CardWriter {
public:
    CardWriter() = default;
    virtual ~CardWriter() = default;
    CardWriter(const CardWriter&) = delete;
    CardWriter& operator=(const CardWriter&) = delete;

    void SetContact(outlook::ContactItem contact) { contact_ = std::move(contact); }
    const outlook::ContactItem& Contact() const { return contact_; }
    // Outlook's major version; the IM address is read only above 9.
    void SetHostVersion(LONG version) { hostVersion_ = version; }
    LONG HostVersion() const { return hostVersion_; }
    void SetVersionCode(VCardVersionCode code) { card_.SetVersionCode(code); }
    VCardVersionCode VersionCode() const { return card_.VersionCode(); }
    const CardText& Card() const { return card_; }

    // Builds the card of the contact into Card(): 0 when the card is complete,
    // -1 when a read the writer tests failed (the card must not be written).
    // Other failing reads raise com::ComError with IID_ContactItem.
    int BuildCard();

protected:
    outlook::ContactItem contact_;
    LONG hostVersion_ = 9;
    CardText card_;
};

} // namespace vcard
