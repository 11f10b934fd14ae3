// The search inputs: FindMedia criteria lists of any bytes (patterns without
// a terminator, unknown kinds, lists that loop), and records, names and
// accounts whose text fields fill their whole width without a terminator.
// One database stays open for the whole run; what an input adds it deletes,
// so deleted slots are reused and the catalogues stay small.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_database.h"
#include "mvdb.h"

namespace {

constexpr size_t kMaxNodes = 8;
constexpr int32_t kEntriesRead = 64;

// The input as a stream of bytes; past its end, zeros.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    void Fill(void* target, size_t n) {
        auto* out = static_cast<uint8_t*>(target);
        for (size_t i = 0; i < n; ++i) out[i] = Next();
    }
    // A terminated text of the input's bytes, up to the next NUL or `limit`.
    std::string Text(size_t limit) {
        std::string text;
        while (text.size() < limit && at_ < size_) {
            const char c = static_cast<char>(Next());
            if (c == '\0') break;
            text += c;
        }
        return text;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Items whose texts the criteria are tested against, some with info piece 0.
MVDB_HANDLE OpenSeeded() {
    mvdb::fuzz::Database();
    MVDB_HANDLE h = OpenMVDB();
    if (h == MVDB_INVALID_HANDLE || h == nullptr) std::abort();
    const char* titles[] = {"NEWS at nine",
                            "Weekend News",
                            "a-b_c d",
                            "\x83\x6a\x83\x85\x81\x5b\x83\x58",
                            "\xef\xbc\xa1\xef\xbc\xa2",
                            "Caf\xe9",
                            ""};
    for (const char* title : titles) {
        MediaInfo item{};
        std::strcpy(item.title, title);
        std::strcpy(item.location, "file://media/item");
        std::strcpy(item.keyName, "key");
        item.mediaType = 0x110;
        item.rangeProperty = 50;
        const int32_t index = AddMediaInfo(h, &item);
        if (index >= 0) SetAddInfo(h, index, 0, static_cast<int32_t>(std::strlen(title)), 0, title);
    }
    return h;
}

MVDB_HANDLE Handle() {
    static const MVDB_HANDLE h = OpenSeeded();
    return h;
}

void ReadSlot(MVDB_HANDLE h, int32_t found, int32_t slot) {
    for (int32_t n = 0; n < found && n < kEntriesRead; ++n) {
        MediaInfo info{};
        GetChangedData(h, n, &info, slot);
    }
}

// Nodes of the input's bytes; each node's last byte decides where its next
// pointer leads: on, back to an earlier node (a loop), or nowhere.
void Find(MVDB_HANDLE h, Bytes& in) {
    const int32_t slot = static_cast<int32_t>(in.Next() % 70) - 3;
    std::vector<FindCriteria> nodes;
    while (!in.Empty() && nodes.size() < kMaxNodes) {
        FindCriteria node;
        in.Fill(&node, offsetof(FindCriteria, next));
        nodes.push_back(node);
    }
    if (nodes.empty()) nodes.push_back(FindCriteria{});
    for (size_t i = 0; i < nodes.size(); ++i) {
        const uint8_t link = in.Next();
        if (i + 1 < nodes.size() && link < 200) {
            nodes[i].next = &nodes[i + 1];
        } else if (link >= 200) {
            nodes[i].next = &nodes[link % (i + 1)];
        } else {
            nodes[i].next = nullptr;
        }
    }
    ReadSlot(h, FindMedia(h, 0, nodes.data(), slot), slot);
}

// A media item whose fields hold the input's bytes, with no terminators.
void MediaRecord(MVDB_HANDLE h, Bytes& in) {
    MediaInfo item;
    in.Fill(&item, sizeof item);
    item.categoryId &= 3;
    MediaInfo copy = item;
    const int32_t index = AddMediaInfo(h, &copy);
    if (index < 0) return;
    FindCriteria node =
        mvdb::fuzz::EverywhereTextNode(item.title, sizeof item.title);  // no terminator either
    ReadSlot(h, FindMedia(h, 0, &node, 1), 1);
    MediaInfo back{};
    GetMediaInfo(h, index, &back);
    const std::string location = in.Text(300);
    const std::string key = in.Text(300);
    SearchMedia(h, location.c_str(), key.c_str());
    SearchMediaNext(h, location.c_str(), key.c_str(), 0);
    MediaInfo change = item;
    ModifyMediaInfo(h, &change);
    ReplaceMediaInfo(h, index, &item);
    DelMediaInfo(h, index);
}

// A client, a category and a user account of the input's bytes, and the
// lookups by name that follow.
void OtherRecords(MVDB_HANDLE h, Bytes& in) {
    ClientInfo client;
    in.Fill(&client, sizeof client);
    ClientInfo login = client;
    const int32_t clientIndex = AddClientInfo(h, &client);
    LoginClient(h, &login);
    const std::string name = in.Text(300);
    ClientInfo found{};
    GetClientInfoByName(h, name.c_str(), &found);
    CheckChangedDataByName(h, name.c_str(), 2);
    if (clientIndex >= 0) {
        ReplaceClientInfo(h, clientIndex, &login);
        DelClientInfo(h, clientIndex);
    }

    CategoryInfo category;
    in.Fill(&category, sizeof category);
    category.parentId = category.parentId & 3;
    const int32_t categoryId = AddCategoryInfo(h, &category);
    if (categoryId >= 0) {
        CheckChildCategory(h, categoryId, 3);
        ReplaceCategoryInfo(h, categoryId, &category);
        DelCategoryInfo(h, categoryId, 0);
    }

    DBAccount account;
    in.Fill(&account, sizeof account);
    const int32_t user = AddUser(h, &account);
    const std::string userName = in.Text(100);
    const std::string password = in.Text(100);
    LoginUser(h, userName.c_str(), password.c_str());
    const int32_t users = CheckUser(h, 4);
    for (int32_t n = 0; n < users && n < kEntriesRead; ++n) {
        DBAccount out{};
        GetCheckedUser(h, n, &out, 4);
    }
    if (user >= 0) {
        ModifyUser(h, user, &account);
        DelUser(h, user);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MVDB_HANDLE h = Handle();
    Bytes in(data, size);
    switch (in.Next() % 3) {
        case 0:
            Find(h, in);
            break;
        case 1:
            MediaRecord(h, in);
            break;
        default:
            OtherRecords(h, in);
            break;
    }
    return 0;
}
