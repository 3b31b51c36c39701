// The capture worker fed from a recorded file: same filter and sink as a
// live capture, nothing sent or captured on an interface.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "dispatch/frame_handler.h"
#include "test_frames.h"
#include "transport/platform.h"

using namespace kestrel;
namespace kt = kestrel::testing;

namespace {

struct Recorded {
    kt::Bytes frame;
    std::uint32_t wireLength;  // claimed length; caplen is frame.size()
};

std::string writePcap(const std::string& name, const std::vector<Recorded>& frames,
                      int dlt = DLT_EN10MB) {
    const auto path = (std::filesystem::temp_directory_path() / name).string();
    pcap_t* dead = pcap_open_dead(dlt, 65535);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    for (const auto& r : frames) {
        pcap_pkthdr h{};
        h.caplen = static_cast<bpf_u_int32>(r.frame.size());
        h.len = r.wireLength;
        pcap_dump(reinterpret_cast<u_char*>(dumper), &h, r.frame.data());
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
    return path;
}

std::vector<kt::Bytes> replay(const std::string& path) {
    std::mutex m;
    std::vector<kt::Bytes> seen;
    auto capture = makePcapFileCapture(path);
    std::vector<CaptureNote> notes;
    capture->setNoteSink([&](const CaptureNote& note) {
        std::lock_guard lock(m);
        notes.push_back(note);
    });
    const auto error = capture->start(AdapterEntry{}, [&](ByteSpan frame, LinkType) {
        std::lock_guard lock(m);
        seen.emplace_back(frame.begin(), frame.end());
    });
    EXPECT_FALSE(error.has_value()) << (error ? error->message : "");
    capture->waitFinished();
    capture->stop();
    EXPECT_FALSE(capture->running());
    // The end of a file is not a broken loop: no "Can't pcap_loop" note.
    EXPECT_TRUE(notes.empty()) << notes.front().text;
    return seen;
}

Recorded whole(kt::Bytes frame) {
    const auto n = static_cast<std::uint32_t>(frame.size());
    return {std::move(frame), n};
}

}  // namespace

TEST(PcapFileCapture, ReplaysOnlyReplyPortFramesInOrderThroughTheHandler) {
    kt::ScanReplySample first, second;
    second.sender = "00:1a:2b:3c:4d:5f";
    second.ip = "169.254.3.4";
    const auto path =
        writePcap("fendrix-replay-order.pcap",
                  {whole(kt::udpFrame(kt::scanReplyPayload(first))),
                   whole(kt::udpFrame(kt::scanReplyPayload(first), 8901)),  // filtered
                   whole(kt::udpFrame(kt::resultReplyDatagram(6))),
                   whole(kt::udpFrame(kt::scanReplyPayload(second), 8911, "169.254.3.4",
                                      "192.168.0.10", 4))});
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const auto frames = replay(path);
    // The core never prints: its notes go to the sink.
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(frames.size(), 3u);

    std::vector<ReplyEvent> events;
    for (const auto& f : frames)
        if (auto e = handleFrame(f)) events.push_back(*e);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(std::get<ScanReplyEvent>(events[0]).record.ip, "192.168.1.50");
    EXPECT_EQ(std::get<ResultReplyEvent>(events[1]).result, 6);
    EXPECT_EQ(std::get<ScanReplyEvent>(events[2]).record.mac, "00:1a:2b:3c:4d:5f");
    std::filesystem::remove(path);
}

TEST(PcapFileCapture, HandsOnOnlyTheCapturedBytesOfATruncatedFrame) {
    auto frame = kt::udpFrame(kt::scanReplyPayload());
    const auto wire = static_cast<std::uint32_t>(frame.size());
    frame.resize(100);  // snapshot cut inside the reply header
    const auto path = writePcap("fendrix-replay-cut.pcap", {{frame, wire}});
    const auto frames = replay(path);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 100u);
    EXPECT_FALSE(handleFrame(frames[0]).has_value());
    std::filesystem::remove(path);
}

TEST(PcapFileCapture, MissingFileIsAnOpenError) {
    auto capture = makePcapFileCapture("/nonexistent/fendrix.pcap");
    const auto error = capture->start(AdapterEntry{}, [](ByteSpan, LinkType) {});
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, CaptureError::Kind::OpenFailed);
    EXPECT_NE(error->message.find("/nonexistent/fendrix.pcap"), std::string::npos);
    EXPECT_FALSE(capture->running());
    capture->stop();  // nothing to stop: harmless
}

TEST(PcapFileCapture, OnlyLinkTypesTheHandlerDecodesAreOpened) {
    const auto ethernet = kt::udpFrame(kt::resultReplyDatagram(6));
    const kt::Bytes ip(ethernet.begin() + 14, ethernet.end());
    const struct {
        int dlt;
        kt::Bytes frame;
        std::optional<LinkType> link;  // nothing: refused
    } cases[] = {{DLT_EN10MB, ethernet, LinkType::Ethernet},
                 {DLT_LINUX_SLL, kt::cookedFrame(ethernet, false), LinkType::LinuxSll},
                 {DLT_LINUX_SLL2, kt::cookedFrame(ethernet, true), LinkType::LinuxSll2},
                 {DLT_RAW, ip, std::nullopt},
                 {DLT_IEEE802_11_RADIO, ethernet, std::nullopt}};
    for (const auto& c : cases) {
        const auto path = writePcap("fendrix-link-type.pcap", {whole(c.frame)}, c.dlt);
        auto capture = makePcapFileCapture(path);
        std::mutex m;
        std::optional<ReplyEvent> decoded;
        const auto error = capture->start(AdapterEntry{}, [&](ByteSpan frame, LinkType link) {
            std::lock_guard lock(m);
            decoded = handleFrame(frame, link);
        });
        if (c.link) {
            EXPECT_FALSE(error) << c.dlt;
            capture->waitFinished();
            std::lock_guard lock(m);
            ASSERT_TRUE(decoded) << c.dlt;  // through the filter and the handler
            EXPECT_EQ(std::get<ResultReplyEvent>(*decoded).result, 6);
        } else {
            ASSERT_TRUE(error) << c.dlt;
            EXPECT_EQ(error->kind, CaptureError::Kind::UnsupportedLink);
            EXPECT_NE(error->message.find(path), std::string::npos) << error->message;
            EXPECT_NE(error->message.find(pcap_datalink_val_to_name(c.dlt)), std::string::npos)
                << error->message;
        }
        capture->stop();
        std::filesystem::remove(path);
    }
}
