#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
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

void IgnoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

bool ReadAllInput(std::string* bytes) {
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, block, sizeof block);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes->append(block, static_cast<size_t>(n));
    }
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
