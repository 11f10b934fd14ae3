// Files on Windows: one handle per file, positioned by SetFilePointer. The
// position and the transfer form one step under the file's own lock, so
// threads that share the handle never read or write at another's offset.
#include <windows.h>

#include <new>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

// The largest transfer handed to one ReadFile or WriteFile call.
constexpr size_t kMaxTransfer = 0x40000000;

class Win32File final : public File {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) { InitializeCriticalSection(&lock_); }
    ~Win32File() override {
        CloseHandle(handle_);
        DeleteCriticalSection(&lock_);
    }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
        Locked locked(lock_);
        if (!Seek(offset)) return -1;
        size_t done = 0;
        while (done < n) {
            const DWORD want = static_cast<DWORD>(n - done < kMaxTransfer ? n - done : kMaxTransfer);
            DWORD got = 0;
            if (!ReadFile(handle_, static_cast<char*>(buffer) + done, want, &got, nullptr)) {
                return done > 0 ? static_cast<int64_t>(done) : -1;
            }
            if (got == 0) break;  // end of file
            done += got;
        }
        return static_cast<int64_t>(done);
    }

    int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
        Locked locked(lock_);
        if (!Seek(offset)) return -1;
        size_t done = 0;
        while (done < n) {
            const DWORD want = static_cast<DWORD>(n - done < kMaxTransfer ? n - done : kMaxTransfer);
            DWORD put = 0;
            if (!WriteFile(handle_, static_cast<const char*>(data) + done, want, &put, nullptr) || put == 0) {
                return done > 0 ? static_cast<int64_t>(done) : -1;
            }
            done += put;
        }
        return static_cast<int64_t>(done);
    }

    int64_t Size() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_, &size)) return -1;
        return static_cast<int64_t>(size.QuadPart);
    }

    bool Sync() override { return FlushFileBuffers(handle_) != 0; }

private:
    class Locked {
    public:
        explicit Locked(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
        ~Locked() { LeaveCriticalSection(&cs_); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        CRITICAL_SECTION& cs_;
    };

    bool Seek(uint64_t offset) {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
        LONG high = static_cast<LONG>(offset >> 32);
        const DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
        // The low half of a valid position may look like the failure value.
        return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
    }

    HANDLE handle_;
    CRITICAL_SECTION lock_;
};

std::unique_ptr<File> Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    if (path.empty()) return nullptr;
    HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<File> file(new (std::nothrow) Win32File(handle));
    if (!file) CloseHandle(handle);
    return file;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class Win32Files final : public FileSystem {
public:
    std::unique_ptr<File> OpenAlways(const std::string& path) override {
        return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    }

    std::unique_ptr<File> OpenBuffered(const std::string& path) override {
        return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    }

    std::unique_ptr<File> OpenExclusive(const std::string& path) override {
        // No sharing at all: a second open fails while this one lasts.
        if (path.empty()) return nullptr;
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        std::unique_ptr<File> file(new (std::nothrow) Win32File(handle));
        if (!file) CloseHandle(handle);
        return file;
    }

    std::unique_ptr<File> CreateNewFile(const std::string& path) override {
        return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    }

    std::unique_ptr<File> OpenExistingForRead(const std::string& path) override {
        return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    }

    bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

    bool RenameFile(const std::string& from, const std::string& to) override {
        // Write-through: the rename is on the disk when the call returns.
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    // The folder's entries are made durable by the file system's own log
    // and by write-through renames; there is nothing to flush here.
    bool SyncFolder(const std::string&) override { return true; }

    bool PathExists(const std::string& path) override {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool IsDirectory(const std::string& path) override { return IsFolder(path); }

    bool MakeDirectory(const std::string& path) override {
        return CreateDirectoryA(path.c_str(), nullptr) != 0;
    }

    std::vector<std::string> ListFiles(const std::string& folder) override {
        std::vector<std::string> names;
        const std::string pattern = folder.empty() ? std::string("*") : folder + "\\*";
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            // "." and ".." are folders too.
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(entry.cFileName);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        return names;
    }
};

}  // namespace

FileSystem& SystemFiles() {
    static Win32Files files;
    return files;
}

}  // namespace mvdb::platform
