// Files, paths and directory search as Win32 gives them to the add-in.
// Paths are ANSI text; on Windows they go to the ...A functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr size_t kMaxPath = 260; // MAX_PATH, NUL included

enum class ReadResult { Ok, CannotOpen, TooLarge, NoMemory, ShortRead };

// Reads a whole file. Refuses files of 4 GiB or more, an allocation that
// fails and a short read; `out` is left empty then.
ReadResult ReadWholeFile(const std::string& path, std::string* out);

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& o) noexcept;
    File& operator=(File&& o) noexcept;
    ~File();

    enum class CreateResult { Ok, Exists, Failed };
    // Creates a new file; never opens or truncates one that exists (CREATE_NEW).
    CreateResult CreateExclusive(const std::string& path);
    // Writes all bytes; false on any failure.
    bool Write(const void* data, size_t size);
    bool IsOpen() const;
    // Closes; false when closing failed. Idempotent.
    bool Close();

private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Joins directory and name as PathCombineA does, within MAX_PATH: returns
// false when the result (with its NUL) would not fit in kMaxPath.
bool JoinPath(const std::string& dir, const std::string& name, std::string* out);

// Names (not paths) of the entries of `dir` that match "*.vcf" as
// FindFirstFileA matches it (letter case ignored), in the order the system
// lists them. False when the directory cannot be searched.
bool ListVcfFiles(const std::string& dir, std::vector<std::string>* names);

// The directory separator of the platform ("\\" on Windows, "/" elsewhere).
char PathSeparator();

} // namespace platform
