#include "cli/remembered.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace cli {

namespace {

constexpr size_t kMaxValue = 259; // as the dialogs' directory fields

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

} // namespace

Remembered::Remembered() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        path_ = std::string(config) + "/tallyport/settings";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        path_ = std::string(home) + "/.config/tallyport/settings";
    }
}

std::string Remembered::Read(const std::string& name) const {
    if (path_.empty())
        return {};
    auto values = Load(path_);
    auto it = values.find(name);
    if (it == values.end() || it->second.size() > kMaxValue)
        return {};
    return it->second;
}

void Remembered::Write(const std::string& name, const std::string& value) const {
    // A value with a line break could not be read back as it was written.
    if (path_.empty() || name.find_first_of("=\r\n") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos)
        return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    auto values = Load(path_);
    values[name] = value;
    std::ostringstream text;
    for (const auto& kv : values)
        text << kv.first << '=' << kv.second << '\n';
    const std::string temp = path_ + ".tmp." + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return;
        }
    }
    if (std::rename(temp.c_str(), path_.c_str()) != 0)
        std::remove(temp.c_str());
}

} // namespace cli
