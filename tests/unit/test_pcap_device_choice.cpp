#include <gtest/gtest.h>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <deque>
#include <string>

#include "transport/pcap_device_choice.h"

using namespace kestrel;

namespace {

// A made-up device list in the shape pcap_findalldevs answers.
class Devices {
public:
    pcap_if_t* add(const char* name) {
        auto& d = devices_.emplace_back();
        d.name = const_cast<char*>(name);
        if (devices_.size() > 1) devices_[devices_.size() - 2].next = &d;
        return &d;
    }
    void address(pcap_if_t* device, const char* ip, bool withMask = true, int family = AF_INET) {
        auto& addr = sockaddrs_.emplace_back();
        addr.sin_family = static_cast<decltype(addr.sin_family)>(family);
        inet_pton(AF_INET, ip, &addr.sin_addr);
        auto& mask = sockaddrs_.emplace_back();
        mask.sin_family = AF_INET;
        auto& entry = entries_.emplace_back();
        entry.addr = reinterpret_cast<sockaddr*>(&addr);
        entry.netmask = withMask ? reinterpret_cast<sockaddr*>(&mask) : nullptr;
        pcap_addr_t** tail = &device->addresses;
        while (*tail != nullptr) tail = &(*tail)->next;
        *tail = &entry;
    }
    const pcap_if_t* head() const { return devices_.empty() ? nullptr : &devices_.front(); }

private:
    std::deque<pcap_if_t> devices_;  // deques keep addresses stable
    std::deque<sockaddr_in> sockaddrs_;
    std::deque<pcap_addr_t> entries_;
};

}  // namespace

TEST(CaptureDeviceChoice, AddressMustBeEqualNotJustBeginTheSame) {
    Devices devices;
    auto* first = devices.add("eth-a");
    devices.address(first, "192.168.0.12");
    auto* second = devices.add("eth-b");
    devices.address(second, "10.0.0.1");
    devices.address(second, "192.168.0.1");  // not its first address
    EXPECT_EQ(chooseCaptureDevice(devices.head(), "192.168.0.1"), second);
    EXPECT_EQ(chooseCaptureDevice(devices.head(), "192.168.0.12"), first);
    EXPECT_EQ(chooseCaptureDevice(devices.head(), "192.168.0.123"), nullptr);
    EXPECT_EQ(chooseCaptureDevice(devices.head(), ""), nullptr);
}

TEST(CaptureDeviceChoice, DevicesWithoutAddressesAreSkippedSilently) {
    Devices devices;
    devices.add("any");
    auto* eth = devices.add("eth0");
    devices.address(eth, "192.168.0.10");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(chooseCaptureDevice(devices.head(), "192.168.0.10"), eth);
    // The capture helper's standard error carries only its status lines.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(chooseCaptureDevice(nullptr, "192.168.0.10"), nullptr);
}

TEST(CaptureDeviceChoice, OnlyIPv4EntriesWithANetmaskCount) {
    Devices devices;
    auto* noMask = devices.add("tun0");
    devices.address(noMask, "192.168.0.10", false);
    auto* otherFamily = devices.add("odd0");
    devices.address(otherFamily, "192.168.0.10", true, AF_INET6);
    auto* good = devices.add("eth1");
    devices.address(good, "192.168.0.10");
    EXPECT_EQ(chooseCaptureDevice(devices.head(), "192.168.0.10"), good);
}
