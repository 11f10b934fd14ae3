#include "cli/password_scramble.h"

namespace mvdb::cli {

std::string ScramblePassword(const std::string& plain) {
    std::string out(plain.size(), '\0');
    unsigned char previous = kScrambleSeed;
    for (size_t i = 0; i < plain.size(); ++i) {
        const auto byte = static_cast<unsigned char>(plain[i]);
        out[i] = static_cast<char>(byte ^ previous);
        previous = byte;
    }
    return out;
}

std::string UnscramblePassword(const std::string& scrambled) {
    std::string out(scrambled.size(), '\0');
    unsigned char accumulated = kScrambleSeed;
    for (size_t i = 0; i < scrambled.size(); ++i) {
        accumulated ^= static_cast<unsigned char>(scrambled[i]);
        out[i] = static_cast<char>(accumulated);
    }
    return out;
}

}  // namespace mvdb::cli
