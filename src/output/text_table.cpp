#include "output/text_table.h"

#include <algorithm>
#include <utility>

#include "output/safe_text.h"

namespace kestrel {

void TableWidths::see(const std::vector<std::string>& cells) {
    if (widths_.size() < cells.size()) widths_.resize(cells.size(), 0);
    for (std::size_t c = 0; c < cells.size(); ++c)
        widths_[c] = std::max(widths_[c], terminalText(cells[c]).size());
}

TableWriter::TableWriter(std::ostream& out, std::vector<std::size_t> widths)
    : out_(out), widths_(std::move(widths)) {}

void TableWriter::row(const std::vector<std::string>& cells) {
    line_.clear();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string shown = terminalText(cells[c]);
        line_ += shown;
        if (c + 1 == cells.size()) break;
        const std::size_t width = c < widths_.size() ? widths_[c] : 0;
        line_.append(width > shown.size() ? width - shown.size() + 2 : 2, ' ');
    }
    line_ += '\n';
    out_ << line_;
}

}  // namespace kestrel
