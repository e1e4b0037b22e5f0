// Small helpers shared by the run tests: a temporary directory and file text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace batch::testing {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("tp_batch_" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Str() const { return path_.string(); }
    std::filesystem::path Path() const { return path_; }
    // The path as the runs compose it (ANSI bytes, no conversion).
    std::string File(const std::string& name) const {
        return path_.string() + static_cast<char>(std::filesystem::path::preferred_separator) +
               name;
    }

    // Names of the entries, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(path_ / name, std::ios::binary);
        out << bytes;
    }

private:
    std::filesystem::path path_;
};

inline size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

} // namespace batch::testing
