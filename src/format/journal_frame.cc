#include "format/journal_frame.h"

#include <array>
#include <cstring>

namespace mvdb::format {

namespace {

constexpr char kHeaderMagic[16] = "MVDB journal 1";

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutName(std::vector<uint8_t>& out, const std::string& name) {
    Put16(out, static_cast<uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads the operations of a payload whose CRC matched; false when they do
// not parse (a frame written by something else).
class PayloadReader {
public:
    PayloadReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool Done() const { return at_ == n_; }
    bool U8(uint8_t* v) {
        if (n_ - at_ < 1) return false;
        *v = p_[at_++];
        return true;
    }
    bool U16(uint16_t* v) {
        if (n_ - at_ < 2) return false;
        *v = static_cast<uint16_t>(p_[at_] | p_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool U32(uint32_t* v) {
        if (n_ - at_ < 4) return false;
        *v = Get32(p_ + at_);
        at_ += 4;
        return true;
    }
    bool U64(uint64_t* v) {
        uint32_t lo, hi;
        if (!U32(&lo) || !U32(&hi)) return false;
        *v = static_cast<uint64_t>(hi) << 32 | lo;
        return true;
    }
    bool Bytes(size_t count, std::vector<uint8_t>* out) {
        if (n_ - at_ < count) return false;
        out->assign(p_ + at_, p_ + at_ + count);
        at_ += count;
        return true;
    }
    bool Name(std::string* out) {
        uint16_t count;
        if (!U16(&count) || n_ - at_ < count) return false;
        out->assign(reinterpret_cast<const char*>(p_ + at_), count);
        at_ += count;
        return true;
    }

private:
    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
};

bool DecodePayload(const uint8_t* p, size_t n, JournalChange* change) {
    PayloadReader in(p, n);
    while (!in.Done()) {
        uint8_t kind;
        if (!in.U8(&kind)) return false;
        if (kind == 1) {
            FileWrite write;
            uint8_t file;
            uint32_t count;
            if (!in.U8(&file) || file > 2 || !in.U64(&write.offset) || !in.U32(&count) ||
                !in.Bytes(count, &write.bytes)) {
                return false;
            }
            write.file = static_cast<JournalFile>(file);
            change->writes.push_back(std::move(write));
        } else if (kind == static_cast<uint8_t>(InfoStep::Kind::kPut)) {
            InfoStep step{InfoStep::Kind::kPut, {}, {}};
            if (!in.Name(&step.tempName) || !in.Name(&step.name)) return false;
            change->infoSteps.push_back(std::move(step));
        } else if (kind == static_cast<uint8_t>(InfoStep::Kind::kRemove)) {
            InfoStep step{InfoStep::Kind::kRemove, {}, {}};
            if (!in.Name(&step.name)) return false;
            change->infoSteps.push_back(std::move(step));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

uint32_t Crc32(const void* data, size_t n, uint32_t crc) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::vector<uint8_t> EncodeJournalHeader(uint32_t salt) {
    std::vector<uint8_t> out(kHeaderMagic, kHeaderMagic + sizeof kHeaderMagic);
    Put32(out, salt);
    Put32(out, Crc32(out.data(), out.size()));
    out.resize(kJournalHeaderBytes, 0);
    return out;
}

std::optional<uint32_t> DecodeJournalHeader(const uint8_t* bytes, size_t n) {
    if (n < 24 || std::memcmp(bytes, kHeaderMagic, sizeof kHeaderMagic) != 0) return std::nullopt;
    if (Get32(bytes + 20) != Crc32(bytes, 20)) return std::nullopt;
    return Get32(bytes + 16);
}

std::vector<uint8_t> EncodeFrame(uint32_t salt, uint32_t sequence, const JournalChange& change) {
    std::vector<uint8_t> out;
    size_t reserve = kFrameHeaderBytes;
    for (const FileWrite& w : change.writes) reserve += 14 + w.bytes.size();
    out.reserve(reserve);
    out.resize(kFrameHeaderBytes);
    for (const FileWrite& w : change.writes) {
        out.push_back(1);
        out.push_back(static_cast<uint8_t>(w.file));
        Put64(out, w.offset);
        Put32(out, static_cast<uint32_t>(w.bytes.size()));
        out.insert(out.end(), w.bytes.begin(), w.bytes.end());
    }
    for (const InfoStep& step : change.infoSteps) {
        out.push_back(static_cast<uint8_t>(step.kind));
        if (step.kind == InfoStep::Kind::kPut) PutName(out, step.tempName);
        PutName(out, step.name);
    }
    std::vector<uint8_t> head;
    Put32(head, kFrameMagic);
    Put32(head, salt);
    Put32(head, sequence);
    Put32(head, static_cast<uint32_t>(out.size() - kFrameHeaderBytes));
    uint32_t crc = Crc32(head.data() + 4, 12);
    crc = Crc32(out.data() + kFrameHeaderBytes, out.size() - kFrameHeaderBytes, crc);
    Put32(head, crc);
    std::memcpy(out.data(), head.data(), kFrameHeaderBytes);
    return out;
}

JournalContent ReadJournal(const uint8_t* bytes, size_t n) {
    JournalContent content;
    const std::optional<uint32_t> salt = DecodeJournalHeader(bytes, n);
    if (!salt) return content;
    content.soundHeader = true;
    content.salt = *salt;
    size_t at = kJournalHeaderBytes;
    for (uint32_t sequence = 1;; ++sequence) {
        if (n < at || n - at < kFrameHeaderBytes) break;
        const uint8_t* head = bytes + at;
        const uint32_t payload = Get32(head + 12);
        if (Get32(head) != kFrameMagic || Get32(head + 4) != *salt || Get32(head + 8) != sequence ||
            n - at - kFrameHeaderBytes < payload) {
            break;
        }
        uint32_t crc = Crc32(head + 4, 12);
        crc = Crc32(head + kFrameHeaderBytes, payload, crc);
        if (crc != Get32(head + 16)) break;
        JournalChange change;
        if (!DecodePayload(head + kFrameHeaderBytes, payload, &change)) break;
        content.frames.push_back(std::move(change));
        at += kFrameHeaderBytes + payload;
        content.end = at;
    }
    return content;
}

std::string JournalPathBeside(const std::string& mediaFile, bool backslashes) {
    const size_t cut = mediaFile.find_last_of(backslashes ? "\\/:" : "/");
    const std::string folder = cut == std::string::npos ? std::string() : mediaFile.substr(0, cut + 1);
    return folder + kJournalFileName;
}

bool IsTempInfoName(const std::string& name) {
    const size_t mark = name.find(kTempInfoMark);
    if (name.compare(0, 4, "MVDB") != 0 || mark == std::string::npos) return false;
    const size_t digits = mark + sizeof kTempInfoMark - 1;
    if (digits >= name.size()) return false;
    for (size_t i = digits; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

}  // namespace mvdb::format
