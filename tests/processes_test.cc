// Several processes on one machine: one open handle at a time, one writer
// per file, and locks that a killed holder leaves behind released.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

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
    Child child([] {
        auto lock = platform::OpenNamedLock("Marovale FileAccess Media");
        lock->Acquire();
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

}  // namespace
}  // namespace mvdb
