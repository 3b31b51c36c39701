#pragma once
// SipHash-2-4 (Aumasson and Bernstein), fed byte by byte. Anyone on the
// segment chooses the texts that the device list indexes; with a key drawn
// at random per process, nobody can pick texts that pile up in one slot.
#include <cstdint>
#include <string_view>

namespace kestrel {

struct SipKey {
    std::uint64_t k0 = 0, k1 = 0;
};

// A key drawn once per process from the system's random source.
const SipKey& processSipKey();

class SipHasher {
public:
    explicit SipHasher(const SipKey& key);
    void add(std::uint8_t byte);
    void add(std::string_view text) {
        for (char c : text) add(static_cast<std::uint8_t>(c));
    }
    std::uint64_t finish();

private:
    void compress(std::uint64_t word);
    std::uint64_t v0_, v1_, v2_, v3_;
    std::uint64_t word_ = 0;  // bytes waiting for a whole 64-bit word, little-endian
    std::uint64_t length_ = 0;
};

}  // namespace kestrel
