#include <windows.h>
// _isatty and _fileno.
#include <io.h>
// _O_BINARY.
#include <fcntl.h>

#include <cstdio>
#include <iostream>

#include "cli/terminal.h"

namespace mvdb::cli {

bool IsTerminal(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return _isatty(_fileno(stdin)) != 0;
        case StandardStream::kOutput:
            return _isatty(_fileno(stdout)) != 0;
        case StandardStream::kError:
            return _isatty(_fileno(stderr)) != 0;
    }
    return false;
}

void IgnoreBrokenPipe() {}

bool ReadAllInput(std::string* bytes) {
    // Standard input is a text stream by default; the files are bytes.
    _setmode(_fileno(stdin), _O_BINARY);
    char block[65536];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, stdin)) > 0) bytes->append(block, n);
    return !std::ferror(stdin);
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool canHide = GetConsoleMode(input, &saved) != 0;
    if (canHide) SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::optional<std::string> line = ReadInputLine();
    if (canHide) {
        SetConsoleMode(input, saved);
        std::cerr << '\n';
    }
    return line;
}

}  // namespace mvdb::cli
