// Replies per second through the frame handler, the decoder and the
// duplicate check, on one core. A reply is 282 bytes on the wire, so a
// saturated 1 Gbit/s link carries about 443,000 a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <variant>
#include <vector>

#include "discovery/device_list.h"
#include "dispatch/frame_handler.h"
#include "test_frames.h"

namespace {

std::vector<kestrel::testing::Bytes> distinctScanFrames(std::size_t count) {
    std::vector<kestrel::testing::Bytes> frames;
    frames.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        kestrel::testing::ScanReplySample reply;
        char mac[18];
        std::snprintf(mac, sizeof mac, "00:1a:%02x:%02x:%02x:%02x", unsigned(i >> 24 & 0xff),
                      unsigned(i >> 16 & 0xff), unsigned(i >> 8 & 0xff), unsigned(i & 0xff));
        reply.sender = mac;
        reply.ip = "10." + std::to_string(i >> 16 & 0xff) + "." + std::to_string(i >> 8 & 0xff) +
                   "." + std::to_string(i & 0xff);
        reply.firmware_version = "5.00.01l";
        frames.push_back(kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(reply)));
    }
    return frames;
}

// One scan's worth of distinct replies, handled as the capture worker and the
// list would: decode, then add unless an equal row exists.
void BM_ScanReplies(benchmark::State& state) {
    const auto frames = distinctScanFrames(static_cast<std::size_t>(state.range(0)));
    kestrel::DeviceList list;
    for (auto _ : state) {
        list.clear();
        for (const auto& frame : frames) {
            auto event = kestrel::handleFrame(frame);
            if (auto* scan = event ? std::get_if<kestrel::ScanReplyEvent>(&*event) : nullptr)
                list.add(std::move(scan->record));
        }
        benchmark::DoNotOptimize(list.size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.counters["replies/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(state.range(0)),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScanReplies)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same replies arriving twice: the second pass is all duplicates.
void BM_DuplicateReplies(benchmark::State& state) {
    const auto frames = distinctScanFrames(10000);
    kestrel::DeviceList list;
    for (const auto& frame : frames)
        if (auto e = kestrel::handleFrame(frame))
            list.add(std::get<kestrel::ScanReplyEvent>(*e).record);
    for (auto _ : state) {
        for (const auto& frame : frames) {
            auto event = kestrel::handleFrame(frame);
            benchmark::DoNotOptimize(
                list.add(std::move(std::get<kestrel::ScanReplyEvent>(*event).record)));
        }
    }
    state.counters["replies/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 10000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DuplicateReplies)->Unit(benchmark::kMillisecond);

// Frames that are not ours, dropped by the handler.
void BM_ForeignFrames(benchmark::State& state) {
    auto frame = kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(), 5353);
    for (auto _ : state) benchmark::DoNotOptimize(kestrel::handleFrame(frame));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ForeignFrames);

}  // namespace
