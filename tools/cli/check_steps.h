// The steps of `check`, one per catalogue, and what they hand on to each
// other. Internal to file_checker.cc and its step files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/catalogue_file.h"
#include "cli/findings.h"
#include "cli/text_codec.h"

namespace mvdb::cli {

// What one step needs: the file, where findings go, text and progress.
struct CheckStep {
    CatalogueFile& file;
    const CatalogueTraits& traits;
    FindingList& findings;
    const TextCodec& codec;
    std::ostream* progress;
    uint64_t progressMinBytes;

    void Report(std::optional<uint64_t> record, const std::string& kind, const std::string& message) const {
        findings.Add(file.path(), record, kind, message);
    }
};

// Calls `visit` for each record the header promises and the file holds,
// with a progress bar for a large file; a part that cannot be read is a
// finding.
void ForEachRecord(const CheckStep& step, const std::function<void(uint64_t, const char*)>& visit);

// The magic, the account block and the count. True when the records can be
// read: the header is whole and has the magic.
bool CheckContainer(const CheckStep& step);

// The state of one category, as the media check needs it.
struct CategoryState {
    bool live = false;
    int32_t parentId = 0;
};
using CategoryTable = std::vector<CategoryState>;

// Record sizes, ids equal to positions, the Root, parents that are live
// categories, every live category reachable from the Root.
CategoryTable CheckCategories(const CheckStep& step);

// Record sizes, categories that exist (when `categories` is known), info
// areas and their files in `infoFolder`.
void CheckMedia(const CheckStep& step, const CategoryTable* categories,
                const std::optional<std::string>& infoFolder);

// Record sizes, record indices equal to positions, live names used twice.
void CheckClients(const CheckStep& step);

// A text field of a record: its bytes up to the first NUL or the end of the
// field, as UTF-8 in quotes.
std::string QuotedField(const TextCodec& codec, const char* field, size_t size);

}  // namespace mvdb::cli
