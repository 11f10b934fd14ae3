#include "format/info_area.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/container.h"

namespace mvdb::format {

InfoArea InfoAreaOf(const char* elementBytes) {
    InfoArea area;
    std::memcpy(&area, elementBytes + offsetof(MediaElement, infoArea), sizeof area);
    return area;
}

std::string InfoFileName(int32_t index, int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "MVDB%d-%d.dat", index, number);
    return name;
}

namespace {

constexpr char kPrefix[] = "MVDB";
constexpr size_t kPrefixBytes = sizeof(kPrefix) - 1;
constexpr char kSuffix[] = ".dat";
constexpr size_t kSuffixBytes = sizeof(kSuffix) - 1;

bool AllDigits(const std::string& text, size_t begin, size_t end) {
    if (begin >= end) return false;
    for (size_t i = begin; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

}  // namespace

bool IsInfoFileName(const std::string& name) {
    if (name.size() < kPrefixBytes + 3 + kSuffixBytes || name.compare(0, kPrefixBytes, kPrefix) != 0 ||
        name.compare(name.size() - kSuffixBytes, kSuffixBytes, kSuffix) != 0) {
        return false;
    }
    const size_t hyphen = name.find('-', kPrefixBytes);
    return hyphen != std::string::npos && AllDigits(name, kPrefixBytes, hyphen) &&
           AllDigits(name, hyphen + 1, name.size() - kSuffixBytes);
}

std::optional<InfoFileKey> ParseInfoFileName(const std::string& name) {
    if (!IsInfoFileName(name)) return std::nullopt;
    const size_t hyphen = name.find('-', kPrefixBytes);
    const size_t numberDigits = name.size() - kSuffixBytes - hyphen - 1;
    if (hyphen - kPrefixBytes > 10 || numberDigits != 1) return std::nullopt;
    const long long index = std::strtoll(name.c_str() + kPrefixBytes, nullptr, 10);
    if (index > INT32_MAX) return std::nullopt;
    const InfoFileKey key{static_cast<int32_t>(index), name[hyphen + 1] - '0'};
    // Leading zeros make a name that InfoFileName never builds.
    if (InfoFileName(key.index, key.number) != name) return std::nullopt;
    return key;
}

}  // namespace mvdb::format
