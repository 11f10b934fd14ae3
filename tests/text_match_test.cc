// The text test of the criteria search: one table of cases with the answer in
// each code page, and random strings against a plain reference. The same
// cases run natively in both code pages and under Windows in the code page
// of the run.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "media/media_lookup.h"
#include "support/code_pages.h"
#include "support/text_cases.h"

namespace mvdb {
namespace {

struct TextCase {
    const char* text;
    const char* pattern;
    int32_t mode;
    int32_t offsetIn1252;
    int32_t offsetIn932;
};

const TextCase kTextCases[] = {
    // Plain ASCII answers alike in both code pages.
    {"Breaking NEWS today", "news", kCase, 9, 9},
    {"Breaking NEWS today", "news", 0, -1, -1},
    {"News", "NEWS", kCase, 0, 0},
    {"xxabc", "abc", 0, 2, 2},
    {"aab", "ab", 0, 1, 1},  // restarts one character after the failed attempt
    {"ab", "abc", 0, -1, -1},
    {"a-bc", "abc", 0, -1, -1},
    {"", "", 0, 0, 0},
    {"abc", "", kCase | kSkip | kWidth, 0, 0},
    {"", "a", kCase | kSkip | kWidth, -1, -1},
    // Separators are ignored in text and pattern alike.
    {"a-bc", "abc", kSkip, 0, 0},
    {"a--bc", "abc", kSkip, 0, 0},
    {"Star Wars", "Star Wars", kSkip, 0, 0},
    {"Star-Wars", "Star-Wars", kSkip, 0, 0},
    {"Star  Wars", "Star Wars", kSkip, 0, 0},
    {"StarWars", "star_wars", kSkip | kCase, 0, 0},
    {"The Star-Wars saga", "starwars", kSkip | kCase, 4, 4},
    {"x a_b-c", "abc", kSkip, 2, 2},  // a match starts on its first compared character
    {"ab", "a-c", kSkip, -1, -1},
    {"abc", "--", kSkip, 0, 0},  // nothing left to compare
    {"", " ", kSkip, 0, 0},
    // A match starts only on a character boundary of the text.
    {KATAKANA_U, "E", 0, 1, -1},
    {KATAKANA_U, "e", kCase, 1, -1},
    {KATAKANA_DA, "_", 0, 1, -1},
    {HYOU, "\\", 0, 1, -1},
    {SMALL_YA "E", KATAKANA_U, 0, 1, -1},  // would start on the second byte of SMALL_YA
    {"x" KATAKANA_U, KATAKANA_U, 0, 1, 1},
    // Case folding touches single-byte letters only.
    {KATAKANA_DI, KATAKANA_A, kCase, 0, -1},
    {KATAKANA_A, KATAKANA_A, kCase, 0, 0},
    {FULL_SMALL_A, FULL_A, kCase, -1, -1},
    {FULL_SMALL_A, FULL_A, kCase | kWidth, -1, -1},
    // Only single-byte characters are separators.
    {KATAKANA_DA KATAKANA_N KATAKANA_SU, KATAKANA_DA KATAKANA_N KATAKANA_SU, kSkip, 0, 0},
    {KATAKANA_DA KATAKANA_N KATAKANA_SU, KATAKANA_N KATAKANA_SU, kSkip, 2, 2},
    {"a" IDEOGRAPHIC_SPACE "b", "ab", kSkip | kWidth, -1, -1},
    // Width folding: a double-byte character matches its single-byte form.
    {FULL_A FULL_B FULL_C, "abc", kCase | kWidth, -1, 0},
    {FULL_A FULL_B FULL_C, "ABC", kWidth, -1, 0},
    {FULL_A FULL_B FULL_C, "abc", kWidth, -1, -1},  // case counts without bit 0
    {"xabc", FULL_A FULL_B, kCase | kWidth, -1, 1},
    {IDEOGRAPHIC_SPACE "news", " news", kWidth, -1, 0},
    {"a" IDEOGRAPHIC_SPACE "b", "a b", kWidth, -1, 0},
    {KATAKANA_A, HALF_A, kWidth, -1, 0},
    {HALF_A, KATAKANA_A, kWidth, -1, 0},
    {KATAKANA_DA, HALF_TA, kWidth, -1, 0},  // the voicing mark is dropped
    {KATAKANA_A, "A", kWidth, 1, -1},       // a second byte is never a character of its own
    {FULL_A, "A", 0, -1, -1},
    // A lead byte just before the end stands for itself.
    {"ab\x83", "\x83", 0, 2, 2},
    {"\x83", KATAKANA_U, 0, -1, -1},
};

using TextMatchTest = test::CodePageTest;

std::string Hex(const std::string& s) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out;
}

TEST_P(TextMatchTest, TableOfCases) {
    for (const TextCase& c : kTextCases) {
        const int32_t expected = GetParam() == 932 ? c.offsetIn932 : c.offsetIn1252;
        EXPECT_EQ(MatchText(c.text, c.pattern, c.mode, *codePage_), expected)
            << "text '" << Hex(c.text) << "' pattern '" << Hex(c.pattern) << "' mode " << c.mode;
    }
}

// The plain reference: both strings as characters of the code page, the
// separators dropped from both when the mode skips them, then a search that
// tries every character of the text as a start.
struct RefChar {
    unsigned int value;
    bool wide;
    size_t offset;
};

std::vector<RefChar> Characters(const std::string& s, const platform::CodePage& codePage,
                                bool dropSeparators) {
    std::vector<RefChar> chars;
    for (size_t at = 0; at < s.size();) {
        const auto lead = static_cast<unsigned char>(s[at]);
        if (codePage.IsLeadByte(lead) && at + 1 < s.size()) {
            chars.push_back({lead * 256u + static_cast<unsigned char>(s[at + 1]), true, at});
            at += 2;
            continue;
        }
        if (!(dropSeparators && (lead == ' ' || lead == '_' || lead == '-')))
            chars.push_back({lead, false, at});
        ++at;
    }
    return chars;
}

unsigned int FoldLetter(unsigned int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

bool SameCharacter(const RefChar& t, const RefChar& p, int32_t mode, const platform::CodePage& codePage) {
    const bool foldCase = (mode & kCase) != 0;
    if (t.wide && p.wide) return t.value == p.value;
    if (!t.wide && !p.wide) return foldCase ? FoldLetter(t.value) == FoldLetter(p.value) : t.value == p.value;
    if ((mode & kWidth) == 0) return false;
    const RefChar& wide = t.wide ? t : p;
    const RefChar& single = t.wide ? p : t;
    const unsigned int narrow = codePage.ToSingleByte(wide.value);
    if (narrow == wide.value) return false;
    return foldCase ? FoldLetter(narrow) == FoldLetter(single.value) : narrow == single.value;
}

int32_t ReferenceMatch(const std::string& text, const std::string& pattern, int32_t mode,
                       const platform::CodePage& codePage) {
    const bool skip = (mode & kSkip) != 0;
    const std::vector<RefChar> t = Characters(text, codePage, skip);
    const std::vector<RefChar> p = Characters(pattern, codePage, skip);
    if (p.empty()) return 0;
    for (size_t start = 0; start + p.size() <= t.size(); ++start) {
        size_t k = 0;
        while (k < p.size() && SameCharacter(t[start + k], p[k], mode, codePage)) ++k;
        if (k == p.size()) return static_cast<int32_t>(t[start].offset);
    }
    return -1;
}

// Letters in both cases, the separators, double-byte characters whose second
// byte looks like a letter, an underscore or a backslash, full-width letters
// and the ideographic space, and half-width katakana.
const char* const kPieces[] = {
    "a",        "A",         "b",        "E",         "e",  " ",    "_",          "-",
    KATAKANA_A, KATAKANA_DI, KATAKANA_U, KATAKANA_DA, HYOU, FULL_A, FULL_SMALL_A, IDEOGRAPHIC_SPACE,
    HALF_A,     HALF_TA};

std::string RandomString(std::mt19937& random, int maxPieces) {
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
    std::string s;
    for (int n = count(random); n > 0; --n) s += kPieces[piece(random)];
    // Now and then a lead byte just before the end.
    if (random() % 16 == 0) s += '\x83';
    return s;
}

TEST_P(TextMatchTest, RandomStringsAgreeWithThePlainReference) {
    std::mt19937 random(20240611u + static_cast<unsigned>(GetParam()));
    int skippingCases = 0;
    int failures = 0;
    for (int n = 0; n < 80000 && failures < 20; ++n) {
        const std::string text = RandomString(random, 10);
        const std::string pattern = RandomString(random, 4);
        const int32_t mode = static_cast<int32_t>(random() % 8);
        if ((mode & kSkip) != 0) ++skippingCases;
        const int32_t expected = ReferenceMatch(text, pattern, mode, *codePage_);
        const int32_t actual = MatchText(text.c_str(), pattern.c_str(), mode, *codePage_);
        if (actual != expected) ++failures;
        EXPECT_EQ(actual, expected) << "text '" << Hex(text) << "' pattern '" << Hex(pattern) << "' mode "
                                    << mode;
    }
    EXPECT_GE(skippingCases, 10000);
}

INSTANTIATE_TEST_SUITE_P(CodePages, TextMatchTest, ::testing::ValuesIn(test::TestableCodePages()),
                         test::CodePageName);

}  // namespace
}  // namespace mvdb
