// The quick test ahead of the text matcher: it may let through a text that
// does not match, but never rejects one that does. A table of tricky cases
// with the answer in each code page, then random strings of the same kind,
// each checked against the matcher itself.
#include "media/text_prefilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "media/media_lookup.h"
#include "support/code_pages.h"
#include "support/text_cases.h"

namespace mvdb {
namespace {

struct FilterCase {
    const char* text;
    const char* pattern;
    int32_t mode;
    bool mayMatchIn1252;
    bool mayMatchIn932;
};

const FilterCase kFilterCases[] = {
    // The benchmark's kind of search: a run of ASCII found, or not.
    {"Title 99", "e 99", kCase, true, true},
    {"TITLE 991", "e 99", kCase, true, true},
    {"Title 98", "e 99", kCase, false, false},
    {"Title 9 9", "e 99", kCase, false, false},
    {"e 9", "e 99", kCase, false, false},  // shorter than the run
    {"99e 99", "e 99", kCase, true, true},
    {"TITLE 99", "e 99", 0, false, false},  // case counts without the fold
    // Letters in either case when the case is ignored.
    {"xAB", "ab", kCase, true, true},
    {"xAxB", "ab", kCase, false, false},
    {"ab", "AB", 0, false, false},
    // A second byte that equals the ASCII letter lets the text through in
    // 932 too: the matcher decides (here: no match in 932).
    {KATAKANA_A, "A", 0, true, true},
    {"x" KATAKANA_DI "y", "a", kCase, true, true},
    // The pattern is read in characters of the code page: in 932 its
    // double-byte character requires no ASCII byte, in 1252 it is two
    // characters, the second an 'A'.
    {"zzz", KATAKANA_A, 0, false, true},
    {KATAKANA_A, KATAKANA_A, kCase, true, true},
    {"x" KATAKANA_DA "y", "x" KATAKANA_DA "y", kSkip, true, true},
    {"w" KATAKANA_DA "q", "x" KATAKANA_DA "y", 0, false, false},
    // A lead byte just before the end stands for itself.
    {"b", "a\x83", 0, false, false},
    {"a\x83", "a\x83", 0, true, true},
    // Accented letters of 1252 are not folded by the matcher and are never
    // required by the filter.
    {"Caf\xe9", "CAF\xc9", kCase, true, true},
    {"Caf\xe9", "caf\xe9", kCase, true, true},
    // In 932 0xe9 is a lead byte: "\xe9z" is one double-byte character.
    {"Ab\xe9", "\xe9z", 0, false, true},
    {"\xe9\xe9", "\xe9", kCase, true, true},
    // An empty pattern, or one of separators only when they are skipped,
    // matches everything.
    {"anything", "", 0, true, true},
    {"", "", kCase, true, true},
    {"abc", " - ", kSkip, true, true},
    // Skipped separators may fall between any two pattern characters.
    {"e-9_9", "e 99", kCase | kSkip, true, true},
    {"E 9-8", "e 99", kCase | kSkip, true, true},  // '9' and 'e' are there: passed on
    {"E 8-8", "e 99", kCase | kSkip, false, false},
    // With width folding a full-width letter stands for an ASCII one:
    // nothing is filtered.
    {FULL_A, "a", kCase | kWidth, true, true},
    {"zzz", "a", kWidth, true, true},
    {HALF_A, "a", 0, false, false},
};

class TextPrefilterTest : public test::CodePageTest {
protected:
    bool MayMatch(const std::string& text, const std::string& pattern, int32_t mode) const {
        return TextPrefilter(pattern.c_str(), mode, *codePage_).MayMatch(text.data(), text.size());
    }
    bool Matches(const std::string& text, const std::string& pattern, int32_t mode) const {
        return MatchText(text.c_str(), pattern.c_str(), mode, *codePage_) >= 0;
    }
};

TEST_P(TextPrefilterTest, TableOfCases) {
    for (const FilterCase& c : kFilterCases) {
        const bool expected = GetParam() == 932 ? c.mayMatchIn932 : c.mayMatchIn1252;
        EXPECT_EQ(MayMatch(c.text, c.pattern, c.mode), expected)
            << "text '" << c.text << "' pattern '" << c.pattern << "' mode " << c.mode;
        if (Matches(c.text, c.pattern, c.mode)) {
            EXPECT_TRUE(expected) << "a match is rejected: '" << c.text << "' '" << c.pattern << "'";
        }
    }
}

TEST_P(TextPrefilterTest, NeverRejectsWhatTheMatcherAccepts) {
    std::mt19937 random(20261211u + static_cast<unsigned>(GetParam()));
    int rejected = 0;
    int failures = 0;
    for (int n = 0; n < 60000 && failures < 20; ++n) {
        const std::string text = test::RandomText(random, 12);
        const std::string pattern = test::RandomText(random, 4);
        const auto mode = static_cast<int32_t>(random() % 8);
        const bool mayMatch = MayMatch(text, pattern, mode);
        if (!mayMatch) {
            ++rejected;
            if (Matches(text, pattern, mode)) {
                ++failures;
                ADD_FAILURE() << "a match is rejected: text '" << text << "' pattern '" << pattern
                              << "' mode " << mode;
            }
        }
    }
    // The filter must also do its work.
    EXPECT_GE(rejected, 5000);
}

INSTANTIATE_TEST_SUITE_P(CodePages, TextPrefilterTest, ::testing::ValuesIn(test::TestableCodePages()),
                         test::CodePageName);

}  // namespace
}  // namespace mvdb
