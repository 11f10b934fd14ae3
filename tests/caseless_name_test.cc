// A name compared with record fields: the quick decisions (equal bytes,
// ASCII characters whose caseless keys differ) must give exactly what the
// code page's caseless comparison gives, for fields with and without their
// NUL, in each code page.
#include "storage/caseless_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "support/code_pages.h"
#include "support/text_cases.h"

namespace mvdb {
namespace {

class CaselessNameTest : public test::CodePageTest {
protected:
    // The comparison itself, on the field's text.
    bool Compared(const std::string& name, const char* field, size_t size) const {
        const std::string text(field, strnlen(field, size));
        return codePage_->CompareNoCase(text.c_str(), name.c_str()) == 0;
    }
    // Whether the text ends in a lead byte without its second byte.
    bool EndsInLoneLeadByte(const std::string& text) const {
        for (size_t i = 0; i < text.size(); ++i) {
            if (codePage_->IsLeadByte(static_cast<unsigned char>(text[i])) && ++i == text.size()) return true;
        }
        return false;
    }
    void ExpectSameAnswer(const std::string& name, const std::string& text) const {
#if defined(_WIN32)
        // The run-time library's comparison reads past the NUL behind a lone
        // lead byte, so its answer depends on whatever bytes follow; the
        // name's rule for such texts is only that equal bytes match.
        if (EndsInLoneLeadByte(name) || EndsInLoneLeadByte(text)) {
            if (text == name) {
                EXPECT_TRUE(CaselessName(*codePage_, name).Matches(text.c_str(), text.size() + 1));
            }
            return;
        }
#endif
        char field[16];
        std::memset(field, 'x', sizeof field);
        // The whole text, then cut to fill the field without a NUL.
        const size_t size = std::min(text.size() + 1, sizeof field);
        std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
        if (text.size() < sizeof field) field[text.size()] = '\0';
        const CaselessName caseless(*codePage_, name);
        EXPECT_EQ(caseless.Matches(field, size), Compared(name, field, size))
            << "name '" << name << "' field '" << std::string(field, strnlen(field, size)) << "'";
    }
};

TEST_P(CaselessNameTest, TableOfCases) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"benchhost", "benchhost"},   // the same bytes
        {"benchhost", "BenchHost"},   // case only
        {"benchhost", "otherhost"},   // differ at the first character
        {"benchhost", "benchhos"},    // the field ends first
        {"benchhost", "benchhost2"},  // the name ends first
        {"", ""},
        {"", "a"},
        {"a", ""},
        {"pc" FULL_A, "PC" FULL_A},        // equal up to a double-byte character
        {"pc" FULL_A, "PC" FULL_B},        // differ only there
        {"pc" FULL_A, "pc" FULL_SMALL_A},  // full-width letters of either case
        {FULL_A, "a"},                     // a full-width letter is not ASCII
        {"caf\xe9", "CAF\xc9"},            // accented letters: the code page decides
        {KATAKANA_A,
         "\x83"
         "a"},                                     // a second byte that looks like a letter
        {"a\x83", "A\x83"},                        // a lead byte at the end
        {"0123456789abcdef", "0123456789ABCDEF"},  // fills the field: no NUL
        {"0123456789abcdef", "0123456789ABCDEFG"},
    };
    for (const Case& c : cases) ExpectSameAnswer(c.name, c.text);
}

TEST_P(CaselessNameTest, RandomNamesGetTheComparisonsAnswer) {
    std::mt19937 random(20261211u + static_cast<unsigned>(GetParam()));
    for (int n = 0; n < 20000 && !HasFailure(); ++n) {
        const std::string name = test::RandomText(random, 5);
        // Half the texts are the name with some letters' case changed.
        std::string text = test::RandomText(random, 5);
        if (n % 2 == 0) {
            text = name;
            for (char& c : text) {
                if (random() % 2 == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            }
        }
        ExpectSameAnswer(name, text);
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, CaselessNameTest, ::testing::ValuesIn(test::TestableCodePages()),
                         test::CodePageName);

}  // namespace
}  // namespace mvdb
