#include "storage/name_index.h"

#include <algorithm>
#include <iterator>

namespace mvdb {

uint32_t NameIndex::Hash(const char* name, size_t length) const {
    // FNV-1a over the characters' keys, then a final mix so that names that
    // differ only at the end spread over the whole range.
    uint32_t h = 2166136261u;
    auto mix = [&h](unsigned int key) {
        h ^= key;
        h *= 16777619u;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    const auto* end = p + length;
    while (p < end && *p != 0) {
        unsigned int c = *p;
        if (c < 0x80) {
            // ASCII: every code page folds exactly its letters.
            mix(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            mix(0);
            ++p;
            continue;
        }
        // A lead byte with its trail byte is one character; a lead byte at
        // the end of the text is a character of its own, as the comparison
        // treats it.
        if (codePage_.IsLeadByte(static_cast<unsigned char>(c))) {
            if (p + 1 < end && p[1] != 0) {
                c = c << 8 | p[1];
                ++p;
            } else {
                c <<= 8;
            }
        }
        ++p;
        const unsigned int key = codePage_.CaselessKey(c);
        mix(key & 0xFF);
        mix(key >> 8);
    }
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    return h;
}

void NameIndex::Assign(std::vector<uint32_t> hashes) {
    std::vector<uint64_t> entries(hashes.size());
    for (size_t i = 0; i < hashes.size(); ++i) entries[i] = Entry(hashes[i], static_cast<int32_t>(i));
    std::sort(entries.begin(), entries.end());
    hashes.shrink_to_fit();
    platform::CriticalSectionGuard guard(lock_);
    entries_.swap(entries);
    hashOf_.swap(hashes);
    added_ = {};
    removed_ = {};
}

namespace {

// Grows by a quarter, not by doubling, to keep the index within its budget.
template <typename T>
void MakeRoomForOne(std::vector<T>* v) {
    if (v->size() == v->capacity()) v->reserve(v->size() + v->size() / 4 + 16);
}

void InsertSorted(std::vector<uint64_t>* v, uint64_t entry) {
    v->insert(std::upper_bound(v->begin(), v->end(), entry), entry);
}

// Erases `entry` from the sorted `v`; false when it is not there.
bool EraseSorted(std::vector<uint64_t>* v, uint64_t entry) {
    const auto it = std::lower_bound(v->begin(), v->end(), entry);
    if (it == v->end() || *it != entry) return false;
    v->erase(it);
    return true;
}

}  // namespace

bool NameIndex::IsRemoved(uint64_t entry) const {
    return !removed_.empty() && std::binary_search(removed_.begin(), removed_.end(), entry);
}

void NameIndex::Add(uint64_t entry) {
    // An entry taken away and put back (a change undone) is merged already.
    if (!EraseSorted(&removed_, entry)) InsertSorted(&added_, entry);
}

void NameIndex::Remove(uint64_t entry) {
    if (EraseSorted(&added_, entry)) return;
    if (std::binary_search(entries_.begin(), entries_.end(), entry) && !IsRemoved(entry))
        InsertSorted(&removed_, entry);
}

void NameIndex::MergePending() {
    std::vector<uint64_t> merged;
    merged.reserve(entries_.size() - removed_.size() + added_.size());
    auto next = added_.begin();
    auto gone = removed_.begin();
    for (const uint64_t entry : entries_) {
        if (gone != removed_.end() && *gone == entry) {
            ++gone;
            continue;
        }
        for (; next != added_.end() && *next < entry; ++next) merged.push_back(*next);
        merged.push_back(entry);
    }
    merged.insert(merged.end(), next, added_.end());
    entries_.swap(merged);
    // Their memory goes too: the index stays within its budget.
    added_ = {};
    removed_ = {};
}

void NameIndex::Put(int32_t position, uint32_t hash) {
    if (position < 0) return;
    const size_t p = static_cast<size_t>(position);
    platform::CriticalSectionGuard guard(lock_);
    if (p < hashOf_.size()) {
        if (hashOf_[p] == hash) return;
        Remove(Entry(hashOf_[p], position));
        hashOf_[p] = hash;
    } else if (p == hashOf_.size()) {
        MakeRoomForOne(&hashOf_);
        hashOf_.push_back(hash);
    } else {
        return;  // positions arrive one after another
    }
    Add(Entry(hash, position));
    // A small index merges sooner, so that what waits stays a small part
    // of its memory.
    if (added_.size() + removed_.size() > std::min(kMaxPending, entries_.size() / 32)) MergePending();
}

int32_t NameIndex::NextCandidate(uint32_t hash, int32_t from) const {
    if (from < 0) from = 0;
    const uint64_t first = Entry(hash, from);
    platform::CriticalSectionGuard guard(lock_);
    uint64_t best = ~uint64_t{0};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), first);
    while (it != entries_.end() && IsRemoved(*it)) ++it;
    if (it != entries_.end()) best = *it;
    const auto added = std::lower_bound(added_.begin(), added_.end(), first);
    if (added != added_.end() && *added < best) best = *added;
    if (best == ~uint64_t{0} || (best >> 32) != hash) return -1;
    return static_cast<int32_t>(best & 0xFFFFFFFFu);
}

int32_t NameIndex::PreviousCandidate(uint32_t hash, int32_t upTo) const {
    if (upTo < 0) return -1;
    const uint64_t last = Entry(hash, upTo);
    platform::CriticalSectionGuard guard(lock_);
    bool found = false;
    uint64_t best = 0;
    auto it = std::upper_bound(entries_.begin(), entries_.end(), last);
    while (it != entries_.begin()) {
        --it;
        if (IsRemoved(*it)) continue;
        best = *it;
        found = true;
        break;
    }
    const auto added = std::upper_bound(added_.begin(), added_.end(), last);
    if (added != added_.begin() && (!found || *std::prev(added) > best)) {
        best = *std::prev(added);
        found = true;
    }
    if (!found || (best >> 32) != hash) return -1;
    return static_cast<int32_t>(best & 0xFFFFFFFFu);
}

size_t NameIndex::MemoryBytes() const {
    platform::CriticalSectionGuard guard(lock_);
    return (entries_.capacity() + added_.capacity() + removed_.capacity()) * sizeof(uint64_t) +
           hashOf_.capacity() * sizeof(uint32_t);
}

}  // namespace mvdb
