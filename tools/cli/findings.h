// What `check` reports: one finding per damage found, each tied to a file
// and, where it has one, a record position.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mvdb::cli {

struct Finding {
    std::string file;
    std::optional<uint64_t> record;
    std::string message;  // UTF-8
};

class FindingList {
public:
    // The most findings of one kind listed per file; the rest are counted,
    // so a file full of zeros gives a readable report.
    static constexpr size_t kListedPerKind = 20;

    // `kind` groups findings of the same check for the cap.
    void Add(const std::string& file, std::optional<uint64_t> record, const std::string& kind,
             const std::string& message);
    // The findings, with one line for each kind that went over the cap.
    std::vector<Finding> Collect() const;
    bool empty() const { return findings_.empty() && overflow_.empty(); }

private:
    std::vector<Finding> findings_;
    std::map<std::pair<std::string, std::string>, size_t> perKind_;
    std::map<std::pair<std::string, std::string>, size_t> overflow_;
};

}  // namespace mvdb::cli
