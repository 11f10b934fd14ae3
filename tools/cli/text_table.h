// A plain-text table: columns as wide as their widest cell, two spaces
// apart, numbers to the right. Cells are UTF-8.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/text_codec.h"

namespace mvdb::cli {

class TextTable {
public:
    enum class Align { kLeft, kRight };
    struct Column {
        std::string heading;
        Align align = Align::kLeft;
    };

    explicit TextTable(std::vector<Column> columns) : columns_(std::move(columns)) {}

    void AddRow(std::vector<std::string> cells);
    bool empty() const { return rows_.empty(); }
    // Prints the headings (unless left out) and the rows, each line through
    // the codec's conversion for the console.
    void Print(std::ostream& out, const TextCodec& codec, bool withHeadings = true) const;

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace mvdb::cli
