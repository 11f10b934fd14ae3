// How the POSIX backend chooses its code page: MVDB_CODEPAGE, else the
// locale of the process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mvdb {
namespace {

constexpr const char* kVariables[] = {"MVDB_CODEPAGE", "LC_ALL", "LC_CTYPE", "LANG"};

class CodePageChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < std::size(kVariables); ++i)
            Set(kVariables[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    static void Set(const char* name, const char* value) {
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }

private:
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(CodePageChoiceTest, TheSettingWinsAndTheFirstNonEmptyLocaleDecidesOtherwise) {
    // nullptr: the variable is unset.
    struct Case {
        const char* setting;
        const char* lcAll;
        const char* lcCtype;
        const char* lang;
        int expected;
    };
    const Case cases[] = {
        {"932", nullptr, nullptr, nullptr, 932},
        {"932", "C", "C", "en_US.UTF-8", 932},
        {"1252", "ja_JP.UTF-8", nullptr, nullptr, 1252},
        {nullptr, nullptr, nullptr, nullptr, 1252},
        {nullptr, "ja_JP.UTF-8", nullptr, nullptr, 932},
        {nullptr, nullptr, "ja_JP.eucJP", "en_US.UTF-8", 932},
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", 932},
        {nullptr, "", "", "ja", 932},                  // empty values count as unset
        {nullptr, "C", nullptr, "ja_JP.UTF-8", 1252},  // LC_ALL hides LANG
        {nullptr, "en_US.UTF-8", "ja_JP.UTF-8", nullptr, 1252},
        {nullptr, "C.UTF-8", nullptr, nullptr, 1252},
        {"", "ja_JP.UTF-8", nullptr, nullptr, 932},
        {"437", nullptr, nullptr, "ja_JP.UTF-8", 932},  // an unknown setting is ignored
        {"437", nullptr, nullptr, nullptr, 1252},
    };
    for (const Case& c : cases) {
        Set("MVDB_CODEPAGE", c.setting);
        Set("LC_ALL", c.lcAll);
        Set("LC_CTYPE", c.lcCtype);
        Set("LANG", c.lang);
        const std::unique_ptr<platform::CodePage> codePage = platform::CurrentCodePage();
        ASSERT_TRUE(codePage);
        EXPECT_EQ(codePage->Number(), c.expected) << "MVDB_CODEPAGE=" << (c.setting ? c.setting : "(unset)")
                                                  << " LC_ALL=" << (c.lcAll ? c.lcAll : "(unset)")
                                                  << " LC_CTYPE=" << (c.lcCtype ? c.lcCtype : "(unset)")
                                                  << " LANG=" << (c.lang ? c.lang : "(unset)");
    }
}

TEST_F(CodePageChoiceTest, ACodePageKeepsItsNumberWhenTheSettingChanges) {
    Set("MVDB_CODEPAGE", "932");
    const std::unique_ptr<platform::CodePage> japanese = platform::CurrentCodePage();
    Set("MVDB_CODEPAGE", "1252");
    EXPECT_EQ(japanese->Number(), 932);
    EXPECT_TRUE(japanese->IsLeadByte(0x83));
    EXPECT_EQ(platform::CurrentCodePage()->Number(), 1252);
}

// A string cut after the first byte of a double-byte character: that byte
// stands alone and the string ends at the NUL; nothing past it is read.
// (The run-time library reads on; these answers are this backend's own.)
TEST_F(CodePageChoiceTest, ALeadByteBeforeTheNulEndsTheString) {
    Set("MVDB_CODEPAGE", "932");
    const std::unique_ptr<platform::CodePage> codePage = platform::CurrentCodePage();
    const auto exact = [](const char* text) {
        const size_t size = std::strlen(text) + 1;
        std::unique_ptr<char[]> copy(new char[size]);
        std::memcpy(copy.get(), text, size);
        return copy;
    };
    const auto cut = exact("a\x83");
    const auto same = exact("A\x83");
    const auto whole = exact("a\x83\x41");
    EXPECT_EQ(codePage->CompareNoCase(cut.get(), same.get()), 0);
    EXPECT_LT(codePage->CompareNoCase(cut.get(), whole.get()), 0);
    EXPECT_GT(codePage->CompareNoCase(whole.get(), cut.get()), 0);
    EXPECT_EQ(codePage->FindChar(cut.get(), 'a'), cut.get());
    EXPECT_EQ(codePage->FindChar(cut.get(), 0x83), nullptr);
    EXPECT_EQ(codePage->FindChar(cut.get(), '\\'), nullptr);
    EXPECT_EQ(codePage->FindChar(cut.get(), 0), cut.get() + 2);
}

}  // namespace
}  // namespace mvdb
