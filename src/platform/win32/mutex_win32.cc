// Named mutexes and critical sections on Windows. Names carry no namespace
// prefix, so every process of one logon session sees the same objects.
#include <windows.h>

#include <new>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

class Win32Marker final : public NamedMarker {
public:
    explicit Win32Marker(HANDLE handle) : handle_(handle) {}
    ~Win32Marker() override { CloseHandle(handle_); }
    Win32Marker(const Win32Marker&) = delete;
    Win32Marker& operator=(const Win32Marker&) = delete;

private:
    HANDLE handle_;
};

// Each acquisition opens its own handle and the release closes it, so the
// mutex exists only while somebody holds or waits for it.
class Win32NamedLock final : public NamedLock {
public:
    explicit Win32NamedLock(std::string name) : name_(std::move(name)) {}
    ~Win32NamedLock() override { Release(); }
    Win32NamedLock(const Win32NamedLock&) = delete;
    Win32NamedLock& operator=(const Win32NamedLock&) = delete;

    void Acquire() override {
        HANDLE handle = OpenMutexA(SYNCHRONIZE, TRUE, name_.c_str());
        bool owned = false;
        if (handle == nullptr) {
            handle = CreateMutexA(nullptr, TRUE, name_.c_str());
            // Created meanwhile by someone else: then it was only opened.
            owned = handle != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
        }
        // An abandoned mutex is owned all the same; no outcome is a failure.
        if (handle != nullptr && !owned) WaitForSingleObject(handle, INFINITE);
        handle_ = handle;
    }

    void Release() override {
        if (handle_ == nullptr) return;
        ReleaseMutex(handle_);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    std::string name_;
    HANDLE handle_ = nullptr;
};

}  // namespace

MarkerResult CreateMarker(const std::string& name, std::unique_ptr<NamedMarker>* handle) {
    if (handle != nullptr) handle->reset();
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) return MarkerResult::kFailed;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return MarkerResult::kExisted;
    }
    // Without a place for the handle the mutex cannot be kept in existence.
    if (handle == nullptr) {
        CloseHandle(mutex);
        return MarkerResult::kCreated;
    }
    handle->reset(new (std::nothrow) Win32Marker(mutex));
    if (!*handle) {
        CloseHandle(mutex);
        return MarkerResult::kFailed;
    }
    return MarkerResult::kCreated;
}

std::unique_ptr<NamedLock> OpenNamedLock(const std::string& name) {
    return std::unique_ptr<NamedLock>(new (std::nothrow) Win32NamedLock(name));
}

// Mutex names are machine-wide here already: the file's writer role and
// file-access lock stay the named mutexes of the file.
MarkerResult ClaimWriterRole(File& file, const std::string& name, std::unique_ptr<NamedMarker>* handle) {
    (void)file;
    return CreateMarker(name, handle);
}

std::unique_ptr<NamedLock> OpenFileAccessLock(File& file, const std::string& name) {
    (void)file;
    return OpenNamedLock(name);
}

struct CriticalSection::Impl {
    Impl() { InitializeCriticalSection(&section); }
    ~Impl() { DeleteCriticalSection(&section); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    CRITICAL_SECTION section;
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;
void CriticalSection::Enter() { EnterCriticalSection(&impl_->section); }
void CriticalSection::Leave() { LeaveCriticalSection(&impl_->section); }

}  // namespace mvdb::platform
