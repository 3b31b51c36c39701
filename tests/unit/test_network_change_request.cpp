#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "commands/network_change_request.h"

using namespace kestrel;

namespace {

template <std::size_t N>
void put(std::array<std::uint8_t, N>& b, std::size_t at, const std::string& s) {
    std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

AdapterEntry adapter() { return {"eth-test", "192.168.0.2", "aa:bb:cc:dd:ee:01", "veth0"}; }

NetworkChangeValues values() {
    NetworkChangeValues v;
    v.target_mac = "00:1A:2B:3C:4D:5E";
    v.current_ip = "192.168.0.10";
    v.is_static = true;
    v.new_ip = "10.0.0.5";
    v.subnet_mask = "255.0.0.0";
    v.gateway = "10.0.0.1";
    v.dns1 = "8.8.8.8";
    v.dns2 = "0.0.0.0";
    v.https = false;
    v.http_port = 0x1F90;   // 8080
    v.https_port = 0x01BB;  // 443
    v.server_ip = "10.0.0.100";
    v.user_id = "admin";
    v.password = "secret";
    return v;
}

}  // namespace

TEST(NetworkChangeRequest, ExactBytes) {
    const auto got = buildNetworkChangeRequest(adapter(), values());
    std::array<std::uint8_t, 318> want{};
    put(want, 0, "kestrel");
    want[7] = 1;
    want[9] = 2;
    want[10] = 52;
    put(want, 12, "aa:bb:cc:dd:ee:01");
    put(want, 32, "00:1a:2b:3c:4d:5e");  // target lower-cased
    put(want, 52, "192.168.0.2");
    put(want, 72, "192.168.0.10");
    want[92] = 1;
    put(want, 93, "10.0.0.5");
    put(want, 113, "255.0.0.0");
    put(want, 133, "10.0.0.1");
    put(want, 153, "8.8.8.8");
    put(want, 173, "0.0.0.0");
    want[193] = 0;  // https off, its port still sent
    want[194] = 0x90;
    want[195] = 0x1F;
    want[196] = 0xBB;
    want[197] = 0x01;
    put(want, 198, "10.0.0.100");
    put(want, 218, "admin");
    put(want, 268, "secret");
    EXPECT_EQ(got, want);
}

TEST(NetworkChangeRequest, FlagsAndFullWidthFieldsNeverSpill) {
    NetworkChangeValues v = values();
    v.is_static = false;
    v.https = true;
    v.new_ip = std::string(25, '1');
    v.dns2 = std::string(25, '2');
    v.server_ip = std::string(25, '3');
    v.user_id = std::string(20, 'u');
    v.password = std::string(80, 'p');
    const auto b = buildNetworkChangeRequest(adapter(), v);
    EXPECT_EQ(b[92], 0);
    EXPECT_EQ(b[193], 1);
    EXPECT_EQ(std::count(b.begin() + 93, b.begin() + 113, '1'), 20);
    EXPECT_EQ(b[113], '2');  // subnet mask untouched by the long new IP
    EXPECT_EQ(std::count(b.begin() + 173, b.begin() + 193, '2'), 20);
    EXPECT_EQ(std::count(b.begin() + 198, b.begin() + 218, '3'), 20);
    // A 20-character user ID fills 20 of its 50 bytes; the rest stay zero.
    EXPECT_EQ(std::count(b.begin() + 218, b.begin() + 238, 'u'), 20);
    EXPECT_TRUE(std::all_of(b.begin() + 238, b.begin() + 268, [](auto c) { return c == 0; }));
    // An over-long password is cut at its 50 bytes, the end of the request.
    EXPECT_EQ(std::count(b.begin() + 268, b.end(), 'p'), 50);
}
