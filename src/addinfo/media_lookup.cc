#include "addinfo/media_lookup.h"

#include <cstring>
#include <vector>

#include "media/media_database.h"
#include "storage/fixed_string.h"

namespace mvdb {

namespace {

// The run-time library's isalpha and toupper in the "C" locale.
bool IsAlpha(unsigned int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
unsigned int ToUpper(unsigned int c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

uint64_t AsNumber(const MVDB_FILETIME& time) {
    return static_cast<uint64_t>(time.highDateTime) << 32 | time.lowDateTime;
}

// A lead byte starts a double-byte character only when a second byte
// follows; a lone lead byte before the NUL stands for itself.
bool StartsWide(const unsigned char* s, size_t at, const platform::CodePage& codePage) {
    return codePage.IsLeadByte(s[at]) && s[at + 1] != 0;
}

}  // namespace

bool IsIgnorable(unsigned char byte) { return byte == ' ' || byte == '_' || byte == '-'; }

bool CharMatchesWide(unsigned char single, unsigned int wide, int32_t mode,
                     const platform::CodePage& codePage) {
    const unsigned int narrow = codePage.ToSingleByte(wide);
    if (narrow == wide) return false;
    if ((mode & MVDB_MATCH_IGNORE_CASE) != 0 && IsAlpha(narrow)) return ToUpper(single) == ToUpper(narrow);
    return narrow == single;
}

int32_t MatchText(const char* textChars, const char* patternChars, int32_t mode,
                  const platform::CodePage& codePage) {
    const auto* text = reinterpret_cast<const unsigned char*>(textChars);
    const auto* pattern = reinterpret_cast<const unsigned char*>(patternChars);
    size_t i = 0;
    size_t j = 0;
    ptrdiff_t skew = 0;  // text bytes consumed minus pattern bytes consumed in this attempt
    bool textLead = false;
    bool patternLead = false;
    if (text[0] != 0) {
        while (pattern[j] != 0) {
            textLead = textLead ? false : StartsWide(text, i, codePage);
            patternLead = patternLead ? false : StartsWide(pattern, j, codePage);
            if ((mode & MVDB_MATCH_SKIP_IGNORABLE) != 0 && IsIgnorable(text[i])) {
                ++i;  // one byte per step; the lead flags stay as they were
                ++skew;
            }
            bool matched;
            if ((mode & MVDB_MATCH_IGNORE_WIDTH) != 0 && textLead != patternLead) {
                if (textLead && text[i] != 0 && text[i + 1] != 0) {
                    const unsigned int wide = static_cast<unsigned int>(text[i]) << 8 | text[i + 1];
                    matched = CharMatchesWide(pattern[j], wide, mode, codePage);
                    if (matched) {
                        i += 2;
                        j += 1;
                        skew += 1;
                        textLead = false;
                    }
                } else if (patternLead && pattern[j + 1] != 0) {
                    const unsigned int wide = static_cast<unsigned int>(pattern[j]) << 8 | pattern[j + 1];
                    matched = CharMatchesWide(text[i], wide, mode, codePage);
                    if (matched) {
                        i += 1;
                        j += 2;
                        skew -= 1;
                        patternLead = false;
                    }
                } else {
                    matched = false;
                }
            } else {
                if ((mode & MVDB_MATCH_IGNORE_CASE) != 0 && IsAlpha(text[i])) {
                    matched = ToUpper(text[i]) == ToUpper(pattern[j]);
                } else {
                    matched = text[i] == pattern[j];
                }
                if (matched) {
                    ++i;
                    ++j;
                }
            }
            if (!matched) {
                // Restart one byte after the first text byte of this attempt.
                i = static_cast<size_t>(static_cast<ptrdiff_t>(i) - static_cast<ptrdiff_t>(j) - skew + 1);
                j = 0;
                skew = 0;
                patternLead = false;
            }
            if (text[i] == 0) break;
        }
    }
    if (pattern[j] != 0) return -1;
    return static_cast<int32_t>(static_cast<ptrdiff_t>(i) - skew - static_cast<ptrdiff_t>(j));
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

bool MediaDatabase::MatchTextCriterion(const FindCriteria& node, const MediaInfo& info,
                                       std::vector<char>* buffer) {
    const TerminatedField pattern(node.pattern);
    const auto matches = [&](const char* text) {
        return MatchText(text, pattern.c_str(), node.matchMode, codePage_) >= 0;
    };
    if ((node.criteriaTarget & MVDB_TARGET_TITLE) != 0 && matches(TerminatedField(info.title).c_str()))
        return true;
    if ((node.criteriaTarget & MVDB_TARGET_LOCATION_OR_KEY) != 0 &&
        (matches(TerminatedField(info.location).c_str()) || matches(TerminatedField(info.keyName).c_str()))) {
        return true;
    }
    if ((node.criteriaTarget & MVDB_TARGET_ADDINFO) != 0) {
        int32_t size = 0;
        int32_t type = 0;
        if (GetAddInfoType(info.recordIndex, 0, &size, &type) != 0 || size < 1) return false;
        buffer->assign(static_cast<size_t>(size) + 1, '\0');
        if (GetAddInfo(info.recordIndex, 0, buffer->data()) != 0) return false;
        return matches(buffer->data());
    }
    return false;
}

int32_t MediaDatabase::FindMedia(const FindCriteria* head, int32_t slot) {
    if (!ResultSlots<MediaElement>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    // The caller's list is read once, up to the node bound.
    std::vector<FindCriteria> nodes;
    if (head != nullptr && head->criteriaSize == MVDB_FIND_CRITERIA_SIZE) {
        for (const FindCriteria* node = head; node != nullptr && nodes.size() < kMaxCriteriaNodes;
             node = node->next) {
            nodes.push_back(*node);
        }
    }
    std::vector<char> infoBuffer;
    const auto selects = [&](const MediaInfo& info) {
        bool flagged = false;
        for (const FindCriteria& node : nodes) {
            bool match = false;
            if (node.criteriaSize == MVDB_FIND_CRITERIA_SIZE) {
                switch (node.criteriaKind) {
                    case MVDB_CRITERIA_TEXT:
                        match = MatchTextCriterion(node, info, &infoBuffer);
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
    // Deleted items are searched too.
    return slots_.Rebuild(slot, [&](std::vector<MediaElement>& entries) {
        if (nodes.empty()) return;
        records_.ForEach([&](int32_t, const MediaElement& e) {
            if (selects(e.info)) entries.push_back(e);
        });
    });
}

}  // namespace mvdb
