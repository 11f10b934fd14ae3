#include "platform/posix/text_conversion.h"

#include <iconv.h>

#include <cerrno>

namespace mvdb::platform {

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage) {
    const std::string target = "CP" + std::to_string(codePage);
    const iconv_t converter = iconv_open(target.c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char* inPointer = in.data();
    size_t inLeft = in.size();
    char* outPointer = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    // A character without a form fails with EILSEQ; glibc counts
    // irreversible conversions in the result, which are refused too.
    if (result != 0 || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace mvdb::platform
