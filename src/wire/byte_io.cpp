#include "wire/byte_io.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace kestrel {

namespace {
bool fits(std::size_t size, std::size_t offset, std::size_t length) {
    return offset <= size && length <= size - offset;
}
}  // namespace

// A field outside the buffer is a fault of the layout that names it: a debug
// build stops there; a release build writes only what lies inside.
void putText(MutableByteSpan buf, std::size_t offset, std::size_t width, std::string_view text) {
    assert(fits(buf.size(), offset, width) && "text field outside the buffer");
    if (offset >= buf.size()) return;
    const std::size_t room = std::min(width, buf.size() - offset);
    const std::size_t n = std::min(room, text.size());
    if (n > 0) std::memcpy(buf.data() + offset, text.data(), n);
}

void putU8(MutableByteSpan buf, std::size_t offset, std::uint8_t value) {
    assert(fits(buf.size(), offset, 1) && "u8 field outside the buffer");
    if (fits(buf.size(), offset, 1)) buf[offset] = value;
}

void putU16le(MutableByteSpan buf, std::size_t offset, std::uint16_t value) {
    assert(fits(buf.size(), offset, 2) && "u16 field outside the buffer");
    if (!fits(buf.size(), offset, 2)) return;
    buf[offset] = static_cast<std::uint8_t>(value & 0xFF);
    buf[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putU16be(MutableByteSpan buf, std::size_t offset, std::uint16_t value) {
    assert(fits(buf.size(), offset, 2) && "u16 field outside the buffer");
    if (!fits(buf.size(), offset, 2)) return;
    buf[offset] = static_cast<std::uint8_t>(value >> 8);
    buf[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

void putBytes(MutableByteSpan buf, std::size_t offset, ByteSpan bytes) {
    assert(fits(buf.size(), offset, bytes.size()) && "bytes outside the buffer");
    if (fits(buf.size(), offset, bytes.size()) && !bytes.empty())
        std::memcpy(buf.data() + offset, bytes.data(), bytes.size());
}

bool ByteReader::has(std::size_t offset, std::size_t length) const {
    return fits(bytes_.size(), offset, length);
}

std::optional<std::uint8_t> ByteReader::u8(std::size_t offset) const {
    if (!has(offset, 1)) return std::nullopt;
    return bytes_[offset];
}

std::optional<std::uint16_t> ByteReader::u16le(std::size_t offset) const {
    if (!has(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::optional<std::uint16_t> ByteReader::u16be(std::size_t offset) const {
    if (!has(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>((bytes_[offset] << 8) | bytes_[offset + 1]);
}

std::optional<std::string> ByteReader::text(std::size_t offset, std::size_t width) const {
    if (!has(offset, width)) return std::nullopt;
    const auto* begin = reinterpret_cast<const char*>(bytes_.data() + offset);
    const void* nul = std::memchr(begin, 0, width);
    const std::size_t len =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : width;
    return std::string(begin, len);
}

std::optional<ByteSpan> ByteReader::sub(std::size_t offset, std::size_t length) const {
    if (!has(offset, length)) return std::nullopt;
    return bytes_.subspan(offset, length);
}

}  // namespace kestrel
