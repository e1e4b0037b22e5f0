#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace platform;

// A directory of its own, as an ANSI path the functions take.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0; i < 100 && dir_.empty(); ++i) {
            auto candidate = base / ("tp_files_" + std::to_string(std::rand()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec))
                dir_ = candidate.string();
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string In(const std::string& name) const { return dir_ + PathSeparator() + name; }
    void Put(const std::string& name, const std::string& content) const {
        std::ofstream out(In(name), std::ios::binary);
        out << content;
    }
    std::string dir_;
};

TEST_F(Files, ReadWholeFile) {
    const std::string content = std::string("BEGIN:VCARD\r\n\0\xFF", 15) + std::string(70000, 'x');
    Put("card.vcf", content);
    Put("empty.vcf", "");
    std::string out = "old";
    EXPECT_EQ(ReadWholeFile(In("card.vcf"), &out), ReadResult::Ok);
    EXPECT_EQ(out, content);
    EXPECT_EQ(ReadWholeFile(In("empty.vcf"), &out), ReadResult::Ok);
    EXPECT_EQ(out, "");

    out = "old";
    EXPECT_EQ(ReadWholeFile(In("missing.vcf"), &out), ReadResult::CannotOpen);
    EXPECT_EQ(out, "");
    out = "old";
    EXPECT_EQ(ReadWholeFile(dir_, &out), ReadResult::CannotOpen);
    EXPECT_EQ(out, "");
}

TEST_F(Files, CreateExclusiveNeverTouchesAnExistingFile) {
    File file;
    EXPECT_FALSE(file.IsOpen());
    ASSERT_EQ(file.CreateExclusive(In("new.vcf")), File::CreateResult::Ok);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.Write("abc", 3));
    EXPECT_TRUE(file.Write("", 0));
    EXPECT_TRUE(file.Write("\r\n", 2));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.Close()) << "closing twice is harmless";
    EXPECT_FALSE(file.Write("x", 1)) << "closed";

    std::string out;
    ASSERT_EQ(ReadWholeFile(In("new.vcf"), &out), ReadResult::Ok);
    EXPECT_EQ(out, "abc\r\n");

    File again;
    EXPECT_EQ(again.CreateExclusive(In("new.vcf")), File::CreateResult::Exists);
    EXPECT_FALSE(again.IsOpen());
    ASSERT_EQ(ReadWholeFile(In("new.vcf"), &out), ReadResult::Ok);
    EXPECT_EQ(out, "abc\r\n") << "the existing content stays";

    File nowhere;
    EXPECT_EQ(nowhere.CreateExclusive(In("no-such-dir") + PathSeparator() + "a.vcf"),
              File::CreateResult::Failed);
    EXPECT_FALSE(nowhere.IsOpen());
}

TEST_F(Files, AnOpenFileMovesWithItsObject) {
    File first;
    ASSERT_EQ(first.CreateExclusive(In("moved.vcf")), File::CreateResult::Ok);
    File second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Write("ok", 2));
    EXPECT_TRUE(second.Close());
    std::string out;
    ASSERT_EQ(ReadWholeFile(In("moved.vcf"), &out), ReadResult::Ok);
    EXPECT_EQ(out, "ok");
}

TEST_F(Files, PathExistsAndIsDirectory) {
    Put("f.txt", "x");
    EXPECT_TRUE(PathExists(dir_));
    EXPECT_TRUE(IsDirectory(dir_));
    EXPECT_TRUE(PathExists(In("f.txt")));
    EXPECT_FALSE(IsDirectory(In("f.txt")));
    EXPECT_FALSE(PathExists(In("gone")));
    EXPECT_FALSE(IsDirectory(In("gone")));
    EXPECT_FALSE(PathExists(""));
    EXPECT_FALSE(IsDirectory(""));
}

TEST(JoinPath, FitsWithinMaxPath) {
    const char sep = PathSeparator();
    std::string out;
    ASSERT_TRUE(JoinPath(std::string("dir"), "a.vcf", &out));
    EXPECT_EQ(out, std::string("dir") + sep + "a.vcf");
    ASSERT_TRUE(JoinPath(std::string("dir") + sep, "a.vcf", &out));
    EXPECT_EQ(out, std::string("dir") + sep + "a.vcf") << "one separator only";

    // dir + separator + name: 259 characters fit with the NUL, 260 do not.
    const std::string dir = std::string("d") + sep + std::string(200, 'p');
    const size_t nameFits = 259 - dir.size() - 1;
    ASSERT_TRUE(JoinPath(dir, std::string(nameFits, 'n'), &out));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_EQ(out, dir + sep + std::string(nameFits, 'n'));
    EXPECT_FALSE(JoinPath(dir, std::string(nameFits + 1, 'n'), &out));
    EXPECT_FALSE(JoinPath(dir, std::string(400, 'n'), &out));
}

TEST_F(Files, ListVcfFilesMatchesTheExtensionInAnyCase) {
    for (const char* name : {"a.vcf", "B.VCF", "c.Vcf", "a.vcf.bak", "a.txt", "vcf", "avcf"})
        Put(name, "x");
    std::filesystem::create_directory(In("x.vcf"));
    std::filesystem::create_directory(In("sub"));
    Put("sub" + std::string(1, PathSeparator()) + "deep.vcf", "x");

    std::vector<std::string> names = {"stale"};
    ASSERT_TRUE(ListVcfFiles(dir_, &names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.VCF", "a.vcf", "c.Vcf", "x.vcf"}));

    std::filesystem::create_directory(In("none"));
    ASSERT_TRUE(ListVcfFiles(In("none"), &names));
    EXPECT_TRUE(names.empty());

    EXPECT_FALSE(ListVcfFiles(In("missing"), &names));
}

} // namespace
