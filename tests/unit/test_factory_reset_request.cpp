#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "commands/factory_reset_request.h"

using namespace kestrel;

namespace {
template <std::size_t N>
void put(std::array<std::uint8_t, N>& b, std::size_t at, const std::string& s) {
    std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
const AdapterEntry kAdapter{"eth-test", "10.1.1.2", "aa:bb:cc:dd:ee:02", "veth0"};
}  // namespace

TEST(FactoryResetRequest, ExactBytes) {
    const auto got =
        buildFactoryResetRequest(kAdapter, "00:1A:2B:3C:4D:5E", "10.1.1.20", "admin", "pw");
    std::array<std::uint8_t, 192> want{};
    put(want, 0, "kestrel");
    want[7] = 1;
    want[9] = 3;
    want[10] = 52;
    put(want, 12, "aa:bb:cc:dd:ee:02");
    put(want, 32, "00:1a:2b:3c:4d:5e");
    put(want, 52, "10.1.1.2");
    put(want, 72, "10.1.1.20");
    put(want, 92, "admin");
    put(want, 142, "pw");
    EXPECT_EQ(got, want);
}

TEST(FactoryResetRequest, EmptyCredentialsLeaveTheirBytesZero) {
    const auto b = buildFactoryResetRequest(kAdapter, "00:1a:2b:3c:4d:5e", "10.1.1.20", "", "");
    EXPECT_TRUE(std::all_of(b.begin() + 92, b.end(), [](auto c) { return c == 0; }));
}

TEST(FactoryResetRequest, OverlongCredentialsAreCutAtFiftyBytes) {
    const std::string longId(51, 'i'), longPw(300, 'p');
    const auto b = buildFactoryResetRequest(kAdapter, "00:1a:2b:3c:4d:5e", std::string(30, '9'),
                                            longId, longPw);
    EXPECT_EQ(std::count(b.begin() + 72, b.begin() + 92, '9'), 20);
    EXPECT_EQ(std::count(b.begin() + 92, b.begin() + 142, 'i'), 50);
    EXPECT_EQ(b[142], 'p');  // the 51st character of the ID went nowhere
    EXPECT_EQ(std::count(b.begin() + 142, b.end(), 'p'), 50);
}
