// Files and folders on POSIX systems: positioned reads and writes on a
// descriptor, durable through O_DSYNC or fdatasync, and the folder
// operations behind the system's file layer. Range locks are
// open-file-description locks (F_OFD_SETLK): they belong to this open of the
// file, so two opens exclude each other even inside one process, and the
// system drops them when the description closes or its process dies.
//
// The exclusive file (the journal) appends through a second descriptor
// opened with O_DIRECT | O_DSYNC where the file system allows it: each
// append is then one write that reaches the disk without passing through
// the cache, which costs less than a cached write and a flush.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

// The unit of a write that bypasses the cache, and the alignment of its
// memory: 4096 suits every sector size in use.
constexpr size_t kDirectUnit = 4096;

class PosixFile final : public File {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (directFd_ >= 0) ::close(directFd_);
        std::free(directBuffer_);
        ::close(fd_);
    }

    // Appends go through `directFd` (O_DIRECT | O_DSYNC) from now on.
    void UseDirectAppends(int directFd) {
        directFd_ = directFd;
        lastUnit_ = std::make_unique<uint8_t[]>(kDirectUnit);
    }

    int64_t AppendDurably(uint64_t offset, const void* data, size_t n) override {
        if (directFd_ < 0) return File::AppendDurably(offset, data, n);
        const uint64_t start = offset - offset % kDirectUnit;
        const uint64_t end = (offset + n + kDirectUnit - 1) / kDirectUnit * kDirectUnit;
        const auto length = static_cast<size_t>(end - start);
        if (!ReserveDirectBuffer(length)) return File::AppendDurably(offset, data, n);
        // The bytes before `offset` in its unit are kept: from the last unit
        // appended when that is the one, else as the file holds them.
        const auto head = static_cast<size_t>(offset - start);
        if (head > 0) {
            if (lastUnitOffset_ == start) {
                std::memcpy(directBuffer_, lastUnit_.get(), head);
            } else {
                const int64_t got = ReadAt(start, directBuffer_, head);
                // Fewer bytes than asked only where the file ends.
                const int64_t size = Size();
                if (got < 0 || size < 0 ||
                    (static_cast<size_t>(got) < head && start + got < static_cast<uint64_t>(size)))
                    return -1;
                std::memset(directBuffer_ + got, 0, head - static_cast<size_t>(got));
            }
        }
        std::memcpy(directBuffer_ + head, data, n);
        std::memset(directBuffer_ + head + n, 0, length - head - n);
        size_t done = 0;
        while (done < length) {
            const ssize_t put =
                ::pwrite(directFd_, directBuffer_ + done, length - done, static_cast<off_t>(start + done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0 && errno == EINVAL && done == 0) {
                // The file system refuses writes past its cache after all.
                ::close(directFd_);
                directFd_ = -1;
                lastUnitOffset_ = kNoUnit;
                return File::AppendDurably(offset, data, n);
            }
            if (put <= 0) {
                lastUnitOffset_ = kNoUnit;
                return -1;
            }
            done += static_cast<size_t>(put);
        }
        std::memcpy(lastUnit_.get(), directBuffer_ + length - kDirectUnit, kDirectUnit);
        lastUnitOffset_ = end - kDirectUnit;
        return static_cast<int64_t>(n);
    }

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
        // A cached write over the last appended unit makes its copy stale.
        if (lastUnitOffset_ != kNoUnit && offset < lastUnitOffset_ + kDirectUnit &&
            offset + n > lastUnitOffset_)
            lastUnitOffset_ = kNoUnit;
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

    bool Sync() override {
        int rc;
        do {
            rc = ::fdatasync(fd_);
        } while (rc != 0 && errno == EINTR);
        return rc == 0;
    }

    int fd() const { return fd_; }

    bool TryLockRange(uint64_t offset, uint64_t length) override {
        return SetLock(F_OFD_SETLK, F_WRLCK, offset, length);
    }

    // The description's lock does not exclude threads that share it, so a
    // recursive in-process mutex does; the system lock is taken by the
    // outermost acquisition only.
    void LockRange(uint64_t offset, uint64_t length) override {
        threads_.lock();
        if (depth_++ == 0) SetLock(F_OFD_SETLKW, F_WRLCK, offset, length);
    }

    void UnlockRange(uint64_t offset, uint64_t length) override {
        if (--depth_ == 0) SetLock(F_OFD_SETLK, F_UNLCK, offset, length);
        threads_.unlock();
    }

private:
    bool SetLock(int command, short type, uint64_t offset, uint64_t length) {
        struct flock range {};
        range.l_type = type;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(offset);
        range.l_len = static_cast<off_t>(length);
        int rc;
        do {
            rc = ::fcntl(fd_, command, &range);
        } while (rc != 0 && errno == EINTR);
        return rc == 0;
    }

    bool ReserveDirectBuffer(size_t length) {
        if (length <= directCapacity_) return true;
        void* memory = nullptr;
        if (::posix_memalign(&memory, kDirectUnit, length) != 0) return false;
        std::free(directBuffer_);
        directBuffer_ = static_cast<uint8_t*>(memory);
        directCapacity_ = length;
        return true;
    }

    static constexpr uint64_t kNoUnit = ~uint64_t{0};

    int fd_;
    // Appends: the descriptor that bypasses the cache (-1 for none), the
    // aligned memory they are written from, and a copy of the last unit
    // they wrote with its offset.
    int directFd_ = -1;
    uint8_t* directBuffer_ = nullptr;
    size_t directCapacity_ = 0;
    uint64_t lastUnitOffset_ = kNoUnit;
    std::unique_ptr<uint8_t[]> lastUnit_;
    std::recursive_mutex threads_;
    int depth_ = 0;  // guarded by threads_
};

std::unique_ptr<PosixFile> OpenWith(const std::string& path, int flags) {
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

bool IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class PosixFiles final : public FileSystem {
public:
    std::unique_ptr<File> OpenAlways(const std::string& path) override {
        return OpenWith(path, O_RDWR | O_CREAT | O_DSYNC);
    }

    std::unique_ptr<File> CreateNewFile(const std::string& path) override {
        return OpenWith(path, O_RDWR | O_CREAT | O_EXCL | O_DSYNC);
    }

    std::unique_ptr<File> OpenBuffered(const std::string& path) override {
        return OpenWith(path, O_RDWR | O_CREAT);
    }

    std::unique_ptr<File> OpenExclusive(const std::string& path) override {
        std::unique_ptr<PosixFile> file = OpenWith(path, O_RDWR | O_CREAT);
        if (!file) return nullptr;
        // A lock of the open file description: another open of the file,
        // by this process or any other, is refused while it lasts.
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(file->fd(), F_OFD_SETLK, &lock) != 0) return nullptr;
        // Where the file system offers no such descriptor, appends are
        // cached writes and a flush.
        int direct;
        do {
            direct = ::open(path.c_str(), O_RDWR | O_DIRECT | O_DSYNC | O_CLOEXEC);
        } while (direct < 0 && errno == EINTR);
        if (direct >= 0) file->UseDirectAppends(direct);
        return file;
    }

    std::unique_ptr<File> OpenExistingForRead(const std::string& path) override {
        return OpenWith(path, O_RDONLY);
    }

    bool RemoveFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    bool RenameFile(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    bool SyncFolder(const std::string& folder) override {
        const std::string path = folder.empty() ? std::string(".") : folder;
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return false;
        int rc;
        do {
            rc = ::fsync(fd);
        } while (rc != 0 && errno == EINTR);
        ::close(fd);
        return rc == 0;
    }

    bool PathExists(const std::string& path) override {
        struct stat st;
        return !path.empty() && ::stat(path.c_str(), &st) == 0;
    }

    bool IsDirectory(const std::string& path) override { return IsFolder(path); }

    bool MakeDirectory(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0; }

    std::vector<std::string> ListFiles(const std::string& folder) override {
        std::vector<std::string> names;
        const std::string base = folder.empty() ? std::string(".") : folder;
        DIR* dir = ::opendir(base.c_str());
        if (dir == nullptr) return names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (!IsFolder(base + "/" + name)) names.push_back(name);
        }
        ::closedir(dir);
        return names;
    }
};

}  // namespace

FileSystem& SystemFiles() {
    static PosixFiles files;
    return files;
}

}  // namespace mvdb::platform
