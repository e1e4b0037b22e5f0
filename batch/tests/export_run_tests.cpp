// The export run against the Outlook stand-in: what files it makes, how it
// names them, where it stops, and that no error escapes it.
#include "batch/export_run.h"

#include "batch/tests/progress_double.h"
#include "batch/tests/test_support.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

namespace batch {
namespace {

using testing::CountOf;
using testing::ProgressDouble;
using testing::TempDir;

class ExportRunTest : public ::testing::Test {
protected:
    ExportRunTest() { run.SetProgress(&progress); }

    outlook::ContactItem Contact(std::u16string_view first, std::u16string_view last) {
        return store.AddContact(store.Contacts(), {{u"FirstName", first}, {u"LastName", last}});
    }
    outlook::ContactItem FiledAs(std::u16string_view fileAs) {
        return store.AddContact(store.Contacts(), {{u"LastName", u"X"}, {u"FileAs", fileAs}});
    }

    standin::StandIn store;
    ProgressDouble progress;
    ExportRun run;
    TempDir dir;
};

TEST_F(ExportRunTest, FolderSkipsDistributionListsAndBarJumps) {
    Contact(u"Ann", u"Able");
    store.AddDistList(store.Contacts(), u"Team");
    Contact(u"Bob", u"Baker");
    EXPECT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "3.0", false));
    EXPECT_EQ((std::vector<std::string>{"Able, Ann.vcf", "Baker, Bob.vcf"}), dir.Names());
    EXPECT_EQ((std::vector<int32_t>{1, 3}), progress.positions);
    EXPECT_EQ(IDS_PROGRESS_EXPORTING, progress.caption);
    EXPECT_EQ(3, progress.total);
    EXPECT_EQ(1, progress.ends);
    EXPECT_EQ(2, run.Counts().contacts);
    EXPECT_EQ(2, run.Counts().files);
    EXPECT_NE(std::string::npos, dir.Read("Able, Ann.vcf").find("VERSION:3.0"));
}

TEST_F(ExportRunTest, FolderOfOnlyADistributionListWritesNothing) {
    store.AddDistList(store.Contacts(), u"Team");
    EXPECT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", true));
    EXPECT_TRUE(dir.Names().empty());
    EXPECT_EQ(1, progress.starts);
    EXPECT_EQ(1, progress.ends);
}

TEST_F(ExportRunTest, SelectionEndsAtTheFirstItemThatIsNotAContact) {
    auto a = Contact(u"Ann", u"Able");
    auto list = store.AddDistList(store.Contacts(), u"Team");
    auto b = Contact(u"Bob", u"Baker");
    store.SetSelection({a.Ptr(), list, b.Ptr()});
    EXPECT_EQ(0, run.ExportSelection(dir.Str(), store.App(), "2.1", false));
    EXPECT_EQ((std::vector<std::string>{"Able, Ann.vcf"}), dir.Names());

    TempDir other;
    store.SetSelection({list, a.Ptr()});
    EXPECT_EQ(0, run.ExportSelection(other.Str(), store.App(), "2.1", false));
    EXPECT_TRUE(other.Names().empty());
    EXPECT_EQ(2, progress.starts);
    EXPECT_EQ(2, progress.ends);
}

TEST_F(ExportRunTest, NothingToExportOpensNoWindow) {
    EXPECT_EQ(kRunFailed, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", false));
    store.SetSelection({});
    EXPECT_EQ(kRunFailed, run.ExportSelection(dir.Str(), store.App(), "2.1", false));
    EXPECT_EQ(0, progress.starts);
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(ExportRunTest, UnknownVersionTextIsRefusedAndTheFolderReleased) {
    Contact(u"Ann", u"Able");
    long before = store.LiveObjects();
    for (const char* version : {"30", "3.0 ", "2.10", "", "3"}) {
        EXPECT_EQ(E_NOTIMPL, run.ExportFolder(dir.Str(), store.Contacts(), version, false))
            << version;
        EXPECT_EQ(E_NOTIMPL, run.ExportSelection(dir.Str(), store.App(), version, false));
    }
    EXPECT_EQ(before, store.LiveObjects());
    EXPECT_EQ(0, progress.starts);
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(ExportRunTest, SameNameTwiceAndAgainNeverOverwrites) {
    Contact(u"John", u"Smith");
    Contact(u"John", u"Smith");
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", false));
    std::string first = dir.Read("Smith, John.vcf");
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "3.0", false));
    EXPECT_EQ((std::vector<std::string>{"Smith, John(1).vcf", "Smith, John(2).vcf",
                                        "Smith, John(3).vcf", "Smith, John.vcf"}),
              dir.Names());
    EXPECT_EQ(first, dir.Read("Smith, John.vcf"));

    ExportRun next;
    next.BeginForTest(dir.Str(), u"", false);
    next.SetContact(Contact(u"John", u"Smith"));
    EXPECT_EQ(dir.File("Smith, John(4).vcf"), next.MakeFileName());
}

struct NameCase {
    std::u16string fileAs;
    std::string expected;
};

TEST_F(ExportRunTest, FileNamesFromFileAs) {
    const NameCase cases[] = {
        {u"Who? A/B: Ltd", "Who_ A_B_ Ltd.vcf"},
        {u"a\\b*c\"d<e>f|g", "a_b_c_d_e_f_g.vcf"},
        {u"Smith, John\r\nAcme", "Smith, John (Acme).vcf"},
        {u"One\r\nTwo\r\nThree", "One (Two\r\nThree).vcf"},
        {u" dots. ", " dots. .vcf"},
        {u"Caf\u00e9", "Caf\xe9.vcf"},
    };
    for (const NameCase& c : cases) {
        ExportRun one;
        one.BeginForTest(dir.Str(), u"", false);
        one.SetContact(FiledAs(c.fileAs));
        std::string path;
        ASSERT_TRUE(one.ComposeFileName(0, &path));
        EXPECT_EQ(dir.File(c.expected), path);
    }
}

TEST_F(ExportRunTest, EmptyFileAsGivesDotVcfThenNumbers) {
    store.AddContact(store.Contacts(), {{u"Body", u"no name"}});
    store.AddContact(store.Contacts(), {{u"Body", u"no name either"}});
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", false));
    EXPECT_EQ((std::vector<std::string>{"(1).vcf", ".vcf"}), dir.Names());
}

TEST_F(ExportRunTest, OneFileHoldsEveryCardBackToBack) {
    Contact(u"Ann", u"Able");
    Contact(u"Bob", u"Baker");
    Contact(u"Cy", u"Cole");
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", true));
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", true));
    EXPECT_EQ((std::vector<std::string>{"Contacts(1).vcf", "Contacts.vcf"}), dir.Names());
    std::string text = dir.Read("Contacts.vcf");
    EXPECT_EQ(3u, CountOf(text, "BEGIN:VCARD"));
    EXPECT_EQ(3u, CountOf(text, "END:VCARD\r\nBEGIN:VCARD") + 1);
    EXPECT_EQ(text.size() - 11, text.rfind("END:VCARD\r\n"));
    EXPECT_EQ(1, run.Counts().files);
    EXPECT_EQ(3, run.Counts().contacts);
}

TEST_F(ExportRunTest, OneFileSelectionIsNamedAfterTheCurrentFolder) {
    auto folder = store.AddFolder(store.Root(), u"Clients: A/B", 2);
    auto a = store.AddContact(folder, {{u"LastName", u"A"}});
    store.SetCurrentFolder(folder);
    store.SetSelection({a.Ptr()});
    ASSERT_EQ(0, run.ExportSelection(dir.Str(), store.App(), "3.0", true));
    EXPECT_EQ((std::vector<std::string>{"Clients_ A_B.vcf"}), dir.Names());
}

TEST_F(ExportRunTest, CancelFinishesTheCardInProgress) {
    for (bool oneFile : {false, true}) {
        TempDir out;
        ProgressDouble p;
        p.cancelAtTest = 2;
        run.SetProgress(&p);
        if (!oneFile) {
            for (int i = 0; i < 4; ++i)
                Contact(u"N" + std::u16string(1, static_cast<char16_t>(u'a' + i)), u"L");
        }
        ASSERT_EQ(0, run.ExportFolder(out.Str(), store.Contacts(), "2.1", oneFile));
        EXPECT_TRUE(run.Counts().cancelled);
        EXPECT_EQ(2, run.Counts().contacts);
        EXPECT_EQ((std::vector<int32_t>{1}), p.positions);
        EXPECT_EQ(1, p.ends);
        if (oneFile) {
            std::string text = out.Read("Contacts.vcf");
            EXPECT_EQ(2u, CountOf(text, "BEGIN:VCARD"));
            EXPECT_EQ(2u, CountOf(text, "END:VCARD\r\n"));
        } else {
            EXPECT_EQ(2u, out.Names().size());
        }
    }
}

TEST_F(ExportRunTest, DirectoryThatDoesNotExistStopsAtTheFirstFile) {
    Contact(u"Ann", u"Able");
    Contact(u"Bob", u"Baker");
    std::string missing = dir.File("missing");
    EXPECT_EQ(0, run.ExportFolder(missing, store.Contacts(), "2.1", false));
    EXPECT_EQ(0, run.Counts().files);
    EXPECT_FALSE(run.Counts().stopReason.empty());
    EXPECT_TRUE(progress.positions.empty());
    EXPECT_EQ(1, progress.ends);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(ExportRunTest, ProgressWindowThatCannotOpenWritesNothing) {
    Contact(u"Ann", u"Able");
    progress.startFails = true;
    EXPECT_EQ(kRunFailed, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", false));
    EXPECT_TRUE(dir.Names().empty());
    EXPECT_EQ(0, progress.ends);
}

TEST_F(ExportRunTest, LongPathsAreShortenedKeepingNumberAndExtension) {
    // A directory name that leaves room for about 20 characters.
    std::string longDir = dir.Str();
    longDir += platform::PathSeparator();
    longDir += std::string(platform::kMaxPath - 1 - longDir.size() - 1 - 20, 'd');
    run.BeginForTest(longDir, u"", false);
    run.SetContact(FiledAs(u"A rather long name that cannot fit entirely"));
    for (int number : {0, 3, 12}) {
        std::string path;
        ASSERT_TRUE(run.ComposeFileName(number, &path));
        EXPECT_LE(path.size(), platform::kMaxPath - 1);
        std::string tail = number ? "(" + std::to_string(number) + ").vcf" : ".vcf";
        EXPECT_EQ(tail, path.substr(path.size() - tail.size()));
        EXPECT_NE(std::string::npos, path.find(longDir));
        EXPECT_NE(std::string::npos, path.find("A rather"));
    }
    // No room for even one character of the name.
    std::string fullDir = dir.Str();
    fullDir += platform::PathSeparator();
    fullDir += std::string(platform::kMaxPath - 1 - fullDir.size() - 1 - 4, 'd');
    run.BeginForTest(fullDir, u"", false);
    std::string path;
    EXPECT_FALSE(run.ComposeFileName(0, &path));
    EXPECT_EQ(-1, run.MakeFileName(0, &path));
    EXPECT_EQ("", run.MakeFileName());
}

TEST_F(ExportRunTest, TooLongDirectoryStopsTheRunLikeAnUncreatableFile) {
    Contact(u"Ann", u"Able");
    std::string fullDir =
        dir.Str() + platform::PathSeparator() + std::string(platform::kMaxPath, 'd');
    EXPECT_EQ(0, run.ExportFolder(fullDir, store.Contacts(), "2.1", false));
    EXPECT_EQ(0, run.Counts().files);
    EXPECT_EQ(1, progress.ends);
}

#ifndef _WIN32
TEST_F(ExportRunTest, NameTakenBetweenTestAndCreationMovesOn) {
    // A dangling link looks free to the test but cannot be created.
    std::filesystem::create_symlink(dir.File("nowhere"), dir.Path() / "Able, Ann.vcf");
    Contact(u"Ann", u"Able");
    ASSERT_EQ(0, run.ExportFolder(dir.Str(), store.Contacts(), "2.1", false));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Able, Ann(1).vcf"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "nowhere"));
}
#endif

struct Failure {
    const char16_t* kind;
    const char16_t* member;
    int after;
    bool selection;
    bool windowOpened;
};

TEST_F(ExportRunTest, OutlookErrorsAreContained) {
    const Failure failures[] = {
        {u"Folder", u"Items", 0, false, false},   {u"Items", u"Count", 0, false, false},
        {u"Items", u"Item", 1, false, true},      {u"Explorer", u"Selection", 0, true, false},
        {u"Selection", u"Count", 0, true, false}, {u"Selection", u"Item", 1, true, true},
        {u"Contact", u"*", 3, false, true},
    };
    auto a = Contact(u"Ann", u"Able");
    auto b = Contact(u"Bob", u"Baker");
    for (const Failure& f : failures) {
        for (bool oneFile : {false, true}) {
            SCOPED_TRACE(
                std::string(f.member, f.member + std::char_traits<char16_t>::length(f.member)));
            TempDir out;
            ProgressDouble p;
            run.SetProgress(&p);
            store.SetSelection({a.Ptr(), b.Ptr()});
            long before = store.LiveObjects();
            store.FailMember(f.kind, f.member, E_FAIL, f.after);
            LONG r = 0;
            EXPECT_NO_THROW(
                r = f.selection ? run.ExportSelection(out.Str(), store.App(), "2.1", oneFile)
                                : run.ExportFolder(out.Str(), store.Contacts(), "2.1", oneFile));
            store.ClearFailures();
            EXPECT_LE(r, 0);
            if (r == kRunFailed) {
                EXPECT_FALSE(run.Counts().stopReason.empty());
            }
            EXPECT_EQ(p.starts, p.ends);
            EXPECT_EQ(f.windowOpened ? 1 : 0, p.starts);
            EXPECT_EQ(before, store.LiveObjects());
            // What was written stays, and every card written is whole.
            size_t cards = 0;
            for (const std::string& name : out.Names()) {
                std::string text = out.Read(name);
                EXPECT_EQ(CountOf(text, "BEGIN:VCARD"), CountOf(text, "END:VCARD\r\n"));
                cards += CountOf(text, "BEGIN:VCARD");
            }
            EXPECT_EQ(static_cast<size_t>(run.Counts().contacts), cards);
            if (f.after == 1) {
                EXPECT_EQ(1u, cards);
            }
        }
    }
}

} // namespace
} // namespace batch
