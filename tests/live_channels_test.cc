#include "media/live_channels.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "frame/database_handle.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

MediaInfo Live(uint32_t inputKind, int32_t channel, uint32_t cable, uint32_t type = 0x300) {
    MediaInfo info{};
    std::snprintf(info.location, sizeof info.location, "untouched");
    info.mediaType = type;
    info.inputKind = inputKind;
    info.channel = channel;
    info.cable = cable;
    return info;
}

TEST(BuildLiveLocation, ByInputKindChannelAndNumbering) {
    struct Case {
        MediaInfo info;
        int32_t result;
        const char* location;
    };
    const std::vector<Case> cases = {
        {Live(0, 1, 0), 0, "LIVE:TV1"},
        {Live(0, 62, 0), 0, "LIVE:TV62"},
        {Live(0, 63, 0), 0, "LIVE"},
        {Live(0, 0, 0), 0, "LIVE"},
        {Live(0, 63, 1), 0, "LIVE:CATV63"},
        {Live(0, 64, 1), 0, "LIVE"},
        {Live(0, 0, 7), 0, "LIVE"},
        {Live(1, 5, 0), 0, "LIVE:COMP"},
        {Live(2, 5, 0), 0, "LIVE:SVIDEO"},
        {Live(3, 1, 0), 0, "untouched"},
        {Live(0, 9, 0, 0x301), 0, "LIVE:TV9"},
        {Live(0, 9, 0, 0x200), MVDB_ERR_OUT_OF_RANGE, "untouched"},
    };
    for (Case c : cases) {
        EXPECT_EQ(BuildLiveLocation(&c.info), c.result) << c.location;
        EXPECT_STREQ(c.info.location, c.location);
    }
}

class DefaultChannelsTest : public test::DatabaseTest {};

TEST_F(DefaultChannelsTest, SeededContentFollowsTheChannelCount) {
    struct Case {
        uint32_t channels;
        std::vector<std::pair<std::string, std::string>> titleAndLocation;  // first and last
        int32_t count;
    };
    const std::vector<Case> cases = {
        {2, {{"S-Video", "LIVE:SVIDEO"}, {"Composite", "LIVE:COMP"}}, 2},
        {1, {{"Channel01", "LIVE:TV1"}, {"Channel01", "LIVE:TV1"}}, 1},
        {63, {{"Channel01", "LIVE:TV1"}, {"Channel63", "LIVE"}}, 63},
        {0, {}, 0},
        {0xFFFFFFFFu, {}, 0},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(mediaFile());
        UseFolder({{"DefaultChannels", c.channels}});
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(FromHandle(db.get())->media().RecordCount(), c.count) << c.channels;
        const std::string file = test::ReadFileBytes(mediaFile());
        EXPECT_EQ(test::CountInFile(file), c.count);
        if (c.count == 0) continue;
        const MediaInfo first = test::MediaInFile(file, 0);
        const MediaInfo last = test::MediaInFile(file, static_cast<size_t>(c.count - 1));
        EXPECT_EQ(first.title, c.titleAndLocation[0].first);
        EXPECT_EQ(first.location, c.titleAndLocation[0].second);
        EXPECT_EQ(last.title, c.titleAndLocation[1].first);
        EXPECT_EQ(last.location, c.titleAndLocation[1].second);
        EXPECT_EQ(last.recordIndex, c.count - 1);
        EXPECT_EQ(first.channel, 1);
        EXPECT_EQ(first.mediaType, 0x300u);
        EXPECT_EQ(first.categoryId, 1);
        if (c.channels == 63) {
            EXPECT_STREQ(test::MediaInFile(file, 61).location, "LIVE:TV62");
        }
        if (c.channels == 2) {
            EXPECT_EQ(first.inputKind, 2u);
            EXPECT_EQ(last.inputKind, 1u);
            EXPECT_EQ(last.channel, 1);
        }
    }
}

}  // namespace
}  // namespace mvdb
