#include "app/FileReplacement.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace wl {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNotRegular = "Not a regular file";
// The system's own limit on links followed in one path.
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;
// Keeps the temporary name within the 255 bytes a file name may have.
constexpr size_t kMaxNameInTemp = 200;

std::string resolveLinks(const std::string& path) {
    fs::path p(path);
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        fs::path next = fs::read_symlink(p, ec);
        if (ec) break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

}  // namespace

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileReplacement::FileReplacement(const std::string& target) : target_(resolveLinks(target)) {}

FileReplacement::~FileReplacement() { discard(); }

bool FileReplacement::failed(int err) {
    error_ = std::strerror(err ? err : EIO);
    discard();
    return false;
}

bool FileReplacement::open() {
    discard();
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return failed(errno);
    if (exists && !S_ISREG(st.st_mode)) {
        error_ = kNotRegular;
        return false;
    }
    const fs::path target(target_);
    std::string name = target.filename().string();
    if (name.size() > kMaxNameInTemp) name.resize(kMaxNameInTemp);
    const std::string stem = (target.parent_path() / ("." + name + "." + std::to_string(::getpid()))).string();
    for (int i = 0; i < kNameAttempts && !file_; ++i) {
        temp_ = stem + "-" + std::to_string(i) + ".part";
        // "x": never an existing file, so two writers cannot share one temporary.
        file_ = std::fopen(temp_.c_str(), "wbx");
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_) {
        const int err = errno;
        temp_.clear();
        return failed(err);
    }
    // The replacement keeps the permissions of the file it replaces.
    if (exists) (void)::fchmod(::fileno(file_), st.st_mode & 07777);
    return true;
}

bool FileReplacement::commit() {
    if (!file_) return failed(EBADF);
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) return failed(errno);
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) return failed(errno);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) return failed(errno);
    temp_.clear();
    return true;
}

void FileReplacement::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

}  // namespace wl
