// The journal beside the media file: every change to the catalogue files
// and the info folder is first appended to it as one checksummed frame, so
// a change is on the disk whole or not at all.
//
//   header, bytes 0..511 (one sector of its own)
//     byte 0   16 bytes  "MVDB journal 1\0\0"
//     byte 16  uint32    salt: changes whenever the journal is reset
//     byte 20  uint32    CRC-32 of bytes 0..19
//   frames from byte 512, one after another
//     byte 0   uint32    kFrameMagic
//     byte 4   uint32    salt of the header it was written under
//     byte 8   uint32    sequence, 1 for the first frame after a reset
//     byte 12  uint32    payload bytes
//     byte 16  uint32    CRC-32 of bytes 4..15 and the payload
//     byte 20  payload:  operations, each starting with its kind byte
//       kWrite        uint8 file (0 categories, 1 media, 2 clients),
//                     uint64 offset, uint32 n, n bytes
//       kPutInfo      uint16 n, temporary name; uint16 m, final name: the
//                     temporary file (already durable) becomes the piece
//       kRemoveInfo   uint16 n, name
//
// Integers are little-endian. A frame whose magic, salt, sequence or CRC
// does not match ends the journal: frames after a torn one are never used.
// Info names are file names inside the info folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mvdb::format {

inline constexpr char kJournalFileName[] = "MVDB.journal";
inline constexpr size_t kJournalHeaderBytes = 512;
inline constexpr size_t kFrameHeaderBytes = 20;
inline constexpr uint32_t kFrameMagic = 0x464A564D;  // "MVJF"
// Temporary info files carry this between the piece's name and a number.
inline constexpr char kTempInfoMark[] = ".dat~";

uint32_t Crc32(const void* data, size_t n, uint32_t crc = 0);

enum class JournalFile : uint8_t { kCategories = 0, kMedia = 1, kClients = 2 };

struct FileWrite {
    JournalFile file;
    uint64_t offset;
    std::vector<uint8_t> bytes;
};

struct InfoStep {
    enum class Kind : uint8_t { kPut = 2, kRemove = 3 };
    Kind kind;
    std::string name;      // the piece's file name
    std::string tempName;  // kPut only
};

// Everything one change does to the files, in the order it is done.
struct JournalChange {
    std::vector<FileWrite> writes;
    std::vector<InfoStep> infoSteps;
    bool empty() const { return writes.empty() && infoSteps.empty(); }
};

std::vector<uint8_t> EncodeJournalHeader(uint32_t salt);
// The salt of a sound header; nullopt for a torn or foreign one.
std::optional<uint32_t> DecodeJournalHeader(const uint8_t* bytes, size_t n);

std::vector<uint8_t> EncodeFrame(uint32_t salt, uint32_t sequence, const JournalChange& change);

// The complete frames of a journal's bytes (header included), in order,
// and where the first unused byte is.
struct JournalContent {
    bool soundHeader = false;
    uint32_t salt = 0;
    std::vector<JournalChange> frames;
    size_t end = kJournalHeaderBytes;
};
JournalContent ReadJournal(const uint8_t* bytes, size_t n);

// Where the journal of a media file lies: beside it. With `backslashes`
// (Windows paths) '\\', '/' and ':' end a folder, else '/' alone.
std::string JournalPathBeside(const std::string& mediaFile, bool backslashes);

// True for the name of a temporary info file ("MVDB3-1.dat~17").
bool IsTempInfoName(const std::string& name);

}  // namespace mvdb::format
