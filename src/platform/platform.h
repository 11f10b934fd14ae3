// The one narrow interface between the library and the operating system.
// posix/ and win32/ implement it; nothing else in the library includes a
// system header. Every call reports failure by its result, never by throwing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/thread_annotations.h"

namespace mvdb::platform {

// ---- Files -----------------------------------------------------------------

// An open file with positioned reads and writes. Closed by the destructor.
class File {
public:
    virtual ~File() = default;
    // Reads up to n bytes at offset; the number read, or -1 on failure.
    virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
    // Writes n bytes at offset; the number written, or -1 on failure.
    virtual int64_t WriteAt(uint64_t offset, const void* data, size_t n) = 0;
    // The file's size in bytes, or -1.
    virtual int64_t Size() = 0;
    // Brings the file's data, and what is needed to read it back, to the
    // disk; false when the system reports a failure.
    virtual bool Sync() = 0;
    // Writes n bytes at offset and returns once they are on the disk, as
    // WriteAt then Sync would: n, or -1 on failure. Made for a log that
    // appends: the rest of the last disk sector after the n bytes may be
    // written with zeros, so nothing may lie there that the caller needs.
    virtual int64_t AppendDurably(uint64_t offset, const void* data, size_t n) {
        if (WriteAt(offset, data, n) != static_cast<int64_t>(n) || !Sync()) return -1;
        return static_cast<int64_t>(n);
    }

    // Byte-range locks held by this open file, not by a process or a
    // thread: every other open of the same file, in this process or another,
    // is excluded, and closing the file (or the end of its process) releases
    // them. They bind only those who take them; reads and writes never wait.
    // A file layer without such locks treats every request as granted.
    //
    // Takes the range at once, or answers false when another open holds it
    // (or the system refused); the range stays locked until the file closes.
    virtual bool TryLockRange(uint64_t offset, uint64_t length) {
        (void)offset;
        (void)length;
        return true;
    }
    // Waits for the range. Threads that lock through this same object wait
    // for each other as well; a thread may lock again what it holds, and
    // unlocks as often as it locked. One waiting range per file.
    virtual void LockRange(uint64_t offset, uint64_t length) {
        (void)offset;
        (void)length;
    }
    virtual void UnlockRange(uint64_t offset, uint64_t length) {
        (void)offset;
        (void)length;
    }
};

// Every file operation the library makes goes through this interface, so
// tests can substitute it (to record writes, fail them or cut the power)
// while the library runs on the system's files otherwise.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens for reading and writing, creating the file when missing; every
    // write reaches the disk before it returns; other openers may only read.
    virtual std::unique_ptr<File> OpenAlways(const std::string& path) = 0;
    // As OpenAlways, but writes reach the disk only at Sync().
    virtual std::unique_ptr<File> OpenBuffered(const std::string& path) = 0;
    // As OpenBuffered, but for one opener at a time: nullptr while another
    // opener, in this process or another, holds the file this way. Its
    // AppendDurably may bypass the system's cache where that is quicker.
    virtual std::unique_ptr<File> OpenExclusive(const std::string& path) = 0;
    // Creates a file that must not exist yet, for reading and writing;
    // every write reaches the disk before it returns. nullptr when a file of
    // that name exists or it cannot be created: an existing file is never
    // touched.
    virtual std::unique_ptr<File> CreateNewFile(const std::string& path) = 0;
    // Opens an existing file for reading only.
    virtual std::unique_ptr<File> OpenExistingForRead(const std::string& path) = 0;
    // Deletes one file; false when it could not be deleted.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Renames a file, replacing any file of the new name in one step.
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
    // Makes the creations, renames and removals in a folder durable. An
    // empty folder path means the current folder.
    virtual bool SyncFolder(const std::string& folder) = 0;
    // True when the file system reports attributes for the path.
    virtual bool PathExists(const std::string& path) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;
    // Creates one folder with default security; false when that fails.
    virtual bool MakeDirectory(const std::string& path) = 0;
    // The names of the plain files (not folders) in a folder; empty when the
    // folder cannot be read. An empty folder path means the current folder.
    virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
};

// The file layer in force: the system's, unless a test replaced it.
FileSystem& Files();
// The system's own file layer (posix/ or win32/).
FileSystem& SystemFiles();
// For tests only, never exported: replaces the file layer for the whole
// process; nullptr restores the system's. Set it while no database is open.
void SetFilesForTesting(FileSystem* files);

inline std::unique_ptr<File> OpenAlways(const std::string& path) { return Files().OpenAlways(path); }
inline std::unique_ptr<File> OpenBuffered(const std::string& path) { return Files().OpenBuffered(path); }
inline std::unique_ptr<File> CreateNewFile(const std::string& path) { return Files().CreateNewFile(path); }
inline std::unique_ptr<File> OpenExistingForRead(const std::string& path) {
    return Files().OpenExistingForRead(path);
}
inline bool RemoveFile(const std::string& path) { return Files().RemoveFile(path); }
inline bool RenameFile(const std::string& from, const std::string& to) {
    return Files().RenameFile(from, to);
}
inline bool SyncFolder(const std::string& folder) { return Files().SyncFolder(folder); }
// The folder whose entry names `path`, the one SyncFolder makes a new or
// removed name durable in: the part before the last separator (the root
// itself for a name in the root); empty for a bare name. On Windows "/" and
// a drive's ":" end a folder too.
std::string FolderOf(const std::string& path);
inline bool PathExists(const std::string& path) { return Files().PathExists(path); }
inline bool IsDirectory(const std::string& path) { return Files().IsDirectory(path); }
inline bool MakeDirectory(const std::string& path) { return Files().MakeDirectory(path); }
inline std::vector<std::string> ListFiles(const std::string& folder) { return Files().ListFiles(folder); }

// ---- Named mutexes ---------------------------------------------------------

// A machine-wide named mutex held only for its existence: it exists while
// some handle to it is open, in this or any other process.
class NamedMarker {
public:
    virtual ~NamedMarker() = default;
};

enum class MarkerResult { kCreated, kExisted, kFailed };

// Creates the named mutex without owning it. kCreated with the handle when
// this call brought it into existence; kExisted (no handle kept) when it
// existed already; kFailed when the system refused. The test and the
// creation are one step towards other processes.
MarkerResult CreateMarker(const std::string& name, std::unique_ptr<NamedMarker>* handle);

// A machine-wide named mutex that serialises writers of one file among
// threads and processes. A holder that dies releases it.
class NamedLock {
public:
    virtual ~NamedLock() = default;
    // Waits without a time limit; an abandoned mutex counts as acquired.
    virtual void Acquire() = 0;
    virtual void Release() = 0;
};
std::unique_ptr<NamedLock> OpenNamedLock(const std::string& name);

// ---- Locks of one database file --------------------------------------------

// The writer role and the file-access lock of a database file belong to the
// file itself, so every opener of the same file meets them whatever its
// environment. `name` is the named mutex that stands for them where mutex
// names are machine-wide (Windows); elsewhere a byte range of `file` does.
//
// Claims the writer role without waiting: kCreated with the handle that
// holds it, kExisted when another opener holds it, kFailed when the system
// refused. The role lasts while the handle is kept and, on POSIX, until the
// file closes; the handle must not outlive `file`.
MarkerResult ClaimWriterRole(File& file, const std::string& name, std::unique_ptr<NamedMarker>* handle);
// The lock owned while the file is written; it must not outlive `file`.
std::unique_ptr<NamedLock> OpenFileAccessLock(File& file, const std::string& name);

// ---- Critical sections -----------------------------------------------------

// A recursive in-process lock. The library's own code never takes one it
// already holds (the thread-safety analysis checks that); the recursion is
// kept for callers outside the analysis.
class MVDB_CAPABILITY("mutex") CriticalSection {
public:
    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() MVDB_ACQUIRE() MVDB_NO_THREAD_SAFETY_ANALYSIS;
    void Leave() MVDB_RELEASE() MVDB_NO_THREAD_SAFETY_ANALYSIS;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class MVDB_SCOPED_CAPABILITY CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CriticalSection& cs) MVDB_ACQUIRE(cs) : cs_(cs) { cs_.Enter(); }
    ~CriticalSectionGuard() MVDB_RELEASE() { cs_.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CriticalSection& cs_;
};

// ---- Configuration (the machine-wide registry) -----------------------------

// A key of the machine hive, opened for reading.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // The string value's bytes up to its first NUL, when the value exists
    // and, NUL included, fits a buffer of bufferSize bytes.
    virtual std::optional<std::string> ReadString(const std::string& value, size_t bufferSize) = 0;
    // A 4-byte little-endian integer value of the integer type (REG_DWORD);
    // nullopt when missing, longer, or of another type, such as a string.
    virtual std::optional<int32_t> ReadInt32(const std::string& value) = 0;
};
// subkey uses backslashes, as "Software\\Tarnwick\\Marovale\\Folder".
std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& subkey);

// ---- Paths and folders -----------------------------------------------------

// The separator of path components: a backslash on Windows, a slash here.
extern const char kPathSeparator;

// The full path of the running executable, when it fits 259 bytes.
std::optional<std::string> ExecutablePath();

// The drive (possibly empty) and the directory part of a path, the directory
// ending with a separator; file name and extension are dropped.
struct SplitPathResult {
    std::string drive;
    std::string directory;
};
SplitPathResult SplitPath(const std::string& path);

// True when a folder chain may be created along this path: an absolute
// path below a root (a drive letter and colon on Windows, a leading slash
// here), longer than the root alone, and with at least one separator.
bool IsCreatablePath(const std::string& path);

// ---- Time ------------------------------------------------------------------

// Seconds since 1970-01-01 00:00 UTC, as a 32-bit count.
int32_t CurrentTime();

// ---- Multibyte code page ---------------------------------------------------

// The code page of the system's narrow strings, chosen when a database is
// opened. The string functions stop at a NUL.
class CodePage {
public:
    virtual ~CodePage() = default;
    virtual int Number() const = 0;
    // True when b starts a double-byte character.
    virtual bool IsLeadByte(unsigned char b) const = 0;
    // Compares without regard to case, character by character (<0, 0, >0).
    virtual int CompareNoCase(const char* a, const char* b) const = 0;
    // The first occurrence of the single-byte character c, never the second
    // byte of a double-byte character; nullptr when absent.
    virtual const char* FindChar(const char* s, unsigned char c) const = 0;
    // The single-byte form of a double-byte character (lead << 8 | trail),
    // or the character unchanged when it has none.
    virtual unsigned int ToSingleByte(unsigned int c) const = 0;
    // The key under which CompareNoCase weighs a character (a byte, or
    // lead << 8 | trail): two characters that it finds equal have the same
    // key. Where the code page's folding is known exactly, different keys
    // also mean different characters; elsewhere the key may be coarser
    // (several characters share it), never finer. Name indexes rest on it.
    virtual unsigned int CaselessKey(unsigned int c) const = 0;
};

// The code page in force now: the configured one on POSIX, the run-time
// library's current multibyte code page on Windows.
std::unique_ptr<CodePage> CurrentCodePage();

// The name of the default live-video category in this code page, as the
// library's string resource 1 gives it; empty when it cannot be found.
std::string LiveVideoCategoryName(const CodePage& codePage);

}  // namespace mvdb::platform
