#include "output/csv_row.h"

#include "output/safe_text.h"

namespace kestrel {

void writeCsvRow(std::ostream& out, const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c != 0) line += ',';
        line += csvField(cells[c]);
    }
    line += '\n';
    out << line;
}

}  // namespace kestrel
