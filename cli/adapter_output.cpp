#include "adapter_output.h"

#include <nlohmann/json.hpp>
#include <string>

#include "output/csv_row.h"
#include "output/safe_text.h"
#include "output/text_table.h"

namespace fendrix_cli {

using namespace kestrel;

void printAdapters(std::ostream& out, const std::vector<AdapterEntry>& adapters, Format format) {
    if (format == Format::Json) {
        auto list = nlohmann::json::array();
        for (std::size_t i = 0; i < adapters.size(); ++i)
            list.push_back({{"index", i},
                            {"description", adapters[i].description},
                            {"ip", adapters[i].ip_text},
                            {"mac", adapters[i].mac_text}});
        out << jsonText(list) << '\n';
        return;
    }
    std::vector<std::vector<std::string>> rows{{"Index", "Description", "IP", "MAC"}};
    for (std::size_t i = 0; i < adapters.size(); ++i)
        rows.push_back({std::to_string(i), adapters[i].description, adapters[i].ip_text,
                        adapters[i].mac_text});
    if (format == Format::Csv) {
        for (const auto& row : rows) writeCsvRow(out, row);
        return;
    }
    TableWidths widths;
    for (const auto& row : rows) widths.see(row);
    TableWriter table(out, widths.widths());
    for (const auto& row : rows) table.row(row);
}

}  // namespace fendrix_cli
