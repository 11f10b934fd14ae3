// Registry files of any content: the one .reg parser, with UTF-16 texts
// converted to either code page, and the reads the library makes from what
// it parsed as it works out its file locations, channel count and host name.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "format/configuration.h"
#include "format/reg_text.h"
#include "platform/posix/text_conversion.h"

namespace {

void ReadAsTheLibraryDoes(const mvdb::format::RegText& text) {
    mvdb::format::RegTextKey folder(text, mvdb::format::kFolderKey);
    mvdb::format::RegTextKey hostMan(text, mvdb::format::kHostManKey);
    mvdb::format::ResolveLocations(text.HasKey(mvdb::format::kFolderKey) ? &folder : nullptr,
                                   text.HasKey(mvdb::format::kHostManKey) ? &hostMan : nullptr, "Data/");
    for (const auto& [subkey, values] : text.keys()) {
        for (const auto& [name, named] : values) {
            mvdb::format::DwordOf(named.value);
            mvdb::format::TextOf(named.value, mvdb::format::kPathBufferBytes);
            text.Value(subkey, named.name);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const int codePage : {1252, 932}) {
        const mvdb::format::RegText text = mvdb::format::RegText::Parse(
            bytes,
            [codePage](std::string_view utf8) { return mvdb::platform::Utf8ToCodePage(utf8, codePage); });
        ReadAsTheLibraryDoes(text);
    }
    return 0;
}
