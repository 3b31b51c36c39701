#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "wire/byte_io.h"
#include "wire/protocol.h"
#include "wire/request_header.h"
#include "wire/result_reply.h"

using namespace kestrel;

TEST(RequestHeader, ScanRequestIsExactly52Bytes) {
    const auto req = buildScanRequest("00:1a:2b:3c:4d:5e");
    std::array<std::uint8_t, 52> expected{};
    const std::string front = "kestrel";
    std::copy(front.begin(), front.end(), expected.begin());
    expected[7] = 0x01;
    expected[8] = 0x00;  // version 1, little-endian
    expected[9] = 0x01;  // command
    expected[10] = 0x34;
    expected[11] = 0x00;  // header length 52, little-endian
    const std::string mac = "00:1a:2b:3c:4d:5e";
    std::copy(mac.begin(), mac.end(), expected.begin() + 12);
    EXPECT_EQ(req, expected);  // 3 zeros end the sender, 20 form the empty target
}

TEST(RequestHeader, TargetSitsAt32With0sAfterAndNothingPast51) {
    std::array<std::uint8_t, 60> buf{};
    buf.fill(0);
    buildRequestHeader(buf, cmd::NetworkChange, "aa:bb:cc:dd:ee:ff", "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(std::string(buf.begin() + 32, buf.begin() + 49), "00:1a:2b:3c:4d:5e");
    EXPECT_TRUE(std::all_of(buf.begin() + 49, buf.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(buf[9], cmd::NetworkChange);
}

TEST(RequestHeader, OverlongTextsNeverSpillIntoTheNextField) {
    std::array<std::uint8_t, 64> buf{};
    const std::string longText(40, 'x');
    buildRequestHeader(buf, cmd::FactoryReset, longText, longText);
    EXPECT_EQ(std::count(buf.begin() + 12, buf.begin() + 32, 'x'), 20);
    EXPECT_EQ(std::count(buf.begin() + 32, buf.begin() + 52, 'x'), 20);
    EXPECT_TRUE(std::all_of(buf.begin() + 52, buf.end(), [](auto b) { return b == 0; }));
    // a buffer shorter than the header is left alone
    std::array<std::uint8_t, 10> tiny{};
    buildRequestHeader(tiny, cmd::Scan, "a", "b");
    EXPECT_TRUE(std::all_of(tiny.begin(), tiny.end(), [](auto b) { return b == 0; }));
}

TEST(ByteIo, WritesOutsideTheBufferStopADebugBuildAndAreSkippedOtherwise) {
    std::array<std::uint8_t, 4> buf{};
    EXPECT_DEBUG_DEATH(putU8(buf, 4, 1), "outside the buffer");
    EXPECT_DEBUG_DEATH(putU16le(buf, 3, 0x0101), "outside the buffer");
    EXPECT_DEBUG_DEATH(putText(buf, 4, 2, "ab"), "outside the buffer");
    EXPECT_DEBUG_DEATH(putU16be(buf, 3, 0x0101), "outside the buffer");
    const std::uint8_t two[2] = {1, 1};
    EXPECT_DEBUG_DEATH(putBytes(buf, 3, two), "outside the buffer");
    EXPECT_EQ(buf, (std::array<std::uint8_t, 4>{}));
}

TEST(Protocol, LengthsOfEveryCode) {
    EXPECT_EQ(datagramLength(cmd::Scan), 52u);
    EXPECT_EQ(datagramLength(cmd::NetworkChange), 318u);
    EXPECT_EQ(datagramLength(cmd::FactoryReset), 192u);
    EXPECT_EQ(datagramLength(cmd::OemMac), 162u);
    EXPECT_EQ(datagramLength(17), 216u);
    EXPECT_EQ(datagramLength(18), 93u);
    for (std::uint8_t c : std::initializer_list<std::uint8_t>{19, 20, 21})
        EXPECT_EQ(datagramLength(c), 115u);
    for (std::uint8_t c : std::initializer_list<std::uint8_t>{0, 4, 6, 16, 22, 255})
        EXPECT_FALSE(datagramLength(c).has_value());
    EXPECT_EQ(replyLength(17), 216u);
    for (std::uint8_t c : std::initializer_list<std::uint8_t>{cmd::Scan, cmd::NetworkChange,
                                                              cmd::FactoryReset, cmd::OemMac, 22})
        EXPECT_FALSE(replyLength(c).has_value());
}

TEST(ResultReply, MessagesAsTheyStand) {
    EXPECT_EQ(resultMessage(0), "Sucess");
    EXPECT_EQ(resultMessage(1), "Sucess and System Reboot");
    EXPECT_EQ(resultMessage(5), "The UserID or Password you typed do not match.");
    EXPECT_EQ(resultMessage(6), "Network Change not Use");
    for (std::uint8_t r : std::initializer_list<std::uint8_t>{2, 3, 4, 7, 255})
        EXPECT_FALSE(resultMessage(r).has_value());
    std::array<std::uint8_t, 93> datagram{};
    datagram[92] = 6;
    EXPECT_EQ(decodeResultReply(datagram), 6);
    EXPECT_FALSE(decodeResultReply(std::span(datagram).first(92)).has_value());
}
