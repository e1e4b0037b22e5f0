// Cards built per second for a contact with every property set, in 2.1 and
// 3.0, through the stand-in's late-bound reads (as a real export makes them).
#include "vcard/writer.h"

#include "imbridge/imbridge.h"
#include "standin/standin.h"

#include <benchmark/benchmark.h>

namespace {

outlook::ContactItem FullContact(standin::StandIn& s) {
    auto c = s.AddContact(s.Contacts(), {{u"FirstName", u"J\u00fcrgen"},
                                         {u"MiddleName", u"Q"},
                                         {u"LastName", u"O'Neil, Smith"},
                                         {u"Title", u"Dr."},
                                         {u"Suffix", u"Jr."},
                                         {u"NickName", u"Jo\\Jo"},
                                         {u"CompanyName", u"Acme, Inc."},
                                         {u"Department", u"R&D"},
                                         {u"JobTitle", u"Engineer"},
                                         {u"Body", u"Met at the fair, 2004.\r\nPrefers tea; "
                                                   u"keeps cards in C:\\data = archive."},
                                         {u"BusinessTelephoneNumber", u"+1 555 0101"},
                                         {u"Business2TelephoneNumber", u"+1 555 0102"},
                                         {u"BusinessFaxNumber", u"+1 555 0103"},
                                         {u"HomeTelephoneNumber", u"+1 555 0104"},
                                         {u"Home2TelephoneNumber", u"+1 555 0105"},
                                         {u"HomeFaxNumber", u"+1 555 0106"},
                                         {u"MobileTelephoneNumber", u"+1 555 0107"},
                                         {u"CarTelephoneNumber", u"+1 555 0108"},
                                         {u"OtherTelephoneNumber", u"+1 555 0109"},
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
                                         {u"HomeAddressPostOfficeBox", u"PO 3"},
                                         {u"HomeAddressStreet", u"2 Elm St"},
                                         {u"HomeAddressCity", u"Shelbyville"},
                                         {u"HomeAddressState", u"IL"},
                                         {u"HomeAddressPostalCode", u"62565"},
                                         {u"HomeAddressCountry", u"USA"},
                                         {u"OtherAddressPostOfficeBox", u"PO 4"},
                                         {u"OtherAddressStreet", u"3 Oak St"},
                                         {u"OtherAddressCity", u"Capital City"},
                                         {u"OtherAddressState", u"IL"},
                                         {u"OtherAddressPostalCode", u"62000"},
                                         {u"OtherAddressCountry", u"USA"},
                                         {u"PersonalHomePage", u"http://example.com/~jo"},
                                         {u"BusinessHomePage", u"http://acme.example.com/"},
                                         {u"Profession", u"Physicist"},
                                         {u"Email1Address", u"jo@example.com"},
                                         {u"Email1AddressType", u"SMTP"},
                                         {u"Email2Address", u"/o=Acme/cn=Jo"},
                                         {u"Email2AddressType", u"EX"},
                                         {u"Email3Address", u"jo@home.example"},
                                         {u"Email3AddressType", u"SMTP"},
                                         {u"Categories", u"Business, Personal"},
                                         {u"ManagerName", u"Ann Boss"},
                                         {u"AssistantName", u"Al Help"},
                                         {u"Spouse", u"Mei"},
                                         {u"NetMeetingServer", u"nm.example.com"},
                                         {u"NetMeetingAlias", u"jo"},
                                         {u"InternetFreeBusyAddress", u"http://fb.example.com/jo"},
                                         {u"IMAddress", u"jo@im.example"}});
    c.SetDate(u"Birthday", 29295.0);
    c.SetDate(u"Anniversary", 36000.0);
    return c;
}

void BuildCard(benchmark::State& state, vcard::VCardVersionCode code) {
    standin::StandIn s;
    vcard::CardWriter writer;
    writer.SetContact(FullContact(s));
    writer.SetHostVersion(11);
    writer.SetVersionCode(code);
    for (auto _ : state) {
        if (writer.BuildCard() != 0)
            state.SkipWithError("card failed");
        benchmark::DoNotOptimize(writer.Card().Data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["card_bytes"] = static_cast<double>(writer.Card().Size());
}

void BM_BuildCard21(benchmark::State& state) {
    BuildCard(state, vcard::kVCard21);
}
void BM_BuildCard30(benchmark::State& state) {
    BuildCard(state, vcard::kVCard30);
}
BENCHMARK(BM_BuildCard21);
BENCHMARK(BM_BuildCard30);

} // namespace

BENCHMARK_MAIN();
