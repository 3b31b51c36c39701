// Every scan reply for a target is weighed, not only the one the list keeps:
// replies that disagree on what a network change carries over are a dispute.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "discovery/target_replies.h"
#include "test_records.h"

using namespace kestrel;

namespace {
DeviceRecord reply(std::string mac = "00:1a:2b:3c:4d:5e", std::string ip = "192.168.0.21") {
    return kestrel::testing::controllerRecord(std::move(mac), std::move(ip));
}
using Change = std::function<void(DeviceRecord&)>;
}  // namespace

TEST(TargetReplies, DisputedSettingsAreThoseAnyReplyForTheTargetHoldsOtherwise) {
    struct Case {
        const char* what;
        std::string target;
        std::vector<Change> others;  // replies after an unchanged first one
        std::vector<CarriedSetting> disputed;
        bool ambiguous;
    } cases[] = {
        {"one reply", "00:1a:2b:3c:4d:5e", {}, {}, false},
        {"duplicates that agree", "192.168.0.21", {[](auto&) {}, [](auto&) {}}, {}, false},
        {"MAC case and texts a change does not send",
         "00:1A:2B:3C:4D:5E",
         {[](auto& r) {
             r.mac = "00:1A:2B:3C:4D:5E";
             r.firmware_version.push_back('9');
             r.status = 0;
         }},
         {},
         false},
        {"any non-zero IP type reads as static",
         "192.168.0.21",
         {[](auto& r) { r.ip_type = 7; }},
         {},
         false},
        {"forged gateway and DNS",
         "00:1a:2b:3c:4d:5e",
         {[](auto& r) {
             r.gateway = "6.6.6.6";
             r.dns1 = "6.6.6.6";
         }},
         {CarriedSetting::Gateway, CarriedSetting::Dns1},
         false},
        {"each field, spread over replies",
         "192.168.0.21",
         {[](auto& r) { r.ip_type = 0; }, [](auto& r) { r.subnet_mask = "255.0.0.0"; },
          [](auto& r) { r.dns2 = "1.1.1.1"; }, [](auto& r) { r.server_ip = "10.0.0.1"; },
          [](auto& r) { r.https_enabled = 2; }, [](auto& r) { r.http_port = 8080; },
          [](auto& r) { r.https_port = 8443; }},
         {CarriedSetting::IpType, CarriedSetting::SubnetMask, CarriedSetting::Dns2,
          CarriedSetting::ServerIp, CarriedSetting::Https, CarriedSetting::HttpPort,
          CarriedSetting::HttpsPort},
         false},
        {"another controller's reply is passed over",
         "00:1a:2b:3c:4d:5e",
         {[](auto& r) {
             r.mac = "00:1a:2b:3c:4d:99";
             r.ip = "192.168.0.99";
             r.gateway = "6.6.6.6";
         }},
         {},
         false},
        {"a second address for the MAC",
         "00:1a:2b:3c:4d:5e",
         {[](auto& r) { r.ip = "169.254.1.1"; }},
         {},
         true},
        {"a second MAC for the address",
         "192.168.0.21",
         {[](auto& r) { r.mac = "02:00:00:00:00:01"; }},
         {},
         true},
    };
    for (const auto& c : cases) {
        TargetReplies replies(c.target);
        replies.see(reply("00:1a:2b:3c:4d:01", "192.168.0.1"));  // another controller first
        replies.see(reply());
        for (const auto& change : c.others) {
            DeviceRecord r = reply();
            change(r);
            replies.see(r);
        }
        CarriedSettings expected;
        for (auto s : c.disputed) expected.set(static_cast<std::size_t>(s));
        EXPECT_EQ(replies.disputed(), expected) << c.what;
        EXPECT_EQ(replies.ambiguous(), c.ambiguous) << c.what;
        ASSERT_TRUE(replies.first()) << c.what;
        EXPECT_EQ(*replies.first(), reply()) << c.what;  // the first one, as the list keeps it
    }
    EXPECT_EQ(settingName(CarriedSetting::Gateway), "gateway");
    EXPECT_FALSE(TargetReplies("10.0.0.1").first());
}
