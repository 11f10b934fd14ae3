#include "platform/posix/reg_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace mvdb::platform {
namespace {

constexpr char kFolder[] = "Software\\Tarnwick\\Marovale\\Folder";

std::string Text(const std::optional<std::vector<uint8_t>>& data) {
    return data ? std::string(data->begin(), data->end()) : std::string("<none>");
}

TEST(RegFile, ParsesStringsDwordsAndHexWithEitherHeader) {
    for (const char* header : {"Windows Registry Editor Version 5.00", "REGEDIT4"}) {
        const RegFile reg = RegFile::Parse(std::string(header) +
                                           "\r\n\r\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\r\n"
                                           "\"DBCATEGORY\"=\"C:\\\\Data\\\\MVDBCAT.db\"\r\n"
                                           "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
                                           "\"DefaultChannels\"=dword:0000000a\r\n"
                                           "\"Raw\"=hex:01,02,\\\r\n  03\r\n");
        EXPECT_EQ(Text(reg.Value(kFolder, "DBCATEGORY")), std::string("C:\\Data\\MVDBCAT.db\0", 19));
        EXPECT_EQ(Text(reg.Value(kFolder, "quoted")), std::string("say \"hi\"\0", 9));
        EXPECT_EQ(Text(reg.Value(kFolder, "DefaultChannels")), std::string("\x0a\0\0\0", 4));
        EXPECT_EQ(Text(reg.Value(kFolder, "RAW")), std::string("\x01\x02\x03", 3));
    }
}

TEST(RegFile, KeysAndNamesIgnoreCaseAndParentsExist) {
    const RegFile reg = RegFile::Parse(
        "REGEDIT4\n[hkey_local_machine\\SOFTWARE\\tarnwick\\MAROVALE\\folder]\n\"HostName\"=\"x\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\HostMan]\n");
    EXPECT_TRUE(reg.HasKey(kFolder));
    EXPECT_TRUE(reg.HasKey("Software\\Tarnwick"));
    EXPECT_TRUE(reg.HasKey("Software\\Tarnwick\\Marovale\\HostMan"));  // a key without values
    EXPECT_FALSE(reg.HasKey("Software\\Tarn"));
    EXPECT_EQ(Text(reg.Value(kFolder, "hostname")), std::string("x\0", 2));
    EXPECT_FALSE(reg.Value("Software\\Tarnwick\\Marovale\\HostMan", "HostName"));
}

TEST(RegFile, OtherHivesMissingHeaderAndMalformedLinesAreIgnored) {
    EXPECT_FALSE(RegFile::Parse("[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"y\"\n").HasKey("A"));
    const RegFile reg = RegFile::Parse(
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"y\"\n[HKEY_LOCAL_MACHINE\\B]\n"
        "\"open\"=\"never closed\n\"bad\"=dword:xyz\n\"long\"=dword:123456789\nno equals\n\"ok\"=\"1\"\n");
    EXPECT_FALSE(reg.HasKey("A"));
    EXPECT_FALSE(reg.Value("B", "open"));
    EXPECT_FALSE(reg.Value("B", "bad"));
    EXPECT_FALSE(reg.Value("B", "long"));
    EXPECT_EQ(Text(reg.Value("B", "ok")), std::string("1\0", 2));
}

TEST(RegFile, ArbitraryBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "[]\"\\=:,@-;\r\n abcdefxyz0129HKEY_LOCAL_MACHINEdwordhex";
    for (int round = 0; round < 300; ++round) {
        std::string text = round % 2 ? "REGEDIT4\n" : "";
        const size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i) {
            text += round % 3 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
        }
        const RegFile reg = RegFile::Parse(text);
        (void)reg.HasKey("B");
    }
}

class RegistryKeyTest : public ::testing::Test {
protected:
    void TearDown() override { ::unsetenv("MVDB_REGISTRY"); }
    void Use(const std::string& content) {
        test::WriteFileBytes(folder_ / "r.reg", content);
        ::setenv("MVDB_REGISTRY", (folder_ / "r.reg").c_str(), 1);
    }
    test::TempFolder folder_;
};

TEST_F(RegistryKeyTest, NoVariableOrNoFileMeansNoKey) {
    ::unsetenv("MVDB_REGISTRY");
    EXPECT_EQ(OpenMachineKey(kFolder), nullptr);
    ::setenv("MVDB_REGISTRY", (folder_ / "missing.reg").c_str(), 1);
    EXPECT_EQ(OpenMachineKey(kFolder), nullptr);
}

TEST_F(RegistryKeyTest, StringsMustFitTheBufferWithTheirNul) {
    Use("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\n\"Five\"=\"12345\"\n"
        "\"Count\"=dword:00000014\n\"Wide\"=hex:01,02,03,04,05\n\"Short\"=hex:07\n");
    auto key = OpenMachineKey(kFolder);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("five", 6).value_or("<none>"), "12345");
    EXPECT_FALSE(key->ReadString("Five", 5));
    EXPECT_FALSE(key->ReadString("Missing", 260));
    EXPECT_EQ(key->ReadInt32("Count").value_or(-1), 20);
    EXPECT_FALSE(key->ReadInt32("Wide"));
    // Only an integer value counts as one, whatever its bytes.
    EXPECT_FALSE(key->ReadInt32("Short"));
}

TEST_F(RegistryKeyTest, OnlyIntegerValuesAreReadAsNumbers) {
    Use("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\n\"Text\"=\"20\"\n"
        "\"Binary\"=hex:03,00,00,00\n\"Typed\"=hex(4):03,00,00,00\n\"Count\"=dword:00000003\n");
    auto key = OpenMachineKey(kFolder);
    ASSERT_NE(key, nullptr);
    EXPECT_FALSE(key->ReadInt32("Text"));  // "20" was once read as 12,338
    EXPECT_FALSE(key->ReadInt32("Binary"));
    EXPECT_EQ(key->ReadInt32("Typed").value_or(-1), 3);
    EXPECT_EQ(key->ReadInt32("Count").value_or(-1), 3);
    EXPECT_EQ(key->ReadString("Text", 260).value_or(""), "20");
}

// The registry editor exports UTF-16LE with a byte-order mark.
std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST(RegFile, Utf16FilesAreConvertedToTheCodePage) {
    const bool japanese = CurrentCodePage()->Number() == 932;
    // A character the code page holds, and one it does not.
    const std::u16string held = japanese ? u"\u30AB\u30BF" : u"\u20AC\u00E9";
    const std::string heldBytes = japanese ? "\x83\x4A\x83\x5E" : "\x80\xE9";
    const std::u16string foreign = japanese ? u"\u00E9" : u"\u30AB";
    const RegFile reg =
        RegFile::Parse(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                 u"[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\r\n"
                                 u"\"DBINFODIR\"=\"C:\\\\" +
                                 held +
                                 u"\\\\Info\"\r\n"
                                 u"\"DBHOST\"=\"C:\\\\" +
                                 foreign +
                                 u".db\"\r\n"
                                 u"\"DefaultChannels\"=dword:00000007\r\n"));
    EXPECT_TRUE(reg.HasKey(kFolder));
    EXPECT_EQ(Text(reg.Value(kFolder, "DBINFODIR")), "C:\\" + heldBytes + "\\Info" + std::string(1, '\0'));
    EXPECT_FALSE(reg.Value(kFolder, "DBHOST"));  // does not convert: missing
    EXPECT_EQ(Text(reg.Value(kFolder, "DefaultChannels")), std::string("\x07\0\0\0", 4));
}

TEST_F(RegistryKeyTest, TheFileIsReadAgainAtEveryOpen) {
    Use("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\n\"A\"=\"1\"\n");
    EXPECT_EQ(OpenMachineKey(kFolder)->ReadString("A", 10).value_or(""), "1");
    Use("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\Folder]\n\"A\"=\"2\"\n");
    EXPECT_EQ(OpenMachineKey(kFolder)->ReadString("A", 10).value_or(""), "2");
}

}  // namespace
}  // namespace mvdb::platform
