#include "cli/file_checker.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "cli/check_steps.h"
#include "format/configuration.h"

namespace mvdb::cli {

namespace {

struct OpenedFile {
    size_t reportIndex;
    std::unique_ptr<CatalogueFile> file;
    std::optional<Catalogue> kind;
    bool recordsReadable = false;
};

// Where the library's default locations put the info files: the folder
// of that name beside the media file.
std::optional<std::string> InfoFolderBeside(const std::string& mediaFile) {
    const std::filesystem::path info =
        std::filesystem::path(mediaFile).parent_path() / format::kInfoFolderName;
    std::error_code error;
    if (std::filesystem::is_directory(info, error)) return info.string();
    return std::nullopt;
}

}  // namespace

bool CheckReport::AnyUnreadable() const {
    for (const CheckedFile& file : files) {
        if (!file.error.empty()) return true;
    }
    return false;
}

CheckReport CheckFiles(const CheckOptions& options, const TextCodec& codec) {
    CheckReport report;
    FindingList findings;
    std::vector<OpenedFile> opened;
    for (const std::string& path : options.files) {
        report.files.push_back({path, std::nullopt, 0, {}});
        try {
            auto file = std::make_unique<CatalogueFile>(path);
            const std::optional<Catalogue> kind = file->Tell(options.forcedKind);
            report.files.back().kind = kind;
            if (!kind && file->magicIsValid()) {
                report.files.back().error =
                    "cannot tell which catalogue " + path + " holds; name it with --type";
                continue;
            }
            opened.push_back({report.files.size() - 1, std::move(file), kind});
        } catch (const FileError& error) {
            report.files.back().error = error.what();
        }
    }

    // The header first: records behind a damaged one are not what the
    // library would read.
    for (OpenedFile& entry : opened) {
        const CatalogueTraits& traits = TraitsOf(entry.kind.value_or(Catalogue::kCategory));
        const CheckStep step{*entry.file, traits,           findings,
                             codec,       options.progress, options.progressMinBytes};
        entry.recordsReadable = CheckContainer(step) && entry.kind.has_value();
        if (entry.recordsReadable)
            report.files[entry.reportIndex].records = RecordsToRead(*entry.file, traits.fileRecordSize);
    }

    auto stepFor = [&](OpenedFile& entry) {
        return CheckStep{*entry.file, TraitsOf(*entry.kind), findings,
                         codec,       options.progress,      options.progressMinBytes};
    };
    // The categories before the media, which are checked against them.
    std::optional<CategoryTable> categories;
    for (OpenedFile& entry : opened) {
        if (!entry.recordsReadable || entry.kind != Catalogue::kCategory) continue;
        CategoryTable table = CheckCategories(stepFor(entry));
        if (!categories) categories = std::move(table);
    }
    for (OpenedFile& entry : opened) {
        if (!entry.recordsReadable) continue;
        if (entry.kind == Catalogue::kMedia) {
            const std::optional<std::string> infoFolder =
                options.infoFolder ? options.infoFolder : InfoFolderBeside(entry.file->path());
            CheckMedia(stepFor(entry), categories ? &*categories : nullptr, infoFolder);
        } else if (entry.kind == Catalogue::kClient) {
            CheckClients(stepFor(entry));
        }
    }
    // Grouped by file, in the order the files were given.
    report.findings = findings.Collect();
    auto fileOrder = [&](const Finding& finding) {
        return std::find(options.files.begin(), options.files.end(), finding.file) - options.files.begin();
    };
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [&](const Finding& a, const Finding& b) { return fileOrder(a) < fileOrder(b); });
    return report;
}

}  // namespace mvdb::cli
