// The container that all three files share: magic, account block, count.
#include <cstring>

#include "cli/check_steps.h"
#include "cli/progress_bar.h"

namespace mvdb::cli {

std::string QuotedField(const TextCodec& codec, const char* field, size_t size) {
    // Appended piece by piece: GCC 12 misreads "x" + string + "x" (-Wrestrict).
    std::string quoted = "\"";
    quoted += codec.ToUtf8(std::string_view(field, strnlen(field, size)));
    quoted += '"';
    return quoted;
}

void ForEachRecord(const CheckStep& step, const std::function<void(uint64_t, const char*)>& visit) {
    const uint32_t recordSize = step.traits.fileRecordSize;
    ProgressBar bar(step.progress, step.file.size() >= step.progressMinBytes, "checking " + step.file.path(),
                    RecordsToRead(step.file, recordSize));
    uint64_t visited = 0;
    const bool whole = VisitRecords(
        step.file, recordSize,
        [&](uint64_t position, const char* bytes) {
            visit(position, bytes);
            visited = position + 1;
        },
        [&](uint64_t done) { bar.Update(done); });
    bar.Finish();
    if (!whole) step.Report(visited, "unreadable records", "the records from here on cannot be read");
}

bool CheckContainer(const CheckStep& step) {
    const CatalogueFile& file = step.file;
    if (!file.magicIsValid()) {
        step.Report(
            std::nullopt, "wrong magic",
            file.size() < kMagicBytes
                ? "the file is too short (" + std::to_string(file.size()) + " bytes) to hold the magic"
                : "the file does not start with the magic \"" + std::string(kFileMagic) +
                      "\"; the library would start this catalogue afresh");
        return false;
    }
    if (file.accountBytesHeld() < kAccountBytes) {
        step.Report(std::nullopt, "cut account block",
                    "the account block is cut short: " + std::to_string(file.accountBytesHeld()) + " of " +
                        std::to_string(kAccountBytes) + " bytes");
        return false;
    }
    const DBAccount& account = file.storedAccount();
    if (strnlen(account.userName, sizeof account.userName) == sizeof account.userName) {
        step.Report(std::nullopt, "account user name", "the account's user name has no terminating NUL");
    }
    if (account.passwordLength < 0 || account.passwordLength > 64) {
        step.Report(
            std::nullopt, "account password length",
            "the account's password length " + std::to_string(account.passwordLength) +
                " lies outside 0 to 64" +
                (step.traits.kind == Catalogue::kClient ? "; the library would empty this file" : ""));
    }
    if (!file.count()) {
        step.Report(std::nullopt, "missing count", "the file ends before the record count");
        return false;
    }
    const int32_t count = *file.count();
    const uint64_t held = file.RecordsHeld(step.traits.fileRecordSize);
    if (count < 0) {
        step.Report(std::nullopt, "negative count",
                    "the record count is negative (" + std::to_string(count) + ")");
    } else if (static_cast<uint64_t>(count) > held) {
        step.Report(std::nullopt, "count beyond the file",
                    "the count says " + std::to_string(count) + " records, but the file holds only " +
                        std::to_string(held) + " whole records of " +
                        std::to_string(step.traits.fileRecordSize) + " bytes");
    }
    return true;
}

}  // namespace mvdb::cli
