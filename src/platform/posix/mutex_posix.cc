// Named mutexes as lock files held with flock(2), in $MVDB_LOCK_DIR or a
// per-user runtime folder. A lock belongs to an open file description, so
// two opens in one process see each other as two processes would, and a
// process that dies releases what it held.
//
// A marker (a mutex held for its existence) holds a shared lock on
// "<name>.mutex"; it exists while anyone holds that shared lock. The test
// for existence tries an exclusive lock, under a gate lock so that no two
// creators test and convert at once. A NamedLock holds an exclusive lock on
// "<name>.lock" while it is owned.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

std::string LockFolder() {
    if (const char* dir = std::getenv("MVDB_LOCK_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/mvdb";
    }
    return "/tmp/mvdb-" + std::to_string(::getuid());
}

// Creates the lock folder and any missing folder above it.
void MakeLockFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    }
    ::mkdir(folder.c_str(), 0700);
}

// Lock files live in one folder; a name may hold any character but '/'.
std::string LockFilePath(const std::string& name, const char* suffix) {
    const std::string folder = LockFolder();
    MakeLockFolder(folder);
    std::string file;
    for (char c : name) file += (c == '/' || c == '\\') ? '_' : c;
    return folder + "/" + file + suffix;
}

int OpenLockFile(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
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
    explicit PosixNamedLock(std::string path) : path_(std::move(path)) {}
    ~PosixNamedLock() override {
        if (fd_ >= 0) ::close(fd_);
    }

    // Each acquisition opens its own description of the lock file, so two
    // threads of one process exclude each other like two processes.
    void Acquire() override {
        fd_ = OpenLockFile(path_);
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
    int fd_ = -1;
};

}  // namespace

MarkerResult CreateMarker(const std::string& name, std::unique_ptr<NamedMarker>* handle) {
    handle->reset();
    const int gate = OpenLockFile(LockFilePath(name, ".gate"));
    if (gate < 0) return MarkerResult::kFailed;
    Flock(gate, LOCK_EX);
    MarkerResult result = MarkerResult::kFailed;
    const int fd = OpenLockFile(LockFilePath(name, ".mutex"));
    if (fd >= 0) {
        if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Nobody holds it: it comes into existence with this handle.
            Flock(fd, LOCK_SH);
            *handle = std::make_unique<PosixMarker>(fd);
            result = MarkerResult::kCreated;
        } else {
            const bool held = errno == EWOULDBLOCK;
            ::close(fd);
            result = held ? MarkerResult::kExisted : MarkerResult::kFailed;
        }
    }
    Flock(gate, LOCK_UN);
    ::close(gate);
    return result;
}

std::unique_ptr<NamedLock> OpenNamedLock(const std::string& name) {
    return std::make_unique<PosixNamedLock>(LockFilePath(name, ".lock"));
}

struct CriticalSection::Impl {
    std::recursive_mutex mutex;
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;
void CriticalSection::Enter() { impl_->mutex.lock(); }
void CriticalSection::Leave() { impl_->mutex.unlock(); }

}  // namespace mvdb::platform
