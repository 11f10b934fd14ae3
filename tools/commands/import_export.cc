// `mvdb export` and `mvdb import`: the catalogue as JSON Lines, one record
// an object a line, and back. Import brings a whole file in as one change
// (tools/bulk/), so a bad line or a failed write leaves the database as it
// was.
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "bulk/bulk_transfer.h"
#include "cli/progress_bar.h"
#include "cli/record_json.h"
#include "commands/commands.h"
#include "commands/result_messages.h"
#include "format/user_record.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct ExportOptions {
    std::string output;
};

struct ImportOptions {
    std::string input;
    bool replace = false;
};

// The bytes of a record that no named key shows, as hexadecimal: users keep
// their scrambled password there.
template <size_t N>
std::string HexBytes(const uint8_t (&bytes)[N]) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

template <size_t N>
bool ReadHexBytes(const std::string& text, uint8_t (&bytes)[N]) {
    if (text.size() != 2 * N) return false;
    for (size_t i = 0; i < N; ++i) {
        unsigned value = 0;
        for (size_t k = 0; k < 2; ++k) {
            const char c = text[2 * i + k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    return true;
}

json ClientLine(const ClientInfo& record, const TextCodec& codec) {
    const bool user = format::IsUserRecord(record);
    json line = ClientJson(record, codec);
    line["kind"] = user ? "user" : "client";
    line["clientData"] = HexBytes(record.clientData0) + HexBytes(record.clientData1) +
                         HexBytes(record.clientData2) + HexBytes(record.clientData3);
    return line;
}

void WriteLine(std::ostream& out, json line) {
    line["formatVersion"] = kJsonFormatVersion;
    out << line.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

int RunExport(CommandContext& context, const ExportOptions& options) {
    std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    database->CloseHandle();
    ImportBatch all;
    std::string error;
    if (!bulk::ReadCatalogue(&all, &error)) throw ToolError(error);

    std::ofstream file;
    if (!options.output.empty() && options.output != "-") {
        file.open(options.output, std::ios::binary | std::ios::trunc);
        if (!file) throw ToolError("cannot write " + options.output, kExitUnusable);
    }
    std::ostream& out = file.is_open() ? static_cast<std::ostream&>(file) : std::cout;
    const TextCodec& codec = context.codec();
    for (const CategoryInfo& c : all.categories) {
        json line = CategoryJson(c, codec);
        line["kind"] = "category";
        WriteLine(out, std::move(line));
    }
    for (const MediaInfo& m : all.media) {
        json line = MediaJson(m, codec);
        line["kind"] = "media";
        WriteLine(out, std::move(line));
    }
    for (const ClientInfo& c : all.clients) WriteLine(out, ClientLine(c, codec));
    out.flush();
    if (!out) throw ToolError("cannot write the export" + (file.is_open() ? " to " + options.output : ""));
    if (file.is_open()) {
        file.close();
        if (!file) throw ToolError("cannot write the export to " + options.output);
        const std::string summary = std::to_string(all.categories.size()) + " categories, " +
                                    std::to_string(all.media.size()) + " media items, " +
                                    std::to_string(all.clients.size()) + " clients and users";
        if (context.json()) {
            PrintJson({{"exported",
                        {{"categories", all.categories.size()},
                         {"media", all.media.size()},
                         {"clients", all.clients.size()}}}});
        } else {
            context.PrintLine("exported " + summary + " to " + options.output);
        }
    }
    return 0;
}

// A line that cannot be taken; the message says why.
class BadLine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the typed values of one line's object.
class LineReader {
public:
    LineReader(const json& object, const CommandContext& context) : object_(object), context_(context) {}

    template <typename T>
    T Number(const char* key) const {
        const auto it = object_.find(key);
        if (it == object_.end() || it->is_null()) return T{};
        if (!it->is_number_integer()) throw BadLine(std::string("\"") + key + "\" is not a whole number");
        if (it->is_number_unsigned()) {
            const auto value = it->get<uint64_t>();
            if (value > static_cast<uint64_t>(std::numeric_limits<T>::max()))
                throw BadLine(std::string("\"") + key + "\" is out of range");
            return static_cast<T>(value);
        }
        const auto value = it->get<int64_t>();
        if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
            (value > 0 &&
             static_cast<uint64_t>(value) > static_cast<uint64_t>(std::numeric_limits<T>::max())))
            throw BadLine(std::string("\"") + key + "\" is out of range");
        return static_cast<T>(value);
    }

    void Pair(const char* key, uint32_t (&out)[2]) const {
        const auto it = object_.find(key);
        if (it == object_.end() || it->is_null()) return;
        if (!it->is_array() || it->size() != 2 || !(*it)[0].is_number_unsigned() ||
            !(*it)[1].is_number_unsigned() || (*it)[0].get<uint64_t>() > UINT32_MAX ||
            (*it)[1].get<uint64_t>() > UINT32_MAX)
            throw BadLine(std::string("\"") + key + "\" is not a pair of 32-bit words");
        out[0] = (*it)[0].get<uint32_t>();
        out[1] = (*it)[1].get<uint32_t>();
    }

    void FileTime(const char* key, MVDB_FILETIME* out) const {
        const uint64_t value = Number<uint64_t>(key);
        out->lowDateTime = static_cast<uint32_t>(value);
        out->highDateTime = static_cast<uint32_t>(value >> 32);
    }

    template <size_t N>
    void Text(const char* key, char (&field)[N], bool required = false) const {
        const auto it = object_.find(key);
        if (it == object_.end() || it->is_null()) {
            if (required) throw BadLine(std::string("\"") + key + "\" is missing");
            return;
        }
        if (!it->is_string()) throw BadLine(std::string("\"") + key + "\" is not a text");
        std::string text;
        try {
            text = context_.DatabaseText(it->get<std::string>(), key);
        } catch (const ToolError& error) {
            throw BadLine(error.what());
        }
        if (text.size() >= N)
            throw BadLine(std::string("\"") + key + "\" is longer than " + std::to_string(N - 1) + " bytes");
        std::memcpy(field, text.data(), text.size());
    }

    bool Flag(const char* key) const {
        const auto it = object_.find(key);
        if (it == object_.end() || it->is_null()) return false;
        if (!it->is_boolean()) throw BadLine(std::string("\"") + key + "\" is not true or false");
        return it->get<bool>();
    }

private:
    const json& object_;
    const CommandContext& context_;
};

CategoryInfo CategoryFromLine(const LineReader& in) {
    CategoryInfo c{};
    c.recordSize = sizeof c;
    c.categoryId = in.Number<int32_t>("categoryId");
    in.Text("name", c.categoryName, true);
    c.categoryStatus = in.Number<uint32_t>("status");
    if (in.Flag("deleted")) c.categoryStatus |= MVDB_CATEGORY_DELETED;
    c.parentId = in.Number<int32_t>("parentId");
    c.accessFlags = in.Number<uint32_t>("accessFlags");
    return c;
}

MediaInfo MediaFromLine(const LineReader& in) {
    MediaInfo m{};
    in.Text("title", m.title);
    in.Text("location", m.location, true);
    in.Text("keyName", m.keyName);
    in.Text("hostName", m.hostName);
    m.updateTime = in.Number<int32_t>("updateTime");
    m.mediaFlags = in.Number<uint32_t>("mediaFlags");
    if (in.Flag("deleted")) m.mediaFlags |= MVDB_MEDIA_DELETED;
    m.categoryId = in.Number<int32_t>("categoryId");
    m.rangeProperty = in.Number<uint32_t>("rangeProperty");
    in.Pair("property64A", m.property64A);
    m.propertyPairA = in.Number<uint32_t>("propertyPairA");
    m.propertyPairB = in.Number<uint32_t>("propertyPairB");
    m.mediaType = in.Number<uint32_t>("mediaType");
    m.propertyA = in.Number<uint32_t>("propertyA");
    m.propertyB = in.Number<uint32_t>("propertyB");
    in.FileTime("fileTimeA", &m.fileTimeA);
    in.FileTime("fileTimeB", &m.fileTimeB);
    in.Pair("property64B", m.property64B);
    m.channel = in.Number<int32_t>("channel");
    m.cable = in.Number<uint32_t>("cable");
    m.inputKind = in.Number<uint32_t>("inputKind");
    return m;
}

ClientInfo ClientFromLine(const json& object, const LineReader& in, bool user) {
    ClientInfo c{};
    c.recordSize = sizeof c;
    in.Text("name", c.clientName, true);
    if (format::IsUserRecord(c) != user)
        throw BadLine(user ? "a user's name starts with \"global\\\""
                           : "a client's name may not start with \"global\\\"");
    c.loginTime = in.Number<int32_t>("loginTime");
    c.clientFlags = in.Number<int32_t>("clientFlags");
    if (in.Flag("deleted")) c.clientFlags |= MVDB_CLIENT_DELETED;
    const auto it = object.find("clientData");
    if (it != object.end() && !it->is_null()) {
        uint8_t
            bytes[sizeof c.clientData0 + sizeof c.clientData1 + sizeof c.clientData2 + sizeof c.clientData3];
        if (!it->is_string() || !ReadHexBytes(it->get<std::string>(), bytes))
            throw BadLine("\"clientData\" is not " + std::to_string(sizeof bytes) + " bytes in hexadecimal");
        const uint8_t* p = bytes;
        for (auto [field, size] :
             {std::pair{c.clientData0, sizeof c.clientData0}, std::pair{c.clientData1, sizeof c.clientData1},
              std::pair{c.clientData2, sizeof c.clientData2},
              std::pair{c.clientData3, sizeof c.clientData3}}) {
            std::memcpy(field, p, size);
            p += size;
        }
    }
    return c;
}

int RunImport(CommandContext& context, const ImportOptions& options) {
    std::ifstream file(options.input, std::ios::binary);
    if (!file) throw ToolError("cannot read " + options.input, kExitUnusable);
    file.seekg(0, std::ios::end);
    const auto total = static_cast<uint64_t>(std::max<std::streamoff>(0, file.tellg()));
    file.seekg(0);
    ProgressBar bar(ProgressStream(), total >= kProgressMinBytes, "reading " + options.input, total);

    ImportBatch batch;
    // The line of each record, to name it when the catalogue refuses it.
    std::vector<size_t> categoryLines, mediaLines, clientLines;
    std::string text;
    size_t number = 0;
    uint64_t done = 0;
    while (std::getline(file, text)) {
        ++number;
        done += text.size() + 1;
        bar.Update(done);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos) continue;
        try {
            const json object = json::parse(text);
            if (!object.is_object()) throw BadLine("not a JSON object");
            const auto version = object.find("formatVersion");
            if (version != object.end() && *version != kJsonFormatVersion)
                throw BadLine("formatVersion " + version->dump() + " is not " +
                              std::to_string(kJsonFormatVersion));
            const auto kindIt = object.find("kind");
            if (kindIt == object.end() || !kindIt->is_string()) throw BadLine("\"kind\" is missing");
            const std::string kind = kindIt->get<std::string>();
            const LineReader in(object, context);
            if (kind == "category") {
                batch.categories.push_back(CategoryFromLine(in));
                categoryLines.push_back(number);
            } else if (kind == "media") {
                batch.media.push_back(MediaFromLine(in));
                mediaLines.push_back(number);
            } else if (kind == "client" || kind == "user") {
                batch.clients.push_back(ClientFromLine(object, in, kind == "user"));
                clientLines.push_back(number);
            } else {
                throw BadLine("unknown kind \"" + kind + "\"");
            }
        } catch (const json::exception& error) {
            bar.Finish();
            throw ToolError(options.input + " line " + std::to_string(number) + ": not JSON (" +
                                error.what() + "); nothing was imported",
                            kExitUnusable);
        } catch (const BadLine& error) {
            bar.Finish();
            throw ToolError(options.input + " line " + std::to_string(number) + ": " + error.what() +
                                "; nothing was imported",
                            kExitUnusable);
        }
    }
    bar.Finish();
    if (file.bad()) throw ToolError("cannot read " + options.input, kExitUnusable);

    std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    database->CloseHandle();
    ImportRefusal refusal;
    std::string error;
    const int32_t result =
        bulk::Import(batch, options.replace ? ImportMode::kReplace : ImportMode::kAppend, &refusal, &error);
    if (refusal.kind != ImportRefusal::Kind::kNone) {
        const std::vector<size_t>& lines = refusal.kind == ImportRefusal::Kind::kCategory ? categoryLines
                                           : refusal.kind == ImportRefusal::Kind::kMedia  ? mediaLines
                                                                                          : clientLines;
        const size_t line = refusal.item < lines.size() ? lines[refusal.item] : 0;
        throw ToolError(options.input + " line " + std::to_string(line) + ": " + refusal.reason +
                        "; nothing was imported");
    }
    if (!error.empty()) throw ToolError(error + "; nothing was imported");
    if (result != 0) Refuse("the import was not stored: " + ResultText(result) + "; nothing was imported");
    if (context.json()) {
        PrintJson({{"imported",
                    {{"categories", batch.categories.size()},
                     {"media", batch.media.size()},
                     {"clients", batch.clients.size()}}},
                   {"replaced", options.replace}});
    } else {
        context.PrintLine(std::string(options.replace ? "replaced the catalogue with " : "imported ") +
                          std::to_string(batch.categories.size()) + " category lines, " +
                          std::to_string(batch.media.size()) + " media items and " +
                          std::to_string(batch.clients.size()) + " clients and users from " + options.input);
    }
    return 0;
}

}  // namespace

Command AddExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "Write the whole catalogue as JSON Lines: categories, media items, clients and users");
    command
        ->add_option("--out,-o", options->output,
                     "Write to FILE instead of standard output (- : standard output)")
        ->type_name("FILE");
    return {command, [options](CommandContext& context) { return RunExport(context, *options); }};
}

Command AddImportCommand(CLI::App& app) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* command = app.add_subcommand(
        "import", "Bring a JSON Lines file (as `export` writes it) into the database as one change");
    command->add_option("FILE", options->input, "The file to read")->required();
    command->add_flag(
        "--replace", options->replace,
        "Replace the whole catalogue by the file's records instead of appending its media items, "
        "clients and users");
    return {command, [options](CommandContext& context) { return RunImport(context, *options); }};
}

}  // namespace mvdb::cli
