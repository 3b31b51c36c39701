#include <gtest/gtest.h>

#include "transport/adapter_rules.h"

using namespace kestrel;

namespace {
SystemAdapter adapter(std::string description, std::string ip,
                      std::vector<std::uint8_t> hw = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}) {
    return {description, ip, std::move(hw), description};
}
}  // namespace

TEST(AdapterRules, MacTextIsLowerCaseHexPairs) {
    const std::vector<std::uint8_t> hw = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xFF, 0xEE};
    EXPECT_EQ(macText(hw), "00:1a:2b:3c:4d:5e");  // only the first six bytes
    EXPECT_EQ(macText({}), "00:00:00:00:00:00");
    const std::vector<std::uint8_t> shortHw = {0xAB, 0xCD};
    EXPECT_EQ(macText(shortHw), "ab:cd:00:00:00:00");
}

TEST(AdapterRules, SkipsVirtualBoxBluetoothAndUnaddressedKeepingOrder) {
    const std::vector<SystemAdapter> system = {
        adapter("VirtualBox Host-Only Ethernet Adapter", "192.168.56.1"),
        adapter("Intel(R) Ethernet", "192.168.0.10"),
        adapter("Bluetooth Device (Personal Area Network)", "10.1.1.1"),
        adapter("Realtek PCIe GbE", "0.0.0.0"),
        adapter("My VirtualBox bridge", "10.0.0.5", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}),
        adapter("Virtual", "172.16.0.1"),  // shorter than the prefix: listed
    };
    const auto entries = usableAdapters(system);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].description, "Intel(R) Ethernet");
    EXPECT_EQ(entries[0].ip_text, "192.168.0.10");
    EXPECT_EQ(entries[0].mac_text, "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(entries[0].if_name, "Intel(R) Ethernet");
    EXPECT_EQ(entries[1].description, "My VirtualBox bridge");
    EXPECT_EQ(entries[1].mac_text, "aa:bb:cc:dd:ee:ff");
    EXPECT_EQ(entries[2].ip_text, "172.16.0.1");
}

TEST(AdapterRules, PrefixesAreCaseSensitiveAndAddressRuleIsAPrefix) {
    const auto entries = usableAdapters({adapter("virtualbox lower", "10.0.0.1"),
                                         adapter("eth0", "0.0.0.00"),  // begins with 0.0.0.0
                                         adapter("eth1", "10.0.0.0")});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, "virtualbox lower");
    EXPECT_EQ(entries[1].description, "eth1");
}
