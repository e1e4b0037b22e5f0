// The bridge through the stand-in's real Invoke path.
#include "imbridge/imbridge.h"

#include "standin/standin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

ULONG References(IDispatch* d) {
    d->AddRef();
    return d->Release();
}

TEST(ImBridgeStandInTest, RoundTripKeepsReferences) {
    standin::StandIn s(u"10.0.0.2627");
    const auto c = s.AddContact(s.Contacts(), {{u"FirstName", u"Ann"}});
    IDispatch* item = c.Dispatch();
    const ULONG before = References(item);

    char buffer[256];
    EXPECT_EQ(OL10_getIMAddress(item, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(OL10_setIMAddress(item, "ann@im.example \xE9"), 0);
    EXPECT_EQ(c.Text(u"IMAddress"), u"ann@im.example \u00e9");
    EXPECT_EQ(OL10_getIMAddress(item, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "ann@im.example \xE9");

    c.SetText(u"IMAddress", std::u16string(255, u'a'));
    EXPECT_EQ(OL10_getIMAddress(item, buffer, 256), 0);
    EXPECT_EQ(std::strlen(buffer), 255u);
    c.SetText(u"IMAddress", std::u16string(256, u'b'));
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(OL10_getIMAddress(item, buffer, 256), -1);
    EXPECT_EQ(buffer[0], 'Z');
    EXPECT_EQ(buffer[255], 'Z');

    c.SetText(u"IMAddress", u"x\u4e2dy");
    EXPECT_EQ(OL10_getIMAddress(item, buffer, 256), 0);
    EXPECT_STREQ(buffer, "x?y");
    EXPECT_EQ(References(item), before);
}

TEST(ImBridgeStandInTest, FailuresAreResults) {
    standin::StandIn s(u"11.0.0.8010");
    const auto c = s.AddContact(s.Contacts(), {{u"IMAddress", u"kept"}});
    IDispatch* item = c.Dispatch();
    const ULONG before = References(item);
    s.FailMember(u"Contact", u"IMAddress", E_FAIL);
    char buffer[256];
    std::memset(buffer, 'Z', sizeof buffer);
    LONG result = 0;
    EXPECT_NO_THROW(result = OL10_getIMAddress(item, buffer, sizeof buffer));
    EXPECT_LT(result, 0);
    EXPECT_EQ(buffer[0], 'Z');
    EXPECT_NO_THROW(result = OL10_setIMAddress(item, "new"));
    EXPECT_LT(result, 0);
    EXPECT_EQ(References(item), before);
    s.ClearFailures();
    EXPECT_EQ(c.Text(u"IMAddress"), u"kept");
}

TEST(ImBridgeStandInTest, Outlook2000HasNoAddress) {
    standin::StandIn s(u"9.0.0.2711");
    const auto c = s.AddContact(s.Contacts(), {{u"FirstName", u"Old"}});
    char buffer[256] = "untouched";
    EXPECT_LT(OL10_getIMAddress(c.Dispatch(), buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_LT(OL10_setIMAddress(c.Dispatch(), "x"), 0);
}

} // namespace
