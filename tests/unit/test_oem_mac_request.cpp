#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "factory/oem_mac_request.h"

using namespace kestrel;

namespace {
template <std::size_t N>
void put(std::array<std::uint8_t, N>& b, std::size_t at, const std::string& s) {
    std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
bool zeros(const std::array<std::uint8_t, 162>& b, std::size_t from, std::size_t to) {
    return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from),
                       b.begin() + static_cast<std::ptrdiff_t>(to), [](auto c) { return c == 0; });
}
}  // namespace

TEST(OemMacRequest, ZantWithNewMacExactBytes) {
    const auto got = buildOemMacRequest("aa:bb:cc:dd:ee:03", "00:1A:2B:3C:4D:5E", "192.168.0.10", 7,
                                        "0a:0b:0c:0d:0e:0f");
    std::array<std::uint8_t, 162> want{};
    put(want, 0, "kestrel");
    want[7] = 1;
    want[9] = 5;
    want[10] = 52;
    put(want, 12, "aa:bb:cc:dd:ee:03");
    put(want, 32, "00:1a:2b:3c:4d:5e");
    put(want, 72, "192.168.0.10");
    put(want, 92, "ZANT");
    put(want, 142, "0a:0b:0c:0d:0e:0f");
    EXPECT_EQ(got, want);
    EXPECT_TRUE(zeros(got, 52, 72));
}

TEST(OemMacRequest, MarloSendsItsWireCodeAndEmptyMacAsZeros) {
    const auto b = buildOemMacRequest("aa:bb:cc:dd:ee:03", "00:1a:2b:3c:4d:5e", "10.0.0.7", 3, "");
    EXPECT_EQ(std::string(b.begin() + 92, b.begin() + 98), "MARLO2");
    EXPECT_TRUE(zeros(b, 98, 162));
}

TEST(OemMacRequest, TallisSendsItsCodeLikeTheOthers) {
    const auto b = buildOemMacRequest("aa:bb:cc:dd:ee:03", "00:1a:2b:3c:4d:5e", "10.0.0.7", 6,
                                      "00:11:22:33:44:55");
    EXPECT_EQ(std::string(b.begin() + 92, b.begin() + 98), "TALLIS");
    EXPECT_EQ(std::string(b.begin() + 142, b.begin() + 159), "00:11:22:33:44:55");
}

TEST(OemMacRequest, NoBrandWritesNeitherCodeNorMac) {
    for (int index : {0, -1, 8, 100}) {
        const auto b = buildOemMacRequest("aa:bb:cc:dd:ee:03", "00:1a:2b:3c:4d:5e", "10.0.0.7",
                                          index, "00:11:22:33:44:55");
        EXPECT_EQ(std::string(b.begin() + 72, b.begin() + 80), "10.0.0.7") << index;
        EXPECT_TRUE(zeros(b, 92, 162)) << index;
    }
}

TEST(OemMacRequest, LongTextsStayInTheirFields) {
    const auto b = buildOemMacRequest("aa:bb:cc:dd:ee:03", "00:1a:2b:3c:4d:5e",
                                      std::string(30, '7'), 1, std::string(40, 'm'));
    EXPECT_EQ(std::count(b.begin() + 72, b.begin() + 92, '7'), 20);
    EXPECT_EQ(std::string(b.begin() + 92, b.begin() + 99), "KESTREL");
    EXPECT_TRUE(zeros(b, 99, 142));
    EXPECT_EQ(std::count(b.begin() + 142, b.end(), 'm'), 20);
}
