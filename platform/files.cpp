#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <shlwapi.h>
#else
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {
constexpr uint64_t kFourGiB = uint64_t{1} << 32;

} // namespace

#ifdef _WIN32

ReadResult ReadWholeFile(const std::string& path, std::string* out) {
    out->clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return ReadResult::CannotOpen;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return ReadResult::CannotOpen;
    }
    if (static_cast<uint64_t>(size.QuadPart) >= kFourGiB) {
        CloseHandle(h);
        return ReadResult::TooLarge;
    }
    std::string data;
    try {
        data.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        CloseHandle(h);
        return ReadResult::NoMemory;
    } catch (const std::length_error&) {
        CloseHandle(h);
        return ReadResult::NoMemory;
    }
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        if (!ReadFile(h, &data[done], want, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    CloseHandle(h);
    if (done != data.size())
        return ReadResult::ShortRead;
    *out = std::move(data);
    return ReadResult::Ok;
}

File::File(File&& o) noexcept : handle_(o.handle_) {
    o.handle_ = INVALID_HANDLE_VALUE;
}

File& File::operator=(File&& o) noexcept {
    if (this != &o) {
        Close();
        handle_ = o.handle_;
        o.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

File::~File() {
    Close();
}

File::CreateResult File::CreateExclusive(const std::string& path) {
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? CreateResult::Exists
                                                                   : CreateResult::Failed;
    }
    handle_ = h;
    return CreateResult::Ok;
}

bool File::Write(const void* data, size_t size) {
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!WriteFile(handle_, p, want, &put, nullptr) || put == 0)
            return false;
        p += put;
        size -= put;
    }
    return true;
}

bool File::IsOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

bool File::Close() {
    if (handle_ == INVALID_HANDLE_VALUE)
        return true;
    const BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool JoinPath(const std::string& dir, const std::string& name, std::string* out) {
    // PathCombineA writes up to MAX_PATH bytes; refuse what cannot fit before calling it.
    if (dir.size() + name.size() + 2 > kMaxPath + 8)
        return false;
    char buf[MAX_PATH] = {};
    if (!PathCombineA(buf, dir.empty() ? nullptr : dir.c_str(), name.c_str()))
        return false;
    buf[MAX_PATH - 1] = '\0';
    *out = buf;
    return true;
}

bool ListVcfFiles(const std::string& dir, std::vector<std::string>* names) {
    names->clear();
    std::string pattern;
    if (!JoinPath(dir, "*.vcf", &pattern))
        return false;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        names->push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

char PathSeparator() {
    return '\\';
}

#else

namespace {
// "*.vcf" as FindFirstFileA matches it on long names: the name ends in ".vcf", any case.
bool EndsWithVcf(const std::string& name) {
    if (name.size() < 4)
        return false;
    const char* ext = name.c_str() + name.size() - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'v' && (ext[2] | 0x20) == 'c' &&
           (ext[3] | 0x20) == 'f';
}
} // namespace

ReadResult ReadWholeFile(const std::string& path, std::string* out) {
    out->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ReadResult::CannotOpen;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::CannotOpen;
    }
    if (static_cast<uint64_t>(st.st_size) >= kFourGiB) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    std::string data;
    try {
        data.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return ReadResult::NoMemory;
    } catch (const std::length_error&) {
        ::close(fd);
        return ReadResult::NoMemory;
    }
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(fd, &data[done], data.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    if (done != data.size())
        return ReadResult::ShortRead;
    *out = std::move(data);
    return ReadResult::Ok;
}

File::File(File&& o) noexcept : fd_(o.fd_) {
    o.fd_ = -1;
}

File& File::operator=(File&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

File::~File() {
    Close();
}

File::CreateResult File::CreateExclusive(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
    fd_ = fd;
    return CreateResult::Ok;
}

bool File::Write(const void* data, size_t size) {
    if (fd_ < 0)
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd_, p, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        p += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

bool File::Close() {
    if (fd_ < 0)
        return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool JoinPath(const std::string& dir, const std::string& name, std::string* out) {
    std::string joined;
    if (!name.empty() && name[0] == '/')
        joined = name;
    else if (dir.empty())
        joined = name;
    else
        joined = dir + (dir.back() == '/' ? "" : "/") + name;
    if (joined.size() + 1 > kMaxPath)
        return false;
    *out = std::move(joined);
    return true;
}

bool ListVcfFiles(const std::string& dir, std::vector<std::string>* names) {
    names->clear();
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && EndsWithVcf(name))
            names->push_back(name);
    }
    ::closedir(d);
    // A stable order, as Windows file systems list names sorted without regard to case.
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                const auto ux = static_cast<unsigned char>(x >= 'a' && x <= 'z' ? x - 32 : x);
                const auto uy = static_cast<unsigned char>(y >= 'a' && y <= 'z' ? y - 32 : y);
                return ux < uy;
            });
    });
    return true;
}

char PathSeparator() {
    return '/';
}

#endif

} // namespace platform
