// Values of options that CLI11 does not read by itself.
#include <cctype>

#include "commands/commands.h"

namespace mvdb::cli {

uint32_t ParseHexWord(const std::string& text, const std::string& option) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    bool valid = !digits.empty() && digits.size() <= 8;
    for (char c : digits) valid = valid && std::isxdigit(static_cast<unsigned char>(c));
    if (!valid)
        throw ToolError(option + ": \"" + text + "\" is not a hexadecimal word such as 40 or 0x1061",
                        kExitUnusable);
    return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
}

}  // namespace mvdb::cli
