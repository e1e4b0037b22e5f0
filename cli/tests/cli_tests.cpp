// End-to-end tests: they run the built command on a temporary store, with
// the settings and data directories pointed at temporary directories.
#include "standin/standin.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kCards = std::string(TP_TEST_SOURCE_DIR) + "/tests/data/cards";

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

std::vector<std::string> Split(const std::string& line, char sep = '\t') {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t p = line.find(sep, start);
        out.push_back(line.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return out;
        start = p + 1;
    }
}

std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tallyport-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* d : {"config", "data", "home", "out", "out2"})
            fs::create_directories(root_ / d);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Store() const { return root_ / "data" / "tallyport" / "contacts.db"; }
    fs::path Out() const { return root_ / "out"; }

    // Starts tallyport with the given arguments in `cwd` (default: the temp root).
    pid_t Start(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& extraEnv = {}, fs::path cwd = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string kv = *e;
            std::string key = kv.substr(0, kv.find('='));
            if (key == "XDG_CONFIG_HOME" || key == "XDG_DATA_HOME" || key == "HOME" ||
                key == "TALLYPORT_STORE" || extraEnv.count(key))
                continue;
            env.push_back(kv);
        }
        env.push_back("XDG_CONFIG_HOME=" + (root_ / "config").string());
        env.push_back("XDG_DATA_HOME=" + (root_ / "data").string());
        env.push_back("HOME=" + (root_ / "home").string());
        for (const auto& kv : extraEnv)
            env.push_back(kv.first + "=" + kv.second);

        std::vector<std::string> argv = {TALLYPORT_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        if (cwd.empty())
            cwd = root_;
        const fs::path outPath = root_ / "stdout.txt", errPath = root_ / "stderr.txt";
        pid_t pid = fork();
        if (pid == 0) {
            int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int in = open("/dev/null", O_RDONLY);
            if (o < 0 || e < 0 || in < 0 || chdir(cwd.c_str()) != 0)
                _exit(127);
            dup2(in, 0);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char*> a, v;
            for (auto& s : argv)
                a.push_back(s.data());
            a.push_back(nullptr);
            for (auto& s : env)
                v.push_back(s.data());
            v.push_back(nullptr);
            execve(a[0], a.data(), v.data());
            _exit(127);
        }
        return pid;
    }

    Result Finish(pid_t pid) {
        Result r;
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ReadFile(root_ / "stdout.txt");
        r.err = ReadFile(root_ / "stderr.txt");
        return r;
    }

    Result Run(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& extraEnv = {}, fs::path cwd = {}) {
        return Finish(Start(args, extraEnv, cwd));
    }

    // Runs a command that must succeed.
    Result Ok(const std::vector<std::string>& args) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }

    // The list output as rows of fields (header first).
    std::vector<std::vector<std::string>> List(const std::string& fields) {
        Result r = Ok({"list", "--fields", fields});
        std::vector<std::vector<std::string>> rows;
        for (const std::string& l : Lines(r.out))
            rows.push_back(Split(l));
        return rows;
    }

    fs::path MakeCardDir(const std::string& name, const std::string& file,
                         const std::string& text) {
        fs::path d = root_ / name;
        fs::create_directories(d);
        WriteFile(d / file, text);
        return d;
    }

    fs::path root_;
};

const char kSmithWorkPhone[] = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;John\r\nORG:Acme Ltd\r\n"
                               "TEL;WORK:+1 555 0100\r\nEND:VCARD\r\n";
const char kSmithOtherPhone[] = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;John\r\nORG:Acme Ltd\r\n"
                                "TEL;WORK:+1 555 0999\r\nEND:VCARD\r\n";

TEST_F(Cli, ImportThenListShowsTheCards) {
    Result r = Run({"import", kCards});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("3 cards: 3 saved, 0 skipped as identical"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(Store()));

    auto rows = List("FileAs,FullName,CompanyName,Email1Address,Birthday,Body,HomeTelephoneNumber");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"FileAs", "FullName", "CompanyName", "Email1Address",
                                        "Birthday", "Body", "HomeTelephoneNumber"}));
    std::map<std::string, std::vector<std::string>> byFileAs;
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 7u);
        byFileAs[rows[i][0]] = rows[i];
    }
    ASSERT_EQ(byFileAs.count("Smith, John"), 1u);
    const auto& smith = byFileAs["Smith, John"];
    EXPECT_EQ(smith[1], "John Smith");
    EXPECT_EQ(smith[2], "Acme Ltd");
    EXPECT_EQ(smith[3], "john.smith@acme.example");
    EXPECT_EQ(smith[4], "1980-03-15");
    // CR LF, a tab and a backslash come out escaped, so the item stays one line.
    EXPECT_EQ(smith[5], "Line one\\r\\nLine\\ttwo with C:\\\\path");
    ASSERT_EQ(byFileAs.count("Doe, Jane"), 1u);
    EXPECT_EQ(byFileAs["Doe, Jane"][4], ""); // no birthday
    EXPECT_EQ(byFileAs["Doe, Jane"][6], "+1 555 0200");
    ASSERT_EQ(byFileAs.count("Corner Bakery"), 1u);
    EXPECT_EQ(byFileAs["Corner Bakery"][1], "");

    // The default fields.
    Result plain = Ok({"list"});
    EXPECT_EQ(Lines(plain.out).at(0),
              "FileAs\tFullName\tCompanyName\tEmail1Address\tBusinessTelephoneNumber");
    EXPECT_EQ(Lines(plain.out).size(), 4u);
}

TEST_F(Cli, ImportingTheSameCardsAgainSkipsThemAsIdentical) {
    Ok({"import", kCards});
    Result again = Ok({"import", kCards});
    EXPECT_NE(again.err.find("3 cards: 0 saved, 3 skipped as identical"), std::string::npos)
        << again.err;
    EXPECT_EQ(List("FileAs").size(), 4u);
}

TEST_F(Cli, ThePoliciesDecideWhatHappensToAMatchingContact) {
    struct Case {
        const char* policy;
        std::vector<std::string> phones; // business phones afterwards, sorted
        const char* summary;
    } cases[] = {
        {"duplicate", {"+1 555 0100", "+1 555 0999"}, "1 card: 1 saved, 0 skipped as identical"},
        {"replace", {"+1 555 0999"}, "1 replaced"},
        {"leave", {"+1 555 0100"}, "1 card: 0 saved, 0 skipped as identical"},
    };
    fs::path first = MakeCardDir("first", "smith.vcf", kSmithWorkPhone);
    fs::path second = MakeCardDir("second", "smith.vcf", kSmithOtherPhone);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.policy);
        fs::remove_all(Store().parent_path());
        Ok({"import", first.string()});
        Result r = Ok({"import", "--policy", c.policy, second.string()});
        EXPECT_NE(r.err.find(c.summary), std::string::npos) << r.err;
        auto rows = List("BusinessTelephoneNumber");
        std::vector<std::string> phones;
        for (size_t i = 1; i < rows.size(); ++i)
            phones.push_back(rows[i].at(0));
        std::sort(phones.begin(), phones.end());
        EXPECT_EQ(phones, c.phones);
        // Under every policy an identical card is skipped.
        Result same = Ok({"import", "--policy", c.policy, second.string()});
        EXPECT_EQ(List("BusinessTelephoneNumber").size(), rows.size());
    }
}

TEST_F(Cli, ExportWritesOneFilePerContactAndNeverOverwrites) {
    Ok({"import", kCards});
    Result r = Ok({"export", Out().string()});
    EXPECT_NE(r.err.find("3 contacts exported to 3 files in " + Out().string()), std::string::npos)
        << r.err;
    EXPECT_EQ(FilesIn(Out()),
              (std::vector<std::string>{"Corner Bakery.vcf", "Doe, Jane.vcf", "Smith, John.vcf"}));
    const std::string smith = ReadFile(Out() / "Smith, John.vcf");
    EXPECT_EQ(smith.rfind("BEGIN:VCARD\r\nVERSION:2.1\r\n", 0), 0u) << smith;

    // A second export takes the next free names.
    Ok({"export", "--version", "3.0", Out().string()});
    EXPECT_EQ(FilesIn(Out()).size(), 6u);
    EXPECT_EQ(ReadFile(Out() / "Smith, John.vcf"), smith);
    EXPECT_NE(ReadFile(Out() / "Smith, John(1).vcf").find("VERSION:3.0\r\n"), std::string::npos);
}

TEST_F(Cli, ExportedCardsImportBackToTheSameContacts) {
    const std::string fields = "FileAs,FullName,CompanyName,Email1Address,Birthday,Body,"
                               "BusinessTelephoneNumber,HomeTelephoneNumber";
    Ok({"import", kCards});
    auto before = List(fields);
    for (const char* version : {"2.1", "3.0"}) {
        SCOPED_TRACE(version);
        fs::remove_all(Out());
        fs::create_directories(Out());
        Ok({"export", "--version", version, Out().string()});
        fs::path saved = root_ / "saved.db";
        fs::remove_all(Store().parent_path());
        Ok({"import", Out().string()});
        auto after = List(fields);
        std::sort(before.begin() + 1, before.end());
        std::sort(after.begin() + 1, after.end());
        EXPECT_EQ(after, before);
    }
}

TEST_F(Cli, OneFileExportIsNamedAfterTheFolder) {
    Ok({"import", kCards});
    Result r = Ok({"export", "--one-file", Out().string()});
    EXPECT_NE(r.err.find("3 contacts exported to 1 file in"), std::string::npos) << r.err;
    ASSERT_EQ(FilesIn(Out()), std::vector<std::string>{"Contacts.vcf"});
    const std::string text = ReadFile(Out() / "Contacts.vcf");
    size_t cards = 0;
    for (size_t p = text.find("BEGIN:VCARD"); p != std::string::npos;
         p = text.find("BEGIN:VCARD", p + 1))
        ++cards;
    EXPECT_EQ(cards, 3u);
}

// The text of an exported file without its REV line (the time of the export).
std::string WithoutRev(const std::string& text) {
    std::string out;
    for (const std::string& line : Lines(text)) {
        if (line.rfind("REV:", 0) != 0)
            out += line + "\n";
    }
    return out;
}

TEST_F(Cli, TheOneFileExportHoldsTheCardsOfThePerContactFilesInFolderOrder) {
    Ok({"import", kCards});
    for (const char* version : {"2.1", "3.0"}) {
        SCOPED_TRACE(version);
        fs::path each = root_ / (std::string("each") + version);
        fs::path one = root_ / (std::string("one") + version);
        fs::create_directories(each);
        fs::create_directories(one);
        Ok({"export", "--version", version, each.string()});
        Ok({"export", "--version", version, "--one-file", one.string()});
        std::string joined;
        auto rows = List("FileAs");
        for (size_t i = 1; i < rows.size(); ++i)
            joined += ReadFile(each / (rows[i].at(0) + ".vcf"));
        EXPECT_EQ(WithoutRev(ReadFile(one / "Contacts.vcf")), WithoutRev(joined));
        const std::string smith = ReadFile(each / "Smith, John.vcf");
        EXPECT_NE(smith.find("\r\nN:Smith;John;;;\r\n"), std::string::npos) << smith;
        EXPECT_NE(smith.find("\r\nORG:Acme Ltd"), std::string::npos) << smith;
        EXPECT_EQ(smith.substr(smith.size() - 11), "END:VCARD\r\n");
    }
}

TEST_F(Cli, SelectExportsTheNamedContactsInTheOrderGiven) {
    Ok({"import", kCards});
    Result r = Ok({"export", "--one-file", "--select", "Smith, John", "--select", "Corner Bakery",
                   Out().string()});
    EXPECT_NE(r.err.find("2 contacts exported to 1 file"), std::string::npos) << r.err;
    const std::string text = ReadFile(Out() / "Contacts.vcf");
    size_t smith = text.find("Smith");
    size_t bakery = text.find("Corner Bakery");
    ASSERT_NE(smith, std::string::npos);
    ASSERT_NE(bakery, std::string::npos);
    EXPECT_LT(smith, bakery);
    EXPECT_EQ(text.find("Doe"), std::string::npos);

    Ok({"export", "--select", "Doe, Jane", (root_ / "out2").string()});
    EXPECT_EQ(FilesIn(root_ / "out2"), std::vector<std::string>{"Doe, Jane.vcf"});

    // A name that files no contact exports nothing.
    fs::path empty = root_ / "empty";
    fs::create_directories(empty);
    Result bad = Run({"export", "--select", "Smith, John", "--select", "Nobody", empty.string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("Nobody"), std::string::npos) << bad.err;
    EXPECT_TRUE(FilesIn(empty).empty());
}

TEST_F(Cli, TheDirectoryIsRememberedPerCommand) {
    // Given as a relative path, remembered so that it works from elsewhere.
    fs::create_directories(root_ / "rel" / "cards");
    fs::copy(kCards, root_ / "rel" / "cards");
    Result r = Run({"import", "cards"}, {}, root_ / "rel");
    ASSERT_EQ(r.status, 0) << r.err;
    Result again = Run({"import"}, {}, root_ / "home");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("3 skipped as identical"), std::string::npos) << again.err;

    // The export has its own directory; none is remembered yet.
    Result none = Run({"export"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("remembered"), std::string::npos) << none.err;
    Ok({"export", Out().string()});
    Ok({"export", "--one-file"});
    EXPECT_TRUE(fs::exists(Out() / "Contacts.vcf"));

    // A remembered directory that has gone is refused.
    fs::remove_all(Out());
    Result gone = Run({"export"});
    EXPECT_EQ(gone.status, 2);
    EXPECT_NE(gone.err.find("not an existing directory"), std::string::npos) << gone.err;
}

TEST_F(Cli, BadUsageExitsWithTwoAndChangesNothing) {
    Ok({"import", kCards});
    const std::string fields = "FileAs,FullName,CompanyName,Email1Address,"
                               "BusinessTelephoneNumber,HomeTelephoneNumber,Body";
    auto before = List(fields);
    const std::string missing = (root_ / "no-such-dir").string();
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "frobnicate"},
        {{"import", "--bogus", kCards}, "--bogus"},
        {{"import", "--policy", "merge", kCards}, "merge"},
        {{"import", "--policy"}, "--policy"},
        {{"import", "--select", "x", kCards}, "--select"},
        {{"import", kCards, kCards}, "unexpected"},
        {{"import", missing}, "not an existing directory"},
        {{"import", "--folder", "\\\\Personal Folders\\Nowhere", kCards}, "Nowhere"},
        {{"import", "--folder", "\\\\Personal Folders\\Inbox", kCards},
         "Chosen folder is not Contact's folder"},
        {{"export", "--version", "4.0", Out().string()}, "4.0"},
        {{"export", "--one-file=yes", Out().string()}, "--one-file"},
        {{"export", "--folder", "\\\\Personal Folders\\Calendar", Out().string()},
         "Chosen folder is not Contact's folder"},
        {{"list", "--fields", "FileAs,NoSuchProperty"}, "NoSuchProperty"},
        {{"list", "--fields", "FileAs,,FullName"}, "--fields"},
        {{"list", "extra"}, "extra"},
        {{"folders", "--folder", "x"}, "--folder"},
        {{"--outlook-version", "8.0", "list"}, "8.0"},
        {{"--store", "", "list"}, "--store"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("tallyport: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
    }
    EXPECT_EQ(List(fields), before);
    EXPECT_TRUE(FilesIn(Out()).empty());
}

TEST_F(Cli, AFileThatIsNotAStoreIsRefusedAndLeftAlone) {
    const fs::path file = root_ / "notes.txt";
    const std::string text = "These are my notes, not a contacts store.\n";
    WriteFile(file, text);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--store", file.string(), "list"}, {"--store", file.string(), "import", kCards}}) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(ReadFile(file), text);
    }
    Result env = Run({"list"}, {{"TALLYPORT_STORE", file.string()}});
    EXPECT_EQ(env.status, 2);
    EXPECT_EQ(ReadFile(file), text);
    EXPECT_FALSE(fs::exists(Store()));
}

TEST_F(Cli, TheStoreComesFromTheOptionTheEnvironmentOrTheDefault) {
    const fs::path byOption = root_ / "option.db", byEnv = root_ / "env.db";
    Result r = Run({"--store", byOption.string(), "import", kCards},
                   {{"TALLYPORT_STORE", byEnv.string()}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(byOption));
    EXPECT_FALSE(fs::exists(byEnv));
    EXPECT_FALSE(fs::exists(Store()));

    Result env = Run({"list"}, {{"TALLYPORT_STORE", byEnv.string()}});
    ASSERT_EQ(env.status, 0) << env.err;
    EXPECT_EQ(Lines(env.out).size(), 1u); // a new store: only the header
    EXPECT_TRUE(fs::exists(byEnv));

    Result opt = Run({"list", "--store", byOption.string()});
    EXPECT_EQ(Lines(opt.out).size(), 4u);
}

TEST_F(Cli, FoldersShowsTheTreeAndFolderChoosesAContactsFolder) {
    Ok({"import", kCards});
    Result r = Ok({"folders"});
    auto lines = Lines(r.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "\\\\Personal Folders\\Contacts\tcontact\t3"),
              lines.end())
        << r.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "\\\\Personal Folders\\Inbox\tmail\t0"),
              lines.end())
        << r.out;
    // The leading backslashes may be left out and letter case does not matter.
    Result list = Ok({"list", "--folder", "personal folders\\contacts"});
    EXPECT_EQ(Lines(list.out).size(), 4u);
}

TEST_F(Cli, OutlookVersionDecidesWhetherTheImAddressExists) {
    fs::path d = MakeCardDir("im", "im.vcf",
                             "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Im;Ann\r\n"
                             "X-OUTL-IMADDRESS:ann@im.example\r\nEND:VCARD\r\n");
    Ok({"import", d.string()});
    auto rows = List("FileAs,IMAddress");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].at(1), "ann@im.example");
    Result old = Run({"--outlook-version", "9.0.0.2711", "list", "--fields", "IMAddress"});
    EXPECT_EQ(old.status, 2) << old.err;
}

TEST_F(Cli, HelpAnswersForEveryCommand) {
    Result top = Ok({"--help"});
    EXPECT_NE(top.out.find("Usage: tallyport"), std::string::npos);
    for (const char* cmd : {"import", "export", "folders", "list"}) {
        SCOPED_TRACE(cmd);
        Result r = Ok({cmd, "--help"});
        EXPECT_NE(r.out.find(std::string("Usage: tallyport ") + cmd), std::string::npos);
        EXPECT_NE(r.out.find("Example"), std::string::npos);
        EXPECT_EQ(Ok({"help", cmd}).out, r.out);
    }
    EXPECT_FALSE(fs::exists(Store()));
}

TEST_F(Cli, ADistributionListShowsOnlyItsNameAndIsNotExported) {
    {
        fs::create_directories(Store().parent_path());
        std::string error;
        auto store = standin::StandIn::OpenStore(Store().string(), u"11.0.0.8010", &error);
        ASSERT_TRUE(store) << error;
        store->AddContact(
            store->Contacts(),
            {{u"FirstName", u"Ann"}, {u"LastName", u"Lee"}, {u"CompanyName", u"Lee & Co"}});
        store->AddDistList(store->Contacts(), u"Team A");
    }
    auto rows = List("FileAs,FullName,CompanyName");
    ASSERT_EQ(rows.size(), 3u);
    std::vector<std::vector<std::string>> items(rows.begin() + 1, rows.end());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items[0], (std::vector<std::string>{"Lee, Ann", "Ann Lee", "Lee & Co"}));
    EXPECT_EQ(items[1], (std::vector<std::string>{"Team A", "", ""}));

    Result r = Ok({"export", Out().string()});
    EXPECT_NE(r.err.find("1 contact exported to 1 file"), std::string::npos) << r.err;
    EXPECT_EQ(FilesIn(Out()), std::vector<std::string>{"Lee, Ann.vcf"});

    Result bad = Run({"export", "--select", "Team A", (root_ / "out2").string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("distribution list"), std::string::npos) << bad.err;
    EXPECT_TRUE(FilesIn(root_ / "out2").empty());
}

TEST_F(Cli, AnEmptyDirectoryOrFolderIsReported) {
    fs::path empty = root_ / "empty";
    fs::create_directories(empty);
    Result none = Run({"import", empty.string()});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("no .vcf files"), std::string::npos) << none.err;

    fs::path broken = MakeCardDir("broken", "half.vcf", "BEGIN:VCARD\r\nN:Half;Card\r\n");
    Result half = Run({"import", broken.string()});
    EXPECT_EQ(half.status, 2);
    EXPECT_NE(half.err.find("no complete card"), std::string::npos) << half.err;

    Result r = Ok({"export", Out().string()});
    EXPECT_NE(r.err.find("0 contacts exported to 0 files"), std::string::npos) << r.err;
    EXPECT_TRUE(FilesIn(Out()).empty());
}

TEST_F(Cli, AFileThatCannotBeReadStopsTheImportWithStatusOne) {
    fs::path d = MakeCardDir("locked", "a.vcf", kSmithWorkPhone);
    fs::create_directories(d / "b.vcf"); // listed like a file, cannot be read as one
    Result r = Run({"import", d.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("tallyport: import stopped: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("b.vcf"), std::string::npos) << r.err;
    // The directory ran, so it is remembered.
    Result again = Run({"import"});
    EXPECT_EQ(again.status, 1) << again.err;
}

TEST_F(Cli, CtrlCStopsTheImportAfterTheCardInProgress) {
    Ok({"folders"}); // the store exists before the import starts
    fs::path many = root_ / "many";
    fs::create_directories(many);
    const int total = 20000;
    std::string text;
    for (int i = 0; i < total; ++i)
        text += "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Person;Number " + std::to_string(i) +
                "\r\nTEL;WORK:" + std::to_string(100000 + i) + "\r\nEND:VCARD\r\n";
    WriteFile(many / "many.vcf", text);

    pid_t pid = Start({"import", many.string()});
    // Ctrl-C once the first cards are saved (the store's journal has grown).
    const fs::path wal = Store().string() + "-wal";
    bool started = false;
    for (int i = 0; i < 2000 && !started; ++i) {
        std::error_code ec;
        started = fs::exists(wal, ec) && fs::file_size(wal, ec) > 0;
        if (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, SIGINT);
    Result r = Finish(pid);
    if (!started)
        GTEST_SKIP() << "the import gave no sign of saving";
    if (r.status == 0)
        GTEST_SKIP() << "the import ended before Ctrl-C arrived";
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
    // The cards finished before the stop are saved; the rest are not read.
    size_t saved = List("FileAs").size() - 1;
    EXPECT_GT(saved, 0u);
    EXPECT_LT(saved, static_cast<size_t>(total));
    EXPECT_NE(r.err.find(std::to_string(saved) + " saved"), std::string::npos) << r.err;
}

} // namespace
