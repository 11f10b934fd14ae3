// Several processes on one machine: one open handle at a time, one writer
// per file, and locks that a killed holder leaves behind released.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame/database_handle.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

// A child process that runs `body`, reports one byte through a pipe, and
// then waits until it is killed or told to go.
class Child {
public:
    template <typename Body>
    explicit Child(Body&& body) {
        int ready[2];
        int go[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            const char status = body() ? 'y' : 'n';
            (void)!::write(ready[1], &status, 1);
            char ignored;
            (void)!::read(go[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        readyFd_ = ready[0];
        goFd_ = go[1];
    }
    ~Child() {
        if (pid_ > 0) {
            Kill();
        }
        if (readyFd_ >= 0) ::close(readyFd_);
        if (goFd_ >= 0) ::close(goFd_);
    }

    // What the body returned: 'y' or 'n', or 0 when the child died first.
    char Ready() {
        char status = 0;
        if (::read(readyFd_, &status, 1) != 1) return 0;
        return status;
    }
    void Finish() {
        ::close(goFd_);
        goFd_ = -1;
        Wait();
    }
    void Kill() {
        ::kill(pid_, SIGKILL);
        Wait();
    }

private:
    void Wait() {
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t pid_ = -1;
    int readyFd_ = -1;
    int goFd_ = -1;
};

class ProcessesTest : public test::DatabaseTest {};

TEST_F(ProcessesTest, AnotherProcessCannotOpenWhileAHandleIsOpen) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    Child child([] { return OpenMVDB() == MVDB_INVALID_HANDLE; });
    EXPECT_EQ(child.Ready(), 'y');
    child.Finish();
    db.Close();
    Child after([] {
        MVDB_HANDLE h = OpenMVDB();
        const bool ok = h != MVDB_INVALID_HANDLE;
        CloseMVDB(h);
        return ok;
    });
    EXPECT_EQ(after.Ready(), 'y');
}

TEST_F(ProcessesTest, AKilledHolderReleasesTheDatabaseAndItsWritesStay) {
    Child child([] {
        MVDB_HANDLE h = OpenMVDB();
        if (h == MVDB_INVALID_HANDLE) return false;
        DBAccount account{};
        std::strcpy(account.userName, "survivor");
        std::strcpy(account.password, "kept");
        SetDBAccount(h, &account);
        InitializeDB(h);  // rewrites every file with the new account
        CategoryInfo category{};
        std::strcpy(category.categoryName, "films");
        if (AddCategoryInfo(h, &category) != 2) return false;
        for (int i = 0; i < 3; ++i) {
            MediaInfo item{};
            std::snprintf(item.title, sizeof item.title, "written %d", i);
            item.categoryId = 2;
            if (AddMediaInfo(h, &item) != 20 + i) return false;
        }
        ClientInfo client{};
        std::strcpy(client.clientName, "player");
        return AddClientInfo(h, &client) == 0;  // and stays open until killed
    });
    ASSERT_EQ(child.Ready(), 'y');
    EXPECT_EQ(OpenMVDB(), MVDB_INVALID_HANDLE);
    child.Kill();

    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    DBAccount account{};
    ASSERT_EQ(GetDBAccount(db.get(), &account), 0);
    EXPECT_STREQ(account.userName, "survivor");
    EXPECT_STREQ(account.password, "kept");
    EXPECT_EQ(GetCategoryCount(db.get()), 3);
    ASSERT_EQ(GetMediaCount(db.get()), 23);
    MediaInfo last{};
    ASSERT_EQ(GetMediaInfo(db.get(), 22, &last), 0);
    EXPECT_STREQ(last.title, "written 2");
    EXPECT_EQ(GetClientCount(db.get()), 1);
}

TEST_F(ProcessesTest, AFileLockLeftByAKilledHolderCountsAsAcquired) {
    Child child([this] {
        // Kept until the process is killed.
        auto* file = platform::OpenAlways(mediaFile()).release();
        if (file == nullptr) return false;
        platform::OpenFileAccessLock(*file, "Marovale FileAccess Media").release()->Acquire();
        return true;
    });
    ASSERT_EQ(child.Ready(), 'y');
    child.Kill();
    test::OpenDatabase db;  // seeding the media file takes the same lock
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(test::CountInFile(test::ReadFileBytes(mediaFile())), 20);
}

TEST_F(ProcessesTest, TheSecondProcessToBuildAStoreIsAReader) {
    { test::OpenDatabase seed; }
    Child writer([] {
        SharedAccount account;
        auto codePage = platform::CurrentCodePage();
        auto* store = new CategoryDatabase(account, *codePage);  // kept until the process ends
        return store->IsWriter();
    });
    ASSERT_EQ(writer.Ready(), 'y');
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    CategoryDatabase& categories = FromHandle(db.get())->categories();
    EXPECT_FALSE(categories.IsWriter());
    EXPECT_TRUE(FromHandle(db.get())->media().IsWriter());
    const std::string before = test::ReadFileBytes(categoryFile());
    EXPECT_EQ(categories.WriteRecord(1), MVDB_ERR_WRITE);
    EXPECT_EQ(test::ReadFileBytes(categoryFile()), before);
    writer.Finish();
    db.Close();
    test::OpenDatabase again;  // the writer mutex went with its process
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(FromHandle(again.get())->categories().IsWriter());
}

// Two processes whose environments differ (each its own lock folder and
// runtime folder) may both open the database; the files still have one
// writer each, so the second never writes over the first one's records.
TEST_F(ProcessesTest, OpenersWithDifferentEnvironmentsNeverBothWriteAFile) {
    const auto useEnvironment = [this](const char* tag) {
        ::setenv("MVDB_LOCK_DIR", (folder_ / (std::string("locks-") + tag)).c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (folder_ / (std::string("run-") + tag)).c_str(), 1);
    };
    const auto addClient = [](MVDB_HANDLE h, const char* name) {
        ClientInfo client{};
        std::strcpy(client.clientName, name);
        return AddClientInfo(h, &client);
    };
    Child first([&] {
        useEnvironment("a");
        MVDB_HANDLE h = OpenMVDB();
        if (h == MVDB_INVALID_HANDLE) return false;
        CategoryInfo category{};
        std::strcpy(category.categoryName, "first's");
        return addClient(h, "first") == 0 && AddCategoryInfo(h, &category) == 2;
    });
    ASSERT_EQ(first.Ready(), 'y');
    Child second([&] {
        useEnvironment("b");
        MVDB_HANDLE h = OpenMVDB();
        if (h == MVDB_INVALID_HANDLE) return false;
        DatabaseHandle& handle = *FromHandle(h);
        const bool readers =
            !handle.categories().IsWriter() && !handle.media().IsWriter() && !handle.clients().IsWriter();
        CategoryInfo category{};
        std::strcpy(category.categoryName, "second's");
        MediaInfo item{};
        std::strcpy(item.title, "second's item");
        addClient(h, "second");
        AddCategoryInfo(h, &category);
        AddMediaInfo(h, &item);
        InitializeDB(h);  // a whole rewrite of every file, from a reader
        CloseMVDB(h);
        return readers;
    });
    EXPECT_EQ(second.Ready(), 'y');
    second.Finish();
    first.Finish();

    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ASSERT_EQ(GetClientCount(db.get()), 1);
    ClientInfo client{};
    ASSERT_EQ(GetClientInfo(db.get(), 0, &client), 0);
    EXPECT_STREQ(client.clientName, "first");
    ASSERT_EQ(GetCategoryCount(db.get()), 3);
    CategoryInfo category{};
    ASSERT_EQ(GetCategoryInfo(db.get(), 2, &category), 0);
    EXPECT_STREQ(category.categoryName, "first's");
    EXPECT_EQ(GetMediaCount(db.get()), 20);
}

// The machine-wide duplication mutex lives where every process finds it,
// whatever its runtime folder, unless MVDB_LOCK_DIR names another place.
TEST_F(ProcessesTest, TheDuplicationCheckDoesNotDependOnTheRuntimeFolder) {
    const std::string name = "mvdb processes test " + std::to_string(::getpid()) + " " +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const auto createIn = [&](const std::string& runtime, std::unique_ptr<platform::NamedMarker>* marker) {
        ::unsetenv("MVDB_LOCK_DIR");
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        return platform::CreateMarker(name, marker);
    };
    const char* runtimeBefore = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtimeBefore != nullptr ? runtimeBefore : "";
    std::unique_ptr<platform::NamedMarker> held;
    ASSERT_EQ(createIn(folder_ / "run-a", &held), platform::MarkerResult::kCreated);
    Child other([&] {
        std::unique_ptr<platform::NamedMarker> marker;
        return createIn(folder_ / "run-b", &marker) == platform::MarkerResult::kExisted;
    });
    EXPECT_EQ(other.Ready(), 'y');
    other.Finish();
    held.reset();
    if (runtimeBefore != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ::setenv("MVDB_LOCK_DIR", (folder_ / "locks").c_str(), 1);
}

}  // namespace
}  // namespace mvdb
