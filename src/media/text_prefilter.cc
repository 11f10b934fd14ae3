#include "media/text_prefilter.h"

#include <algorithm>
#include <cstring>

#include "media/media_lookup.h"
#include "mvdb.h"

namespace mvdb {

namespace {

unsigned char OtherCase(unsigned char c) {
    return IsAsciiLetter(c) ? static_cast<unsigned char>(c ^ 0x20) : c;
}

// How well a byte narrows the search: punctuation and digits are rarer in
// names than letters, a letter sought in both cases finds twice as many
// places, and spaces are everywhere.
int Rarity(unsigned char c, bool foldCase) {
    if (c == ' ') return 0;
    if (!IsAsciiLetter(c)) return 3;
    return foldCase ? 1 : 2;
}

// The first byte c in [from, to), or nullptr.
const char* Find(const char* from, const char* to, unsigned char c) {
    return from < to ? static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(to - from)))
                     : nullptr;
}

}  // namespace

TextPrefilter::TextPrefilter(const char* pattern, int32_t mode, const platform::CodePage& codePage)
    : pattern_(pattern), foldCase_((mode & MVDB_MATCH_IGNORE_CASE) != 0) {
    if ((mode & MVDB_MATCH_IGNORE_WIDTH) != 0) return;
    const bool skip = (mode & MVDB_MATCH_SKIP_IGNORABLE) != 0;
    const auto* p = reinterpret_cast<const unsigned char*>(pattern_.c_str());
    // The longest run wins; of runs as long, the one with the rarest byte.
    const auto rarest = [&](const std::string& r) {
        int best = -1;
        for (char c : r) best = std::max(best, Rarity(static_cast<unsigned char>(c), foldCase_));
        return best;
    };
    std::string run;
    const auto endRun = [&] {
        if (run.size() > run_.size() || (run.size() == run_.size() && rarest(run) > rarest(run_))) run_ = run;
        run.clear();
    };
    // The pattern is read character by character as the matcher reads it:
    // the second byte of a double-byte character is never taken for ASCII.
    for (size_t j = 0; p[j] != 0;) {
        if (codePage.IsLeadByte(p[j]) && p[j + 1] != 0) {
            endRun();
            j += 2;
            continue;
        }
        const unsigned char c = p[j++];
        if (c >= 0x80 || (skip && IsIgnorable(c))) {
            endRun();
            continue;
        }
        run.push_back(static_cast<char>(c));
        if (skip) endRun();
    }
    endRun();
    for (size_t k = 1; k < run_.size(); ++k) {
        if (Rarity(static_cast<unsigned char>(run_[k]), foldCase_) >
            Rarity(static_cast<unsigned char>(run_[anchor_]), foldCase_))
            anchor_ = k;
    }
}

bool TextPrefilter::RunAt(const char* text) const {
    for (size_t k = 0; k < run_.size(); ++k) {
        const auto t = static_cast<unsigned char>(text[k]);
        const auto r = static_cast<unsigned char>(run_[k]);
        if (t == r) continue;
        if (!foldCase_ || !IsAsciiLetter(r) || AsciiUpper(t) != AsciiUpper(r)) return false;
    }
    return true;
}

bool TextPrefilter::MayMatch(const char* text, size_t length) const {
    const size_t n = run_.size();
    if (n == 0) return true;
    if (length < n) return false;
    const auto a = static_cast<unsigned char>(run_[anchor_]);
    const unsigned char b = foldCase_ ? OtherCase(a) : a;
    // The anchor of a run that starts at s lies at s + anchor_, s <= length - n.
    // Each case of the anchor is looked for once per place it occurs, so
    // the whole test stays one pass over the text.
    const char* const end = text + (length - n + anchor_ + 1);
    const char* nextA = Find(text + anchor_, end, a);
    const char* nextB = a == b ? nullptr : Find(text + anchor_, end, b);
    while (nextA != nullptr || nextB != nullptr) {
        const char* at = nextA == nullptr ? nextB : (nextB == nullptr ? nextA : std::min(nextA, nextB));
        if (RunAt(at - anchor_)) return true;
        if (at == nextA) nextA = Find(at + 1, end, a);
        if (at == nextB) nextB = Find(at + 1, end, b);
    }
    return false;
}

}  // namespace mvdb
