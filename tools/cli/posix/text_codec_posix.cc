// Conversions with iconv, which knows both code pages as CP932 and CP1252.
#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/text_codec.h"
#include "format/code_page.h"

namespace mvdb::cli {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at text[0], or 0.
size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string CodePageName(int codePage) { return "CP" + std::to_string(codePage); }

}  // namespace

struct TextCodec::Converters {
    iconv_t toUtf8 = reinterpret_cast<iconv_t>(-1);
    iconv_t fromUtf8 = reinterpret_cast<iconv_t>(-1);
    ~Converters() {
        if (toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8);
        if (fromUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUtf8);
    }
};

TextCodec::TextCodec(int codePage) : codePage_(codePage), converters_(std::make_unique<Converters>()) {
    converters_->toUtf8 = iconv_open("UTF-8", CodePageName(codePage).c_str());
    converters_->fromUtf8 = iconv_open(CodePageName(codePage).c_str(), "UTF-8");
}

TextCodec::~TextCodec() = default;

std::string TextCodec::ToUtf8(std::string_view bytes) const {
    if (IsAscii(bytes)) return std::string(bytes);
    std::string out;
    if (converters_->toUtf8 == reinterpret_cast<iconv_t>(-1)) {
        for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : kReplacement;
        return out;
    }
    iconv(converters_->toUtf8, nullptr, nullptr, nullptr, nullptr);
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converters_->toUtf8, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte that the code page does not define, or a lead byte at the end.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(converters_->toUtf8, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::optional<std::string> TextCodec::FromUtf8(std::string_view text) const {
    if (IsAscii(text)) return std::string(text);
    if (!IsUtf8(text) || converters_->fromUtf8 == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    iconv(converters_->fromUtf8, nullptr, nullptr, nullptr, nullptr);
    std::string input(text);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string out;
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converters_->fromUtf8, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (result == static_cast<size_t>(-1) && errno != E2BIG) return std::nullopt;
    }
    return out;
}

std::string TextCodec::NativeToUtf8(std::string_view native) const { return std::string(native); }

std::string TextCodec::Utf8ToDisplay(std::string_view text) const { return std::string(text); }

int DatabaseCodePage() {
    return format::ConfiguredCodePage([](const char* name) { return std::getenv(name); });
}

}  // namespace mvdb::cli
