// The command's pieces in process: the command line, the list's text, and
// the folder paths over the in-memory stand-in.
#include "cli/folders.h"
#include "cli/listing.h"
#include "cli/options.h"
#include "cli/remembered.h"
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using cli::Command;

TEST(CommandLine, ParsesWhatEachCommandTakes) {
    struct Case {
        std::vector<std::string> args;
        Command command;
        std::string dir, folder, version, store;
        int policy;
        bool oneFile;
        std::vector<std::string> select, fields;
    } cases[] = {
        {{"import", "cards"}, Command::Import, "cards", "", "2.1", "", 0, false, {}, {}},
        {{"import", "--policy", "replace", "--folder", "\\\\P\\C"},
         Command::Import,
         "",
         "\\\\P\\C",
         "2.1",
         "",
         1,
         false,
         {},
         {}},
        {{"--store", "s.db", "import", "--policy=leave", "d"},
         Command::Import,
         "d",
         "",
         "2.1",
         "s.db",
         2,
         false,
         {},
         {}},
        {{"export", "--version", "3.0", "--one-file", "--select", "A", "--select", "B, C", "out"},
         Command::Export,
         "out",
         "",
         "3.0",
         "",
         0,
         true,
         {"A", "B, C"},
         {}},
        // Global options may also follow the command; "--" ends the options.
        {{"export", "--store", "x.db", "--", "-dir"},
         Command::Export,
         "-dir",
         "",
         "2.1",
         "x.db",
         0,
         false,
         {},
         {}},
        {{"list", "--fields", "FileAs, Birthday ,Body"},
         Command::List,
         "",
         "",
         "2.1",
         "",
         0,
         false,
         {},
         {"FileAs", "Birthday", "Body"}},
        {{"folders"}, Command::Folders, "", "", "2.1", "", 0, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        cli::Options o;
        std::string error;
        ASSERT_TRUE(cli::ParseCommandLine(c.args, &o, &error)) << error;
        EXPECT_EQ(o.command, c.command);
        EXPECT_EQ(o.dir, c.dir);
        EXPECT_EQ(o.folder, c.folder);
        EXPECT_EQ(o.version, c.version);
        EXPECT_EQ(o.store, c.store);
        EXPECT_EQ(o.policy, c.policy);
        EXPECT_EQ(o.oneFile, c.oneFile);
        EXPECT_EQ(o.select, c.select);
        EXPECT_EQ(o.fields, c.fields);
    }
}

TEST(CommandLine, HelpWinsAndNamesItsCommand) {
    struct Case {
        std::vector<std::string> args;
        Command helpFor;
    } cases[] = {{{"--help"}, Command::None},
                 {{"-h"}, Command::None},
                 {{"help"}, Command::None},
                 {{"export", "--help"}, Command::Export},
                 {{"help", "list"}, Command::List},
                 {{"import", "--policy", "bogus", "--help"}, Command::Import}};
    for (const Case& c : cases) {
        cli::Options o;
        std::string error;
        ASSERT_TRUE(cli::ParseCommandLine(c.args, &o, &error)) << error;
        EXPECT_EQ(o.command, Command::Help);
        EXPECT_EQ(o.helpFor, c.helpFor);
        EXPECT_NE(cli::HelpText(c.helpFor).find("Example"), std::string::npos);
    }
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nothing"},
        {"import", "--version", "3.0"},
        {"import", "--policy", "Duplicate"},
        {"export", "--version", "3"},
        {"export", "--select"},
        {"export", "a", "b"},
        {"export", "--folder", "x", "--folder", "y"},
        {"list", "--fields", ","},
        {"list", "dir"},
        {"folders", "--policy", "leave"},
        {"help", "frob"},
        {"import", ""},
        {"-x", "list"},
    };
    for (const auto& args : cases) {
        cli::Options o;
        std::string error;
        EXPECT_FALSE(cli::ParseCommandLine(args, &o, &error)) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(ListText, EscapesTheCharactersThatWouldBreakALine) {
    struct Case {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"plain", "plain"},
        {u"a\\b", "a\\\\b"},
        {u"tab\there", "tab\\there"},
        {u"one\r\ntwo\nthree\rfour", "one\\r\\ntwo\\nthree\\rfour"},
        {u"caf\u00e9 \u20ac \u65e5", "caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5"},
        {u"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::EscapeField(c.in), c.out);
}

TEST(ListText, FormatsDatesAsYearMonthDay) {
    struct Case {
        double date;
        std::string out;
    } cases[] = {
        {29295.0, "1980-03-15"},
        {38488.5, "2005-05-16"},
        {0.0, "1899-12-30"},
        {949998.0, ""},
        {-1e12, ""},
        {36585.0, "2000-02-29"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::FormatDate(c.date), c.out) << c.date;
    EXPECT_EQ(cli::FormatValue(com::Variant::Date(29295.0)), "1980-03-15");
    EXPECT_EQ(cli::FormatValue(com::Variant::Text(u"x\ty")), "x\\ty");
    EXPECT_EQ(cli::FormatValue(com::Variant()), "");
}

TEST(FolderPaths, ShowTheTreeAndFindFoldersByPath) {
    standin::StandIn outlook;
    outlook::MAPIFolder clients = outlook.AddFolder(outlook.Contacts(), u"Clients", 2);
    outlook::MAPIFolder archive = outlook.AddFolder(clients, u"Archive 2004", 2);
    EXPECT_EQ(cli::FolderDisplayPath(outlook.Root()), u"\\\\Personal Folders");
    EXPECT_EQ(cli::FolderDisplayPath(outlook.Contacts()), u"\\\\Personal Folders\\Contacts");
    EXPECT_EQ(cli::FolderDisplayPath(archive),
              u"\\\\Personal Folders\\Contacts\\Clients\\Archive 2004");

    std::vector<std::u16string> paths;
    for (const cli::FolderEntry& e : cli::AllFolders(outlook.Session()))
        paths.push_back(e.path);
    for (const char16_t* p : {u"\\\\Personal Folders", u"\\\\Personal Folders\\Contacts",
                              u"\\\\Personal Folders\\Contacts\\Clients",
                              u"\\\\Personal Folders\\Inbox", u"\\\\Personal Folders\\Calendar"})
        EXPECT_NE(std::find(paths.begin(), paths.end(), p), paths.end());

    struct Case {
        std::u16string path;
        cli::FindResult result;
        std::u16string found;
    } cases[] = {
        {u"\\\\Personal Folders\\Contacts\\Clients", cli::FindResult::Found,
         u"\\\\Personal Folders\\Contacts\\Clients"},
        {u"Personal Folders\\Contacts\\Clients\\", cli::FindResult::Found,
         u"\\\\Personal Folders\\Contacts\\Clients"},
        {u"\\\\personal folders\\INBOX", cli::FindResult::Found, u"\\\\Personal Folders\\Inbox"},
        {u"\\\\Personal Folders\\Clients", cli::FindResult::NotFound, u""},
        {u"\\\\Other\\Contacts", cli::FindResult::NotFound, u""},
    };
    for (const Case& c : cases) {
        outlook::MAPIFolder f;
        EXPECT_EQ(cli::FindFolder(outlook.Session(), c.path, &f), c.result);
        if (c.result == cli::FindResult::Found) {
            EXPECT_EQ(cli::FolderDisplayPath(f), c.found);
        }
    }

    // Two folders that differ only in letter case: exact wins, otherwise ambiguous.
    outlook.AddFolder(outlook.Root(), u"work", 2);
    outlook.AddFolder(outlook.Root(), u"Work", 2);
    outlook::MAPIFolder f;
    EXPECT_EQ(cli::FindFolder(outlook.Session(), u"\\\\Personal Folders\\Work", &f),
              cli::FindResult::Found);
    EXPECT_EQ(cli::FindFolder(outlook.Session(), u"\\\\Personal Folders\\WORK", &f),
              cli::FindResult::Ambiguous);
}

TEST(RememberedDirectories, KeepEachValueAndReadWhatCannotBeUsedAsEmpty) {
    char pattern[] = "/tmp/tallyport-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    {
        cli::Remembered settings;
        EXPECT_EQ(settings.Read("ImportFolder"), ""); // nothing yet
        settings.Write("ImportFolder", "/home/a/cards=2004");
        settings.Write("ExportFolder", "/tmp/out");
        settings.Write("ImportFolder", "/home/a/new cards");
        EXPECT_EQ(settings.Read("ImportFolder"), "/home/a/new cards");
        EXPECT_EQ(settings.Read("ExportFolder"), "/tmp/out");
        settings.Write("ExportFolder", "two\nlines"); // cannot be kept: ignored
        EXPECT_EQ(settings.Read("ExportFolder"), "/tmp/out");
        settings.Write("ExportFolder", "");
        EXPECT_EQ(settings.Read("ExportFolder"), "");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/tallyport"),
                                std::filesystem::directory_iterator()),
                  1); // no temporary file is left behind

        // A value longer than a directory field holds, and lines that are no
        // values, read as empty.
        std::ofstream(root + "/tallyport/settings")
            << "garbage\nImportFolder=" << std::string(260, 'x') << "\nExportFolder=/ok\n";
        EXPECT_EQ(settings.Read("ImportFolder"), "");
        EXPECT_EQ(settings.Read("ExportFolder"), "/ok");
    }
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(root);
}

} // namespace
