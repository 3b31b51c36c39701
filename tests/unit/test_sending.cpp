#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/sending.h"
#include "wire/request_header.h"

using namespace kestrel;

namespace {

// Records every datagram instead of sending it.
class RecordingSocket : public DatagramSocket {
public:
    struct Sent {
        std::string ip;
        std::uint16_t port;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Sent> sent;
    long answer = -2;  // -2: report the full length

    SocketOpenResult open() override { return {true, {}}; }
    bool bind(const AdapterEntry&) override { return true; }
    long sendTo(std::string_view ip, std::uint16_t port, ByteSpan bytes) override {
        sent.push_back({std::string(ip), port, {bytes.begin(), bytes.end()}});
        return answer == -2 ? static_cast<long>(bytes.size()) : answer;
    }
    void close() override {}
    bool isOpen() const override { return true; }
};

AdapterEntry adapterAt(std::string ip) { return {"eth0", ip, "00:1a:2b:3c:4d:5e", "eth0"}; }

}  // namespace

TEST(Sending, ScanGoesWholeToTheDirectedBroadcastOnTheRequestPort) {
    RecordingSocket socket;
    const auto request = buildScanRequest("00:1a:2b:3c:4d:5e");
    EXPECT_EQ(sendBroadcast(socket, adapterAt("192.168.10.25"), request), SendOutcome::Sent);
    ASSERT_EQ(socket.sent.size(), 1u);
    EXPECT_EQ(socket.sent[0].ip, "192.168.10.255");
    EXPECT_EQ(socket.sent[0].port, 8901);
    EXPECT_EQ(socket.sent[0].bytes, std::vector<std::uint8_t>(request.begin(), request.end()));
}

TEST(Sending, ControllerInTheSubnetIsUnicastOtherwiseBroadcast) {
    RecordingSocket socket;
    const std::vector<std::uint8_t> bytes(318, 0x5a);
    const auto adapter = adapterAt("192.168.0.10");
    sendToController(socket, adapter, bytes, "192.168.0.77");
    sendToController(socket, adapter, bytes, "169.254.3.4");
    sendToController(socket, adapter, bytes, "");  // unknown address still reaches it
    // In the subnet by its first three numbers, but no address a socket takes.
    sendToController(socket, adapter, bytes, "192.168.0.77x");
    sendToController(socket, adapter, bytes, "192.168.000.077");
    ASSERT_EQ(socket.sent.size(), 5u);
    EXPECT_EQ(socket.sent[0].ip, "192.168.0.77");
    for (std::size_t i = 1; i < socket.sent.size(); ++i)
        EXPECT_EQ(socket.sent[i].ip, "192.168.0.255");
    for (const auto& s : socket.sent) {
        EXPECT_EQ(s.port, 8901);
        EXPECT_EQ(s.bytes.size(), 318u);
    }
}

TEST(Sending, ShortOrFailedSendsAreOutcomesAndNothingIsPrinted) {
    RecordingSocket socket;
    const std::vector<std::uint8_t> bytes(192, 1);
    const auto adapter = adapterAt("192.168.0.10");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(sendUnicast(socket, "192.168.0.77", bytes), SendOutcome::Sent);
    socket.answer = 100;
    EXPECT_EQ(sendUnicast(socket, "192.168.0.77", bytes), SendOutcome::ShortSend);
    const auto unicast = sendToController(socket, adapter, bytes, "192.168.0.77");
    EXPECT_TRUE(unicast.unicast);
    EXPECT_EQ(unicast.outcome, SendOutcome::ShortSend);
    socket.answer = -1;
    EXPECT_EQ(sendUnicast(socket, "192.168.0.77", bytes), SendOutcome::Failed);
    const auto broadcast = sendToController(socket, adapter, bytes, "169.254.3.4");
    EXPECT_FALSE(broadcast.unicast);
    EXPECT_EQ(broadcast.outcome, SendOutcome::Failed);
    // The window writes its line for a short unicast; the core never prints.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Sending, BroadcastFromAnAdapterWithoutThreeFieldsSendsNothing) {
    RecordingSocket socket;
    EXPECT_EQ(sendBroadcast(socket, adapterAt("garbage"), buildScanRequest("x")),
              SendOutcome::Failed);
    EXPECT_TRUE(socket.sent.empty());
}
