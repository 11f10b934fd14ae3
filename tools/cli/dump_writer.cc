#include "cli/dump_writer.h"

#include <cstring>
#include <functional>

#include "cli/local_time.h"
#include "cli/progress_bar.h"
#include "cli/record_json.h"
#include "cli/text_table.h"
#include "format/container.h"
#include "format/user_record.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

json HeaderJson(const CatalogueFile& file, const CatalogueTraits& traits, const TextCodec& codec) {
    json header = {{"magic", codec.ToUtf8(file.magicText())},
                   {"magicValid", file.magicIsValid()},
                   {"accountBytes", file.accountBytesHeld()},
                   {"accountUserName", nullptr},
                   {"count", nullptr},
                   {"recordsHeld", file.RecordsHeld(traits.fileRecordSize)}};
    if (file.accountBytesHeld() >= sizeof file.storedAccount().userName) {
        const DBAccount& account = file.storedAccount();
        header["accountUserName"] = codec.ToUtf8(FieldText(account.userName, sizeof account.userName));
    }
    if (file.count()) header["count"] = *file.count();
    return header;
}

json RecordJson(const CatalogueTraits& traits, uint64_t position, const char* bytes, const TextCodec& codec) {
    json record;
    switch (traits.kind) {
        case Catalogue::kCategory: {
            CategoryInfo info;
            std::memcpy(&info, bytes, sizeof info);
            record = CategoryJson(info, codec);
            break;
        }
        case Catalogue::kClient: {
            ClientInfo info;
            std::memcpy(&info, bytes, sizeof info);
            record = ClientJson(info, codec);
            break;
        }
        case Catalogue::kMedia: {
            MediaInfo info;
            std::memcpy(&info, bytes, sizeof info);
            record = MediaJson(info, codec);
            record["info"] = InfoAreaJson(format::InfoAreaOf(bytes), codec);
            break;
        }
    }
    record["position"] = position;
    return record;
}

TextTable TableFor(Catalogue kind) {
    using Align = TextTable::Align;
    switch (kind) {
        case Catalogue::kCategory:
            return TextTable({{"pos", Align::kRight},
                              {"id", Align::kRight},
                              {"parent", Align::kRight},
                              {"status", Align::kRight},
                              {"flags", Align::kRight},
                              {"name"}});
        case Catalogue::kClient:
            return TextTable({{"pos", Align::kRight},
                              {"index", Align::kRight},
                              {"flags", Align::kRight},
                              {"login"},
                              {"level", Align::kRight},
                              {"name"}});
        case Catalogue::kMedia:
            break;
    }
    return TextTable({{"pos", Align::kRight},
                      {"flags", Align::kRight},
                      {"cat", Align::kRight},
                      {"type", Align::kRight},
                      {"updated"},
                      {"info"},
                      {"host"},
                      {"title"},
                      {"location"}});
}

std::string InfoSummary(const format::InfoArea& area) {
    if (area.infoMode == format::kInfoModeInlineText) return area.inlineText[0] == '\0' ? "-" : "text";
    if (area.infoMode != format::kInfoModeFiles) return "mode " + std::to_string(area.infoMode);
    int pieces = 0;
    for (const format::InfoDescriptor& descriptor : area.files.descriptors)
        pieces += descriptor.infoSize != 0;
    return std::to_string(pieces) + " files";
}

std::vector<std::string> RecordRow(Catalogue kind, uint64_t position, const char* bytes,
                                   const TextCodec& codec) {
    const std::string pos = std::to_string(position);
    switch (kind) {
        case Catalogue::kCategory: {
            CategoryInfo info;
            std::memcpy(&info, bytes, sizeof info);
            return {pos,
                    std::to_string(info.categoryId),
                    std::to_string(info.parentId),
                    Hex(info.categoryStatus),
                    Hex(info.accessFlags),
                    codec.ToUtf8(FieldText(info.categoryName, sizeof info.categoryName))};
        }
        case Catalogue::kClient: {
            ClientInfo info;
            std::memcpy(&info, bytes, sizeof info);
            return {pos,
                    std::to_string(info.recordIndex),
                    std::to_string(info.clientFlags),
                    FormatLocalTime(info.loginTime),
                    format::IsUserRecord(info) ? std::to_string(format::UserLevelOf(info)) : "-",
                    codec.ToUtf8(FieldText(info.clientName, sizeof info.clientName))};
        }
        case Catalogue::kMedia:
            break;
    }
    MediaInfo info;
    std::memcpy(&info, bytes, sizeof info);
    return {pos,
            Hex(info.mediaFlags),
            std::to_string(info.categoryId),
            Hex(info.mediaType),
            FormatLocalTime(info.updateTime),
            InfoSummary(format::InfoAreaOf(bytes)),
            codec.ToUtf8(FieldText(info.hostName, sizeof info.hostName)),
            codec.ToUtf8(FieldText(info.title, sizeof info.title)),
            codec.ToUtf8(FieldText(info.location, sizeof info.location))};
}

// Hands each record to `visit`, with a progress bar.
void ReadAll(CatalogueFile& file, const CatalogueTraits& traits, ProgressBar& bar,
             const std::function<void(uint64_t, const char*)>& visit) {
    if (!VisitRecords(file, traits.fileRecordSize, visit, [&](uint64_t done) { bar.Update(done); })) {
        throw FileError("cannot read " + file.path());
    }
    bar.Finish();
}

void PrintTableHeader(const CatalogueFile& file, const std::string& shown, const CatalogueTraits& traits,
                      const TextCodec& codec, std::ostream& out) {
    const json header = HeaderJson(file, traits, codec);
    out << codec.Utf8ToDisplay("file       " + codec.NativeToUtf8(shown)) << '\n';
    out << "catalogue  " << traits.name << " (" << traits.fileRecordSize << "-byte records)\n";
    out << codec.Utf8ToDisplay("magic      \"" + header["magic"].get<std::string>() + "\"" +
                               (file.magicIsValid() ? "" : " (wrong)"))
        << '\n';
    if (header["accountUserName"].is_string()) {
        out << codec.Utf8ToDisplay("account    \"" + header["accountUserName"].get<std::string>() + "\"")
            << '\n';
    } else {
        out << "account    cut short (" << file.accountBytesHeld() << " of " << kAccountBytes << " bytes)\n";
    }
    if (file.count()) {
        out << "count      " << *file.count() << " (the file holds "
            << file.RecordsHeld(traits.fileRecordSize) << ")\n";
    } else {
        out << "count      missing\n";
    }
}

}  // namespace

void DumpFile(const std::string& path, const DumpOptions& options, const TextCodec& codec,
              std::ostream& out) {
    CatalogueFile file(path);
    const std::string& shown = options.shownName.empty() ? path : options.shownName;
    const std::optional<Catalogue> kind = file.Tell(options.forcedKind);
    if (!kind) throw FileError("cannot tell which catalogue " + shown + " holds; name it with --type");
    const CatalogueTraits& traits = TraitsOf(*kind);
    const uint64_t total = RecordsToRead(file, traits.fileRecordSize);
    ProgressBar bar(options.progress, file.size() >= options.progressMinBytes, "reading " + shown, total);

    if (options.json) {
        // Streamed, one record a line, so that a large file needs little memory.
        const json head = {{"formatVersion", kJsonFormatVersion},
                           {"file", codec.NativeToUtf8(shown)},
                           {"catalogue", traits.name},
                           {"recordSize", traits.fileRecordSize},
                           {"fileSize", file.size()},
                           {"header", HeaderJson(file, traits, codec)}};
        std::string opening = head.dump(-1, ' ', false, json::error_handler_t::replace);
        opening.pop_back();  // the closing brace; the records follow
        out << opening << ",\"records\":[";
        bool first = true;
        ReadAll(file, traits, bar, [&](uint64_t position, const char* bytes) {
            out << (first ? "\n" : ",\n")
                << RecordJson(traits, position, bytes, codec)
                       .dump(-1, ' ', false, json::error_handler_t::replace);
            first = false;
        });
        out << "\n]}\n";
        return;
    }

    TextTable table = TableFor(*kind);
    ReadAll(file, traits, bar, [&](uint64_t position, const char* bytes) {
        table.AddRow(RecordRow(*kind, position, bytes, codec));
    });
    PrintTableHeader(file, shown, traits, codec, out);
    out << '\n';
    table.Print(out, codec);
}

}  // namespace mvdb::cli
