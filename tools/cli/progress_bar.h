// A one-line progress bar for long reads of large files, drawn on a
// terminal and redrawn in place. A bar that is not enabled draws nothing,
// so callers need not ask whether one is wanted.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace mvdb::cli {

// Files from this size on get a bar (when the bar goes to a terminal).
inline constexpr uint64_t kProgressMinBytes = 4u << 20;

class ProgressBar {
public:
    ProgressBar(std::ostream* out, bool enabled, std::string label, uint64_t total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws only when the shown percentage changes.
    void Update(uint64_t done);
    // Wipes the bar from its line, so that what follows starts clean.
    void Finish();

private:
    void Draw(int percent);

    std::ostream* out_;
    bool enabled_;
    std::string label_;
    uint64_t total_;
    int shown_ = -1;
    size_t drawnWidth_ = 0;
};

// Where `dump` and `check` draw their bars: standard error when it is a
// terminal, else nowhere (nullptr).
std::ostream* ProgressStream();

}  // namespace mvdb::cli
