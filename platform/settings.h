// The two remembered directories ("ExportFolder", "ImportFolder").
// Windows: the key Software\Quenby\Tallyport under HKEY_CURRENT_USER.
// Elsewhere: lines "Name=value" in $XDG_CONFIG_HOME/tallyport/settings
// (~/.config/tallyport/settings).
// Nothing here is ever reported: a value that is missing or cannot be used
// reads as the empty text, and a failed write is silent.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The texts the key path is built from (string table 602 and 100).
constexpr const char kSettingsMaker[] = "Quenby";
constexpr const char kSettingsProduct[] = "Tallyport";
constexpr int kSettingsMakerStringId = 602;
constexpr int kSettingsProductStringId = 100;

constexpr const char kExportFolderSetting[] = "ExportFolder";
constexpr const char kImportFolderSetting[] = "ImportFolder";

// A value holds at most this many bytes (MAX_PATH less the NUL); a longer
// stored value reads as the empty text.
constexpr size_t kMaxSettingLength = 259;

// "Software\Quenby\Tallyport".
std::string DefaultSettingsKeyPath();

class SettingsStore {
public:
    // The default place: the key above, or the settings file of the user
    // (none when neither XDG_CONFIG_HOME nor HOME is set).
    SettingsStore();
    // Another place: on Windows a key path under HKEY_CURRENT_USER, elsewhere
    // the directory that holds the file "settings".
    explicit SettingsStore(std::string location);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    ~SettingsStore();

    // Creates the key (directory) when needed and opens it; false when it
    // cannot be opened, and then every read is empty and every write is lost.
    bool Open();
    void Close();
    bool IsOpen() const;

    std::string Read(const char* name) const;
    // Stores the text up to its first NUL; a later read gives it back when it
    // is at most kMaxSettingLength bytes.
    void Write(const char* name, const std::string& value) const;

    // Where the values live: the key path or the file path.
    const std::string& Location() const { return location_; }

private:
    std::string location_;
#ifdef _WIN32
    void* key_ = nullptr;
#else
    bool open_ = false;
#endif
};

} // namespace platform
