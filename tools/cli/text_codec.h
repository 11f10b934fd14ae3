// Text between the database, which keeps narrow strings in its multibyte
// code page (932 or 1252), and the tool, which works in UTF-8 inside and
// prints JSON in UTF-8. Tables go to the console in its own encoding.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace mvdb::cli {

class TextCodec {
public:
    explicit TextCodec(int codePage);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    int codePage() const { return codePage_; }

    // Database bytes as UTF-8; bytes that do not decode become U+FFFD.
    std::string ToUtf8(std::string_view bytes) const;
    // UTF-8 text as database bytes; nullopt when a character has no form in
    // the code page or the text is not UTF-8.
    std::optional<std::string> FromUtf8(std::string_view text) const;
    // A command-line argument or a file path as UTF-8: both come in the
    // system's narrow encoding (UTF-8 on POSIX, the ANSI code page on Windows).
    std::string NativeToUtf8(std::string_view native) const;
    // UTF-8 text in the encoding of the console or file that standard
    // output goes to.
    std::string Utf8ToDisplay(std::string_view text) const;

private:
    struct Converters;
    int codePage_;
    std::unique_ptr<Converters> converters_;
};

// The code page the library works in for this process: MVDB_CODEPAGE or the
// locale on POSIX, the run-time library's multibyte code page on Windows.
int DatabaseCodePage();

// True when every byte is ASCII, so that no code page changes the text.
bool IsAscii(std::string_view text);

// The number of terminal columns UTF-8 text takes: one per character, two
// for the wide characters of East Asian scripts.
size_t DisplayWidth(std::string_view utf8);

}  // namespace mvdb::cli
