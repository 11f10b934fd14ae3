#include "platform/cp932_tables.h"

#include <cstdint>
#include <iterator>

namespace mvdb::platform::cp932 {
namespace {

// Full-width punctuation in row 1 (81 40 - 81 97) that has an ASCII or a
// half-width form. The rest of the row has none.
struct Punctuation {
    uint16_t wide;
    uint8_t narrow;
};
constexpr Punctuation kPunctuation[] = {
    {0x8140, 0x20}, {0x8141, 0xA4}, {0x8142, 0xA1}, {0x8143, 0x2C}, {0x8144, 0x2E}, {0x8145, 0xA5},
    {0x8146, 0x3A}, {0x8147, 0x3B}, {0x8148, 0x3F}, {0x8149, 0x21}, {0x814A, 0xDE}, {0x814B, 0xDF},
    {0x814F, 0x5E}, {0x8150, 0x7E}, {0x8151, 0x5F}, {0x815B, 0xB0}, {0x815E, 0x2F}, {0x8162, 0x7C},
    {0x8165, 0x60}, {0x8166, 0x27}, {0x8168, 0x22}, {0x8169, 0x28}, {0x816A, 0x29}, {0x816D, 0x5B},
    {0x816E, 0x5D}, {0x816F, 0x7B}, {0x8170, 0x7D}, {0x8175, 0xA2}, {0x8176, 0xA3}, {0x817B, 0x2B},
    {0x817C, 0x2D}, {0x8181, 0x3D}, {0x8183, 0x3C}, {0x8184, 0x3E}, {0x818F, 0x5C}, {0x8190, 0x24},
    {0x8193, 0x25}, {0x8194, 0x23}, {0x8195, 0x26}, {0x8196, 0x2A}, {0x8197, 0x40},
};

// The half-width katakana of the full-width katakana 83 40 - 83 96 (83 7F
// is not a character), in code order: small and plain vowels, then each
// consonant row with its voiced (and for h, half-voiced) forms, which all
// lose their marks. Hiragana 82 9F - 82 F1 runs in the same order.
constexpr uint8_t kKana[] = {
    0xA7, 0xB1, 0xA8, 0xB2, 0xA9, 0xB3, 0xAA, 0xB4, 0xAB, 0xB5,  // ァアィイゥウェエォオ
    0xB6, 0xB6, 0xB7, 0xB7, 0xB8, 0xB8, 0xB9, 0xB9, 0xBA, 0xBA,  // カガキギクグケゲコゴ
    0xBB, 0xBB, 0xBC, 0xBC, 0xBD, 0xBD, 0xBE, 0xBE, 0xBF, 0xBF,  // サザシジスズセゼソゾ
    0xC0, 0xC0, 0xC1, 0xC1, 0xAF, 0xC2, 0xC2, 0xC3, 0xC3, 0xC4,  // タダチヂッツヅテデト
    0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9,                          // ドナニヌネノ
    0xCA, 0xCA, 0xCA, 0xCB, 0xCB, 0xCB, 0xCC, 0xCC, 0xCC,        // ハバパヒビピフブプ
    0xCD, 0xCD, 0xCD, 0xCE, 0xCE, 0xCE,                          // ヘベペホボポ
    0xCF, 0xD0, 0xD1, 0xD2, 0xD3,                                // マミムメモ
    0xAC, 0xD4, 0xAD, 0xD5, 0xAE, 0xD6,                          // ャヤュユョヨ
    0xD7, 0xD8, 0xD9, 0xDA, 0xDB,                                // ラリルレロ
    0xDC, 0xDC, 0xB2, 0xB4, 0xA6, 0xDD,                          // ヮワヰヱヲン
    0xB3, 0xB6, 0xB9,                                            // ヴヵヶ
};
constexpr unsigned kHiraganaCount = 0x82F1 - 0x829F + 1;
static_assert(std::size(kKana) == 0x8396 - 0x8340);
static_assert(kHiraganaCount <= std::size(kKana));

// Double-byte characters are numbered in "cells", 188 per lead byte (trail
// bytes 40-7E and 80-FC), so that runs crossing trail 7F or a lead byte stay
// runs.
constexpr int kNoCell = -1;

constexpr bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

constexpr int Cell(unsigned int c) {
    unsigned lead = c >> 8;
    unsigned trail = c & 0xFF;
    if (c > 0xFFFF || !IsLead(lead) || trail < 0x40 || trail == 0x7F || trail > 0xFC) return kNoCell;
    unsigned leadIndex = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    unsigned trailIndex = trail - 0x40 - (trail > 0x7F ? 1 : 0);
    return static_cast<int>(leadIndex * 188 + trailIndex);
}

constexpr unsigned int FromCell(int cell) {
    unsigned leadIndex = static_cast<unsigned>(cell) / 188;
    unsigned trailIndex = static_cast<unsigned>(cell) % 188;
    unsigned lead = leadIndex < 31 ? 0x81 + leadIndex : 0xE0 + leadIndex - 31;
    unsigned trail = 0x40 + trailIndex + (trailIndex >= 0x3F ? 1 : 0);
    return lead << 8 | trail;
}

// Runs of characters whose caseless key is another character: count
// consecutive cells from `first` map to as many cells from `key`.
struct KeyRun {
    uint16_t first;
    uint16_t count;
    uint16_t key;
};
constexpr KeyRun kKeyRuns[] = {
    {0x8260, 26, 0x8281},   // full-width Latin capitals
    {0x839F, 24, 0x83BF},   // Greek capitals
    {0x8440, 33, 0x8470},   // Cyrillic capitals
    {0x8754, 10, 0xFA40},   // roman numerals one to ten (NEC row 13) to small ones
    {0x8790, 1, 0x81E0},    // NEC row 13 duplicates of row 2 mathematical signs
    {0x8791, 1, 0x81DF},    //
    {0x8792, 1, 0x81E7},    //
    {0x8795, 1, 0x81E3},    //
    {0x8796, 1, 0x81DB},    //
    {0x8797, 1, 0x81DA},    //
    {0x879A, 1, 0x81E6},    //
    {0x879B, 1, 0x81BF},    //
    {0x879C, 1, 0x81BE},    //
    {0xED40, 360, 0xFA5C},  // NEC-selected IBM extensions to the IBM extensions
    {0xEEEF, 10, 0xFA40},   // small roman numerals (NEC-selected)
    {0xEEF9, 1, 0x81CA},    // not sign
    {0xEEFA, 3, 0xFA55},    // broken bar, apostrophe, quotation mark
    {0xFA4A, 10, 0xFA40},   // roman numerals one to ten (IBM) to small ones
    {0xFA54, 1, 0x81CA},    // not sign
    {0xFA58, 1, 0x878A},    // IBM duplicates of NEC row 13 symbols
    {0xFA59, 1, 0x8782},    //
    {0xFA5A, 1, 0x8784},    //
    {0xFA5B, 1, 0x81E6},    // because
};

constexpr bool KeyRunsAreCells() {
    for (const KeyRun& run : kKeyRuns) {
        if (Cell(run.first) == kNoCell || Cell(run.key) == kNoCell) return false;
        if (Cell(run.first) + run.count > Cell(0xFCFC) + 1) return false;
    }
    return true;
}
static_assert(KeyRunsAreCells());
static_assert(FromCell(Cell(0x8140)) == 0x8140 && FromCell(Cell(0x9FFC)) == 0x9FFC);
static_assert(FromCell(Cell(0xE040)) == 0xE040 && FromCell(Cell(0xED80)) == 0xED80);

}  // namespace

bool IsLeadByte(unsigned char b) { return IsLead(b); }

unsigned int ToSingleByte(unsigned int c) {
    if (c >= 0x8140 && c <= 0x8197) {
        for (const Punctuation& p : kPunctuation) {
            if (p.wide == c) return p.narrow;
        }
        return c;
    }
    if (c >= 0x824F && c <= 0x8258) return c - 0x824F + '0';
    if (c >= 0x8260 && c <= 0x8279) return c - 0x8260 + 'A';
    if (c >= 0x8281 && c <= 0x829A) return c - 0x8281 + 'a';
    if (c >= 0x829F && c <= 0x82F1) return kKana[c - 0x829F];
    if (c >= 0x8340 && c <= 0x8396 && c != 0x837F) return kKana[c - 0x8340 - (c > 0x837F ? 1 : 0)];
    return c;
}

unsigned int CaselessKey(unsigned int c) {
    if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
    int cell = Cell(c);
    if (cell == kNoCell) return c;
    for (const KeyRun& run : kKeyRuns) {
        const int first = Cell(run.first);
        if (cell >= first && cell < first + run.count) return FromCell(Cell(run.key) + (cell - first));
    }
    return c;
}

}  // namespace mvdb::platform::cp932
