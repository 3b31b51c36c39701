#pragma once
// The rows of the device list in insertion order, with an index that finds an
// equal row (upper-cased MAC text and IP text, exact) without a walk. The
// list holds at most a set number of rows: every distinct reply on the
// segment would otherwise stay until the next scan, and anyone can send them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "discovery/device_record.h"

namespace kestrel {

class DeviceList {
public:
    // About 400 MB of rows: far beyond any real segment, yet a bound on
    // what a flood of forged replies can take.
    static constexpr std::size_t kDefaultMaxRows = 1'000'000;

    explicit DeviceList(std::size_t maxRows = kDefaultMaxRows) : maxRows_(maxRows) {}
    DeviceList(const DeviceList& other);
    DeviceList& operator=(const DeviceList& other);
    DeviceList(DeviceList&&) noexcept = default;
    DeviceList& operator=(DeviceList&&) noexcept = default;

    // Appends the record unless an equal row exists or the list is full;
    // true when appended. A row, once added, stays at its address until
    // clear().
    bool add(const DeviceRecord& record);
    bool add(DeviceRecord&& record);
    bool contains(const DeviceRecord& record) const;
    void clear();
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Throws std::out_of_range past the last row.
    const DeviceRecord& at(std::size_t row) const;

    std::size_t maxRows() const { return maxRows_; }
    // Records not added since the last clear() because the list was full and
    // no row equalled them. A controller that answers twice meanwhile is
    // counted twice: remembering them would cost what the bound saves.
    std::size_t refused() const { return refused_; }

private:
    // Rows live in fixed-size chunks: addresses stay put as rows are added
    // (the window hands out references), and no row pays for a node of its
    // own as it would in a deque of records this large.
    static constexpr std::size_t kChunkRows = 256;
    std::vector<std::unique_ptr<DeviceRecord[]>> chunks_;
    std::size_t size_ = 0;
    std::size_t maxRows_;
    std::size_t refused_ = 0;

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
