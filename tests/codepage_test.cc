// The code page against the Windows run-time library's own answers, recorded
// in tests/data/codepage_<number>.txt by tests/codepage/gen_reference.c (see
// that file for the format). On POSIX the test chooses the code page through
// MVDB_CODEPAGE; on Windows the code page is the process's, so each run of
// the suite checks the table of the code page it runs under.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

#ifndef MVDB_TEST_DATA_DIR
#error "MVDB_TEST_DATA_DIR must name the folder of the reference tables"
#endif

namespace mvdb {
namespace {

struct FindCase {
    std::string text;
    unsigned char c;
    int offset;
};

struct CompareCase {
    std::string a;
    std::string b;
    int sign;
};

struct Reference {
    int codePage = 0;
    bool lead[256] = {};
    std::map<unsigned int, unsigned int> toSingleByte;
    // Characters in ascending caseless order; each group compares equal.
    std::vector<std::vector<unsigned int>> order;
    std::vector<FindCase> finds;
    std::vector<CompareCase> compares;
};

unsigned int Hex(const std::string& text) { return static_cast<unsigned int>(std::stoul(text, nullptr, 16)); }

std::string HexString(const std::string& text) {
    std::string bytes;
    if (text == ".") return bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) bytes += static_cast<char>(Hex(text.substr(i, 2)));
    return bytes;
}

std::string CharString(unsigned int c) {
    std::string s;
    if (c > 0xFF) s += static_cast<char>(c >> 8);
    s += static_cast<char>(c & 0xFF);
    return s;
}

// Reads the words of a section that runs over several lines up to "end".
std::vector<std::string> SectionWords(std::istream& in, std::istringstream& first) {
    std::vector<std::string> words;
    std::string word;
    while (first >> word) words.push_back(word);
    std::string line;
    while (std::getline(in, line) && line != "end") {
        std::istringstream rest(line);
        while (rest >> word) words.push_back(word);
    }
    return words;
}

void AddOrderWord(const std::string& word, Reference* ref) {
    if (word.find('=') != std::string::npos) {
        std::vector<unsigned int> group;
        std::istringstream parts(word);
        std::string part;
        while (std::getline(parts, part, '=')) group.push_back(Hex(part));
        ref->order.push_back(group);
    } else if (const size_t dash = word.find('-'); dash != std::string::npos) {
        for (unsigned int c = Hex(word.substr(0, dash)); c <= Hex(word.substr(dash + 1)); ++c) {
            ref->order.push_back({c});
        }
    } else {
        ref->order.push_back({Hex(word)});
    }
}

bool LoadReference(int codePage, Reference* ref) {
    std::ifstream in(std::string(MVDB_TEST_DATA_DIR) + "/codepage_" + std::to_string(codePage) + ".txt");
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag;
        if (!(words >> tag) || tag[0] == '#') continue;
        if (tag == "codepage") {
            words >> ref->codePage;
        } else if (tag == "lead") {
            std::string range;
            while (words >> range) {
                for (unsigned int b = Hex(range.substr(0, 2)); b <= Hex(range.substr(3, 2)); ++b)
                    ref->lead[b] = true;
            }
        } else if (tag == "tombb") {
            for (const std::string& pair : SectionWords(in, words)) {
                const size_t colon = pair.find(':');
                ref->toSingleByte[Hex(pair.substr(0, colon))] = Hex(pair.substr(colon + 1));
            }
        } else if (tag == "order") {
            for (const std::string& word : SectionWords(in, words)) AddOrderWord(word, ref);
        } else if (tag == "chr") {
            std::string text, c;
            int offset = 0;
            words >> text >> c >> offset;
            ref->finds.push_back({HexString(text), static_cast<unsigned char>(Hex(c)), offset});
        } else if (tag == "icmp") {
            std::string a, b;
            int sign = 0;
            words >> a >> b >> sign;
            ref->compares.push_back({HexString(a), HexString(b), sign});
        }
    }
    return ref->codePage == codePage;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

class CodePageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
#if !defined(_WIN32)
        const char* saved = std::getenv("MVDB_CODEPAGE");
        if (saved != nullptr) saved_ = saved;
        hadSaved_ = saved != nullptr;
        ::setenv("MVDB_CODEPAGE", std::to_string(GetParam()).c_str(), 1);
#endif
        codePage_ = platform::CurrentCodePage();
        ASSERT_TRUE(codePage_);
        ASSERT_EQ(codePage_->Number(), GetParam());
        ASSERT_TRUE(LoadReference(GetParam(), &ref_)) << "no reference table in " << MVDB_TEST_DATA_DIR;
    }

    void TearDown() override {
#if !defined(_WIN32)
        if (hadSaved_) {
            ::setenv("MVDB_CODEPAGE", saved_.c_str(), 1);
        } else {
            ::unsetenv("MVDB_CODEPAGE");
        }
#endif
    }

    int Compare(unsigned int x, unsigned int y) const {
        return Sign(codePage_->CompareNoCase(CharString(x).c_str(), CharString(y).c_str()));
    }

    std::unique_ptr<platform::CodePage> codePage_;
    Reference ref_;

private:
    std::string saved_;
    bool hadSaved_ = false;
};

TEST_P(CodePageTest, LeadBytesAreThoseOfTheRuntimeLibrary) {
    for (unsigned int b = 0; b < 256; ++b) {
        EXPECT_EQ(codePage_->IsLeadByte(static_cast<unsigned char>(b)), ref_.lead[b]) << std::hex << b;
    }
}

TEST_P(CodePageTest, EveryDoubleByteCharacterHasTheRuntimeLibrarysSingleByteForm) {
    ASSERT_EQ(ref_.toSingleByte.empty(), GetParam() != 932);
    for (unsigned int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (unsigned int trail = 0x40; trail <= 0xFC; ++trail) {
            const unsigned int c = lead << 8 | trail;
            const auto listed = ref_.toSingleByte.find(c);
            const unsigned int expected = listed == ref_.toSingleByte.end() ? c : listed->second;
            EXPECT_EQ(codePage_->ToSingleByte(c), expected) << std::hex << c;
        }
    }
}

// Every character of the code page in the run-time library's caseless order:
// equal neighbours compare equal, the next group compares greater, and
// distant pairs keep the order too.
TEST_P(CodePageTest, OneCharacterStringsCompareInTheRuntimeLibrarysOrder) {
    const auto& order = ref_.order;
    ASSERT_GT(order.size(), 100u);
    for (size_t i = 0; i < order.size(); ++i) {
        const std::vector<unsigned int>& group = order[i];
        for (size_t k = 1; k < group.size(); ++k) {
            EXPECT_EQ(Compare(group[0], group[k]), 0) << std::hex << group[0] << " " << group[k];
            EXPECT_EQ(Compare(group[k], group[0]), 0) << std::hex << group[k] << " " << group[0];
        }
        if (i + 1 < order.size()) {
            const unsigned int x = group.back();
            const unsigned int y = order[i + 1].front();
            EXPECT_EQ(Compare(x, y), -1) << std::hex << x << " " << y;
            EXPECT_EQ(Compare(y, x), 1) << std::hex << y << " " << x;
        }
    }
    for (size_t i = 0; i < order.size(); i += 97) {
        for (size_t j = 0; j < order.size(); j += 89) {
            const int expected = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ(Compare(order[i].back(), order[j].front()), expected)
                << std::hex << order[i].back() << " " << order[j].front();
        }
    }
}

TEST_P(CodePageTest, StringsCompareLikeTheRuntimeLibrary) {
    ASSERT_FALSE(ref_.compares.empty());
    for (const CompareCase& c : ref_.compares) {
        EXPECT_EQ(Sign(codePage_->CompareNoCase(c.a.c_str(), c.b.c_str())), c.sign)
            << ::testing::PrintToString(c.a) << " vs " << ::testing::PrintToString(c.b);
    }
}

TEST_P(CodePageTest, CharacterSearchSkipsSecondBytesLikeTheRuntimeLibrary) {
    ASSERT_FALSE(ref_.finds.empty());
    for (const FindCase& c : ref_.finds) {
        const char* found = codePage_->FindChar(c.text.c_str(), c.c);
        const int offset = found == nullptr ? -1 : static_cast<int>(found - c.text.c_str());
        EXPECT_EQ(offset, c.offset) << ::testing::PrintToString(c.text) << " " << std::hex << int{c.c};
    }
}

#if !defined(_WIN32)
// On Windows the name is a resource of mvdb.dll (platform_win32_test.cc).
TEST_P(CodePageTest, LiveVideoCategoryNameIsInTheCodePage) {
    EXPECT_EQ(platform::LiveVideoCategoryName(*codePage_),
              GetParam() == 932 ? "\x83\x89\x83\x43\x83\x75" : "Live Video");
}

INSTANTIATE_TEST_SUITE_P(CodePages, CodePageTest, ::testing::Values(932, 1252),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param);
                         });
#else
// A Windows process has one code page; each run of the suite checks its own.
INSTANTIATE_TEST_SUITE_P(CodePages, CodePageTest, ::testing::Values(platform::CurrentCodePage()->Number()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param);
                         });
#endif

#if defined(_WIN32)
// The scripts that run the suite under Wine say which code page a run has,
// so that a run that silently fell back to another code page fails.
TEST(CodePageOfTheRun, IsTheOneTheRunAskedFor) {
    const char* expected = std::getenv("MVDB_EXPECT_CODEPAGE");
    if (expected == nullptr || *expected == 0) GTEST_SKIP() << "MVDB_EXPECT_CODEPAGE is not set";
    EXPECT_EQ(platform::CurrentCodePage()->Number(), std::atoi(expected));
}
#endif

}  // namespace
}  // namespace mvdb
