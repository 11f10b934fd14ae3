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

}  // namespace

std::unique_ptr<File> OpenAlways(const std::string& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS,
                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
}

std::unique_ptr<File> OpenExistingForRead(const std::string& path) {
    return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace mvdb::platform
