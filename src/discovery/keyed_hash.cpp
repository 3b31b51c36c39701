#include "discovery/keyed_hash.h"

#include <random>

namespace kestrel {

namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

void sipRound(std::uint64_t& v0, std::uint64_t& v1, std::uint64_t& v2, std::uint64_t& v3) {
    v0 += v1;
    v1 = rotl(v1, 13);
    v1 ^= v0;
    v0 = rotl(v0, 32);
    v2 += v3;
    v3 = rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = rotl(v1, 17);
    v1 ^= v2;
    v2 = rotl(v2, 32);
}

SipKey randomKey() {
    std::random_device source;
    auto word = [&source] {
        return (static_cast<std::uint64_t>(source()) << 32) ^ static_cast<std::uint64_t>(source());
    };
    return {word(), word()};
}

}  // namespace

const SipKey& processSipKey() {
    static const SipKey key = randomKey();
    return key;
}

SipHasher::SipHasher(const SipKey& key)
    : v0_(key.k0 ^ 0x736f6d6570736575ull),
      v1_(key.k1 ^ 0x646f72616e646f6dull),
      v2_(key.k0 ^ 0x6c7967656e657261ull),
      v3_(key.k1 ^ 0x7465646279746573ull) {}

void SipHasher::compress(std::uint64_t word) {
    v3_ ^= word;
    sipRound(v0_, v1_, v2_, v3_);
    sipRound(v0_, v1_, v2_, v3_);
    v0_ ^= word;
}

void SipHasher::add(std::uint8_t byte) {
    word_ |= static_cast<std::uint64_t>(byte) << (8 * (length_ % 8));
    if (++length_ % 8 == 0) {
        compress(word_);
        word_ = 0;
    }
}

std::uint64_t SipHasher::finish() {
    compress(word_ | (length_ << 56));
    v2_ ^= 0xff;
    for (int i = 0; i < 4; ++i) sipRound(v0_, v1_, v2_, v3_);
    return v0_ ^ v1_ ^ v2_ ^ v3_;
}

}  // namespace kestrel
