#include <gtest/gtest.h>

#include <span>

#include "discovery/row_texts.h"
#include "discovery/scan_reply.h"
#include "test_frames.h"

using namespace kestrel;
using kestrel::testing::scanReplyPayload;
using kestrel::testing::ScanReplySample;

namespace {

DeviceRecord decode(const ScanReplySample& sample) {
    const auto d = scanReplyPayload(sample);
    auto r = decodeScanReply(d);
    EXPECT_TRUE(r.has_value());
    return r.value_or(DeviceRecord{});
}

}  // namespace

TEST(ScanReply, EveryFieldLandsInItsRecordField) {
    ScanReplySample s;
    s.sender = "00:1a:2B:3c:4d:5e";
    s.ip = "10.1.2.3";
    s.ip_type = 0;
    s.subnet_mask = "255.255.0.0";
    s.gateway = "10.1.0.1";
    s.dns1 = "10.1.0.2";
    s.dns2 = "10.1.0.3";
    s.https_enabled = 1;
    s.http_port = 8080;
    s.https_port = 0xABCD;
    s.server_ip = "10.9.9.9";
    s.hardware_model = 300;
    s.edition = 11;
    s.max_door = 0x0102;
    s.firmware_version = "5.00.01l";
    s.status = 98;
    const DeviceRecord r = decode(s);
    EXPECT_EQ(r.mac, "00:1a:2B:3c:4d:5e");  // case as sent
    EXPECT_EQ(r.ip, "10.1.2.3");
    EXPECT_EQ(r.ip_type, 0);
    EXPECT_EQ(r.subnet_mask, "255.255.0.0");
    EXPECT_EQ(r.gateway, "10.1.0.1");
    EXPECT_EQ(r.dns1, "10.1.0.2");
    EXPECT_EQ(r.dns2, "10.1.0.3");
    EXPECT_EQ(r.https_enabled, 1);
    EXPECT_EQ(r.http_port, 8080);
    EXPECT_EQ(r.https_port, 0xABCD);
    EXPECT_EQ(r.server_ip, "10.9.9.9");
    EXPECT_EQ(r.hardware_model, 300);
    EXPECT_EQ(r.edition, 11);
    EXPECT_EQ(r.max_door, 0x0102);
    EXPECT_EQ(r.firmware_version, "5.00.01l");
    EXPECT_EQ(r.status, 98);
}

TEST(ScanReply, FullWidthTextsStopAtTheirFieldAndEmptyStaysEmpty) {
    ScanReplySample s;
    s.sender = std::string(20, 'M');
    s.ip = std::string(20, '1');
    s.subnet_mask = std::string(20, '2');  // no NUL before the gateway field
    s.gateway = "";
    s.server_ip = "";
    s.firmware_version = std::string(10, 'v');  // runs into the uninterpreted byte
    auto d = scanReplyPayload(s);
    d[214] = 'X';
    const auto r = decodeScanReply(d);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->mac, std::string(20, 'M'));
    EXPECT_EQ(r->ip, std::string(20, '1'));
    EXPECT_EQ(r->subnet_mask, std::string(20, '2'));
    EXPECT_EQ(r->gateway, "");
    EXPECT_EQ(r->server_ip, "");
    EXPECT_EQ(r->firmware_version, std::string(10, 'v'));
}

TEST(ScanReply, ShortDatagramGivesNothing) {
    const auto d = scanReplyPayload();
    const auto bytes = std::span<const std::uint8_t>(d);
    EXPECT_FALSE(decodeScanReply(bytes.first(215)));
    EXPECT_FALSE(decodeScanReply(bytes.first(51)));
    EXPECT_FALSE(decodeScanReply({}));
}

TEST(RowTexts, CellsOfOneRow) {
    ScanReplySample s;
    s.sender = "00:1a:2b:3c:4d:5e";
    s.max_door = 4;
    s.ip_type = 2;
    const DeviceRecord r = decode(s);
    EXPECT_EQ(cellText(r, ColNo, 0), "  1");
    EXPECT_EQ(cellText(r, ColNo, 41), "  42");
    EXPECT_EQ(cellText(r, ColMacAddress, 0), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(r.mac, "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(cellText(r, ColIpAddress, 0), "192.168.1.50");
    EXPECT_EQ(cellText(r, ColIpType, 0), "Static");
    EXPECT_EQ(cellText(r, ColMaxDoor, 0), "  4");
    EXPECT_EQ(cellText(r, ColStatus, 0), "OK");
    EXPECT_EQ(cellText(r, ColVersion, 0), "3.1.7");
    EXPECT_EQ(cellText(r, ColServerIp, 0), "");
    EXPECT_EQ(cellText(r, ColModel, 0), "Keystone");
    EXPECT_EQ(cellText(r, ColProduct, 0), "2 Door");

    DeviceRecord other = r;
    other.status = 0;
    other.ip_type = 0;
    other.server_ip = "10.0.0.9";
    other.max_door = 0;
    EXPECT_EQ(cellText(other, ColStatus, 0), "Failed");
    EXPECT_EQ(cellText(other, ColIpType, 0), "DHCP");
    EXPECT_EQ(cellText(other, ColServerIp, 0), "10.0.0.9");
    EXPECT_EQ(cellText(other, ColMaxDoor, 0), "  0");
    other.status = 100;  // only 99 is OK
    EXPECT_EQ(cellText(other, ColStatus, 0), "Failed");
}

TEST(RowTexts, ProductAndEditionTables) {
    const std::pair<std::uint16_t, const char*> products[] = {
        {0, "MINI"},         {1, "1 Door"},
        {2, "2 Door"},       {3, "3 Door"},
        {4, "4 Door"},       {5, "Unknown"},
        {99, "Unknown"},     {100, "Mini PC"},
        {200, "Rack Mount"}, {300, "Virtual Machine"},
        {301, "Unknown"},    {65535, "Unknown"}};
    for (auto [code, text] : products) EXPECT_EQ(productName(code), text) << code;
    const std::pair<std::uint16_t, const char*> editions[] = {
        {0, "Unknown"},        {1, "Keystone"}, {2, "Summit"},     {3, "Meridian"}, {4, "Unknown"},
        {5, "Satellite"},      {6, "Unknown"},  {7, "Ascent"},     {8, "Unknown"},  {10, "Unknown"},
        {11, "Meridian Plus"}, {12, "Unknown"}, {65535, "Unknown"}};
    for (auto [code, text] : editions) EXPECT_EQ(editionName(code), text) << code;
}
