#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "cli/terminal.h"

namespace mvdb::cli {

bool IsTerminal(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return ::isatty(STDIN_FILENO) == 1;
        case StandardStream::kOutput:
            return ::isatty(STDOUT_FILENO) == 1;
        case StandardStream::kError:
            return ::isatty(STDERR_FILENO) == 1;
    }
    return false;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    termios saved{};
    const bool canHide = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::optional<std::string> line = ReadInputLine();
    if (canHide) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    return line;
}

}  // namespace mvdb::cli
