// The import run against the Outlook stand-in: the two passes, the duplicate
// search and the three policies, where it stops, and that no error escapes.
#include "batch/import_run.h"

#include "imbridge/imbridge.h"

#include "batch/tests/progress_double.h"
#include "batch/tests/test_support.h"
#include "platform/files.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

namespace batch {
namespace {

using testing::ProgressDouble;
using testing::TempDir;

std::string Card(const std::string& lines) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\n" + lines + "END:VCARD\r\n";
}

std::string Named(const std::string& last, const std::string& first, const std::string& org,
                  const std::string& phone) {
    std::string lines = "N:" + last + ";" + first + "\r\n";
    if (!org.empty())
        lines += "ORG:" + org + "\r\n";
    if (!phone.empty())
        lines += "TEL;WORK:" + phone + "\r\n";
    return Card(lines);
}

class ImportRunTest : public ::testing::Test {
protected:
    ImportRunTest() : run(11) { run.SetProgress(&progress); }

    LONG Import(ConflictResolution policy = DuplicateContacts) {
        return run.ImportDirectory(dir.Str(), store.Contacts(), policy);
    }
    LONG Size() { return store.Contacts().GetItems().Count(); }
    std::vector<std::u16string> Values(const char16_t* property) {
        std::vector<std::u16string> values;
        outlook::Items items = store.Contacts().GetItems();
        for (LONG i = 1; i <= items.Count(); ++i) {
            outlook::DispatchPtr c;
            if (outlook::IsContact(items.Item(i).Get(), &c))
                values.push_back(outlook::ContactItem(c).Text(property));
        }
        return values;
    }

    standin::StandIn store;
    ProgressDouble progress;
    ImportRun run;
    TempDir dir;
};

TEST_F(ImportRunTest, NoVcfFilesOpensNoWindow) {
    dir.Write("notes.txt", Named("Smith", "John", "", ""));
    EXPECT_EQ(kRunFailed, Import());
    dir.Write("empty.vcf", "BEGIN:VCARD\r\nN:Smith;John\r\n");
    EXPECT_EQ(kRunFailed, Import());
    EXPECT_EQ(0, progress.starts);
    EXPECT_EQ(0, Size());
    EXPECT_EQ(kRunFailed, run.ImportDirectory(dir.File("missing"), store.Contacts(), LeaveOld));
}

TEST_F(ImportRunTest, UnfinishedCardIsNeitherCountedNorImported) {
    dir.Write("a.vcf", Named("A", "One", "", "1") + Named("A", "Two", "", "2"));
    dir.Write("b.vcf", Named("B", "One", "", "1") + Named("B", "Two", "", "2") +
                           "BEGIN:VCARD\r\nN:B;Three\r\n");
    EXPECT_EQ(0, Import());
    EXPECT_EQ(4, progress.total);
    EXPECT_EQ(IDS_PROGRESS_IMPORTING, progress.caption);
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(4, progress.positions.back());
    EXPECT_EQ(4, Size());
    EXPECT_EQ(4, run.Counts().saved);
    EXPECT_EQ(1, progress.ends);
}

TEST_F(ImportRunTest, SameCardTwiceIsSavedOnceUnderEveryPolicy) {
    for (ConflictResolution policy :
         {DuplicateContacts, ReplaceExisting, LeaveOld, static_cast<ConflictResolution>(7)}) {
        standin::StandIn fresh;
        dir.Write("twice.vcf",
                  Named("Smith", "John", "Acme", "555") + Named("Smith", "John", "Acme", "555"));
        ASSERT_EQ(0, run.ImportDirectory(dir.Str(), fresh.Contacts(), policy));
        EXPECT_EQ(1, fresh.Contacts().GetItems().Count()) << policy;
        EXPECT_EQ(1, run.Counts().saved);
        EXPECT_EQ(policy == LeaveOld ? 1 : 0, run.Counts().leftOld);
        EXPECT_EQ(policy == LeaveOld ? 0 : 1, run.Counts().identical);
        EXPECT_EQ(0, run.Counts().replaced);
    }
}

TEST_F(ImportRunTest, QuoteChoiceAndNamesWithBothQuotes) {
    struct Case {
        std::string last;
        LONG contactsAfterTwice;
    };
    const Case cases[] = {
        {"O'Brien", 1},       // searched in double quotes
        {"The \"Boss\"", 1},  // searched in apostrophes
        {"O'Neil \"Jr\"", 2}, // cannot be searched: always new
    };
    for (const Case& c : cases) {
        standin::StandIn fresh;
        TempDir d;
        d.Write("q.vcf", Named(c.last, "Pat", "", "1") + Named(c.last, "Pat", "", "1"));
        ASSERT_EQ(0, run.ImportDirectory(d.Str(), fresh.Contacts(), DuplicateContacts));
        EXPECT_EQ(c.contactsAfterTwice, fresh.Contacts().GetItems().Count()) << c.last;
    }
}

TEST_F(ImportRunTest, PoliciesWithAMatchThatDiffers) {
    struct Case {
        ConflictResolution policy;
        std::vector<std::u16string> phones; // after the import, in folder order
    };
    const Case cases[] = {
        {DuplicateContacts, {u"111", u"222"}},
        {ReplaceExisting, {u"222"}},
        {LeaveOld, {u"111"}},
    };
    for (const Case& c : cases) {
        standin::StandIn fresh;
        fresh.AddContact(fresh.Contacts(), {{u"FirstName", u"John"},
                                            {u"LastName", u"Smith"},
                                            {u"CompanyName", u"Acme"},
                                            {u"BusinessTelephoneNumber", u"111"}});
        dir.Write("one.vcf", Named("Smith", "John", "Acme", "222"));
        ASSERT_EQ(0, run.ImportDirectory(dir.Str(), fresh.Contacts(), c.policy));
        std::vector<std::u16string> phones;
        outlook::Items items = fresh.Contacts().GetItems();
        for (LONG i = 1; i <= items.Count(); ++i)
            phones.push_back(outlook::ContactItem(items.Item(i)).Text(u"BusinessTelephoneNumber"));
        EXPECT_EQ(c.phones, phones) << c.policy;
    }
}

TEST_F(ImportRunTest, ReplaceDeletesOnlyTheFirstDifferingMatch) {
    store.AddContact(
        store.Contacts(),
        {{u"FirstName", u"John"}, {u"LastName", u"Smith"}, {u"BusinessTelephoneNumber", u"111"}});
    store.AddContact(
        store.Contacts(),
        {{u"FirstName", u"John"}, {u"LastName", u"Smith"}, {u"BusinessTelephoneNumber", u"333"}});
    dir.Write("one.vcf", Named("Smith", "John", "", "222"));
    ASSERT_EQ(0, Import(ReplaceExisting));
    auto phones = Values(u"BusinessTelephoneNumber");
    std::sort(phones.begin(), phones.end());
    EXPECT_EQ((std::vector<std::u16string>{u"222", u"333"}), phones);
    EXPECT_EQ(1, run.Counts().replaced);
}

TEST_F(ImportRunTest, ReplaceWithOneIdenticalMatchChangesNothing) {
    store.AddContact(
        store.Contacts(),
        {{u"FirstName", u"John"}, {u"LastName", u"Smith"}, {u"BusinessTelephoneNumber", u"111"}});
    store.AddContact(store.Contacts(), {{u"FirstName", u"John"},
                                        {u"LastName", u"Smith"},
                                        {u"BusinessTelephoneNumber", u"222"},
                                        {u"Body", u"more than the card"}});
    dir.Write("one.vcf", Named("Smith", "John", "", "222"));
    ASSERT_EQ(0, Import(ReplaceExisting));
    EXPECT_EQ(2, Size());
    EXPECT_EQ(1, run.Counts().identical);
    EXPECT_EQ(0, run.Counts().replaced);
}

TEST_F(ImportRunTest, EmailContainmentRule) {
    struct Case {
        std::u16string existing;
        bool identical;
    };
    const Case cases[] = {
        {u"john@example.com", true},  {u"example.com", true},       {u"", false},
        {u"JOHN@example.com", false}, {u"john@example.org", false},
    };
    for (const Case& c : cases) {
        standin::StandIn fresh;
        if (c.existing.empty())
            fresh.AddContact(fresh.Contacts(), {{u"Email1AddressType", u"SMTP"}});
        else
            fresh.AddContact(fresh.Contacts(),
                             {{u"Email1Address", c.existing}, {u"Email1AddressType", u"SMTP"}});
        // A named contact with the same address is no candidate.
        fresh.AddContact(fresh.Contacts(),
                         {{u"LastName", u"Named"}, {u"Email1Address", u"john@example.com"}});
        // Nor is a distribution list, which no filter keeps out here.
        fresh.AddDistList(fresh.Contacts(), u"List");
        dir.Write("one.vcf", Card("EMAIL;INTERNET:john@example.com\r\n"));
        ASSERT_EQ(0, run.ImportDirectory(dir.Str(), fresh.Contacts(), DuplicateContacts));
        EXPECT_EQ(c.identical ? 1 : 0, run.Counts().identical)
            << std::string(c.existing.begin(), c.existing.end());
        EXPECT_EQ(c.identical ? 0 : 1, run.Counts().saved);
    }
}

TEST_F(ImportRunTest, CancelDuringTheThirdCardOfTen) {
    std::string cards;
    for (int i = 0; i < 6; ++i)
        cards += Named("L" + std::to_string(i), "F", "", "");
    dir.Write("a.vcf", cards);
    cards.clear();
    for (int i = 6; i < 10; ++i)
        cards += Named("L" + std::to_string(i), "F", "", "");
    dir.Write("b.vcf", cards);
    progress.cancelAtTest = 3;
    ASSERT_EQ(0, Import());
    EXPECT_EQ(10, progress.total);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), progress.positions);
    EXPECT_EQ(3, Size());
    EXPECT_TRUE(run.Counts().cancelled);
    EXPECT_EQ(1, progress.ends);
}

TEST_F(ImportRunTest, FileThatCannotBeOpenedStopsThePass) {
    dir.Write("a.vcf", Named("A", "F", "", ""));
    std::filesystem::create_directory(dir.Path() / "b.vcf"); // cannot be read, even as root
    dir.Write("c.vcf", Named("C", "F", "", ""));
    std::vector<std::string> order;
    ASSERT_TRUE(platform::ListVcfFiles(dir.Str(), &order));
    ASSERT_EQ(0, Import());
    EXPECT_EQ(2, progress.total);
    // Files listed before the directory are imported, those after it are not.
    std::vector<std::u16string> expected;
    for (const std::string& name : order) {
        if (name == "b.vcf")
            break;
        expected.push_back(name == "a.vcf" ? u"A" : u"C");
    }
    auto names = Values(u"LastName");
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    EXPECT_FALSE(run.Counts().stopReason.empty());
    EXPECT_EQ(1, progress.ends);
}

TEST_F(ImportRunTest, DirectoryChangingBetweenThePasses) {
    dir.Write("a.vcf", Named("A", "F", "", ""));
    // More cards by the import pass than the count found: all are imported
    // once, the bar stops at its end.
    progress.onStart = [&] {
        dir.Write("b.vcf", Named("B", "F", "", "") + Named("C", "F", "", ""));
    };
    ASSERT_EQ(0, Import());
    EXPECT_EQ(3, Size());
    EXPECT_EQ(1, progress.total);
    for (int32_t p : progress.positions)
        EXPECT_LE(p, 1);

    // Every file gone by the import pass.
    standin::StandIn fresh;
    ProgressDouble p2;
    p2.onStart = [&] {
        for (const std::string& name : dir.Names())
            std::filesystem::remove(dir.Path() / name);
    };
    run.SetProgress(&p2);
    EXPECT_EQ(0, run.ImportDirectory(dir.Str(), fresh.Contacts(), DuplicateContacts));
    EXPECT_EQ(0, fresh.Contacts().GetItems().Count());
    EXPECT_EQ(1, p2.ends);
}

TEST_F(ImportRunTest, ProgressWindowThatCannotStartImportsNothing) {
    dir.Write("a.vcf", Named("A", "F", "", ""));
    progress.startFails = true;
    EXPECT_EQ(kRunFailed, Import());
    EXPECT_EQ(0, Size());
    EXPECT_EQ(0, progress.ends);
}

TEST_F(ImportRunTest, SaveFailingUnderReplaceKeepsTheOldContact) {
    store.AddContact(
        store.Contacts(),
        {{u"FirstName", u"John"}, {u"LastName", u"Smith"}, {u"BusinessTelephoneNumber", u"111"}});
    dir.Write("one.vcf", Named("Smith", "John", "", "222") + Named("Other", "Ann", "", ""));
    store.FailMember(u"Contact", u"Save", E_FAIL);
    LONG r = 0;
    EXPECT_NO_THROW(r = Import(ReplaceExisting));
    store.ClearFailures();
    EXPECT_EQ(kRunFailed, r);
    EXPECT_EQ((std::vector<std::u16string>{u"111"}), Values(u"BusinessTelephoneNumber"));
    EXPECT_EQ((std::vector<int32_t>{1}), progress.positions);
    EXPECT_EQ(1, progress.ends);
}

struct Failure {
    const char16_t* kind;
    const char16_t* member;
    int after;
    LONG result;
    LONG contactsAfter; // of the three cards, into a folder holding one
};

TEST_F(ImportRunTest, OutlookErrorsAreContained) {
    const Failure failures[] = {
        {u"Folder", u"Items", 1, kRunFailed, 2}, // second card
        {u"Items", u"Count", 0, kRunFailed, 1},
        {u"Items", u"Item", 0, kRunFailed, 2},
        {u"Items", u"Restrict", 0, 0, 4}, // saved without a search
        {u"Items", u"Add", 0, 0, 1},      // the cards are lost, the run goes on
        {u"Contact", u"Save", 1, kRunFailed, 2},
        {u"Contact", u"Delete", 0, kRunFailed, 3},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(
            std::string(f.member, f.member + std::char_traits<char16_t>::length(f.member)));
        standin::StandIn fresh;
        fresh.AddContact(fresh.Contacts(), {{u"FirstName", u"John"},
                                            {u"LastName", u"Smith"},
                                            {u"BusinessTelephoneNumber", u"111"}});
        TempDir d;
        d.Write("x.vcf", Named("Other", "Ann", "", "5") + Named("Smith", "John", "", "222") +
                             Named("Third", "Cy", "", "7"));
        ProgressDouble p;
        run.SetProgress(&p);
        long before = fresh.LiveObjects();
        fresh.FailMember(f.kind, f.member, E_FAIL, f.after);
        LONG r = 1;
        EXPECT_NO_THROW(r = run.ImportDirectory(d.Str(), fresh.Contacts(), ReplaceExisting));
        fresh.ClearFailures();
        EXPECT_EQ(f.result, r);
        EXPECT_EQ(1, p.ends);
        EXPECT_EQ(before, fresh.LiveObjects());
        EXPECT_EQ(f.contactsAfter, fresh.Contacts().GetItems().Count());
        if (r == kRunFailed) {
            EXPECT_FALSE(run.Counts().stopReason.empty());
        }
    }
}

} // namespace
} // namespace batch

namespace batch {
namespace {

TEST(ImportRunIMAddress, ComparedThroughTheBridge) {
    struct Case {
        const char* name;
        std::u16string version;
        std::string cardAddress;
        bool failRead;
        LONG result;
        long identical;
    };
    const Case cases[] = {
        {"same", u"11.0", "john@im", false, 0, 1},
        {"other", u"11.0", "jack@im", false, 0, 0},
        {"bridge fails", u"11.0", "john@im", true, kRunFailed, 0},
        {"too long for 256 bytes", u"11.0", std::string(300, 'x'), false, kRunFailed, 0},
        {"Outlook 2000 has none", u"9.0", "jack@im", false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::StandIn store(c.version);
        auto old =
            store.AddContact(store.Contacts(), {{u"FirstName", u"John"}, {u"LastName", u"Smith"}});
        if (c.version != u"9.0") {
            ASSERT_EQ(0, OL10_setIMAddress(old.Dispatch(), "john@im"));
            old.Save();
        }
        testing::TempDir d;
        d.Write("im.vcf", Card("N:Smith;John\r\nX-OUTL-IMADDRESS:" + c.cardAddress + "\r\n"));
        testing::ProgressDouble p;
        ImportRun run(outlook::MajorVersion(c.version));
        run.SetProgress(&p);
        if (c.failRead)
            store.FailMember(u"Contact", u"IMAddress", E_FAIL, 1);
        LONG r = 1;
        EXPECT_NO_THROW(r = run.ImportDirectory(d.Str(), store.Contacts(), ReplaceExisting));
        store.ClearFailures();
        EXPECT_EQ(c.result, r);
        EXPECT_EQ(c.identical, run.Counts().identical);
        EXPECT_EQ(c.result == 0 && !c.identical ? 1 : 0, run.Counts().replaced);
        EXPECT_EQ(1, store.Contacts().GetItems().Count());
        EXPECT_EQ(1, p.ends);
    }
}

} // namespace
} // namespace batch
