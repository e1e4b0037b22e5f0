#include "platform/settings.h"

#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#endif

namespace platform {

std::string DefaultSettingsKeyPath() {
    return std::string("Software\\") + kSettingsMaker + "\\" + kSettingsProduct;
}

namespace {

// The text as a C string sees it: up to the first NUL.
std::string UpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

#ifndef _WIN32

std::string DefaultDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (config && config[0] == '/')
        return std::string(config) + "/tallyport";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/tallyport";
    return {};
}

std::string FileIn(const std::string& dir) {
    return dir.empty() ? dir : dir + "/settings";
}

std::map<std::string, std::string> Load(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && eq > 0)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

bool MakeDirectories(const std::string& dir) {
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos == dir.size() || dir[pos] == '/') {
            std::string part = dir.substr(0, pos);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

#endif

} // namespace

#ifdef _WIN32

SettingsStore::SettingsStore() : location_(DefaultSettingsKeyPath()) {}

SettingsStore::SettingsStore(std::string location) : location_(std::move(location)) {}

SettingsStore::~SettingsStore() {
    Close();
}

bool SettingsStore::Open() {
    Close();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, location_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

void SettingsStore::Close() {
    if (key_) {
        RegCloseKey(static_cast<HKEY>(key_));
        key_ = nullptr;
    }
}

bool SettingsStore::IsOpen() const {
    return key_ != nullptr;
}

std::string SettingsStore::Read(const char* name) const {
    if (!key_)
        return {};
    char buffer[kMaxSettingLength + 1];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(static_cast<HKEY>(key_), name, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return {};
    if (size == 0)
        return {};
    // Data without its terminating zero is not read as text at all, so that
    // nothing past the data is ever taken.
    if (size > sizeof buffer || buffer[size - 1] != '\0')
        return {};
    return std::string(buffer, strnlen(buffer, size));
}

void SettingsStore::Write(const char* name, const std::string& value) const {
    if (!key_)
        return;
    const std::string text = UpToNul(value);
    RegSetValueExA(static_cast<HKEY>(key_), name, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

#else

SettingsStore::SettingsStore() : location_(FileIn(DefaultDirectory())) {}

SettingsStore::SettingsStore(std::string location) : location_(FileIn(location)) {}

SettingsStore::~SettingsStore() {
    Close();
}

bool SettingsStore::Open() {
    open_ = false;
    if (location_.empty())
        return false;
    const std::string dir = location_.substr(0, location_.rfind('/'));
    open_ = dir.empty() || MakeDirectories(dir);
    return open_;
}

void SettingsStore::Close() {
    open_ = false;
}

bool SettingsStore::IsOpen() const {
    return open_;
}

std::string SettingsStore::Read(const char* name) const {
    if (!open_ || !name)
        return {};
    auto values = Load(location_);
    auto it = values.find(name);
    if (it == values.end())
        return {};
    std::string value = UpToNul(it->second);
    if (value.size() > kMaxSettingLength)
        return {};
    return value;
}

void SettingsStore::Write(const char* name, const std::string& value) const {
    if (!open_ || !name || !*name)
        return;
    const std::string key(name);
    const std::string text = UpToNul(value);
    // A line break or "=" in the name, or a line break in the value, could not
    // be read back as it was written.
    if (key.find_first_of("=\r\n") != std::string::npos ||
        text.find_first_of("\r\n") != std::string::npos)
        return;
    auto values = Load(location_);
    values[key] = text;
    std::string content;
    for (const auto& kv : values)
        content += kv.first + '=' + kv.second + '\n';

    // The whole file goes to a temporary file first and replaces the old one
    // by a rename, so the file is always either the old or the new one.
    const std::string temp = location_ + ".tmp." + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    bool ok = WriteAll(fd, content) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), location_.c_str()) != 0)
        std::remove(temp.c_str());
}

#endif

} // namespace platform
