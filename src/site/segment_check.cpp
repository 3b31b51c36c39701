#include "site/segment_check.h"

#include <unordered_map>

#include "wire/address_text.h"

namespace kestrel {

namespace {

// "192.168.0.x": the subnet as the tool sends to it (the first three numbers).
std::string threeNumberSubnet(std::uint32_t address) {
    const std::string text = ipv4Text(address);
    return text.substr(0, text.rfind('.')) + ".x";
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts) out += (out.empty() ? "" : ", ") + t;
    return out;
}

}  // namespace

std::optional<std::string> maskProblem(std::string_view mask) {
    if (!ipv4Value(mask) || maskPrefix(mask)) return std::nullopt;
    return "mask " + std::string(mask) + " is not contiguous";
}

std::optional<std::string> gatewayProblem(std::string_view ip, std::string_view mask,
                                          std::string_view gateway) {
    const auto address = ipv4Value(ip), router = ipv4Value(gateway);
    const auto prefix = maskPrefix(mask);
    if (!address || !router || *router == 0 || !prefix || *prefix == 0) return std::nullopt;
    const std::uint32_t ones = ~std::uint32_t{0} << (32 - *prefix);
    if ((*address & ones) == (*router & ones)) return std::nullopt;
    return "gateway " + std::string(gateway) + " is outside its subnet " +
           subnetText(*address, *prefix);
}

std::vector<std::vector<std::string>> segmentProblems(const DeviceList& rows,
                                                      const AdapterEntry* adapter) {
    // Who holds each address, and where each MAC answers.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byAddress;
    std::unordered_map<std::string, std::vector<std::size_t>> byMac;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const auto ip = ipv4Value(rows.at(i).ip)) byAddress[*ip].push_back(i);
        byMac[upperText(rows.at(i).mac)].push_back(i);
    }
    // The PC's address, when there is an adapter with one.
    const auto pcAddress = adapter ? ipv4Value(adapter->ip_text) : std::nullopt;
    const bool pcKnown = pcAddress.has_value();
    const std::uint32_t pc = pcAddress.value_or(0);

    std::vector<std::vector<std::string>> problems(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DeviceRecord& r = rows.at(i);
        auto& found = problems[i];
        const auto ip = ipv4Value(r.ip);
        const std::string mac = upperText(r.mac);
        if (ip) {
            std::vector<std::string> others;
            for (const std::size_t j : byAddress[*ip])
                if (upperText(rows.at(j).mac) != mac) others.push_back(upperText(rows.at(j).mac));
            if (!others.empty())
                found.push_back(r.ip + " is also the address of " + joined(others));
        }
        std::vector<std::string> elsewhere;
        for (const std::size_t j : byMac[mac])
            if (rows.at(j).ip != r.ip) elsewhere.push_back(rows.at(j).ip);
        if (!elsewhere.empty()) found.push_back("this MAC also answers at " + joined(elsewhere));
        if (ip && pcKnown && *ip == pc)
            found.push_back(r.ip + " is this PC's own address (adapter " + adapter->description +
                            ")");
        if (auto problem = maskProblem(r.subnet_mask)) found.push_back(std::move(*problem));
        if (auto problem = gatewayProblem(r.ip, r.subnet_mask, r.gateway))
            found.push_back(std::move(*problem));
        if (ip && r.ip_type == 0 && isLinkLocal(*ip))
            found.push_back("no DHCP server answered: " + r.ip + " is a link-local address");
        if (ip && pcKnown && !isSameSubnet(adapter->ip_text, r.ip))
            found.push_back("outside this PC's subnet " + threeNumberSubnet(pc) +
                            ": its web page cannot be opened from here; move it into " +
                            threeNumberSubnet(pc) + " (netcfg) or give this PC an address in " +
                            threeNumberSubnet(*ip));
    }
    return problems;
}

}  // namespace kestrel
