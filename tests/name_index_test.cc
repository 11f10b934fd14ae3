// The name indexes answer every lookup exactly as a scan of the records
// does: the same first match, the same continuation, deleted records and
// other hosts treated alike, and names equal under the code page's caseless
// comparison found whatever their case or encoding.
#include "storage/name_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "frame/database_handle.h"
#include "media/media_element.h"
#include "mvdb.h"
#include "platform/platform.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb::test {
namespace {

// Names that the caseless comparisons of 1252 and 932 find equal, nearly
// equal or different: case variants, full-width letters (932), characters
// that 932 encodes twice, accented letters (1252), a lead byte at the end.
const std::vector<std::string>& NamePool() {
    static const std::vector<std::string> pool = {
        "",
        "alpha",
        "Alpha",
        "ALPHA",
        "alpha ",
        "beta",
        "BETA",
        "\\\\store\\Media\\clip.mpg",
        "\\\\STORE\\media\\CLIP.MPG",
        "\x82\x60\x82\x61",  // full-width A B
        "\x82\x81\x82\x82",  // full-width a b
        "\x87\x54",          // roman numeral one, NEC row
        "\xFA\x4A",          // the same numeral, IBM row
        "\x83\x41\x83\x43",  // katakana
        "\xE9t\xE9",         // accented in 1252
        "\xC9T\xC9",
        "x\x82",  // a lead byte before the end
        "X\x82",
        "\x82\x60"
        "a",
    };
    return pool;
}

TEST(NameIndexHash, NamesTheComparisonFindsEqualHashAlike) {
    const auto codePage = platform::CurrentCodePage();
    NameIndex index(*codePage);
    const auto& pool = NamePool();
    int equalPairs = 0;
    for (const std::string& a : pool) {
        for (const std::string& b : pool) {
            if (codePage->CompareNoCase(a.c_str(), b.c_str()) != 0) continue;
            ++equalPairs;
            EXPECT_EQ(index.Hash(a.data(), a.size()), index.Hash(b.data(), b.size()))
                << "'" << a << "' and '" << b << "' compare equal";
        }
    }
    EXPECT_GT(equalPairs, static_cast<int>(pool.size()));  // case variants exist
    // A field without a NUL hashes as the text it holds.
    const char field[5] = {'A', 'l', 'p', 'h', 'a'};
    EXPECT_EQ(index.Hash(field, sizeof field), index.Hash("ALPHA", 5));
    EXPECT_EQ(index.Hash("alpha\0zzz", 9), index.Hash("alpha", 5));
}

TEST(NameIndexCandidates, ComeInPositionOrderFromAnyStartAndFollowChanges) {
    const auto codePage = platform::CurrentCodePage();
    NameIndex index(*codePage);
    const uint32_t a = index.Hash("a", 1);
    const uint32_t b = index.Hash("b", 1);
    index.Assign({a, b, a, a});
    EXPECT_EQ(index.NextCandidate(a, 0), 0);
    EXPECT_EQ(index.NextCandidate(a, 1), 2);
    EXPECT_EQ(index.NextCandidate(a, -5), 0);
    EXPECT_EQ(index.NextCandidate(a, 4), -1);
    EXPECT_EQ(index.PreviousCandidate(a, 100), 3);
    EXPECT_EQ(index.PreviousCandidate(a, 1), 0);
    EXPECT_EQ(index.PreviousCandidate(b, 0), -1);
    index.Put(2, b);  // renamed
    index.Put(4, a);  // appended
    EXPECT_EQ(index.NextCandidate(a, 1), 3);
    EXPECT_EQ(index.NextCandidate(b, 1), 1);
    EXPECT_EQ(index.NextCandidate(b, 2), 2);
    EXPECT_EQ(index.PreviousCandidate(a, 100), 4);
    index.Assign({});
    EXPECT_EQ(index.NextCandidate(a, 0), -1);
}

// A database whose media file cannot be created: the catalogue lives in
// memory only, so thousands of changes cost no disk writes.
class MediaIndexTest : public DatabaseTest {
protected:
    void OpenInMemory() {
        // A file where the folder of the media file would have to be.
        WriteFileBytes(folder_ / "blocked", "x");
        UseFolder({{"DBMEDIA", (std::filesystem::path(folder_ / "blocked") / "MVDBMF.db").string()}});
        db_ = std::make_unique<OpenDatabase>();
        ASSERT_TRUE(db_->ok());
    }
    MediaDatabase& media() { return static_cast<DatabaseHandle*>(db_->get())->media(); }
    // A media file of `items` random stored items; one in `deletedOneIn`
    // (none for 0) is deleted.
    void WriteRandomCatalogue(std::mt19937& rng, int32_t items, uint32_t deletedOneIn);

    std::unique_ptr<OpenDatabase> db_;
};

std::string Pick(std::mt19937& rng, const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
}

MediaInfo RandomItem(std::mt19937& rng) {
    static const std::vector<std::string> hosts = {"mediaserver", "MediaServer", "otherhost", ""};
    MediaInfo info{};
    const std::string location = Pick(rng, NamePool());
    const std::string key = Pick(rng, NamePool());
    const std::string host = Pick(rng, hosts);
    std::snprintf(info.location, sizeof info.location, "%s", location.c_str());
    std::snprintf(info.keyName, sizeof info.keyName, "%s", key.c_str());
    std::snprintf(info.hostName, sizeof info.hostName, "%s", host.c_str());
    std::snprintf(info.title, sizeof info.title, "item");
    info.recordIndex = -1;
    info.categoryId = 0;
    // Now and then a live input, whose location the store builds itself.
    if (rng() % 16 == 0) info.mediaType = MVDB_MEDIA_KIND_LIVE;
    return info;
}

TEST_F(MediaIndexTest, EveryIndexedAnswerIsTheScansThroughThousandsOfMixedChanges) {
    OpenInMemory();
    MVDB_HANDLE h = db_->get();
    std::mt19937 rng(20261210);
    const auto& pool = NamePool();
    int searches = 0;
    int found = 0;
    for (int step = 0; step < 4000; ++step) {
        const int32_t count = GetMediaCount(h);
        const int op = static_cast<int>(rng() % 100);
        if (op < 35) {
            MediaInfo info = RandomItem(rng);
            ASSERT_GE(AddMediaInfo(h, &info), 0);
        } else if (op < 50 && count > 0) {
            DelMediaInfo(h, static_cast<int32_t>(rng() % static_cast<uint32_t>(count)));
        } else if (op < 65 && count > 0) {
            MediaInfo info = RandomItem(rng);
            if (rng() % 8 == 0) info.mediaFlags = MVDB_MEDIA_DELETED;  // a replace may mark it deleted
            ReplaceMediaInfo(h, static_cast<int32_t>(rng() % static_cast<uint32_t>(count)), &info);
        } else if (op < 75) {
            // By key name: the store's index lookup against the scan.
            const std::string key = Pick(rng, pool);
            ASSERT_EQ(media().LastLiveWithKey(key.c_str()), media().LastLiveWithKeyByScan(key.c_str()))
                << "key '" << key << "' at step " << step;
            MediaInfo info{};
            info.recordIndex = -1;
            info.categoryId = -1;
            std::snprintf(info.keyName, sizeof info.keyName, "%s", key.c_str());
            ModifyMediaInfo(h, &info);
        } else if (op == 75 && rng() % 8 == 0) {
            ASSERT_EQ(ClearMediaInfo(h), 0);
        } else if (op == 76 && rng() % 8 == 0) {
            ASSERT_EQ(InitializeDB(h), 0);
        }
        // After every step, searches from several starts, nulls included.
        for (int q = 0; q < 3; ++q) {
            const std::string location = Pick(rng, pool);
            const std::string key = Pick(rng, pool);
            const char* l = rng() % 10 == 0 ? nullptr : location.c_str();
            const char* k = rng() % 10 == 0 ? nullptr : key.c_str();
            const int32_t n = GetMediaCount(h);
            const int32_t start = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 4)) - 2;
            const int32_t expected = media().SearchByScan(l, k, 0);
            ASSERT_EQ(SearchMedia(h, l, k), expected) << "step " << step;
            ASSERT_EQ(media().Search(l, k, start), media().SearchByScan(l, k, start))
                << "step " << step << " start " << start;
            ++searches;
            found += expected >= 0;
        }
    }
    // The run reached both outcomes often.
    EXPECT_GT(found, searches / 10);
    EXPECT_LT(found, searches - searches / 10);
}

// Loading fills the indexes from the file; their memory stays within a
// tenth of the element array's.
void MediaIndexTest::WriteRandomCatalogue(std::mt19937& rng, int32_t items, uint32_t deletedOneIn) {
    std::string records;
    for (int32_t i = 0; i < items; ++i) {
        MediaElement element{};
        element.info = RandomItem(rng);
        element.info.recordSize = sizeof(MediaInfo);
        element.info.recordIndex = i;
        element.info.mediaType = 0;
        if (deletedOneIn != 0 && rng() % deletedOneIn == 0) element.info.mediaFlags = MVDB_MEDIA_DELETED;
        records.append(reinterpret_cast<const char*>(&element), sizeof element);
    }
    WriteFileBytes(mediaFile(), ContainerBytes(DBAccount{}, items, records));
}

TEST_F(MediaIndexTest, LoadedCatalogueAnswersAsTheScanWithinTheMemoryBudget) {
    std::mt19937 rng(7);
    constexpr int32_t kItems = 3000;
    WriteRandomCatalogue(rng, kItems, /*deletedOneIn=*/10);
    OpenDatabase db;
    ASSERT_TRUE(db.ok());
    MediaDatabase& store = static_cast<DatabaseHandle*>(db.get())->media();
    ASSERT_EQ(store.RecordCount(), kItems);
    for (const std::string& location : NamePool()) {
        for (const std::string& key : NamePool()) {
            for (int32_t start : {0, 1, kItems / 2, kItems - 1}) {
                ASSERT_EQ(store.Search(location.c_str(), key.c_str(), start),
                          store.SearchByScan(location.c_str(), key.c_str(), start));
            }
        }
        EXPECT_EQ(store.LastLiveWithKey(location.c_str()), store.LastLiveWithKeyByScan(location.c_str()));
    }
    EXPECT_LE(store.NameIndexBytes(), static_cast<size_t>(kItems) * sizeof(MediaElement) / 10);
}

// The indexes of a loaded catalogue are made at its first lookup: changes
// made between the load and that lookup (adds, replaces, deletions, a reused
// slot) are all in them.
TEST_F(MediaIndexTest, ChangesBeforeTheFirstLookupAfterALoadAreIndexed) {
    std::mt19937 rng(11);
    constexpr int32_t kItems = 500;
    WriteRandomCatalogue(rng, kItems, /*deletedOneIn=*/0);
    OpenDatabase db;
    ASSERT_TRUE(db.ok());
    MVDB_HANDLE h = db.get();
    MediaDatabase& store = static_cast<DatabaseHandle*>(h)->media();
    for (int step = 0; step < 60; ++step) {
        const int32_t count = GetMediaCount(h);
        MediaInfo info = RandomItem(rng);
        info.mediaType = 0;
        std::snprintf(info.location, sizeof info.location, "changed %d", step);
        switch (step % 3) {
            case 0:
                ASSERT_GE(AddMediaInfo(h, &info), 0);
                break;
            case 1:
                ASSERT_EQ(ReplaceMediaInfo(h, static_cast<int32_t>(rng() % count), &info), 0);
                break;
            default:
                DelMediaInfo(h, static_cast<int32_t>(rng() % count));
                break;
        }
    }
    for (int step = 0; step < 60; ++step) {
        const std::string location = "changed " + std::to_string(step);
        ASSERT_EQ(store.Search(location.c_str(), nullptr, 0),
                  store.SearchByScan(location.c_str(), nullptr, 0))
            << location;
    }
    for (const std::string& name : NamePool()) {
        ASSERT_EQ(store.Search(name.c_str(), name.c_str(), 0),
                  store.SearchByScan(name.c_str(), name.c_str(), 0));
        EXPECT_EQ(store.LastLiveWithKey(name.c_str()), store.LastLiveWithKeyByScan(name.c_str()));
    }
}

}  // namespace
}  // namespace mvdb::test

namespace mvdb::test {
namespace {

class ClientIndexTest : public DatabaseTest {
protected:
    void OpenInMemory() {
        WriteFileBytes(folder_ / "blocked", "x");
        UseFolder({{"DBHOST", (std::filesystem::path(folder_ / "blocked") / "MVDBCLT.db").string()}});
        db_ = std::make_unique<OpenDatabase>();
        ASSERT_TRUE(db_->ok());
    }
    ClientDatabase& clients() { return static_cast<DatabaseHandle*>(db_->get())->clients(); }

    std::unique_ptr<OpenDatabase> db_;
};

// Every lookup by name among clients and users agrees with the scan while
// clients and users are added, replaced, deleted, revived and logged in.
TEST_F(ClientIndexTest, EveryIndexedAnswerIsTheScansThroughThousandsOfMixedChanges) {
    OpenInMemory();
    MVDB_HANDLE h = db_->get();
    std::mt19937 rng(1210);
    const auto& pool = NamePool();
    auto clientName = [&] { return Pick(rng, pool); };
    int hits = 0;
    int lookups = 0;
    for (int step = 0; step < 4000; ++step) {
        const int32_t count = GetClientCount(h);
        const int op = static_cast<int>(rng() % 100);
        ClientInfo client{};
        std::snprintf(client.clientName, sizeof client.clientName, "%s", clientName().c_str());
        DBAccount user{};
        std::snprintf(user.userName, sizeof user.userName, "%s", Pick(rng, pool).c_str());
        const int32_t index = count > 0 ? static_cast<int32_t>(rng() % static_cast<uint32_t>(count)) : 0;
        if (op < 20) {
            AddClientInfo(h, &client);
        } else if (op < 30) {
            LoginClient(h, &client);
        } else if (op < 40) {
            if (rng() % 4 == 0) client.clientFlags = MVDB_CLIENT_DELETED;
            ReplaceClientInfo(h, index, &client);
        } else if (op < 50) {
            DelClientInfo(h, index);
        } else if (op < 65) {
            AddUser(h, &user);
        } else if (op < 75) {
            DelUser(h, index);
        } else if (op < 82) {
            ModifyUser(h, index, &user);
        } else if (op == 82 && rng() % 16 == 0) {
            InitializeDB(h);
        }
        for (int q = 0; q < 3; ++q) {
            const std::string name = Pick(rng, pool);
            const std::string userRecord = "global\\" + name;
            ++lookups;
            const int32_t byScan = clients().FindByNameByScan(name.c_str());
            hits += byScan >= 0;
            ASSERT_EQ(clients().FindByName(name.c_str()), byScan) << "step " << step;
            ASSERT_EQ(clients().FindLiveUser(userRecord.c_str()),
                      clients().FindLiveUserByScan(userRecord.c_str()));
            for (const bool users : {false, true}) {
                const std::string& wanted = users ? userRecord : name;
                const auto indexed = clients().FindNamesakes(wanted.c_str(), users);
                const auto scanned = clients().FindNamesakesByScan(wanted.c_str(), users);
                ASSERT_EQ(indexed.live, scanned.live) << "step " << step;
                ASSERT_EQ(indexed.deleted, scanned.deleted) << "step " << step;
            }
        }
    }
    EXPECT_GT(hits, lookups / 10);
    // 12 bytes a record at most, against 212 bytes a record.
    EXPECT_LE(clients().NameIndexBytes(),
              static_cast<size_t>(GetClientCount(h)) * sizeof(ClientInfo) / 10 + 64);
}

}  // namespace
}  // namespace mvdb::test

namespace mvdb::test {
namespace {

// Far more changes than wait beside the sorted entries before a merge, on
// few names and many positions: after every change, the candidates from
// several starts are those of a plain list of the names.
TEST(NameIndexCandidates, FollowTensOfThousandsOfChangesAcrossMerges) {
    const auto codePage = platform::CurrentCodePage();
    NameIndex index(*codePage);
    std::mt19937 rng(13);
    const uint32_t hashes[] = {index.Hash("a", 1), index.Hash("b", 1), index.Hash("c", 1), index.Hash("", 0)};
    std::vector<uint32_t> model(3000);
    for (uint32_t& h : model) h = hashes[rng() % 4];
    index.Assign(model);
    auto next = [&model](uint32_t hash, int32_t from) {
        for (int32_t i = from < 0 ? 0 : from; i < static_cast<int32_t>(model.size()); ++i)
            if (model[static_cast<size_t>(i)] == hash) return i;
        return -1;
    };
    auto previous = [&model](uint32_t hash, int32_t upTo) {
        for (int32_t i = std::min<int32_t>(upTo, static_cast<int32_t>(model.size()) - 1); i >= 0; --i)
            if (model[static_cast<size_t>(i)] == hash) return i;
        return -1;
    };
    for (size_t step = 0; step < 4 * NameIndex::kMaxPending + 500; ++step) {
        const uint32_t hash = hashes[rng() % 4];
        if (rng() % 20 == 0) {
            index.Put(static_cast<int32_t>(model.size()), hash);  // appended
            model.push_back(hash);
        } else {
            // Renamed, sometimes back to a name it had before the last merge.
            const size_t p = rng() % model.size();
            index.Put(static_cast<int32_t>(p), hash);
            model[p] = hash;
        }
        for (int q = 0; q < 3; ++q) {
            const uint32_t wanted = hashes[rng() % 4];
            const auto at = static_cast<int32_t>(rng() % (model.size() + 2)) - 1;
            ASSERT_EQ(index.NextCandidate(wanted, at), next(wanted, at)) << "step " << step << " at " << at;
            ASSERT_EQ(index.PreviousCandidate(wanted, at), previous(wanted, at))
                << "step " << step << " at " << at;
        }
    }
}

}  // namespace
}  // namespace mvdb::test
