// Named mutexes as lock files, and the locks of one database file.
//
// A named mutex is a lock file in $MVDB_LOCK_DIR, else in one folder of the
// machine that every user and environment shares, so that a second open
// anywhere on the machine finds the first. A lock belongs to an open file
// description, so two opens in one process see each other as two processes
// would, and a process that dies releases what it held.
//
// A marker (a mutex held for its existence) holds a write lock on
// "<name>.mutex" taken without waiting (an open-file-description lock, so
// the test and the taking are one step); whoever finds it held learns that
// the mutex exists. A NamedLock holds flock(2) on "<name>.lock" while owned.
//
// A database file's writer role and file-access lock are byte-range locks on
// the file itself: whatever folder or environment an opener uses, it meets
// them on the same file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "format/configuration.h"
#include "platform/platform.h"

namespace mvdb::platform {

namespace {

// The bytes of a database file that stand for its writer role and its
// file-access lock. Locks are advisory: nobody's reads or writes wait.
constexpr uint64_t kWriterRoleByte = 0;
constexpr uint64_t kFileAccessByte = 1;

struct LockFolderChoice {
    std::string path;
    bool machineWide;
};

// The machine-wide folder is sticky and writable by all, like /tmp itself,
// so that users share it and none can remove another's lock files.
LockFolderChoice LockFolder() {
    const char* variable = std::getenv(format::kLockFolderVariable);
    const bool machineWide = variable == nullptr || *variable == '\0';
    return {format::LockFolder(variable), machineWide};
}

// Creates the lock folder and any missing folder above it. The shared
// folder is made sticky and writable by everyone when this call created it.
void MakeLockFolder(const LockFolderChoice& folder) {
    const std::string& path = folder.path;
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
    if (folder.machineWide) {
        if (::mkdir(path.c_str(), 01777) == 0) ::chmod(path.c_str(), 01777);
    } else {
        ::mkdir(path.c_str(), 0700);
    }
}

// Lock files live in one folder; a name may hold any character but '/'.
std::string LockFilePath(const std::string& name, const char* suffix, bool* machineWide) {
    const LockFolderChoice folder = LockFolder();
    MakeLockFolder(folder);
    *machineWide = folder.machineWide;
    std::string file;
    for (char c : name) file += (c == '/' || c == '\\') ? '_' : c;
    return folder.path + "/" + file + suffix;
}

// Opens (creating) a lock file, never through a symbolic link. In the
// shared folder a new file is opened to every user, whatever the umask.
int OpenLockFile(const std::string& path, bool machineWide) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 && machineWide) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666)
            ::fchmod(fd, 0666);
    }
    return fd;
}

int Flock(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

class PosixMarker final : public NamedMarker {
public:
    explicit PosixMarker(int fd) : fd_(fd) {}
    ~PosixMarker() override { ::close(fd_); }

private:
    int fd_;
};

class PosixNamedLock final : public NamedLock {
public:
    PosixNamedLock(std::string path, bool machineWide) : path_(std::move(path)), machineWide_(machineWide) {}
    ~PosixNamedLock() override {
        if (fd_ >= 0) ::close(fd_);
    }

    // Each acquisition opens its own description of the lock file, so two
    // threads of one process exclude each other like two processes.
    void Acquire() override {
        fd_ = OpenLockFile(path_, machineWide_);
        if (fd_ >= 0) Flock(fd_, LOCK_EX);
    }

    void Release() override {
        if (fd_ >= 0) {
            Flock(fd_, LOCK_UN);
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    std::string path_;
    bool machineWide_;
    int fd_ = -1;
};

// The writer role: the range stays locked until the file closes, which is
// when its store gives the role up.
class FileWriterRole final : public NamedMarker {};

class FileAccessLock final : public NamedLock {
public:
    explicit FileAccessLock(File& file) : file_(file) {}
    ~FileAccessLock() override { Release(); }

    void Acquire() override {
        file_.LockRange(kFileAccessByte, 1);
        ++held_;
    }

    void Release() override {
        if (held_ == 0) return;
        --held_;
        file_.UnlockRange(kFileAccessByte, 1);
    }

private:
    File& file_;
    int held_ = 0;
};

}  // namespace

MarkerResult CreateMarker(const std::string& name, std::unique_ptr<NamedMarker>* handle) {
    handle->reset();
    bool machineWide = false;
    const int fd = OpenLockFile(LockFilePath(name, ".mutex", &machineWide), machineWide);
    if (fd < 0) return MarkerResult::kFailed;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &whole);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        // Nobody holds it: it comes into existence with this handle.
        *handle = std::make_unique<PosixMarker>(fd);
        return MarkerResult::kCreated;
    }
    const bool held = errno == EAGAIN || errno == EACCES;
    ::close(fd);
    return held ? MarkerResult::kExisted : MarkerResult::kFailed;
}

MarkerResult ClaimWriterRole(File& file, const std::string& name, std::unique_ptr<NamedMarker>* handle) {
    (void)name;
    handle->reset();
    // A range that cannot be locked leaves this opener a reader, as when
    // another opener holds the role.
    if (!file.TryLockRange(kWriterRoleByte, 1)) return MarkerResult::kExisted;
    *handle = std::make_unique<FileWriterRole>();
    return MarkerResult::kCreated;
}

std::unique_ptr<NamedLock> OpenFileAccessLock(File& file, const std::string& name) {
    (void)name;
    return std::make_unique<FileAccessLock>(file);
}

std::unique_ptr<NamedLock> OpenNamedLock(const std::string& name) {
    bool machineWide = false;
    std::string path = LockFilePath(name, ".lock", &machineWide);
    return std::make_unique<PosixNamedLock>(std::move(path), machineWide);
}

struct CriticalSection::Impl {
    std::recursive_mutex mutex;
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;
void CriticalSection::Enter() { impl_->mutex.lock(); }
void CriticalSection::Leave() { impl_->mutex.unlock(); }

}  // namespace mvdb::platform
