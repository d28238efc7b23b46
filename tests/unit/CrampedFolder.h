#pragma once
// A folder on a nearly full disk. Either a small tmpfs mounted there (when this process may
// mount one: CI runs as root, but a container may still refuse), or a limit on the size of
// any file this process writes, which fails writes the way a full disk does.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace wl::test {

enum class Cramp { SmallFileSystem, FileSizeLimit };

inline std::string crampName(const ::testing::TestParamInfo<Cramp>& info) {
    return info.param == Cramp::SmallFileSystem ? "SmallFileSystem" : "FileSizeLimit";
}

class CrampedFolder {
public:
    CrampedFolder(Cramp kind, const std::filesystem::path& folder) : kind_(kind), folder_(folder) {
        std::filesystem::create_directories(folder_);
        if (kind_ == Cramp::SmallFileSystem)
            mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~CrampedFolder() {
        if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit_);
            std::signal(SIGXFSZ, oldHandler_);
        }
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    CrampedFolder(const CrampedFolder&) = delete;
    CrampedFolder& operator=(const CrampedFolder&) = delete;

    // False when this kind cannot be had here; the test skips itself.
    bool usable() const { return kind_ == Cramp::FileSizeLimit || mounted_; }
    const std::filesystem::path& path() const { return folder_; }

    // From now on a file can grow by only about `room` more bytes (whole pages on a tmpfs).
    void fill(size_t room) {
        if (kind_ == Cramp::FileSizeLimit) {
            ::getrlimit(RLIMIT_FSIZE, &oldLimit_);
            oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = oldLimit_;
            limit.rlim_cur = room;
            limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
            ASSERT_TRUE(limited_);
            return;
        }
        const std::string filler = (folder_ / "filler").string();
        int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        off_t written = 0;
        for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;) written += n;
        ASSERT_GT(written, off_t(room));
        ASSERT_EQ(::ftruncate(fd, written - off_t(room)), 0);
        ::close(fd);
    }
    // Lifts the limit again; the tmpfs gets its filler's room back.
    void relieve() {
        if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit_);
            std::signal(SIGXFSZ, oldHandler_);
            limited_ = false;
        }
        std::error_code ec;
        std::filesystem::remove(folder_ / "filler", ec);
    }

private:
    Cramp kind_;
    std::filesystem::path folder_;
    bool mounted_ = false, limited_ = false;
    rlimit oldLimit_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace wl::test
