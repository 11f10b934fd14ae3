#include "cli/catalogue_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace mvdb::cli {

namespace {

// Records read from the disk at a time.
constexpr uint64_t kRecordsPerBlock = 512;

constexpr const CatalogueTraits (&kCatalogues)[3] = format::kCatalogueFormats;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

const CatalogueTraits& TraitsOf(Catalogue kind) {
    for (const CatalogueTraits& traits : kCatalogues) {
        if (traits.kind == kind) return traits;
    }
    return kCatalogues[0];
}

std::optional<Catalogue> CatalogueNamed(const std::string& word) {
    for (const CatalogueTraits& traits : kCatalogues) {
        if (Lower(word) == traits.name) return traits.kind;
    }
    return std::nullopt;
}

CatalogueFile::CatalogueFile(const std::string& path) : path_(path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw FileError(path + " is a folder");
    in_.open(path, std::ios::binary);
    if (!in_) throw FileError("cannot open " + path + ": " + std::strerror(errno));
    in_.seekg(0, std::ios::end);
    const std::streamoff end = in_.tellg();
    if (end < 0) throw FileError("cannot read " + path);
    size_ = static_cast<uint64_t>(end);

    std::vector<char> header;
    const uint64_t headerBytes = std::min<uint64_t>(size_, kRecordsOffset);
    header.resize(static_cast<size_t>(headerBytes));
    in_.seekg(0);
    if (!in_.read(header.data(), static_cast<std::streamsize>(headerBytes))) {
        throw FileError("cannot read " + path);
    }

    const size_t magicHeld = static_cast<size_t>(std::min<uint64_t>(headerBytes, kMagicBytes));
    magicText_.assign(header.data(), strnlen(header.data(), magicHeld));
    magicIsValid_ = magicHeld == kMagicBytes && std::memcmp(header.data(), kFileMagic, kMagicBytes) == 0;

    if (headerBytes > kAccountOffset) {
        accountBytesHeld_ = std::min<uint64_t>(headerBytes - kAccountOffset, kAccountBytes);
        std::memcpy(&account_, header.data() + kAccountOffset, static_cast<size_t>(accountBytesHeld_));
    }
    if (headerBytes >= kRecordsOffset) {
        int32_t count = 0;
        std::memcpy(&count, header.data() + kCountOffset, sizeof count);
        count_ = count;
    }
}

uint64_t CatalogueFile::RecordsHeld(uint32_t recordSize) const {
    return size_ < kRecordsOffset ? 0 : (size_ - kRecordsOffset) / recordSize;
}

std::optional<Catalogue> CatalogueFile::Tell(std::optional<Catalogue> forced) const {
    if (forced) return forced;
    const std::string name = Lower(std::filesystem::path(path_).filename().string());
    for (const CatalogueTraits& traits : kCatalogues) {
        if (name == Lower(traits.fileName)) return traits.kind;
    }
    // Every record starts with its own size as the library stores it.
    if (count_ && *count_ > 0 && size_ >= kRecordsOffset + sizeof(uint32_t)) {
        uint32_t sizeField = 0;
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(kRecordsOffset));
        if (in.read(reinterpret_cast<char*>(&sizeField), sizeof sizeField)) {
            for (const CatalogueTraits& traits : kCatalogues) {
                if (sizeField == traits.recordSizeField) return traits.kind;
            }
        }
    }
    std::optional<Catalogue> fitting;
    if (count_ && *count_ > 0) {
        for (const CatalogueTraits& traits : kCatalogues) {
            if (kRecordsOffset + uint64_t{traits.fileRecordSize} * static_cast<uint64_t>(*count_) != size_)
                continue;
            if (fitting) return std::nullopt;
            fitting = traits.kind;
        }
    }
    return fitting;
}

bool CatalogueFile::ReadRecords(uint64_t first, uint64_t n, uint32_t recordSize, std::vector<char>* out) {
    out->resize(static_cast<size_t>(n * recordSize));
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(kRecordsOffset + first * recordSize));
    return static_cast<bool>(in_.read(out->data(), static_cast<std::streamsize>(out->size())));
}

uint64_t RecordsToRead(const CatalogueFile& file, uint32_t recordSize) {
    if (!file.count() || *file.count() <= 0) return 0;
    return std::min<uint64_t>(static_cast<uint64_t>(*file.count()), file.RecordsHeld(recordSize));
}

bool VisitRecords(CatalogueFile& file, uint32_t recordSize,
                  const std::function<void(uint64_t, const char*)>& visit,
                  const std::function<void(uint64_t)>& progress) {
    const uint64_t total = RecordsToRead(file, recordSize);
    std::vector<char> block;
    for (uint64_t done = 0; done < total;) {
        const uint64_t n = std::min(kRecordsPerBlock, total - done);
        if (!file.ReadRecords(done, n, recordSize, &block)) return false;
        for (uint64_t i = 0; i < n; ++i) visit(done + i, block.data() + i * recordSize);
        done += n;
        if (progress) progress(done);
    }
    return true;
}

std::vector<ClientInfo> ReadClientRecords(const std::string& path) {
    std::vector<ClientInfo> records;
    try {
        CatalogueFile file(path);
        if (!file.magicIsValid()) return records;
        VisitRecords(file, sizeof(ClientInfo), [&](uint64_t, const char* bytes) {
            ClientInfo info;
            std::memcpy(&info, bytes, sizeof info);
            records.push_back(info);
        });
    } catch (const FileError&) {
    }
    return records;
}

}  // namespace mvdb::cli
