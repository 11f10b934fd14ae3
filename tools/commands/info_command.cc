// `mvdb info ITEM`: the pieces of additional info of one media item; with
// a number and --out, one piece written to a file.
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/record_json.h"
#include "cli/text_table.h"
#include "commands/commands.h"
#include "commands/result_messages.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct InfoOptions {
    int32_t item = 0;
    std::optional<int32_t> number;
    std::string out;
};

// Info numbers run from 0 to 7.
constexpr int32_t kPieces = 8;

struct Piece {
    int32_t number;
    int32_t type;
    int32_t size;
    bool fileMissing;
};

std::vector<Piece> ListPieces(MVDB_HANDLE db, int32_t item) {
    const int32_t count = CheckAddInfo(db, item);
    if (count < 0) Refuse("item " + std::to_string(item) + ": " + ResultText(count));
    std::vector<Piece> pieces;
    for (int32_t number = 0; number < kPieces; ++number) {
        int32_t size = 0;
        int32_t type = 0;
        const int32_t result = GetAddInfoType(db, item, number, &size, &type);
        // An item without info files has the number 0 alone (its inline text).
        if (result == MVDB_ERR_OUT_OF_RANGE) break;
        if (result == MVDB_OK && size > 0) pieces.push_back({number, type, size, false});
        if (result == MVDB_ERR_NOT_FOUND && size > 0) pieces.push_back({number, type, size, true});
    }
    return pieces;
}

int ShowPieces(CommandContext& context, MVDB_HANDLE db, int32_t item) {
    const std::vector<Piece> pieces = ListPieces(db, item);
    if (context.json()) {
        json list = json::array();
        for (const Piece& piece : pieces) {
            list.push_back({{"number", piece.number},
                            {"type", piece.type},
                            {"size", piece.size},
                            {"fileMissing", piece.fileMissing}});
        }
        PrintJson({{"index", item}, {"pieces", list}});
        return 0;
    }
    using Align = TextTable::Align;
    TextTable table({{"number", Align::kRight}, {"type", Align::kRight}, {"bytes", Align::kRight}, {"file"}});
    for (const Piece& piece : pieces) {
        table.AddRow({std::to_string(piece.number), std::to_string(piece.type), std::to_string(piece.size),
                      piece.fileMissing ? "missing" : "present"});
    }
    if (table.empty()) {
        std::cout << "item " << item << " has no additional info\n";
    } else {
        table.Print(std::cout, context.codec());
    }
    return 0;
}

std::string PieceFailure(int32_t item, int32_t number, int32_t result) {
    const std::string piece = "item " + std::to_string(item) + " info " + std::to_string(number);
    switch (result) {
        case MVDB_ERR_OUT_OF_RANGE:
            return piece + ": no such info number (0 to 7, and 0 alone for an item without info files)";
        case MVDB_ERR_NOT_FOUND:
            return piece + ": there is no such info, or its file is missing";
        case MVDB_ERR_SHORT_READ:
            return piece + ": the info file is shorter than the item records";
        default:
            return piece + ": " + ResultText(result);
    }
}

int SavePiece(CommandContext& context, MVDB_HANDLE db, int32_t item, int32_t number, const std::string& out) {
    int32_t size = 0;
    int32_t type = 0;
    int32_t result = GetAddInfoType(db, item, number, &size, &type);
    if (result != MVDB_OK) Refuse(PieceFailure(item, number, result));
    // The library writes a NUL behind an inline text.
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    result = GetAddInfo(db, item, number, buffer.data());
    if (result != MVDB_OK) Refuse(PieceFailure(item, number, result));
    if (out == "-") {
#if defined(_WIN32)
        // The bytes as they are, without line ends turned into CR LF.
        std::cout.flush();
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        std::cout.write(buffer.data(), size);
        return 0;
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    if (!file.write(buffer.data(), size)) Refuse("cannot write " + context.codec().NativeToUtf8(out));
    file.close();
    if (context.json()) {
        PrintJson({{"index", item},
                   {"number", number},
                   {"type", type},
                   {"size", size},
                   {"file", context.codec().NativeToUtf8(out)}});
    } else {
        context.PrintLine("wrote info " + std::to_string(number) + " of item " + std::to_string(item) +
                          " (type " + std::to_string(type) + ", " + std::to_string(size) + " bytes) to " +
                          context.codec().NativeToUtf8(out));
    }
    return 0;
}

int RunInfo(CommandContext& context, const InfoOptions& options) {
    if (options.number && options.out.empty()) {
        throw ToolError("give --out FILE (or --out - for standard output) to save info " +
                            std::to_string(*options.number),
                        kExitUnusable);
    }
    const std::unique_ptr<OpenDatabase> database = context.OpenForReading(options.item);
    const MVDB_HANDLE db = database->get();
    const std::string absent = MediaAbsence(db, options.item);
    if (!absent.empty()) Refuse(absent);
    if (!options.number) return ShowPieces(context, db, options.item);
    return SavePiece(context, db, options.item, *options.number, options.out);
}

}  // namespace

Command AddInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command =
        app.add_subcommand("info", "List the additional info of a media item, or save one piece");
    command->add_option("ITEM", options->item, "The media item's index")->required();
    command->add_option("N", options->number, "The info number to save (0 to 7)");
    command->add_option("--out", options->out, "Where to write info N; - for standard output")
        ->type_name("FILE");
    return {command, [options](CommandContext& context) { return RunInfo(context, *options); }};
}

}  // namespace mvdb::cli
