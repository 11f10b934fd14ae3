// Records from callers whose strings fill their fields without a NUL: every
// comparison, copy and formatted write stays inside the field. Run under
// AddressSanitizer, a read past a field is a failure.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

// A record at the very end of its own heap block, so that the sanitizer sees
// any byte read behind it.
template <typename Record>
std::unique_ptr<Record> Exact(const Record& record) {
    auto copy = std::make_unique<Record>();
    std::memcpy(copy.get(), &record, sizeof record);
    return copy;
}

MediaInfo Unterminated() {
    MediaInfo info{};
    std::memset(info.title, 'T', sizeof info.title);
    std::memset(info.location, 'L', sizeof info.location);
    std::memset(info.keyName, 'K', sizeof info.keyName);
    std::memset(info.hostName, 'H', sizeof info.hostName);
    std::memset(info.callerData1, 'C', sizeof info.callerData1);
    info.categoryId = 0;
    info.mediaType = 0x300;  // live: the location is rebuilt from the fields
    info.inputKind = 7;      // an input kind that leaves the location as given
    return info;
}

class UntrustedInputTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    test::OpenDatabase db_;
};

TEST_F(UntrustedInputTest, MediaFieldsWithoutNul) {
    auto info = Exact(Unterminated());
    const int32_t index = AddMediaInfo(h(), info.get());
    ASSERT_GE(index, 0);
    MediaInfo stored{};
    ASSERT_EQ(GetMediaInfo(h(), index, &stored), 0);
    EXPECT_EQ(std::memcmp(stored.keyName, info->keyName, sizeof stored.keyName), 0);

    // Modify by key name compares the whole field, no more.
    auto byKey = Exact(Unterminated());
    byKey->recordIndex = -1;
    byKey->rangeProperty = 9;
    EXPECT_EQ(ModifyMediaInfo(h(), byKey.get()), index);
    EXPECT_EQ(ReplaceMediaInfo(h(), index, info.get()), 0);

    // A stored host name that fills its field is not this host's.
    EXPECT_EQ(CheckChangedData(h(), 0, 1), 20);
    EXPECT_EQ(SearchMedia(h(), std::string(260, 'L').c_str(), nullptr), MVDB_ERR_NOT_FOUND);

    // This host's item with unterminated location and key is found by them.
    auto own = Exact(Unterminated());
    std::snprintf(own->hostName, sizeof own->hostName, "mediaserver");
    const int32_t ownIndex = AddMediaInfo(h(), own.get());
    EXPECT_EQ(SearchMedia(h(), std::string(260, 'l').c_str(), nullptr), ownIndex);
    EXPECT_EQ(SearchMediaNext(h(), nullptr, std::string(260, 'k').c_str(), 0), ownIndex);
    EXPECT_EQ(SearchMedia(h(), std::string(259, 'l').c_str(), nullptr), MVDB_ERR_NOT_FOUND);
}

TEST_F(UntrustedInputTest, CategoryNameWithoutNul) {
    CategoryInfo category = test::Category("", 0);
    std::memset(category.categoryName, 'N', sizeof category.categoryName);
    auto exact = Exact(category);
    const int32_t id = AddCategoryInfo(h(), exact.get());
    ASSERT_GE(id, 0);
    CategoryInfo out{};
    ASSERT_EQ(GetCategoryInfo(h(), id, &out), 0);
    EXPECT_EQ(std::memcmp(out.categoryName, exact->categoryName, sizeof out.categoryName), 0);
}

TEST_F(UntrustedInputTest, AccountTextsWithoutNul) {
    DBAccount account;
    std::memset(&account, 'A', sizeof account);
    auto exact = Exact(account);
    ASSERT_EQ(SetDBAccount(h(), exact.get()), 0);
    auto out = Exact(DBAccount{});
    ASSERT_EQ(GetDBAccount(h(), out.get()), 0);
    EXPECT_EQ(std::strlen(out->userName), 63u);
}

}  // namespace
}  // namespace mvdb
