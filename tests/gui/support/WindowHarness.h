#pragma once
// The real main window over the in-process fakes, driven like a user would
// (WindowDriver.h), with the fakes' side: frames pushed into the capture,
// datagrams the socket recorded.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "WindowDriver.h"
#include "fake_seams.h"
#include "test_frames.h"

namespace fendrix::testing {

// The fakes come first: the window is built over them.
struct FakeWorldFirst {
    FakeWorld world;
    explicit FakeWorldFirst(std::optional<std::vector<kestrel::SystemAdapter>> adapters) {
        if (adapters) world.adapters.table = std::move(adapters);
    }
};

struct Harness : FakeWorldFirst, WindowDriver {
    explicit Harness(const QStringList& args = kNormalArgs, bool show = true)
        : FakeWorldFirst(std::nullopt), WindowDriver(world.seams(), args, show) {
        closeMenus();
    }
    Harness(const QStringList& args, std::vector<kestrel::SystemAdapter> adapters)
        : FakeWorldFirst(std::move(adapters)), WindowDriver(world.seams(), args) {
        closeMenus();
    }

    // A popup menu that a test did not ask for closes unchosen at once: a
    // real one would wait for a user.
    void closeMenus() {
        window->setMenuRunner([](QMenu&, const QPoint&) -> QAction* { return nullptr; });
    }

    // Waits for the one start-up scan, so that it cannot clear rows later.
    bool waitStartupScan() {
        return waitFor([&] { return !world.socket.sent.empty(); }, 3000);
    }

    void pushDatagram(const kestrel::testing::Bytes& datagram) {
        world.capture.push(kestrel::testing::udpFrame(datagram));
        settle();
    }

    void pushScanReply(const kestrel::testing::ScanReplySample& sample) {
        pushDatagram(kestrel::testing::scanReplyPayload(sample));
    }

    // n controllers 192.168.1.(50+i) with MACs 00:1a:2b:3c:4d:(i)
    void pushControllers(int n, const std::string& version = "3.1.7") {
        for (int i = 0; i < n; ++i) {
            kestrel::testing::ScanReplySample sample;
            char mac[32];
            std::snprintf(mac, sizeof mac, "00:1a:2b:3c:4d:%02x", i);
            sample.sender = mac;
            sample.ip = "192.168.1." + std::to_string(50 + i);
            sample.firmware_version = version;
            sample.status = i % 2 == 0 ? 99 : 0;
            world.capture.push(
                kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(sample)));
        }
        settle();
    }

    // The datagrams sent since the `from`-th.
    std::vector<SentDatagram> sentSince(std::size_t from) const {
        const auto& sent = world.socket.sent;
        return {sent.begin() + static_cast<long>(std::min(from, sent.size())), sent.end()};
    }
};

}  // namespace fendrix::testing
