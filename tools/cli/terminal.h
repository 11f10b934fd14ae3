// The few things the tool asks of the terminal: whether a stream is one,
// and reading a line from it, with or without echo.
#pragma once

#include <optional>
#include <string>

namespace mvdb::cli {

enum class StandardStream { kInput, kOutput, kError };

bool IsTerminal(StandardStream stream);

// Makes writes to a pipe whose reader has gone fail with an error instead
// of ending the process (POSIX; Windows reports such writes as errors anyway).
void IgnoreBrokenPipe();

// Shows the prompt on standard error and reads one line from the terminal
// on standard input without echoing it; nullopt at the end of input.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// Reads standard input to its end, byte for byte; false when reading fails.
bool ReadAllInput(std::string* bytes);

// Reads one line from standard input, without its line end (\n or \r\n);
// nullopt at the end of input.
std::optional<std::string> ReadInputLine();

}  // namespace mvdb::cli
