#pragma once
// Rows of cells as aligned columns for a terminal. Every cell goes out
// through terminalText; columns stand two spaces apart and the last one is
// not padded. The widths are known before the first line, so that the lines
// stream out one at a time: measure the rows first (TableWidths), or give
// fixed widths, past which a longer cell pushes the rest of its line right.
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// The widest shown cell of each column, over every row seen.
class TableWidths {
public:
    void see(const std::vector<std::string>& cells);
    const std::vector<std::size_t>& widths() const { return widths_; }

private:
    std::vector<std::size_t> widths_;
};

class TableWriter {
public:
    TableWriter(std::ostream& out, std::vector<std::size_t> widths);
    void row(const std::vector<std::string>& cells);

private:
    std::ostream& out_;
    std::vector<std::size_t> widths_;
    std::string line_;  // reused from row to row
};

}  // namespace kestrel
