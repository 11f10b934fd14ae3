#include "cli/terminal.h"

#include <iostream>

namespace mvdb::cli {

std::optional<std::string> ReadInputLine() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace mvdb::cli
