#include "cli/findings.h"

namespace mvdb::cli {

void FindingList::Add(const std::string& file, std::optional<uint64_t> record, const std::string& kind,
                      const std::string& message) {
    const auto key = std::make_pair(file, kind);
    if (++perKind_[key] > kListedPerKind) {
        ++overflow_[key];
        return;
    }
    findings_.push_back({file, record, message});
}

std::vector<Finding> FindingList::Collect() const {
    std::vector<Finding> all = findings_;
    for (const auto& [key, count] : overflow_) {
        all.push_back({key.first, std::nullopt, "and " + std::to_string(count) + " more: " + key.second});
    }
    return all;
}

}  // namespace mvdb::cli
