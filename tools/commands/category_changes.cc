// `mvdb add-category` and `mvdb del-category`.
#include <cstring>
#include <iostream>

#include "cli/record_json.h"
#include "commands/commands.h"
#include "commands/result_messages.h"

namespace mvdb::cli {

namespace {

struct AddCategoryOptions {
    std::string name;
    int32_t parent = 0;
    std::string flags;
};

struct DelCategoryOptions {
    int32_t id = 0;
    int32_t mode = 0;
};

std::string CategoryLabel(MVDB_HANDLE db, int32_t id, const TextCodec& codec) {
    CategoryInfo info{};
    std::string label = "category " + std::to_string(id);
    if (GetCategoryInfo(db, id, &info) == MVDB_OK) {
        label += " \"" + codec.ToUtf8(FieldText(info.categoryName, sizeof info.categoryName)) + "\"";
    }
    return label;
}

int RunAddCategory(CommandContext& context, const AddCategoryOptions& options) {
    CategoryInfo info{};
    const std::string name = context.DatabaseText(options.name, "category name");
    if (name.size() >= sizeof info.categoryName) {
        throw ToolError(
            "the category name is longer than " + std::to_string(sizeof info.categoryName - 1) + " bytes",
            kExitUnusable);
    }
    std::memcpy(info.categoryName, name.data(), name.size());
    info.parentId = options.parent;
    info.accessFlags = options.flags.empty() ? 0 : ParseHexWord(options.flags, "--flags");

    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    const int32_t id = AddCategoryInfo(db, &info);
    if (id == MVDB_ERR_OUT_OF_RANGE)
        Refuse("no parent for the new category: " + CategoryAbsence(db, options.parent));
    if (id == MVDB_ERR_ACCESS_DENIED) {
        Refuse(CategoryLabel(db, options.parent, context.codec()) +
               " is a system category: no category can be added below it");
    }
    if (id < 0) Refuse("the category was not added: " + ResultText(id));
    if (context.json()) {
        PrintJson({{"id", id}});
    } else {
        context.PrintLine("added category " + std::to_string(id) + " \"" +
                          context.codec().NativeToUtf8(options.name) + "\" below category " +
                          std::to_string(options.parent));
    }
    return 0;
}

bool HasLiveChildren(MVDB_HANDLE db, int32_t id) {
    const int32_t count = GetCategoryCount(db);
    for (int32_t position = 1; position < count; ++position) {
        CategoryInfo info{};
        if (GetCategoryInfo(db, position, &info) == MVDB_OK && info.parentId == id && position != id)
            return true;
    }
    return false;
}

// Items that keep a category from being deleted: live and not marked
// category-neutral.
bool HoldsMedia(MVDB_HANDLE db, int32_t id) {
    const int32_t count = GetMediaCount(db);
    for (int32_t index = 0; index < count; ++index) {
        MediaInfo info{};
        if (GetMediaInfo(db, index, &info) == MVDB_OK && info.categoryId == id &&
            !(info.mediaFlags & MVDB_MEDIA_CATEGORY_NEUTRAL)) {
            return true;
        }
    }
    return false;
}

// -18 has three causes; the category tells which one applied, the one that
// no change would lift first.
std::string DeletionRefusal(MVDB_HANDLE db, int32_t id, int32_t mode, const TextCodec& codec) {
    const std::string label = CategoryLabel(db, id, codec);
    uint32_t flags = 0;
    if (GetCategoryAccessFlag(db, id, &flags) == MVDB_OK && (flags & MVDB_CATEGORY_SYSTEM)) {
        return label + " is a system category and cannot be deleted";
    }
    if (HoldsMedia(db, id))
        return label + " still holds media items: delete them or file them elsewhere first";
    if (mode != 1 && mode != 2 && HasLiveChildren(db, id)) {
        return label +
               " has subcategories: delete them first, or use --mode 1 to delete them with it, or --mode 2 "
               "to move them up to its parent";
    }
    return label + " cannot be deleted: " + ResultText(MVDB_ERR_ACCESS_DENIED);
}

int RunDelCategory(CommandContext& context, const DelCategoryOptions& options) {
    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    if (options.id == 0) Refuse("category 0 is the Root, which cannot be deleted");
    const std::string label = CategoryLabel(db, options.id, context.codec());
    const int32_t result = DelCategoryInfo(db, options.id, options.mode);
    if (result == MVDB_ERR_OUT_OF_RANGE) Refuse(CategoryAbsence(db, options.id));
    if (result == MVDB_ERR_ACCESS_DENIED)
        Refuse(DeletionRefusal(db, options.id, options.mode, context.codec()));
    if (result < 0) Refuse(label + " was not deleted: " + ResultText(result));
    if (context.json()) {
        PrintJson({{"deleted", options.id}, {"mode", options.mode}});
    } else {
        static const char* const kHow[] = {"", ", with its subcategories",
                                           ", its subcategories moved up to its parent"};
        context.PrintLine("deleted " + label + kHow[options.mode]);
    }
    return 0;
}

}  // namespace

Command AddAddCategoryCommand(CLI::App& app) {
    auto options = std::make_shared<AddCategoryOptions>();
    CLI::App* command = app.add_subcommand("add-category", "Add a category below a parent");
    command->add_option("NAME", options->name, "The new category's name")->required();
    command->add_option("--parent", options->parent, "The parent category's id (0: the Root)")
        ->type_name("ID")
        ->required();
    command
        ->add_option("--flags", options->flags,
                     "Access flags in hexadecimal: 1 system, 10 replace is a move, 20 no removal of media, "
                     "40 no addition of media")
        ->type_name("HEX");
    return {command, [options](CommandContext& context) { return RunAddCategory(context, *options); }};
}

Command AddDelCategoryCommand(CLI::App& app) {
    auto options = std::make_shared<DelCategoryOptions>();
    CLI::App* command = app.add_subcommand("del-category", "Delete a category");
    command->add_option("ID", options->id, "The category's id")->required();
    command
        ->add_option(
            "--mode", options->mode,
            "0: only a category without subcategories (the default); 1: with all its subcategories; "
            "2: its subcategories move up to its parent. In modes 1 and 2, items left without a category "
            "go to its parent")
        ->check(CLI::Range(0, 2));
    return {command, [options](CommandContext& context) { return RunDelCategory(context, *options); }};
}

}  // namespace mvdb::cli
