#pragma once
// Bounds-checked access to wire bytes. Writers never touch a byte outside the
// buffer or the named field: a field that does not lie wholly inside the
// buffer is a programming error, which stops a debug build (assert) and is
// skipped in a release build. Readers answer nothing rather than read past
// the end of what was received.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrel {

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

// Copies at most `width` characters of `text` to buf[offset..], without a
// terminator. Bytes of the field past the text are left as they are (the
// buffers are zero-filled first). Nothing is written outside the buffer.
void putText(MutableByteSpan buf, std::size_t offset, std::size_t width, std::string_view text);
void putU8(MutableByteSpan buf, std::size_t offset, std::uint8_t value);
void putU16le(MutableByteSpan buf, std::size_t offset, std::uint16_t value);
void putU16be(MutableByteSpan buf, std::size_t offset, std::uint16_t value);
// Copies all of `bytes` to buf[offset..]; nothing when they do not fit.
void putBytes(MutableByteSpan buf, std::size_t offset, ByteSpan bytes);

class ByteReader {
public:
    explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool has(std::size_t offset, std::size_t length) const;

    std::optional<std::uint8_t> u8(std::size_t offset) const;
    std::optional<std::uint16_t> u16le(std::size_t offset) const;
    std::optional<std::uint16_t> u16be(std::size_t offset) const;
    // The text of a fixed-width field: up to its first NUL, never past `width`.
    // Nothing when the field does not lie wholly inside the bytes.
    std::optional<std::string> text(std::size_t offset, std::size_t width) const;
    std::optional<ByteSpan> sub(std::size_t offset, std::size_t length) const;

private:
    ByteSpan bytes_;
};

}  // namespace kestrel
