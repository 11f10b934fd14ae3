// One database file as the fuzzer writes it, loaded by OpenMVDB and then
// read and changed through the exports. MVDB_FUZZ_FILE names the file the
// input becomes ("MVDBCAT.db", "MVDBMF.db" or "MVDBCLT.db"); the other two
// stay as the first run made them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_database.h"
#include "mvdb.h"

namespace {

constexpr int32_t kRecordsVisited = 64;

void ReadCategories(MVDB_HANDLE h) {
    const int32_t count = GetCategoryCount(h);
    for (int32_t i = 0; i < count && i < kRecordsVisited; ++i) {
        CategoryInfo info{};
        GetCategoryInfo(h, i, &info);
        uint32_t flags = 0;
        GetCategoryAccessFlag(h, i, &flags);
    }
    const int32_t children = CheckChildCategory(h, 0, 1);
    for (int32_t n = 0; n < children && n < kRecordsVisited; ++n) {
        CategoryInfo info{};
        GetCheckedCategory(h, n, &info, 1);
    }
}

void ReadMedia(MVDB_HANDLE h) {
    const int32_t count = GetMediaCount(h);
    for (int32_t i = 0; i < count && i < kRecordsVisited; ++i) {
        MediaInfo info{};
        GetMediaInfo(h, i, &info);
        CheckAddInfo(h, i);
        int32_t size = 0;
        int32_t type = 0;
        if (GetAddInfoType(h, i, 0, &size, &type) == 0 && size >= 0 && size < 4096) {
            char buffer[4097];
            GetAddInfo(h, i, 0, buffer);
        }
    }
    const int32_t changed = CheckChangedData(h, 0, 2);
    for (int32_t n = 0; n < changed && n < kRecordsVisited; ++n) {
        MediaInfo info{};
        GetChangedData(h, n, &info, 2);
    }
    CheckNormalData(h, 3);
    CheckCategorizedData(h, 1, 4);
    SearchMedia(h, "file://fuzz", "key");
    FindCriteria node = mvdb::fuzz::EverywhereTextNode("a", 2);
    FindMedia(h, 0, &node, 5);
}

void ReadClients(MVDB_HANDLE h) {
    const int32_t count = GetClientCount(h);
    for (int32_t i = 0; i < count && i < kRecordsVisited; ++i) {
        ClientInfo info{};
        GetClientInfo(h, i, &info);
    }
    const int32_t users = CheckUser(h, 6);
    for (int32_t n = 0; n < users && n < kRecordsVisited; ++n) {
        DBAccount account{};
        GetCheckedUser(h, n, &account, 6);
    }
    LoginUser(h, "alice", "secret");
    ClientInfo found{};
    GetClientInfoByName(h, "player", &found);
    CheckChangedDataByName(h, "player", 7);
}

// One change per catalogue, so writes follow whatever the load made of the file.
void ChangeEach(MVDB_HANDLE h) {
    CategoryInfo category{};
    std::strcpy(category.categoryName, "fuzzed");
    const int32_t categoryId = AddCategoryInfo(h, &category);
    MediaInfo item{};
    std::strcpy(item.title, "fuzzed item");
    item.categoryId = categoryId >= 0 ? categoryId : 0;
    const int32_t index = AddMediaInfo(h, &item);
    if (index >= 0) {
        SetAddInfo(h, index, 0, 3, 0, "abc");
        DelMediaInfo(h, index);
    }
    ClientInfo client{};
    std::strcpy(client.clientName, "player");
    const int32_t clientIndex = AddClientInfo(h, &client);
    if (clientIndex >= 0) DelClientInfo(h, clientIndex);
    if (categoryId >= 0) DelCategoryInfo(h, categoryId, 0);
    DBAccount account{};
    GetDBAccount(h, &account);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const mvdb::fuzz::FuzzDatabase& database = mvdb::fuzz::Database();
    database.Write(MVDB_FUZZ_FILE, data, size);
    MVDB_HANDLE h = OpenMVDB();
    // Nothing else opens this folder's database: a refusal is a fault.
    if (h == MVDB_INVALID_HANDLE || h == nullptr) std::abort();
    ReadCategories(h);
    ReadMedia(h);
    ReadClients(h);
    ChangeEach(h);
    CloseMVDB(h);
    database.RemoveKeptCopies();
    return 0;
}
