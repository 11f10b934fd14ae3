// The Windows backend where only Windows can set the scene: registry values
// of every shape, and the string resource of the loaded mvdb.dll.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace mvdb {
namespace {

class PlatformRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        subkey_ = "Software\\mvdb platform test " + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_ != nullptr) RegCloseKey(key_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey_.c_str());
    }

    void Set(const char* name, DWORD type, const void* data, size_t size) {
        ASSERT_EQ(
            RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
            ERROR_SUCCESS);
    }
    void SetString(const char* name, const std::string& text, DWORD type = REG_SZ) {
        Set(name, type, text.c_str(), text.size() + 1);
    }

    std::string subkey_;
    HKEY key_ = nullptr;
};

TEST_F(PlatformRegistryTest, AMissingKeyCannotBeOpened) {
    EXPECT_FALSE(platform::OpenMachineKey(subkey_ + "\\absent"));
    EXPECT_TRUE(platform::OpenMachineKey(subkey_));
}

TEST_F(PlatformRegistryTest, StringsAreReadWhenTheyFitTheBufferWithTheirNul) {
    SetString("Short", "C:\\Data\\MVDBCAT.db");
    SetString("Fits", std::string(259, 'x'));
    SetString("TooLong", std::string(260, 'y'));
    SetString("Empty", "");
    SetString("Expand", "%TEMP%\\mvdb", REG_EXPAND_SZ);
    const char twoStrings[] = "first\0second";
    Set("Embedded", REG_SZ, twoStrings, sizeof twoStrings);

    std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(subkey_);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString("Short", 260), "C:\\Data\\MVDBCAT.db");
    EXPECT_EQ(key->ReadString("Fits", 260), std::string(259, 'x'));
    EXPECT_EQ(key->ReadString("TooLong", 260), std::nullopt);
    EXPECT_EQ(key->ReadString("Short", 19), "C:\\Data\\MVDBCAT.db");
    EXPECT_EQ(key->ReadString("Short", 18), std::nullopt);
    EXPECT_EQ(key->ReadString("Empty", 260), "");
    EXPECT_EQ(key->ReadString("Expand", 260), "%TEMP%\\mvdb");  // never expanded
    EXPECT_EQ(key->ReadString("Embedded", 260), "first");
    EXPECT_EQ(key->ReadString("Absent", 260), std::nullopt);
}

TEST_F(PlatformRegistryTest, IntegersAreReadWhenTheyHaveAtMostFourBytes) {
    const DWORD channels = 12;
    const DWORD negative = 0xFFFFFFFE;
    const unsigned long long wide = 5;
    Set("DefaultChannels", REG_DWORD, &channels, sizeof channels);
    Set("Negative", REG_DWORD, &negative, sizeof negative);
    Set("Wide", REG_QWORD, &wide, sizeof wide);
    SetString("Text", "20");

    std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(subkey_);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadInt32("DefaultChannels"), 12);
    EXPECT_EQ(key->ReadInt32("Negative"), -2);
    EXPECT_EQ(key->ReadInt32("Wide"), std::nullopt);
    EXPECT_EQ(key->ReadInt32("Absent"), std::nullopt);
    // Only an integer value is a number: the text "20" is no channel count.
    EXPECT_EQ(key->ReadInt32("Text"), std::nullopt);
}

// LoadStringA gives the resource in the user's language, in the ANSI code
// page: Japanese under code page 932, English otherwise. The suite has
// loaded mvdb.dll (win32_dll_environment.cc); the name comes from it alone.
TEST(PlatformResourceTest, TheLiveVideoNameComesFromTheLoadedLibrary) {
    const std::unique_ptr<platform::CodePage> codePage = platform::CurrentCodePage();
    ASSERT_NE(GetModuleHandleA("mvdb.dll"), nullptr);
    EXPECT_EQ(platform::LiveVideoCategoryName(*codePage),
              codePage->Number() == 932 ? "\x83\x89\x83\x43\x83\x75" : "Live Video");
}

}  // namespace
}  // namespace mvdb
