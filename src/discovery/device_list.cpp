#include "discovery/device_list.h"

#include <stdexcept>
#include <string_view>
#include <utility>

#include "discovery/keyed_hash.h"
#include "wire/address_text.h"

namespace kestrel {

namespace {

// The upper-cased MAC, a separator no text holds, then the IP, through a
// hash keyed per process: the slots that replies land in cannot be chosen
// by whoever sends them, so no flood of chosen texts makes the probes long.
std::uint32_t rowKeyHash(const DeviceRecord& r) {
    SipHasher h(processSipKey());
    for (char c : r.mac) h.add(static_cast<std::uint8_t>(upperAscii(c)));
    h.add(std::uint8_t{0});
    h.add(r.ip);
    const std::uint64_t full = h.finish();
    return static_cast<std::uint32_t>(full ^ (full >> 32));
}

// Equal rows: MAC texts equal once upper-cased, IP texts equal exactly.
bool sameRow(const DeviceRecord& a, const DeviceRecord& b) {
    if (a.ip != b.ip || a.mac.size() != b.mac.size()) return false;
    for (std::size_t i = 0; i < a.mac.size(); ++i)
        if (upperAscii(a.mac[i]) != upperAscii(b.mac[i])) return false;
    return true;
}

}  // namespace

DeviceList::DeviceList(const DeviceList& other)
    : size_(other.size_), maxRows_(other.maxRows_), refused_(other.refused_), slots_(other.slots_) {
    chunks_.reserve(other.chunks_.size());
    for (std::size_t first = 0; first < size_; first += kChunkRows) {
        chunks_.push_back(std::make_unique<DeviceRecord[]>(kChunkRows));
        for (std::size_t row = first; row < size_ && row < first + kChunkRows; ++row)
            rowAt(row) = other.rowAt(row);
    }
}

DeviceList& DeviceList::operator=(const DeviceList& other) {
    if (this != &other) *this = DeviceList(other);
    return *this;
}

const DeviceRecord& DeviceList::at(std::size_t row) const {
    if (row >= size_) throw std::out_of_range("DeviceList::at");
    return rowAt(row);
}

std::size_t DeviceList::findSlot(const DeviceRecord& record, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.row_plus_one == 0) return i;
        if (slot.hash == hash && sameRow(rowAt(slot.row_plus_one - 1), record)) return i;
    }
}

bool DeviceList::contains(const DeviceRecord& record) const {
    if (slots_.empty()) return false;
    return slots_[findSlot(record, rowKeyHash(record))].row_plus_one != 0;
}

void DeviceList::growIndex() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.row_plus_one == 0) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].row_plus_one != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

bool DeviceList::add(const DeviceRecord& record) { return addRow(record); }
bool DeviceList::add(DeviceRecord&& record) { return addRow(std::move(record)); }

template <class Record>
bool DeviceList::addRow(Record&& record) {
    if ((size_ + 1) * 2 > slots_.size()) growIndex();
    const std::uint32_t hash = rowKeyHash(record);
    const std::size_t slot = findSlot(record, hash);
    if (slots_[slot].row_plus_one != 0) return false;
    if (size_ >= maxRows_) {
        ++refused_;
        return false;
    }
    if (size_ % kChunkRows == 0) chunks_.push_back(std::make_unique<DeviceRecord[]>(kChunkRows));
    rowAt(size_) = std::forward<Record>(record);
    ++size_;
    slots_[slot] = Slot{static_cast<std::uint32_t>(size_), hash};
    return true;
}

void DeviceList::clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    slots_.clear();
    slots_.shrink_to_fit();
    size_ = 0;
    refused_ = 0;
}

}  // namespace kestrel
