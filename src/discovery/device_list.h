#pragma once
// The rows of the device list in insertion order, with an index that finds an
// equal row (upper-cased MAC text and IP text, exact) without a walk.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "discovery/device_record.h"

namespace kestrel {

class DeviceList {
public:
    DeviceList() = default;
    DeviceList(const DeviceList& other);
    DeviceList& operator=(const DeviceList& other);
    DeviceList(DeviceList&&) noexcept = default;
    DeviceList& operator=(DeviceList&&) noexcept = default;

    // Appends the record unless an equal row exists; true when appended.
    // A row, once added, stays at its address until clear().
    bool add(const DeviceRecord& record);
    bool add(DeviceRecord&& record);
    bool contains(const DeviceRecord& record) const;
    void clear();
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Throws std::out_of_range past the last row.
    const DeviceRecord& at(std::size_t row) const;

private:
    // Rows live in fixed-size chunks: addresses stay put as rows are added
    // (the window hands out references), and no row pays for a node of its
    // own as it would in a deque of records this large.
    static constexpr std::size_t kChunkRows = 256;
    std::vector<std::unique_ptr<DeviceRecord[]>> chunks_;
    std::size_t size_ = 0;

    // Open-addressed index of row numbers, probed linearly; a slot keeps part
    // of the row's hash so that most probes need no text comparison.
    struct Slot {
        std::uint32_t row_plus_one = 0;  // 0: empty
        std::uint32_t hash = 0;
    };
    std::vector<Slot> slots_;  // size a power of two, at most half full

    DeviceRecord& rowAt(std::size_t row) const {
        return chunks_[row / kChunkRows][row % kChunkRows];
    }
    // The slot holding an equal row, or the empty slot where it would go.
    std::size_t findSlot(const DeviceRecord& record, std::uint32_t hash) const;
    void growIndex();
    template <class Record>
    bool addRow(Record&& record);
};

}  // namespace kestrel
