// The container that all three files share: magic, account block, count.
#include <cstring>

#include "cli/check_steps.h"
#include "cli/progress_bar.h"

namespace mvdb::cli {

namespace {

// Records read from the disk at a time.
constexpr uint64_t kRecordsPerBlock = 512;

}  // namespace

std::string QuotedField(const TextCodec& codec, const char* field, size_t size) {
    // Appended piece by piece: GCC 12 misreads "x" + string + "x" (-Wrestrict).
    std::string quoted = "\"";
    quoted += codec.ToUtf8(std::string_view(field, strnlen(field, size)));
    quoted += '"';
    return quoted;
}

uint64_t ForEachRecord(const CheckStep& step, const std::function<void(uint64_t, const char*)>& visit) {
    const uint32_t recordSize = step.traits.fileRecordSize;
    const uint64_t total = RecordsToRead(step.file, recordSize);
    ProgressBar bar(step.progress, step.file.size() >= step.progressMinBytes, "checking " + step.file.path(),
                    total);
    std::vector<char> block;
    uint64_t done = 0;
    while (done < total) {
        const uint64_t n = std::min(kRecordsPerBlock, total - done);
        if (!step.file.ReadRecords(done, n, recordSize, &block)) {
            step.Report(done, "unreadable records", "the records from here on cannot be read");
            break;
        }
        for (uint64_t i = 0; i < n; ++i) visit(done + i, block.data() + i * recordSize);
        done += n;
        bar.Update(done);
    }
    return done;
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
