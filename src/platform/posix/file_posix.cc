// Files: positioned reads and writes on a descriptor opened with O_DSYNC, so
// every write reaches the disk before it returns.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

class PosixFile final : public File {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }

    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
        size_t done = 0;
        while (done < n) {
            const ssize_t got =
                ::pread(fd_, static_cast<char*>(buffer) + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return done > 0 ? static_cast<int64_t>(done) : -1;
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<int64_t>(done);
    }

    int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
        size_t done = 0;
        while (done < n) {
            const ssize_t put = ::pwrite(fd_, static_cast<const char*>(data) + done, n - done,
                                         static_cast<off_t>(offset + done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return done > 0 ? static_cast<int64_t>(done) : -1;
            done += static_cast<size_t>(put);
        }
        return static_cast<int64_t>(done);
    }

    int64_t Size() override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return -1;
        return static_cast<int64_t>(st.st_size);
    }

private:
    int fd_;
};

std::unique_ptr<File> OpenWith(const std::string& path, int flags) {
    if (path.empty()) return nullptr;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

}  // namespace

std::unique_ptr<File> OpenAlways(const std::string& path) {
    return OpenWith(path, O_RDWR | O_CREAT | O_DSYNC);
}

std::unique_ptr<File> OpenExistingForRead(const std::string& path) { return OpenWith(path, O_RDONLY); }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace mvdb::platform
