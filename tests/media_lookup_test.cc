// FindMedia: text, date and range criteria and how a list combines them.
#include "media/media_lookup.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

TEST(MediaLookupHelpers, IgnorableClassesAndWeekdays) {
    for (unsigned char c : {' ', '_', '-'}) EXPECT_TRUE(IsIgnorable(c));
    for (unsigned char c : {'a', '.', '\t', '\0'}) EXPECT_FALSE(IsIgnorable(c));
    struct ClassCase {
        uint32_t mediaType;
        int32_t mediaClass;
    };
    for (const ClassCase& c : std::vector<ClassCase>{
             {0x100, 1}, {0x110, 2}, {0x1F0, 2}, {0x10F, 1}, {0x200, 2}, {0x500, 1}, {0x300, 0}, {0, 0}}) {
        MediaInfo info{};
        info.mediaType = c.mediaType;
        EXPECT_EQ(MediaClass(info), c.mediaClass) << std::hex << c.mediaType;
    }
    EXPECT_EQ(FileTimeWeekday({0, 0}), 1);  // 1601-01-01, a Monday
    EXPECT_EQ(FileTimeWeekday({0xFFFFFFFFu, 0xFFFFFFFFu}), -1);
}

// The FILETIME of midnight UTC on a day given in Unix seconds.
MVDB_FILETIME FileTime(int64_t unixSeconds) {
    const uint64_t ticks = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
    return {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}
constexpr int64_t kSunday = 1704585600;  // 2024-01-07
constexpr int64_t kDay = 86400;

FindCriteria Node(int32_t kind, int32_t target, int32_t rule) {
    FindCriteria node{};
    node.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    node.criteriaKind = kind;
    node.criteriaTarget = target;
    node.combineRule = rule;
    return node;
}

FindCriteria TextNode(const char* pattern, int32_t rule = MVDB_COMBINE_REQUIRED, int32_t mode = 1,
                      int32_t target = MVDB_TARGET_TITLE) {
    FindCriteria node = Node(MVDB_CRITERIA_TEXT, target, rule);
    node.matchMode = mode;
    std::snprintf(node.pattern, sizeof node.pattern, "%s", pattern);
    return node;
}

class FindMediaTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.ok());
        // Items 20 to 24.
        Add("NEWS at nine", 0x100, kSunday, 5);
        Add("Weekend News", 0x110, kSunday + kDay, 50);
        Add("Cooking show", 0x200, kSunday + 7 * kDay, 500);
        Add("news archive", 0x500, kSunday - kDay, 50);
        Add("Nature", 0x300, kSunday, 50);
    }
    void Add(const char* title, uint32_t type, int64_t day, uint32_t range) {
        MediaInfo info = test::Media(title);
        info.mediaType = type;
        info.fileTimeA = FileTime(day);
        info.rangeProperty = range;
        ASSERT_GE(AddMediaInfo(db_.get(), &info), 0);
    }
    std::vector<std::string> Find(std::vector<FindCriteria> nodes, int32_t slot = 3) {
        for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
        const int32_t n = FindMedia(db_.get(), 0, nodes.empty() ? nullptr : nodes.data(), slot);
        std::vector<std::string> titles;
        for (int32_t i = 0; i < n; ++i) {
            MediaInfo out{};
            EXPECT_EQ(GetChangedData(db_.get(), i, &out, slot), 0);
            titles.push_back(out.title);
        }
        return titles;
    }
    using Titles = std::vector<std::string>;
    test::OpenDatabase db_;
};

TEST_F(FindMediaTest, TextInAnyCase) {
    EXPECT_EQ(Find({TextNode("news")}), (Titles{"NEWS at nine", "Weekend News", "news archive"}));
    EXPECT_EQ(Find({TextNode("FILE://cook", MVDB_COMBINE_REQUIRED, 1, MVDB_TARGET_LOCATION_OR_KEY)}),
              (Titles{"Cooking show"}));
}

TEST_F(FindMediaTest, CombineRules) {
    // Both required.
    EXPECT_EQ(Find({TextNode("news"), TextNode("nine")}), (Titles{"NEWS at nine"}));
    // A sufficient match selects at once, before a required node that would fail.
    EXPECT_EQ(Find({TextNode("cooking", MVDB_COMBINE_SUFFICIENT), TextNode("news")}),
              (Titles{"NEWS at nine", "Weekend News", "Cooking show", "news archive"}));
    // A counted node that never matches selects nothing; one that matches does.
    EXPECT_EQ(Find({TextNode("zzz", 2)}), Titles{});
    EXPECT_EQ(Find({TextNode("zzz", 2), TextNode("nature", 7)}), (Titles{"Nature"}));
}

TEST_F(FindMediaTest, DatesWithAWeekdayMask) {
    FindCriteria date = Node(MVDB_CRITERIA_DATE, MVDB_TARGET_FILETIME_A, MVDB_COMBINE_REQUIRED);
    date.timeFrom = FileTime(kSunday - kDay);
    date.timeTo = FileTime(kSunday + kDay);
    EXPECT_EQ(Find({date}), (Titles{"NEWS at nine", "Weekend News", "news archive", "Nature"}));
    date.weekdayMask = 2;  // Sundays
    EXPECT_EQ(Find({date}), (Titles{"NEWS at nine", "Nature"}));
    date.weekdayMask = 4 | 128;  // Mondays and Saturdays
    EXPECT_EQ(Find({date}), (Titles{"Weekend News", "news archive"}));
    date.criteriaTarget = MVDB_TARGET_FILETIME_B;  // all zero: before the range
    EXPECT_EQ(Find({date}), Titles{});
    date.criteriaTarget = 3;
    EXPECT_EQ(Find({date}), Titles{});
}

TEST_F(FindMediaTest, RangeOnlyForMediaClassTwo) {
    FindCriteria range = Node(MVDB_CRITERIA_RANGE, 1, MVDB_COMBINE_REQUIRED);
    range.rangeMin = 40;
    range.rangeMax = 600;
    EXPECT_EQ(Find({range}), (Titles{"Weekend News", "Cooking show"}));
    range.criteriaTarget = 2;
    EXPECT_EQ(Find({range}), Titles{});
}

TEST_F(FindMediaTest, AdditionalInfoZeroIsText) {
    ASSERT_EQ(SetAddInfo(db_.get(), 22, 0, 12, 0, "Chef-s Table"), 0);
    EXPECT_EQ(Find({TextNode("chefs", MVDB_COMBINE_REQUIRED, 3, MVDB_TARGET_ADDINFO)}),
              (Titles{"Cooking show"}));
    ASSERT_EQ(SetAddInfo(db_.get(), 23, 1, 5, 1, "chefs"), 0);  // only piece 0 counts
    EXPECT_EQ(Find({TextNode("chefs", MVDB_COMBINE_REQUIRED, 3, MVDB_TARGET_ADDINFO)}),
              (Titles{"Cooking show"}));
}

TEST_F(FindMediaTest, DeletedItemsAreNeverSelected) {
    ASSERT_EQ(DelMediaInfo(db_.get(), 20), 0);
    EXPECT_EQ(Find({TextNode("nine")}), Titles{});
    EXPECT_EQ(Find({TextNode("news")}), (Titles{"Weekend News", "news archive"}));
    FindCriteria date = Node(MVDB_CRITERIA_DATE, MVDB_TARGET_FILETIME_A, MVDB_COMBINE_SUFFICIENT);
    date.timeFrom = FileTime(kSunday - kDay);
    date.timeTo = FileTime(kSunday);
    EXPECT_EQ(Find({date}), (Titles{"news archive", "Nature"}));
    // The change queries keep gathering it: a client learns of the deletion.
    const int32_t gathered = CheckNormalData(db_.get(), 4);
    bool deletedGathered = false;
    for (int32_t i = 0; i < gathered; ++i) {
        MediaInfo out{};
        ASSERT_EQ(GetChangedData(db_.get(), i, &out, 4), 0);
        deletedGathered = deletedGathered || std::string(out.title) == "NEWS at nine";
    }
    EXPECT_TRUE(deletedGathered);
}

TEST_F(FindMediaTest, MalformedListsSlotsAndLoops) {
    EXPECT_EQ(FindMedia(db_.get(), 0, nullptr, 3), 0);
    FindCriteria bad = TextNode("news");
    bad.criteriaSize = 291;
    EXPECT_EQ(Find({bad}), Titles{});
    // A node of the wrong size further on never matches.
    EXPECT_EQ(Find({TextNode("news", MVDB_COMBINE_SUFFICIENT), bad}),
              (Titles{"NEWS at nine", "Weekend News", "news archive"}));
    FindCriteria node = TextNode("news");
    EXPECT_EQ(FindMedia(db_.get(), 0, &node, 64), MVDB_ERR_BAD_SLOT);
    EXPECT_EQ(FindMedia(db_.get(), 0, &node, -1), MVDB_ERR_BAD_SLOT);
    EXPECT_EQ(FindMedia(nullptr, 0, &node, 1), MVDB_ERR_INVALID);
    // A list that loops back on itself ends at the node bound.
    FindCriteria loop = TextNode("nine", 2);
    loop.next = &loop;
    EXPECT_EQ(FindMedia(db_.get(), 0, &loop, 3), 1);
    // A pattern without a NUL is searched within its 260 bytes.
    FindCriteria full = TextNode("");
    std::memset(full.pattern, 'n', sizeof full.pattern);
    EXPECT_EQ(FindMedia(db_.get(), 0, &full, 3), 0);
}

TEST_F(FindMediaTest, ASlotFilledByFindMediaIsReplacedWhole) {
    ASSERT_EQ(Find({TextNode("news")}, 5).size(), 3u);
    ASSERT_EQ(CheckCategorizedData(db_.get(), 0, 5), 5);
    MediaInfo out{};
    ASSERT_EQ(GetChangedData(db_.get(), 0, &out, 5), 0);
    EXPECT_STREQ(out.title, "NEWS at nine");
}

}  // namespace
}  // namespace mvdb
