#include "platform/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#endif

namespace {

using platform::kExportFolderSetting;
using platform::kImportFolderSetting;
using platform::SettingsStore;

#ifdef _WIN32

// A key of its own under HKEY_CURRENT_USER, removed afterwards.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        location_ = "Software\\Quenby\\TallyportTest" + std::to_string(GetCurrentProcessId());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, location_.c_str()); }
    std::string location_;

    // Puts raw data under a name, as another program might.
    void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, location_.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    bool GetRaw(const char* name, DWORD* type, std::string* data) {
        char buffer[1024];
        DWORD size = sizeof buffer;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, location_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        LONG rc =
            RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return false;
        data->assign(buffer, size);
        return true;
    }
};

TEST(SettingsKey, IsSoftwareMakerProduct) {
    EXPECT_EQ(platform::DefaultSettingsKeyPath(), "Software\\Quenby\\Tallyport");
    SettingsStore store;
    EXPECT_EQ(store.Location(), "Software\\Quenby\\Tallyport");
    ASSERT_TRUE(store.Open());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quenby\\Tallyport", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    if (key)
        RegCloseKey(key);
}

TEST_F(Settings, OpenCreatesTheKeyAndWritesAStringWithItsZero) {
    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    store.Write(kExportFolderSetting, "C:\\Cards");
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(GetRaw(kExportFolderSetting, &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("C:\\Cards\0", 9));
    store.Write(kImportFolderSetting, "");
    ASSERT_TRUE(GetRaw(kImportFolderSetting, &type, &data));
    EXPECT_EQ(data, std::string("\0", 1));
}

TEST_F(Settings, DataThatIsNotAPlainStringReadsEmpty) {
    const DWORD number = 0x41414141;
    const char expand[] = "%USERPROFILE%\\Cards";
    const std::string longText(300, 'x');
    const std::string fits(259, 'y');
    PutRaw("Dword", REG_DWORD, &number, sizeof number);
    PutRaw("Expand", REG_EXPAND_SZ, expand, sizeof expand);
    PutRaw("Long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));
    PutRaw("Fits", REG_SZ, fits.c_str(), static_cast<DWORD>(fits.size() + 1));
    PutRaw("NoData", REG_SZ, "", 0);
    PutRaw("Binary", REG_BINARY, "abc", 4);
    PutRaw("Multi", REG_MULTI_SZ, "a\0b\0", 5);
    // Not terminated: nothing past the data may be taken.
    PutRaw("NoZero", REG_SZ, "abcdef", 6);

    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.Read("Dword"), "");
    EXPECT_EQ(store.Read("Expand"), expand) << "taken unchanged, not expanded";
    EXPECT_EQ(store.Read("Long"), "");
    EXPECT_EQ(store.Read("Fits"), fits);
    EXPECT_EQ(store.Read("NoData"), "");
    EXPECT_EQ(store.Read("Binary"), "");
    EXPECT_EQ(store.Read("Multi"), "");
    EXPECT_EQ(store.Read("Missing"), "");
    const std::string noZero = store.Read("NoZero");
    EXPECT_TRUE(noZero.empty() || noZero == "abcdef") << noZero;
}

TEST_F(Settings, AClosedStoreReadsEmptyAndWritesNothing) {
    SettingsStore store(location_);
    store.Write(kExportFolderSetting, "C:\\Lost");
    EXPECT_EQ(store.Read(kExportFolderSetting), "");
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.Read(kExportFolderSetting), "");
    store.Write(kExportFolderSetting, "C:\\Kept");
    store.Close();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.Read(kExportFolderSetting), "");
    store.Write(kExportFolderSetting, "C:\\Lost");
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.Read(kExportFolderSetting), "C:\\Kept");
}

#else

std::string MakeTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tp_settings_XXXXXX";
    if (!mkdtemp(pattern.data()))
        return {};
    return pattern;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir();
        ASSERT_FALSE(root_.empty());
        location_ = root_ + "/config/tallyport";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string root_;
    std::string location_;
};

TEST_F(Settings, FileIsNameEqualsValueLinesAndOpenMakesTheDirectory) {
    SettingsStore store(location_);
    EXPECT_EQ(store.Location(), location_ + "/settings");
    ASSERT_TRUE(store.Open());
    EXPECT_TRUE(std::filesystem::is_directory(location_));
    store.Write(kImportFolderSetting, "/home/u/in");
    store.Write(kExportFolderSetting, "/home/u/out");
    EXPECT_EQ(Slurp(location_ + "/settings"),
              "ExportFolder=/home/u/out\nImportFolder=/home/u/in\n");
    // No temporary file is left behind.
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(location_)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(Settings, ReadsAFileWrittenByHandAndKeepsOtherLines) {
    std::filesystem::create_directories(location_);
    {
        std::ofstream out(location_ + "/settings", std::ios::binary);
        out << "Other=kept\nnot a setting line\nImportFolder=/a=b\nExportFolder="
            << std::string(260, 'z') << "\n";
    }
    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.Read(kImportFolderSetting), "/a=b");
    EXPECT_EQ(store.Read(kExportFolderSetting), "") << "longer than 259 bytes";
    store.Write(kExportFolderSetting, "/x");
    EXPECT_EQ(store.Read("Other"), "kept");
    EXPECT_EQ(store.Read(kExportFolderSetting), "/x");
    EXPECT_EQ(store.Read(kImportFolderSetting), "/a=b");
}

TEST_F(Settings, WhatCannotBeReadBackIsNotWritten) {
    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    store.Write(kExportFolderSetting, "/good");
    store.Write(kExportFolderSetting, "/bad\nImportFolder=/smuggled");
    store.Write("Bad=Name", "/x");
    EXPECT_EQ(store.Read(kExportFolderSetting), "/good");
    EXPECT_EQ(store.Read(kImportFolderSetting), "");
    EXPECT_EQ(Slurp(location_ + "/settings"), "ExportFolder=/good\n");
}

TEST_F(Settings, AnUnusablePlaceIsSilent) {
    // The settings "file" is a directory: reads are empty, writes are lost.
    std::filesystem::create_directories(location_ + "/settings");
    SettingsStore dirStore(location_);
    EXPECT_TRUE(dirStore.Open());
    dirStore.Write(kExportFolderSetting, "/x");
    EXPECT_EQ(dirStore.Read(kExportFolderSetting), "");
    EXPECT_TRUE(std::filesystem::is_directory(location_ + "/settings"));

    // Its directory cannot be made: a file stands in the way.
    { std::ofstream(root_ + "/file") << "x"; }
    SettingsStore blocked(root_ + "/file/tallyport");
    EXPECT_FALSE(blocked.Open());
    blocked.Write(kExportFolderSetting, "/x");
    EXPECT_EQ(blocked.Read(kExportFolderSetting), "");
    EXPECT_EQ(Slurp(root_ + "/file"), "x");
}

TEST_F(Settings, AReadOnlyDirectoryKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    store.Write(kExportFolderSetting, "/old");
    ASSERT_EQ(chmod(location_.c_str(), 0500), 0);
    store.Write(kExportFolderSetting, "/new");
    chmod(location_.c_str(), 0700);
    EXPECT_EQ(store.Read(kExportFolderSetting), "/old");
}

class DefaultPlace : public Settings {
protected:
    void SetUp() override {
        Settings::SetUp();
        Save("XDG_CONFIG_HOME", &xdg_);
        Save("HOME", &home_);
    }
    void TearDown() override {
        Restore("XDG_CONFIG_HOME", xdg_);
        Restore("HOME", home_);
        Settings::TearDown();
    }
    static void Save(const char* name, std::pair<bool, std::string>* saved) {
        const char* v = std::getenv(name);
        *saved = {v != nullptr, v ? v : ""};
    }
    static void Restore(const char* name, const std::pair<bool, std::string>& saved) {
        if (saved.first)
            setenv(name, saved.second.c_str(), 1);
        else
            unsetenv(name);
    }
    std::pair<bool, std::string> xdg_, home_;
};

TEST_F(DefaultPlace, FollowsXdgConfigHomeThenHome) {
    setenv("XDG_CONFIG_HOME", (root_ + "/xdg").c_str(), 1);
    setenv("HOME", (root_ + "/home").c_str(), 1);
    EXPECT_EQ(SettingsStore().Location(), root_ + "/xdg/tallyport/settings");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(SettingsStore().Location(), root_ + "/home/.config/tallyport/settings");
    unsetenv("XDG_CONFIG_HOME");
    SettingsStore store;
    EXPECT_EQ(store.Location(), root_ + "/home/.config/tallyport/settings");
    ASSERT_TRUE(store.Open());
    store.Write(kImportFolderSetting, "/in");
    EXPECT_EQ(Slurp(root_ + "/home/.config/tallyport/settings"), "ImportFolder=/in\n");
    unsetenv("HOME");
    SettingsStore nowhere;
    EXPECT_FALSE(nowhere.Open());
    EXPECT_EQ(nowhere.Read(kImportFolderSetting), "");
}

#endif

// The rules both places share.
TEST_F(Settings, EachValueKeepsItsOwnTextUpTo259Bytes) {
    SettingsStore store(location_);
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.Read(kExportFolderSetting), "") << "first run";
    EXPECT_EQ(store.Read(kImportFolderSetting), "");

    const std::string fits(259, 'a');
    const std::string tooLong(260, 'b');
    struct Case {
        std::string written;
        std::string read;
    } cases[] = {
        {"dir with  spaces\\and/slashes ", "dir with  spaces\\and/slashes "},
        {"\xe9t\xe9 caf\xe9", "\xe9t\xe9 caf\xe9"}, // ANSI bytes stay bytes
        {"", ""},
        {fits, fits},
        {tooLong, ""},
        {std::string("before\0after", 12), "before"},
        {"%TEMP%", "%TEMP%"},
    };
    for (const auto& c : cases) {
        store.Write(kImportFolderSetting, "import side");
        store.Write(kExportFolderSetting, c.written);
        EXPECT_EQ(store.Read(kExportFolderSetting), c.read) << c.written.size();
        EXPECT_EQ(store.Read(kImportFolderSetting), "import side");
    }

    // Another store on the same place sees the values.
    store.Write(kExportFolderSetting, "last");
    store.Close();
    SettingsStore again(location_);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.Read(kExportFolderSetting), "last");
    EXPECT_EQ(again.Read(kImportFolderSetting), "import side");
}

} // namespace
