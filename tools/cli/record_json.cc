#include "cli/record_json.h"

#include <cstring>
#include <iostream>

#include "format/user_record.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

uint64_t FileTimeValue(const MVDB_FILETIME& time) {
    return static_cast<uint64_t>(time.highDateTime) << 32 | time.lowDateTime;
}

}  // namespace

std::string FieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

json CategoryFlagNames(uint32_t accessFlags) {
    static constexpr std::pair<uint32_t, const char*> kNames[] = {
        {MVDB_CATEGORY_SYSTEM, "system"},
        {MVDB_CATEGORY_REPLACE_IS_MOVE, "replace-is-move"},
        {MVDB_CATEGORY_NO_MEDIA_REMOVAL, "no-removal"},
        {MVDB_CATEGORY_NO_MEDIA_ADDITION, "no-addition"},
        {MVDB_CATEGORY_LIVE_VIDEO, "live-video"},
    };
    json names = json::array();
    uint32_t unknown = accessFlags;
    for (const auto& [bit, name] : kNames) {
        if (accessFlags & bit) names.push_back(name);
        unknown &= ~bit;
    }
    // Bits no writer of this system sets are shown, not dropped.
    if (unknown != 0) names.push_back("unknown " + Hex(unknown));
    return names;
}

json CategoryJson(const CategoryInfo& info, const TextCodec& codec) {
    return {{"recordSize", info.recordSize},
            {"categoryId", info.categoryId},
            {"name", codec.ToUtf8(FieldText(info.categoryName, sizeof info.categoryName))},
            {"status", info.categoryStatus},
            {"deleted", (info.categoryStatus & MVDB_CATEGORY_DELETED) != 0},
            {"parentId", info.parentId},
            {"accessFlags", info.accessFlags},
            {"flagNames", CategoryFlagNames(info.accessFlags)}};
}

json ClientJson(const ClientInfo& info, const TextCodec& codec) {
    json record = {{"recordSize", info.recordSize},
                   {"name", codec.ToUtf8(FieldText(info.clientName, sizeof info.clientName))},
                   {"loginTime", info.loginTime},
                   {"clientFlags", info.clientFlags},
                   {"deleted", (info.clientFlags & MVDB_CLIENT_DELETED) != 0},
                   {"recordIndex", info.recordIndex},
                   {"user", nullptr}};
    if (format::IsUserRecord(info)) {
        record["user"] = {{"name", codec.ToUtf8(format::UserNameOf(info))},
                          {"passwordLength", format::UserPasswordLengthOf(info)},
                          {"level", format::UserLevelOf(info)}};
    }
    return record;
}

json MediaJson(const MediaInfo& info, const TextCodec& codec) {
    return {{"recordSize", info.recordSize},
            {"title", codec.ToUtf8(FieldText(info.title, sizeof info.title))},
            {"location", codec.ToUtf8(FieldText(info.location, sizeof info.location))},
            {"keyName", codec.ToUtf8(FieldText(info.keyName, sizeof info.keyName))},
            {"hostName", codec.ToUtf8(FieldText(info.hostName, sizeof info.hostName))},
            {"updateTime", info.updateTime},
            {"mediaFlags", info.mediaFlags},
            {"deleted", (info.mediaFlags & MVDB_MEDIA_DELETED) != 0},
            {"categoryId", info.categoryId},
            {"rangeProperty", info.rangeProperty},
            {"property64A", {info.property64A[0], info.property64A[1]}},
            {"propertyPairA", info.propertyPairA},
            {"propertyPairB", info.propertyPairB},
            {"mediaType", info.mediaType},
            {"recordIndex", info.recordIndex},
            {"propertyA", info.propertyA},
            {"propertyB", info.propertyB},
            {"fileTimeA", FileTimeValue(info.fileTimeA)},
            {"fileTimeB", FileTimeValue(info.fileTimeB)},
            {"property64B", {info.property64B[0], info.property64B[1]}},
            {"channel", info.channel},
            {"cable", info.cable},
            {"inputKind", info.inputKind}};
}

json InfoAreaJson(const format::InfoArea& area, const TextCodec& codec) {
    json out = {{"mode", area.infoMode}};
    if (area.infoMode == format::kInfoModeInlineText) {
        out["text"] = codec.ToUtf8(FieldText(area.inlineText, format::kInlineTextBytes));
    } else if (area.infoMode == format::kInfoModeFiles) {
        json pieces = json::array();
        for (int n = 0; n < format::kInfoPieces; ++n) {
            const format::InfoDescriptor& descriptor = area.files.descriptors[n];
            if (descriptor.infoSize == 0) continue;
            pieces.push_back({{"number", n}, {"type", descriptor.infoType}, {"size", descriptor.infoSize}});
        }
        out["pieces"] = pieces;
    }
    return out;
}

void PrintJson(const json& value) {
    json versioned = value;
    if (versioned.is_object()) versioned["formatVersion"] = kJsonFormatVersion;
    std::cout << versioned.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

}  // namespace mvdb::cli
