#include "cli/text_table.h"

#include <algorithm>

namespace mvdb::cli {

void TextTable::AddRow(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
}

void TextTable::Print(std::ostream& out, const TextCodec& codec, bool withHeadings) const {
    std::vector<size_t> widths;
    for (const Column& column : columns_) widths.push_back(withHeadings ? DisplayWidth(column.heading) : 0);
    for (const auto& row : rows_) {
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
    auto printLine = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            const std::string padding(widths[i] - DisplayWidth(cells[i]), ' ');
            const bool last = i + 1 == cells.size();
            if (columns_[i].align == Align::kRight) {
                line += padding + cells[i];
            } else {
                line += cells[i] + (last ? "" : padding);
            }
            if (!last) line += "  ";
        }
        out << codec.Utf8ToDisplay(line) << '\n';
    };
    std::vector<std::string> headings;
    for (const Column& column : columns_) headings.push_back(column.heading);
    if (withHeadings) printLine(headings);
    for (const auto& row : rows_) printLine(row);
}

}  // namespace mvdb::cli
