// Any bytes as a stream of replies with chosen MAC and IP texts, against a
// small list: it never holds two equal rows, keeps its bound, counts what
// the bound refuses and agrees with a plain model of itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "discovery/device_list.h"
#include "wire/address_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kBound = 16;
    kestrel::DeviceList list(kBound);
    std::map<std::pair<std::string, std::string>, std::size_t> model;  // (MAC, IP) -> row
    std::vector<std::string> order;
    std::size_t refused = 0;
    std::size_t at = 0;
    auto take = [&](std::size_t n) {
        std::string s;
        while (n-- > 0 && at < size) s += static_cast<char>(data[at++]);
        return s;
    };
    while (at < size) {
        const std::uint8_t op = data[at++];
        if (op == 0xFF) {  // a new scan
            list.clear();
            model.clear();
            order.clear();
            refused = 0;
            continue;
        }
        kestrel::DeviceRecord r;
        r.mac = take(op & 0x1F);
        r.ip = take((op >> 5) * 3);
        const auto key = std::make_pair(kestrel::upperText(r.mac), r.ip);
        const bool known = model.count(key) != 0;
        const bool full = model.size() >= kBound;
        const bool added = list.add(r);
        if (added != (!known && !full)) std::abort();
        if (added) {
            model.emplace(key, order.size());
            order.push_back(r.mac);
        } else if (!known) {
            ++refused;
        }
        if (list.contains(r) != (known || added)) std::abort();
        if (list.size() != model.size() || list.refused() != refused) std::abort();
    }
    for (std::size_t i = 0; i < order.size(); ++i)
        if (list.at(i).mac != order[i]) std::abort();
    return 0;
}
