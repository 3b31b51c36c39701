#include "discovery/device_list.h"

#include <cstdint>
#include <string_view>

namespace kestrel {

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// FNV-1a over the upper-cased MAC, a separator no text holds, then the IP.
std::size_t rowKeyHash(const DeviceRecord& r) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](char c) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    };
    for (char c : r.mac) mix(upperAscii(c));
    mix('\0');
    for (char c : r.ip) mix(c);
    return static_cast<std::size_t>(h);
}

// Equal rows: MAC texts equal once upper-cased, IP texts equal exactly.
bool sameRow(const DeviceRecord& a, const DeviceRecord& b) {
    if (a.ip != b.ip || a.mac.size() != b.mac.size()) return false;
    for (std::size_t i = 0; i < a.mac.size(); ++i)
        if (upperAscii(a.mac[i]) != upperAscii(b.mac[i])) return false;
    return true;
}

}  // namespace

bool DeviceList::contains(const DeviceRecord& record) const {
    auto [first, last] = index_.equal_range(rowKeyHash(record));
    for (auto it = first; it != last; ++it)
        if (sameRow(rows_[it->second], record)) return true;
    return false;
}

bool DeviceList::add(const DeviceRecord& record) {
    const std::size_t key = rowKeyHash(record);
    auto [first, last] = index_.equal_range(key);
    for (auto it = first; it != last; ++it)
        if (sameRow(rows_[it->second], record)) return false;
    rows_.push_back(record);
    index_.emplace(key, rows_.size() - 1);
    return true;
}

void DeviceList::clear() {
    rows_.clear();
    index_.clear();
}

}  // namespace kestrel
