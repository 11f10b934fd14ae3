// Counting, reading and searching media, and gathering items into result slots.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "media/media_element.h"
#include "platform/platform.h"
#include "storage/record_file.h"
#include "support/records.h"
#include "support/temp_folder.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::Media;

class MediaQueriesTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    int32_t Add(MediaInfo info) { return AddMediaInfo(h(), &info); }
    std::vector<std::string> SlotTitles(int32_t slot, int32_t count) {
        std::vector<std::string> titles;
        for (int32_t i = 0; i < count; ++i) {
            MediaInfo out{};
            EXPECT_EQ(GetChangedData(h(), i, &out, slot), 0);
            titles.push_back(out.title);
        }
        return titles;
    }
    test::OpenDatabase db_;
};

TEST_F(MediaQueriesTest, ChangedSinceGathersThisHostsLiveItems) {
    EXPECT_EQ(CheckChangedData(h(), 0, 0), 20);  // the seeded channels carry time 0
    const int32_t now = platform::CurrentTime();
    Add(Media("mine"));
    Add(Media("theirs", 0, "", "elsewhere"));
    const int32_t deleted = Add(Media("deleted"));
    ASSERT_EQ(DelMediaInfo(h(), deleted), 0);
    ASSERT_EQ(CheckChangedData(h(), now, 3), 1);
    EXPECT_EQ(SlotTitles(3, 1), std::vector<std::string>{"mine"});
    // A later time finds nothing and leaves the slot empty.
    EXPECT_EQ(CheckChangedData(h(), now + 3600, 3), 0);
    MediaInfo out;
    EXPECT_EQ(GetChangedData(h(), 0, &out, 3), MVDB_ERR_OUT_OF_RANGE);
}

TEST_F(MediaQueriesTest, CategorizedReportsEveryHostOnlyForTheLiveVideoCategory) {
    Add(Media("mine"));
    Add(Media("theirs", 0, "", "elsewhere"));
    EXPECT_EQ(CheckCategorizedData(h(), 0, 1), 1);
    // Items of another host in category 1 arrive only by a replace.
    MediaInfo channel{};
    ASSERT_EQ(GetMediaInfo(h(), 0, &channel), 0);
    std::snprintf(channel.hostName, sizeof channel.hostName, "elsewhere");
    ASSERT_EQ(ReplaceMediaInfo(h(), 0, &channel), 0);
    EXPECT_EQ(CheckCategorizedData(h(), 1, 2), 20);
}

TEST_F(MediaQueriesTest, NormalIncludesDeletedItemsButNotNotNormalOnes) {
    const int32_t deleted = Add(Media("deleted"));
    MediaInfo odd = Media("odd");
    const int32_t oddIndex = AddMediaInfo(h(), &odd);
    ASSERT_EQ(DelMediaInfo(h(), deleted), 0);
    odd.mediaFlags = MVDB_MEDIA_NOT_NORMAL;
    ASSERT_EQ(ReplaceMediaInfo(h(), oddIndex, &odd), 0);
    ASSERT_EQ(CheckNormalData(h(), 4), 21);
    MediaInfo last{};
    ASSERT_EQ(GetChangedData(h(), 20, &last, 4), 0);
    EXPECT_STREQ(last.title, "deleted");
    EXPECT_EQ(last.mediaFlags, MVDB_MEDIA_DELETED);
}

TEST_F(MediaQueriesTest, SlotNumbersAndPositionsAreChecked) {
    MediaInfo out;
    for (int32_t slot : {-1, 64, 1000}) {
        EXPECT_EQ(CheckChangedData(h(), 0, slot), MVDB_ERR_BAD_SLOT);
        EXPECT_EQ(CheckCategorizedData(h(), 1, slot), MVDB_ERR_BAD_SLOT);
        EXPECT_EQ(CheckNormalData(h(), slot), MVDB_ERR_BAD_SLOT);
        EXPECT_EQ(GetChangedData(h(), 0, &out, slot), MVDB_ERR_BAD_SLOT);
    }
    const int32_t n = CheckNormalData(h(), 63);
    EXPECT_EQ(GetChangedData(h(), n, &out, 63), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetChangedData(h(), -1, &out, 63), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetChangedData(h(), 0, nullptr, 63), MVDB_ERR_INVALID);
    EXPECT_EQ(GetChangedData(h(), 0, &out, 62), MVDB_ERR_OUT_OF_RANGE);  // never filled
}

TEST_F(MediaQueriesTest, SlotsHoldCopiesThatDoNotFollowChanges) {
    const int32_t index = Add(Media("original"));
    ASSERT_EQ(CheckChangedData(h(), 1, 7), 1);
    MediaInfo changed = Media("changed");
    ASSERT_EQ(ReplaceMediaInfo(h(), index, &changed), 0);
    MediaInfo out{};
    ASSERT_EQ(GetChangedData(h(), 0, &out, 7), 0);
    EXPECT_STREQ(out.title, "original");
}

// A file whose items carry a wrong stored position (written so by an older
// writer) still gets the items' real positions from the searches.
TEST_F(MediaQueriesTest, SearchAnswersWhereTheItemIsNotAStoredPosition) {
    Add(Media("a", 0, "key-a"));
    const int32_t b = Add(Media("b", 0, "key-b"));
    db_.Close();
    {
        std::string bytes = test::ReadFileBytes(mediaFile());
        const size_t field = kRecordsOffset + static_cast<size_t>(b) * sizeof(MediaElement) +
                             offsetof(MediaElement, info) + offsetof(MediaInfo, recordIndex);
        ASSERT_GE(bytes.size(), field + sizeof(int32_t));
        const int32_t wrong = b - 1;
        std::memcpy(bytes.data() + field, &wrong, sizeof wrong);
        test::WriteFileBytes(mediaFile(), bytes);
    }
    test::OpenDatabase reopened;
    ASSERT_TRUE(reopened.ok());
    EXPECT_EQ(SearchMedia(reopened.get(), "nothing", "key-b"), b);
    EXPECT_EQ(SearchMediaNext(reopened.get(), "nothing", "key-b", b), b);
    EXPECT_EQ(SearchMediaNext(reopened.get(), "nothing", "key-b", b + 1), MVDB_ERR_NOT_FOUND);
}

TEST_F(MediaQueriesTest, SearchByLocationOrKeyForThisHostOnly) {
    Add(Media("a", 0, "key-a"));
    const int32_t b = Add(Media("b", 0, "key-b"));
    Add(Media("c", 0, "key-c", "elsewhere"));
    EXPECT_EQ(SearchMedia(h(), "FILE://B", "nothing"), b);
    EXPECT_EQ(SearchMedia(h(), "nothing", "KEY-B"), b);
    EXPECT_EQ(SearchMedia(h(), "file://c", "key-c"), MVDB_ERR_NOT_FOUND);  // another host's
    EXPECT_EQ(SearchMedia(h(), "live:tv3", "nothing"), 2);
    EXPECT_EQ(SearchMedia(h(), "nothing", ""), 0);  // the channels have empty key names
    EXPECT_EQ(SearchMedia(h(), nullptr, "key-b"), b);
    EXPECT_EQ(SearchMedia(h(), nullptr, nullptr), MVDB_ERR_NOT_FOUND);

    Add(Media("b2", 0, "key-b"));
    EXPECT_EQ(SearchMediaNext(h(), "", "key-b", b + 1), b + 2);
    EXPECT_EQ(SearchMediaNext(h(), "", "key-b", -5), b);
    EXPECT_EQ(SearchMediaNext(h(), "", "key-b", GetMediaCount(h())), MVDB_ERR_NOT_FOUND);
    ASSERT_EQ(DelMediaInfo(h(), b), 0);
    EXPECT_EQ(SearchMedia(h(), "", "key-b"), b + 2);
    EXPECT_EQ(GetMediaCount(h()), b + 3);
}

TEST_F(MediaQueriesTest, GetMediaInfoChecks) {
    MediaInfo out;
    EXPECT_EQ(GetMediaInfo(h(), 0, nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(GetMediaInfo(h(), -1, &out), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetMediaInfo(h(), 20, &out), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetMediaCount(nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(SearchMedia(nullptr, "a", "b"), MVDB_ERR_INVALID);
}

}  // namespace
}  // namespace mvdb
