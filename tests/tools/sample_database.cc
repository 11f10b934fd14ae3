#include "tools/sample_database.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli/text_codec.h"
#include "format/scramble.h"
#include "support/records.h"

namespace mvdb::test {

namespace {

// A user account as AddUser takes it: the password scrambled.
DBAccount UserAccount(const std::string& name, const std::string& password, int32_t level) {
    DBAccount account{};
    std::snprintf(account.userName, sizeof account.userName, "%s", name.c_str());
    const std::string scrambled = format::ScramblePassword(password);
    std::memcpy(account.password, scrambled.data(), std::min(scrambled.size(), sizeof account.password - 1));
    account.passwordLength = static_cast<int32_t>(password.size());
    account.userLevel = level;
    return account;
}

}  // namespace

std::string LiveVideoName() {
    return cli::DatabaseCodePage() == 932 ? "\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96" : "Live Video";
}

std::string Displayed(const std::string& utf8) {
    return cli::TextCodec(cli::DatabaseCodePage()).Utf8ToDisplay(utf8);
}

bool InWesternCodePage() { return cli::DatabaseCodePage() == 1252; }

std::string DatabaseFiles::InfoFile(const std::string& name) const {
    return (std::filesystem::path(info) / name).string();
}

void SampleDatabaseTest::SetUp() {
    OpenDatabase db;
    ASSERT_TRUE(db.ok());
    const MVDB_HANDLE h = db.get();
    CategoryInfo films = Category("Films", 0);
    ASSERT_EQ(AddCategoryInfo(h, &films), Sample::kFilms);
    CategoryInfo kids = Category("Kids", Sample::kFilms);
    ASSERT_EQ(AddCategoryInfo(h, &kids), Sample::kKids);
    CategoryInfo old = Category("Old", 0);
    ASSERT_EQ(AddCategoryInfo(h, &old), Sample::kOld);
    ASSERT_EQ(DelCategoryInfo(h, Sample::kOld, 0), 0);

    MediaInfo film = Media("Night Film", Sample::kFilms, "night-key");
    ASSERT_EQ(AddMediaInfo(h, &film), Sample::kNightFilm);
    MediaInfo cartoon = Media("Cartoon Hour", Sample::kKids);
    ASSERT_EQ(AddMediaInfo(h, &cartoon), Sample::kCartoon);
    ASSERT_EQ(SetAddInfo(h, Sample::kCartoon, 0, 5, 0, "hello"), 0);
    ASSERT_EQ(SetAddInfo(h, Sample::kCartoon, 3, 10, 3, "0123456789"), 0);
    MediaInfo gone = Media("Gone", Sample::kFilms);
    ASSERT_EQ(AddMediaInfo(h, &gone), Sample::kGone);
    ASSERT_EQ(DelMediaInfo(h, Sample::kGone), 0);

    ClientInfo box{};
    std::snprintf(box.clientName, sizeof box.clientName, "tv-box");
    ASSERT_EQ(AddClientInfo(h, &box), 0);
    DBAccount alice = UserAccount("alice", "s3cret", 4);
    ASSERT_EQ(AddUser(h, &alice), 1);
}

void PutBytes(const std::string& path, uint64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    ASSERT_TRUE(file) << path;
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutInt32(const std::string& path, uint64_t offset, int32_t value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    PutBytes(path, offset, bytes);
}

void Truncate(const std::string& path, uint64_t size) { std::filesystem::resize_file(path, size); }

}  // namespace mvdb::test
