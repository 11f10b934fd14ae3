// The tool and the library read the same files and the same configuration
// the same way: which records are users, where the files lie, which host
// name stamps new items.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "cli/text_codec.h"
#include "support/temp_folder.h"
#include "support/test_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class AgreementTest : public DatabaseTest {
protected:
    void SetUp() override { UseFolder(); }
};

// A client whose name begins with "global" but not with "global\" is a
// client for the library's user functions and for every listing of the tool.
TEST_F(AgreementTest, AClientNamedGlobalboxIsAClientEverywhere) {
    {
        OpenDatabase db;
        ASSERT_TRUE(db.ok());
        ClientInfo box{};
        std::snprintf(box.clientName, sizeof box.clientName, "globalbox");
        ASSERT_EQ(AddClientInfo(db.get(), &box), 0);
        DBAccount ann{};
        std::snprintf(ann.userName, sizeof ann.userName, "ann");
        ASSERT_EQ(AddUser(db.get(), &ann), 1);
        EXPECT_EQ(CheckUser(db.get(), 0), 1);
        EXPECT_EQ(DelUser(db.get(), 0), MVDB_ERR_OUT_OF_RANGE);
    }
    const json users = RunToolJson({"users"})["users"];
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0]["index"], 1);
    const json clients = RunToolJson({"clients"})["clients"];
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0]["name"], "globalbox");
    EXPECT_TRUE(clients[0]["user"].is_null());
    const json counts = RunToolJson({"status"})["counts"];
    EXPECT_EQ(counts["users"]["live"], 1);
    EXPECT_EQ(counts["clients"]["live"], 1);
    const ToolRun del = RunTool({"del-user", "0"});
    EXPECT_EQ(del.exitCode, 1);
    EXPECT_EQ(del.err, "mvdb: record 0 (\"globalbox\") is a client, not a user\n");
    EXPECT_EQ(RunToolJson({"dump", clientFile()})["records"][0]["user"], nullptr);
}

// The host name is read with a limit of 63 bytes, NUL included: the library
// stamps "Unknown" for a longer one, and the tool says so too.
TEST_F(AgreementTest, TheHostNameIsTheOneTheLibraryStamps) {
    for (const auto& [configured, stamped] : {std::pair{std::string(62, 'h'), std::string(62, 'h')},
                                              std::pair{std::string(63, 'h'), std::string("Unknown")}}) {
        std::filesystem::remove(mediaFile());
        registry_.Set({FolderValues(), std::map<std::string, RegistryValue>{{"HostName", configured}}});
        {
            OpenDatabase db;
            ASSERT_TRUE(db.ok());
            MediaInfo seeded{};
            ASSERT_EQ(GetMediaInfo(db.get(), 0, &seeded), 0);
            EXPECT_EQ(std::string(seeded.hostName), stamped);
        }
        EXPECT_EQ(RunToolJson({"status"})["hostName"], stamped) << configured.size();
    }
}

#if !defined(_WIN32)
// A registry file exported by the registry editor (UTF-16LE with a
// byte-order mark) names folders in characters beyond ASCII: the library
// and the tool convert them to the code page alike and name the same files.
TEST_F(AgreementTest, AUtf16RegistryFileNamesTheSameFilesForBoth) {
    const bool japanese = cli::DatabaseCodePage() == 932;
    const std::u16string wideName = japanese ? u"\u30AB\u30BF" : u"Caf\u20AC";
    const std::string codePageName = japanese ? "\x83\x4A\x83\x5E" : "Caf\x80";
    const std::string base = folder_.path().string() + "/";
    std::u16string folder;
    for (char c : base) folder += static_cast<char16_t>(static_cast<unsigned char>(c));
    folder += wideName;

    std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\r\n";
    for (const char16_t* value : {u"DBCATEGORY", u"DBMEDIA", u"DBHOST"}) {
        std::u16string file = value == std::u16string(u"DBCATEGORY") ? u"MVDBCAT.db"
                              : value == std::u16string(u"DBMEDIA")  ? u"MVDBMF.db"
                                                                     : u"MVDBCLT.db";
        text += u"\"" + std::u16string(value) + u"\"=\"" + folder + u"/" + file + u"\"\r\n";
    }
    text += u"\"DBINFODIR\"=\"" + folder + u"/Info\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteFileBytes(folder_ / "registry.reg", bytes);

    {
        OpenDatabase db;
        ASSERT_TRUE(db.ok());
    }
    const std::string onDisk = base + codePageName;
    for (const char* file : {"MVDBCAT.db", "MVDBMF.db", "MVDBCLT.db"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(onDisk + "/" + file)) << file;
    }
    // The tool finds the same folder (shown as a path of this system).
    const json where = RunToolJson({"status"})["locations"];
    for (const char* file : {"categoryFile", "mediaFile", "clientFile"}) {
        const std::string shown = where[file];
        EXPECT_EQ(shown.rfind(base, 0), 0u) << shown;
        EXPECT_NE(shown.find('/', base.size()), std::string::npos) << shown;
    }
    const ToolRun check = RunTool({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}
#endif

}  // namespace
}  // namespace mvdb::test
