#pragma once
// Misbehaviour on demand: lost, doubled and late replies, and malformed
// frames to the reply port mixed in with the real ones.
#include <cstdint>
#include <random>
#include <vector>

#include "frames.h"

namespace sim {

struct FaultOptions {
    double drop = 0.0;       // share of replies not sent
    double duplicate = 0.0;  // share of replies sent twice
    double malformed = 0.0;  // share of replies followed by a malformed frame
    unsigned delay_ms = 0;   // wait before answering a request
};

class Faults {
public:
    Faults(FaultOptions options, std::uint32_t seed) : options_(options), rng_(seed) {}

    bool drop() { return chance(options_.drop); }
    bool duplicate() { return chance(options_.duplicate); }
    bool malformed() { return chance(options_.malformed); }
    unsigned delay_ms() const { return options_.delay_ms; }

    // One broken frame towards the reply's destination; the kinds take turns
    // so that a run with several of them covers each.
    Bytes malformed_frame(const UdpEndpoints& reply_ends, ByteView good_payload);

private:
    bool chance(double share);

    FaultOptions options_;
    std::mt19937 rng_;
    unsigned next_kind_ = 0;
};

}  // namespace sim
