#include "storage/name_index.h"

#include <algorithm>

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
}

namespace {

// Grows by a quarter, not by doubling, to keep the index within its budget.
template <typename T>
void MakeRoomForOne(std::vector<T>* v) {
    if (v->size() == v->capacity()) v->reserve(v->size() + v->size() / 4 + 16);
}

}  // namespace

void NameIndex::Put(int32_t position, uint32_t hash) {
    if (position < 0) return;
    const size_t p = static_cast<size_t>(position);
    platform::CriticalSectionGuard guard(lock_);
    if (p < hashOf_.size()) {
        if (hashOf_[p] == hash) return;
        const auto old = std::lower_bound(entries_.begin(), entries_.end(), Entry(hashOf_[p], position));
        if (old != entries_.end() && *old == Entry(hashOf_[p], position)) entries_.erase(old);
        hashOf_[p] = hash;
    } else if (p == hashOf_.size()) {
        MakeRoomForOne(&hashOf_);
        hashOf_.push_back(hash);
    } else {
        return;  // positions arrive one after another
    }
    const uint64_t entry = Entry(hash, position);
    MakeRoomForOne(&entries_);
    entries_.insert(std::upper_bound(entries_.begin(), entries_.end(), entry), entry);
}

int32_t NameIndex::NextCandidate(uint32_t hash, int32_t from) const {
    if (from < 0) from = 0;
    platform::CriticalSectionGuard guard(lock_);
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), Entry(hash, from));
    if (it == entries_.end() || (*it >> 32) != hash) return -1;
    return static_cast<int32_t>(*it & 0xFFFFFFFFu);
}

int32_t NameIndex::PreviousCandidate(uint32_t hash, int32_t upTo) const {
    if (upTo < 0) return -1;
    platform::CriticalSectionGuard guard(lock_);
    auto it = std::upper_bound(entries_.begin(), entries_.end(), Entry(hash, upTo));
    if (it == entries_.begin()) return -1;
    --it;
    if ((*it >> 32) != hash) return -1;
    return static_cast<int32_t>(*it & 0xFFFFFFFFu);
}

size_t NameIndex::MemoryBytes() const {
    platform::CriticalSectionGuard guard(lock_);
    return entries_.capacity() * sizeof(uint64_t) + hashOf_.capacity() * sizeof(uint32_t);
}

}  // namespace mvdb
