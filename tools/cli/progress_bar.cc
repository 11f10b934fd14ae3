#include "cli/progress_bar.h"

#include <iostream>
#include <utility>

#include "cli/terminal.h"

namespace mvdb::cli {

namespace {

constexpr int kBarColumns = 30;

}  // namespace

ProgressBar::ProgressBar(std::ostream* out, bool enabled, std::string label, uint64_t total)
    : out_(out), enabled_(enabled && out != nullptr && total > 0), label_(std::move(label)), total_(total) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(uint64_t done) {
    if (!enabled_) return;
    const int percent = static_cast<int>(done >= total_ ? 100 : done * 100 / total_);
    if (percent != shown_) Draw(percent);
}

void ProgressBar::Draw(int percent) {
    shown_ = percent;
    const int filled = percent * kBarColumns / 100;
    std::string line = label_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarColumns - filled), ' ') + "] ";
    const std::string number = std::to_string(percent);
    line += std::string(3 - number.size(), ' ') + number + "%";
    *out_ << '\r' << line << std::flush;
    drawnWidth_ = line.size();
}

void ProgressBar::Finish() {
    if (!enabled_ || drawnWidth_ == 0) return;
    *out_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
    drawnWidth_ = 0;
    enabled_ = false;
}

std::ostream* ProgressStream() { return IsTerminal(StandardStream::kError) ? &std::cerr : nullptr; }

}  // namespace mvdb::cli
