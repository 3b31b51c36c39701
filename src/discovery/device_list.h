#pragma once
// The rows of the device list in insertion order, with an index that finds an
// equal row (upper-cased MAC text and IP text, exact) without a walk.
#include <cstddef>
#include <deque>
#include <unordered_map>

#include "discovery/device_record.h"

namespace kestrel {

class DeviceList {
public:
    // Appends the record unless an equal row exists; true when appended.
    bool add(const DeviceRecord& record);
    bool contains(const DeviceRecord& record) const;
    void clear();
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const DeviceRecord& at(std::size_t row) const { return rows_.at(row); }

private:
    std::deque<DeviceRecord> rows_;
    // hash of the row key -> row index; collisions are checked against the rows
    std::unordered_multimap<std::size_t, std::size_t> index_;
};

}  // namespace kestrel
