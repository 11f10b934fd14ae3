#include "support/bench_database.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "mvdb.h"
#include "support/container_bytes.h"

namespace mvdb::bench {

BenchDatabase::BenchDatabase() : registry_(folder_.path().string()) {
#if !defined(_WIN32)
    ::setenv("MVDB_LOCK_DIR", (folder_ / "locks").c_str(), 1);
#endif
    registry_.Set({std::map<std::string, test::RegistryValue>{{"DBCATEGORY", folder_ / "MVDBCAT.db"},
                                                              {"DBMEDIA", folder_ / "MVDBMF.db"},
                                                              {"DBHOST", folder_ / "MVDBCLT.db"},
                                                              {"DBINFODIR", folder_ / "Info"}},
                   std::map<std::string, test::RegistryValue>{{"HostName", std::string("benchhost")}}});
}

BenchDatabase::~BenchDatabase() {
    if (handle_ != MVDB_INVALID_HANDLE) CloseMVDB(handle_);
}

void BenchDatabase::Close() {
    if (handle_ != MVDB_INVALID_HANDLE) CloseMVDB(handle_);
    handle_ = MVDB_INVALID_HANDLE;
}

MVDB_HANDLE BenchDatabase::Open() {
    if (handle_ == MVDB_INVALID_HANDLE) handle_ = OpenMVDB();
    return handle_;
}

MediaInfo BenchMediaItem(int32_t i) {
    MediaInfo info{};
    info.recordSize = sizeof(MediaInfo);
    std::snprintf(info.title, sizeof info.title, "Title %d", i);
    std::snprintf(info.location, sizeof info.location, "\\\\store\\media\\file%06d.mpg", i);
    std::snprintf(info.keyName, sizeof info.keyName, "key%d", i);
    std::snprintf(info.hostName, sizeof info.hostName, "%s", i % 3 ? "benchhost" : "otherhost");
    info.updateTime = i;
    info.categoryId = 0;
    info.recordIndex = i;
    info.mediaType = i % 2 ? 0x110 : 0x100;  // media classes 2 and 1
    info.rangeProperty = static_cast<uint32_t>(i);
    const uint64_t ticks = (static_cast<uint64_t>(i) * 3600 + 13000000000ull) * 10000000ull;
    info.fileTimeA = {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
    return info;
}

FindCriteria TitleTextNode(const char* pattern) {
    FindCriteria text{};
    text.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    text.criteriaKind = MVDB_CRITERIA_TEXT;
    text.criteriaTarget = MVDB_TARGET_TITLE;
    text.combineRule = MVDB_COMBINE_REQUIRED;
    text.matchMode = MVDB_MATCH_IGNORE_CASE;
    std::snprintf(text.pattern, sizeof text.pattern, "%s", pattern);
    return text;
}

std::string BenchDatabase::WriteMediaFile(int32_t elements) {
    std::string bytes = test::ContainerBytes(DBAccount{}, elements, "");
    bytes.reserve(bytes.size() + static_cast<size_t>(elements) * test::kMediaElementBytes);
    std::string element(test::kMediaElementBytes, '\0');
    for (int32_t i = 0; i < elements; ++i) {
        const MediaInfo info = BenchMediaItem(i);
        std::memcpy(element.data(), &info, sizeof info);
        bytes += element;
    }
    test::WriteFileBytes(mediaFile(), bytes);
    return mediaFile();
}

}  // namespace mvdb::bench
