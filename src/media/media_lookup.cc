#include "media/media_lookup.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "media/media_database.h"
#include "media/text_prefilter.h"
#include "storage/fixed_string.h"

namespace mvdb {

namespace {

uint64_t AsNumber(const MVDB_FILETIME& time) {
    return static_cast<uint64_t>(time.highDateTime) << 32 | time.lowDateTime;
}

// One character of a NUL-terminated string: a single byte, or a lead byte
// and its second byte (lead << 8 | second). A lead byte directly before the
// NUL stands for itself. The NUL is a character of length 0.
struct Char {
    unsigned int value;
    size_t length;
};

Char CharAt(const unsigned char* s, size_t at, const platform::CodePage& codePage) {
    if (s[at] == 0) return {0, 0};
    if (codePage.IsLeadByte(s[at]) && s[at + 1] != 0) {
        return {static_cast<unsigned int>(s[at]) << 8 | s[at + 1], 2};
    }
    return {s[at], 1};
}

// Only single-byte characters are separators: the second byte of a
// double-byte character never is, whatever its value.
bool IsSeparatorAt(const unsigned char* s, size_t at, const platform::CodePage& codePage) {
    const Char c = CharAt(s, at, codePage);
    return c.length == 1 && IsIgnorable(static_cast<unsigned char>(c.value));
}

size_t SkipSeparators(const unsigned char* s, size_t at, const platform::CodePage& codePage) {
    while (IsSeparatorAt(s, at, codePage)) ++at;
    return at;
}

// Whether text character t matches pattern character p. Case folding
// touches single-byte letters only; a double-byte character matches the
// same character, or with width folding its single-byte form.
bool CharsMatch(Char t, Char p, int32_t mode, const platform::CodePage& codePage) {
    if (t.length == 1 && p.length == 1) {
        if ((mode & MVDB_MATCH_IGNORE_CASE) != 0 && IsAsciiLetter(t.value))
            return AsciiUpper(t.value) == AsciiUpper(p.value);
        return t.value == p.value;
    }
    if (t.length == 2 && p.length == 2) return t.value == p.value;
    if ((mode & MVDB_MATCH_IGNORE_WIDTH) == 0) return false;
    const Char single = t.length == 1 ? t : p;
    const Char wide = t.length == 1 ? p : t;
    return CharMatchesWide(static_cast<unsigned char>(single.value), wide.value, mode, codePage);
}

// Whether the pattern matches the text from text position `start` on.
bool MatchesAt(const unsigned char* text, size_t start, const unsigned char* pattern, int32_t mode,
               const platform::CodePage& codePage) {
    const bool skip = (mode & MVDB_MATCH_SKIP_IGNORABLE) != 0;
    size_t i = start;
    size_t j = 0;
    for (;;) {
        if (skip) j = SkipSeparators(pattern, j, codePage);
        if (pattern[j] == 0) return true;
        if (skip) i = SkipSeparators(text, i, codePage);
        const Char t = CharAt(text, i, codePage);
        if (t.length == 0) return false;
        const Char p = CharAt(pattern, j, codePage);
        if (!CharsMatch(t, p, mode, codePage)) return false;
        i += t.length;
        j += p.length;
    }
}

}  // namespace

bool IsIgnorable(unsigned char byte) { return byte == ' ' || byte == '_' || byte == '-'; }

bool CharMatchesWide(unsigned char single, unsigned int wide, int32_t mode,
                     const platform::CodePage& codePage) {
    const unsigned int narrow = codePage.ToSingleByte(wide);
    if (narrow == wide) return false;
    if ((mode & MVDB_MATCH_IGNORE_CASE) != 0 && IsAsciiLetter(narrow))
        return AsciiUpper(single) == AsciiUpper(narrow);
    return narrow == single;
}

int32_t MatchText(const char* textChars, const char* patternChars, int32_t mode,
                  const platform::CodePage& codePage) {
    const auto* text = reinterpret_cast<const unsigned char*>(textChars);
    const auto* pattern = reinterpret_cast<const unsigned char*>(patternChars);
    const bool skip = (mode & MVDB_MATCH_SKIP_IGNORABLE) != 0;
    // A pattern with nothing left to compare matches any text at its start.
    if (pattern[skip ? SkipSeparators(pattern, 0, codePage) : 0] == 0) return 0;
    // A match starts only where a character of the text starts, and never
    // on a separator that is skipped.
    for (size_t start = 0; text[start] != 0; start += CharAt(text, start, codePage).length) {
        if (skip && IsSeparatorAt(text, start, codePage)) continue;
        if (MatchesAt(text, start, pattern, mode, codePage)) return static_cast<int32_t>(start);
    }
    return -1;
}

int32_t MediaClass(const MediaInfo& info) {
    switch ((info.mediaType >> 8) & 0xFF) {
        case 1:
            return (info.mediaType & 0xF0) != 0 ? 2 : 1;
        case 2:
            return 2;
        case 5:
            return 1;
        default:
            return 0;
    }
}

int32_t FileTimeWeekday(const MVDB_FILETIME& time) {
    const uint64_t ticks = AsNumber(time);
    // Values with the top bit set are not dates.
    if (ticks > 0x7FFFFFFFFFFFFFFFull) return -1;
    constexpr uint64_t kTicksPerDay = 864000000000ull;
    // 1601-01-01 was a Monday.
    return static_cast<int32_t>((ticks / kTicksPerDay + 1) % 7);
}

namespace {

bool MatchDate(const FindCriteria& node, const MediaInfo& info) {
    const MVDB_FILETIME* date = node.criteriaTarget == MVDB_TARGET_FILETIME_A   ? &info.fileTimeA
                                : node.criteriaTarget == MVDB_TARGET_FILETIME_B ? &info.fileTimeB
                                                                                : nullptr;
    if (date == nullptr) return false;
    const uint64_t value = AsNumber(*date);
    if (value < AsNumber(node.timeFrom) || value > AsNumber(node.timeTo)) return false;
    if (node.weekdayMask == 0) return true;
    const int32_t weekday = FileTimeWeekday(*date);
    return weekday >= 0 && (node.weekdayMask & (1u << (weekday + 1))) != 0;
}

bool MatchRange(const FindCriteria& node, const MediaInfo& info) {
    return node.criteriaTarget == 1 && MediaClass(info) == 2 && info.rangeProperty >= node.rangeMin &&
           info.rangeProperty <= node.rangeMax;
}

}  // namespace

bool MediaDatabase::MatchTextCriterion(const FindCriteria& node, const TextPrefilter& filter, int32_t index,
                                       const MediaInfo& info, std::vector<char>* buffer) {
    const auto matches = [&](const char* text) {
        return MatchText(text, filter.pattern(), node.matchMode, codePage_) >= 0;
    };
    // A field is copied for the matcher only when the prefilter lets it through.
    const auto fieldMatches = [&](const auto& field) {
        return filter.MayMatch(field, FieldLength(field)) && matches(TerminatedField(field).c_str());
    };
    if ((node.criteriaTarget & MVDB_TARGET_TITLE) != 0 && fieldMatches(info.title)) return true;
    if ((node.criteriaTarget & MVDB_TARGET_LOCATION_OR_KEY) != 0 &&
        (fieldMatches(info.location) || fieldMatches(info.keyName))) {
        return true;
    }
    if ((node.criteriaTarget & MVDB_TARGET_ADDINFO) != 0) {
        // The info files are named by the item's position, its identity.
        // A piece that cannot be read whole fails this item's test only.
        if (ReadInfoText(index, 0, buffer) != 0) return false;
        return filter.MayMatch(buffer->data(), std::strlen(buffer->data())) && matches(buffer->data());
    }
    return false;
}

int32_t MediaDatabase::FindMedia(const FindCriteria* head, int32_t slot) {
    if (!ResultSlots<MediaInfo>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    // The caller's list is read once, up to the node bound.
    std::vector<FindCriteria> nodes;
    if (head != nullptr && head->criteriaSize == MVDB_FIND_CRITERIA_SIZE) {
        for (const FindCriteria* node = head; node != nullptr && nodes.size() < kMaxCriteriaNodes;
             node = node->next) {
            nodes.push_back(*node);
        }
    }
    // Each node's pattern is prepared once for the whole scan.
    std::vector<TextPrefilter> filters;
    filters.reserve(nodes.size());
    for (const FindCriteria& node : nodes)
        filters.emplace_back(TerminatedField(node.pattern).c_str(), node.matchMode, codePage_);
    std::vector<char> infoBuffer;
    const auto selects = [&](int32_t index, const MediaInfo& info) {
        bool flagged = false;
        for (size_t n = 0; n < nodes.size(); ++n) {
            const FindCriteria& node = nodes[n];
            bool match = false;
            if (node.criteriaSize == MVDB_FIND_CRITERIA_SIZE) {
                switch (node.criteriaKind) {
                    case MVDB_CRITERIA_TEXT:
                        match = MatchTextCriterion(node, filters[n], index, info, &infoBuffer);
                        break;
                    case MVDB_CRITERIA_DATE:
                        match = MatchDate(node, info);
                        break;
                    case MVDB_CRITERIA_RANGE:
                        match = MatchRange(node, info);
                        break;
                    default:
                        break;
                }
            }
            if (node.combineRule == MVDB_COMBINE_REQUIRED) {
                if (!match) return false;
                flagged = true;
            } else if (node.combineRule == MVDB_COMBINE_SUFFICIENT) {
                if (match) return true;
            } else if (match) {
                flagged = true;
            }
        }
        return flagged;
    };
    // Info files are read outside every lock: when a node reads them, the
    // elements are copied out a chunk at a time and tested on the copies.
    // Otherwise the tests are quick and run in place, a chunk at a time.
    const bool readsInfo = std::any_of(nodes.begin(), nodes.end(), [](const FindCriteria& node) {
        return node.criteriaKind == MVDB_CRITERIA_TEXT && (node.criteriaTarget & MVDB_TARGET_ADDINFO) != 0;
    });
    // A deleted item is never selected: the user removed it.
    return slots_.Rebuild(slot, [&](std::vector<MediaInfo>& entries) {
        if (nodes.empty()) return;
        if (!readsInfo) {
            records_.ForEach([&](int32_t index, const MediaElement& e) {
                if (!IsDeleted(e.info) && selects(index, e.info)) entries.push_back(e.info);
            });
            return;
        }
        std::vector<MediaElement> chunk;
        for (int32_t from = 0; records_.CopyRange(from, RecordArray<MediaElement>::kScanChunk, &chunk) > 0;
             from += static_cast<int32_t>(chunk.size())) {
            for (size_t k = 0; k < chunk.size(); ++k) {
                const MediaElement& e = chunk[k];
                if (!IsDeleted(e.info) && selects(from + static_cast<int32_t>(k), e.info))
                    entries.push_back(e.info);
            }
        }
    });
}

}  // namespace mvdb
