#include "platform/posix/reg_file.h"

#include <fstream>

#include "platform/platform.h"
#include "platform/posix/text_conversion.h"

namespace mvdb::platform {

namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

}  // namespace

RegFile RegFile::Parse(const std::string& text) {
    RegFile reg;
    const int codePage = CurrentCodePage()->Number();
    reg.text_ = format::RegText::Parse(
        text, [codePage](std::string_view utf8) { return Utf8ToCodePage(utf8, codePage); });
    return reg;
}

std::optional<RegFile> RegFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char block[4096];
    while (text.size() < kMaxFileBytes && in.read(block, sizeof block).gcount() > 0) {
        text.append(block, static_cast<size_t>(in.gcount()));
    }
    return Parse(text);
}

std::optional<std::vector<uint8_t>> RegFile::Value(const std::string& subkey, const std::string& name) const {
    const format::RegValue* value = text_.Value(subkey, name);
    if (value == nullptr) return std::nullopt;
    return value->data;
}

}  // namespace mvdb::platform
